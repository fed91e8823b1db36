// Parameter numbers: the key by which a record value is rendered as C text (for templates and
// the settings file) and the parsers that turn texts back into numbers and address bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "config/ConfigRecord.h"

namespace quillon {

// The text of parameter `number` (only its low 8 bits count). Numbers 0, 66 to 99 and above
// 109 render as "0".
std::string RenderParameter(const ConfigRecord& record, int number);

// Converts `text` the way atoi does (leading white space and a sign, digits up to the first
// other character, 0 without digits), takes its low 8 bits and renders that parameter.
std::string RenderParameterText(const ConfigRecord& record, std::string_view text);

// Decimal parse: from the last character to the first, a digit 1-9 at position p (0 at the
// last character) adds digit * 10^p; every other character adds nothing but takes its place.
// The sum is cut to `width_bits` (8, 16 or 32).
std::uint32_t ParseDecimal(std::string_view text, int width_bits);

// List parse: "{" and blanks are skipped, "," and "}" end a number (decimal parse, 8 bits)
// which goes into the next byte; at most bytes.size() numbers are stored, the rest dropped.
void ParseList(std::string_view text, std::span<std::uint8_t> bytes);

// atoi/atol as the C library reads a number, without the undefined overflow: the digits wrap
// modulo 2^32 and the sign is applied to the wrapped value.
std::int32_t ParseLeadingInt(std::string_view text);

}  // namespace quillon
