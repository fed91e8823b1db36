#include "generator/TemplateExpander.h"

#include "config/Parameters.h"
#include "resources/Resources.h"

namespace quillon {

namespace {

// One pass over a template. Reads never run past the end: a marker cut short by the end of the
// template takes what is there, and an open section ends with the template.
class Expander {
public:
    Expander(const ConfigRecord& record, std::span<const std::uint8_t> in) : record_(record), in_(in) {}

    std::vector<std::uint8_t> Run() {
        while (!AtEnd()) {
            const std::uint8_t b = Next();
            switch (b) {
            case kParameterMarker: WriteParameter(ReadDigits()); break;
            case kDeviceSectionMarker: DeviceSection(); break;
            case kOptionSectionMarker: OptionSection(); break;
            default: out_.push_back(b); break;
            }
        }
        return std::move(out_);
    }

private:
    bool AtEnd() const { return pos_ >= in_.size(); }
    std::uint8_t Next() { return in_[pos_++]; }

    // The two characters of a bit or parameter number.
    std::string ReadDigits() {
        std::string digits;
        for (int k = 0; k < 2 && !AtEnd(); ++k) digits.push_back(static_cast<char>(Next()));
        return digits;
    }

    static std::uint32_t BitOf(const std::string& digits) {
        return 1u << (static_cast<std::uint32_t>(ParseLeadingInt(digits)) % 32u);
    }

    void WriteParameter(const std::string& digits) {
        const std::string text = RenderParameterText(record_, digits, TextForm::CString);
        out_.insert(out_.end(), text.begin(), text.end());
    }

    // Reads "dd,dd,...t" and evaluates it on `bits`: "|" needs one listed bit, anything else
    // (the templates use "&") needs all of them.
    bool ReadCondition(std::uint32_t bits) {
        std::uint32_t listed = 0;
        std::uint8_t terminator = '&';
        while (!AtEnd()) {
            listed |= BitOf(ReadDigits());
            if (AtEnd()) break;
            const std::uint8_t b = Next();
            if (b == ',') continue;
            terminator = b;
            break;
        }
        return terminator == '|' ? (bits & listed) != 0 : (bits & listed) == listed;
    }

    void DeviceSection() {
        const bool written = ReadCondition(record_.device_bits);
        while (!AtEnd()) {
            const std::uint8_t b = Next();
            if (b == kDeviceSectionMarker) return;
            if (b == kParameterMarker) {
                const std::string digits = ReadDigits();
                if (written) WriteParameter(digits);
            } else if (written) {
                out_.push_back(b);
            }
        }
    }

    void OptionSection() {
        const std::uint32_t bits = record_.option_bits;
        const bool listed = ReadCondition(bits);
        bool has_alternative = false;
        // The alternative test's bits; every subsection of a section with an alternative bit
        // adds its own bit to them, for the subsection itself and for the rest of the section.
        std::uint32_t alternative = 0;
        if (!AtEnd() && in_[pos_] == '|') {
            ++pos_;
            has_alternative = true;
            alternative = BitOf(ReadDigits());
        }
        const auto written = [&] { return listed || (has_alternative && (bits & alternative) == alternative); };

        while (!AtEnd()) {
            const std::uint8_t b = Next();
            if (b == kOptionSectionMarker) return;
            if (b == kParameterMarker) {
                const std::string digits = ReadDigits();
                if (written()) WriteParameter(digits);
            } else if (b == kSubsectionMarker) {
                const std::uint32_t own = BitOf(ReadDigits());
                if (!AtEnd()) ++pos_;  // the byte after the digits ("&" in the templates)
                const std::uint32_t needed = alternative | own;
                const bool keep = written() && (bits & needed) == needed;
                while (!AtEnd()) {
                    const std::uint8_t s = Next();
                    if (s == kSubsectionMarker) break;
                    if (keep) out_.push_back(s);
                }
                if (has_alternative) alternative |= own;
            } else if (written()) {
                out_.push_back(b);
            }
        }
    }

    const ConfigRecord& record_;
    std::span<const std::uint8_t> in_;
    std::size_t pos_ = 0;
    std::vector<std::uint8_t> out_;
};

}  // namespace

std::vector<std::uint8_t> CompactLineBreaks(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> out;
    out.reserve(bytes.size());
    int run = 0;
    for (const std::uint8_t b : bytes) {
        if (b == '\r' || b == '\n') {
            if (run < 4) out.push_back(b);
            ++run;
        } else {
            out.push_back(b);
            run = 0;
        }
    }
    return out;
}

std::vector<std::uint8_t> ExpandTemplateBytes(const ConfigRecord& record, std::span<const std::uint8_t> bytes) {
    return CompactLineBreaks(Expander(record, bytes).Run());
}

std::vector<std::uint8_t> ExpandStoredTemplate(const ConfigRecord& record, int number) {
    return ExpandTemplateBytes(record, DataFile(number));
}

std::vector<std::uint8_t> ExpandWorkspaceBytes(std::span<const std::uint8_t> bytes, std::string_view folder,
                                               std::string_view common_library, std::string_view bank_library) {
    std::vector<std::uint8_t> out;
    out.reserve(bytes.size() + 8 * folder.size());
    const auto append = [&](std::string_view text) { out.insert(out.end(), text.begin(), text.end()); };
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::uint8_t b = bytes[i];
        if (b != '%' && b != '#' && b != '@') {
            out.push_back(b);
            continue;
        }
        if (i + 1 == bytes.size()) break;  // a lone marker at the very end is dropped
        const std::uint8_t next = bytes[++i];
        if (next != b) {
            out.push_back(b);
            out.push_back(next);
        } else if (b == '%') {
            append(folder);
        } else if (b == '#') {
            append(common_library);
        } else {
            append(bank_library);
        }
    }
    return out;
}

bool DropDuplicateDeclaration(std::string& text, std::string_view declaration) {
    const std::size_t first = text.find(declaration);
    if (first == std::string::npos || declaration.empty()) return false;
    if (text.find(declaration, first + 5) == std::string::npos) return false;
    std::size_t begin = first;
    while (begin > 0 && text[begin - 1] != '\n') --begin;
    const std::size_t newline = text.find('\n', first);
    const std::size_t end = newline == std::string::npos ? text.size() : newline + 1;
    text.erase(begin, end - begin);
    return true;
}

}  // namespace quillon
