// The two hexadecimal edits of the PLL page: the check of what the user typed or pasted, and
// the conversion. The first byte gives the edit's length limit, the second the conversion
// width, the rest is the text.
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "FuzzTargets.h"
#include "clock/ParseHexField.h"

namespace quillon::fuzz {

namespace {

bool IsUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

}  // namespace

void FuzzHexField(Bytes input) {
    ByteReader reader(input);
    const std::size_t limit = reader.Byte() % 16;
    const std::size_t width = reader.Byte() % 12;
    const Bytes rest = reader.Rest();
    const std::string typed(reinterpret_cast<const char*>(rest.data()), rest.size());

    std::string text = typed;
    std::vector<std::string> messages;
    const bool acceptable = ParseHexFieldCheck(text, limit, messages);
    Check(acceptable == messages.empty(), "the check's answer and its messages disagree");
    if (!typed.empty()) Check(text.size() <= limit, "the check left a text longer than the edit takes");
    bool all_hex = true;
    for (char c : text) all_hex &= IsUpperHex(c);
    if (acceptable) Check(all_hex, "an accepted text holds a character that is not a hex digit");

    // Converting any text is safe; an accepted one gives the value its digits spell.
    const std::uint32_t any = ParseHexFieldConvert(typed, width);
    (void)any;
    if (acceptable && all_hex && text.size() <= width && width <= 8) {
        const unsigned long reference = text.empty() ? 0 : std::strtoul(text.c_str(), nullptr, 16);
        Check(ParseHexFieldConvert(text, width) == reference, "an accepted hex text converts to another value");
    }
}

}  // namespace quillon::fuzz
