// The text-to-number conversions of the settings file, the settings panel and the templates:
// ParseDecimal, ParseList and the atoi-like ParseLeadingInt, on any text. The first bytes of
// the input also give numbers whose own decimal text must read back as themselves.
#include <cerrno>
#include <cstdlib>
#include <limits>

#include "FuzzSupport.h"
#include "FuzzTargets.h"
#include "config/Parameters.h"

namespace quillon::fuzz {

void FuzzNumbers(Bytes input) {
    const std::string_view text(reinterpret_cast<const char*>(input.data()), input.size());

    Check(ParseDecimal(text, 8) <= 0xFF, "an 8-bit parse gave more than 8 bits");
    Check(ParseDecimal(text, 16) <= 0xFFFF, "a 16-bit parse gave more than 16 bits");
    Check((ParseDecimal(text, 32) & 0xFFFF) == ParseDecimal(text, 16), "the widths disagree on the low bits");

    // The byte count is exact, so a write past the field is caught.
    for (std::size_t count : {4u, 6u}) {
        std::vector<std::uint8_t> field(count, 0xEE);
        ParseList(text, field);
    }

    // atoi without its undefined overflow: wherever the C library's strtol gives a value that
    // fits, the two agree. strtol stops at a zero byte, so only the text before one counts.
    const std::string c_text(text.substr(0, text.find('\0')));
    errno = 0;
    const long reference = std::strtol(c_text.c_str(), nullptr, 10);
    if (errno == 0 && reference >= std::numeric_limits<std::int32_t>::min() &&
        reference <= std::numeric_limits<std::int32_t>::max()) {
        Check(ParseLeadingInt(c_text) == reference, "ParseLeadingInt differs from strtol");
    }

    // A number written in decimal reads back as itself, with or without a leading blank and
    // zeros, and an address list written as the settings file writes it reads back whole.
    ByteReader reader(input);
    const std::uint32_t n = reader.Long();
    Check(ParseDecimal(std::to_string(n), 32) == n, "a decimal text did not read back");
    Check(ParseDecimal(" 00" + std::to_string(n & 0xFFFF), 16) == (n & 0xFFFF), "a padded decimal did not read back");
    std::array<std::uint8_t, 6> mac{};
    for (std::uint8_t& b : mac) b = reader.Byte();
    std::string list = "{ ";
    for (std::size_t i = 0; i < mac.size(); ++i) list += (i ? ", " : "") + std::to_string(mac[i]);
    list += " }";
    std::array<std::uint8_t, 6> back{};
    ParseList(list, back);
    Check(back == mac, "an address list did not read back");
}

}  // namespace quillon::fuzz
