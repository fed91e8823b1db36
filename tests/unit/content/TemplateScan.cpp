#include "content/TemplateScan.h"

#include <cctype>

namespace quillon::test {

namespace {

constexpr std::uint8_t kDevice = 0xA2;
constexpr std::uint8_t kOption = 0xA3;
constexpr std::uint8_t kParameter = 0xA4;
constexpr std::uint8_t kSubsection = 0xA5;

bool IsMarker(std::uint8_t b) { return b >= kDevice && b <= kSubsection; }

class Scanner {
public:
    explicit Scanner(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    TemplateScan Run() {
        while (pos_ < bytes_.size()) {
            const std::uint8_t b = bytes_[pos_++];
            if (b == kDevice || b == kOption) {
                Section(b == kDevice);
            } else if (b == kParameter) {
                Parameter();
            } else if (b == kSubsection) {
                Error("subsection outside an option section");
            } else {
                scan_.outside.push_back(static_cast<char>(b));
            }
        }
        return scan_;
    }

private:
    void Error(const std::string& why) { scan_.errors.push_back("byte " + std::to_string(pos_) + ": " + why); }

    // Two decimal digits; -1 (and an error) otherwise.
    int TwoDigits(const char* what) {
        if (pos_ + 2 > bytes_.size() || !std::isdigit(bytes_[pos_]) || !std::isdigit(bytes_[pos_ + 1])) {
            Error(std::string(what) + " is not two digits");
            return -1;
        }
        const int n = (bytes_[pos_] - '0') * 10 + (bytes_[pos_ + 1] - '0');
        pos_ += 2;
        return n;
    }

    void Parameter() {
        const int n = TwoDigits("parameter number");
        if (n < 0) return;
        if (n < 1 || n > 65) Error("parameter " + std::to_string(n) + " renders nothing");
        scan_.parameters.push_back(n);
    }

    void Section(bool device) {
        TemplateSection section;
        section.device = device;
        for (;;) {
            const int bit = TwoDigits("bit number");
            if (bit < 0) return;
            if (bit > 31) Error("bit " + std::to_string(bit) + " beyond 31");
            section.bits.push_back(bit);
            if (pos_ >= bytes_.size()) {
                Error("section header ends the template");
                return;
            }
            const char c = static_cast<char>(bytes_[pos_++]);
            if (c == ',') continue;
            if (c != '&' && c != '|') {
                Error(std::string("list terminator '") + c + "'");
                return;
            }
            section.terminator = c;
            break;
        }
        if (!device && pos_ < bytes_.size() && bytes_[pos_] == '|') {
            ++pos_;
            section.alternative = TwoDigits("alternative bit");
        }
        const std::uint8_t close = device ? kDevice : kOption;
        for (;;) {
            if (pos_ >= bytes_.size()) {
                Error("section not closed");
                break;
            }
            const std::uint8_t b = bytes_[pos_++];
            if (b == close) break;
            if (b == kParameter) {
                section.body.push_back(static_cast<char>(b));
                Parameter();
            } else if (b == kSubsection) {
                if (device) Error("subsection inside a device section");
                Subsection(section);
            } else if (IsMarker(b)) {
                Error("section inside a section");
            } else {
                section.body.push_back(static_cast<char>(b));
            }
        }
        scan_.sections.push_back(section);
    }

    void Subsection(TemplateSection& section) {
        TemplateSubsection sub;
        sub.bit = TwoDigits("subsection bit");
        if (pos_ < bytes_.size()) ++pos_;  // the byte after the digits is skipped
        for (;;) {
            if (pos_ >= bytes_.size()) {
                Error("subsection not closed");
                break;
            }
            const std::uint8_t b = bytes_[pos_++];
            if (b == kSubsection) break;
            // Bytes of a subsection are copied unchanged, so a marker there would reach the
            // generated file as a stray byte.
            if (IsMarker(b)) Error("marker inside a subsection");
            sub.body.push_back(static_cast<char>(b));
        }
        section.body += sub.body;
        section.subsections.push_back(sub);
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
    TemplateScan scan_;
};

}  // namespace

std::uint32_t TemplateSection::Mask() const {
    std::uint32_t mask = 0;
    for (int bit : bits) mask |= 1u << (bit % 32);
    return mask;
}

bool TemplateSection::Holds(std::uint32_t option_bits, std::uint32_t device_bits) const {
    const std::uint32_t word = device ? device_bits : option_bits;
    const std::uint32_t mask = Mask();
    const bool list = terminator == '&' ? (word & mask) == mask : (word & mask) != 0;
    return list || (alternative >= 0 && (option_bits >> (alternative % 32)) & 1u);
}

TemplateScan ScanTemplate(std::span<const std::uint8_t> bytes) { return Scanner(bytes).Run(); }

}  // namespace quillon::test
