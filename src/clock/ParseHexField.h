// The two hexadecimal edits of the "PLL Setup" page: the check that shortens a text the user
// typed or pasted, and the conversion of what remains.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

inline constexpr const char* kHexTooLongMessage = "Error: Exceeded Size For Initial Value.";
inline constexpr const char* kHexInvalidMessage = "Error: Invalid HEX Character.";

// Trims white space at both ends, cuts a text longer than `limit` to its first `limit`
// characters, and for every position holding something other than "0"-"9" or "A"-"F" drops
// the text's last character; each finding adds its message (kHexTooLongMessage or
// kHexInvalidMessage) to `messages`, in the order found. True when the text was acceptable as
// it stood (an empty text is).
bool ParseHexFieldCheck(std::string& text, std::size_t limit, std::vector<std::string>& messages);

// The value of the first `width` characters of the trimmed, zero-padded text; a character
// that is not a hexadecimal digit counts 0 but keeps its place.
std::uint32_t ParseHexFieldConvert(std::string_view text, std::size_t width);

}  // namespace quillon
