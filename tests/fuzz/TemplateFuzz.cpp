// ExpandTemplateBytes on any template and any record. The input is a settings text (which
// fills every field of the record, strings included), a zero byte, eight bytes of option and
// device bits that the settings file could never produce, and the template.
#include "FuzzSupport.h"
#include "FuzzTargets.h"
#include "generator/TemplateExpander.h"

namespace quillon::fuzz {

namespace {

bool HasMarker(Bytes bytes) {
    for (std::uint8_t b : bytes) {
        if (b >= kDeviceSectionMarker && b <= kSubsectionMarker) return true;
    }
    return false;
}

std::size_t LongestLineBreakRun(Bytes bytes) {
    std::size_t run = 0;
    std::size_t longest = 0;
    for (std::uint8_t b : bytes) {
        run = (b == '\r' || b == '\n') ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

}  // namespace

void FuzzTemplate(Bytes input) {
    const std::vector<std::string_view> parts = SplitAtZeros(input, 2);
    LoadedSettings loaded = LoadSettings(parts[0]);
    ByteReader rest({reinterpret_cast<const std::uint8_t*>(parts[1].data()), parts[1].size()});
    if (parts[1].size() >= 8) {
        loaded.record.option_bits = rest.Long();
        loaded.record.device_bits = rest.Long();
    }
    const Bytes templ = rest.Rest();

    const std::vector<std::uint8_t> out = ExpandTemplateBytes(loaded.record, templ);
    Check(LongestLineBreakRun(out) <= 4, "a run of more than four line breaks survived");
    if (!HasMarker(templ)) {
        Check(out == CompactLineBreaks(templ), "a template without markers did not come out as it went in");
    }
}

}  // namespace quillon::fuzz
