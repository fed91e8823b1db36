// Parameter numbers: the key by which a record value is rendered as C text (for templates and
// the settings file) and the parsers that turn texts back into numbers and address bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "config/ConfigRecord.h"

namespace quillon {

// How the texts of the quoted parameters (41 to 45, 62 to 65) are written between their quotes:
// as typed, which is how the settings file keeps them, or escaped for a C string literal, which
// is how generated sources need them so that any typed text compiles and means what was typed.
enum class TextForm { AsTyped, CString };

// The text of parameter `number` (only its low 8 bits count). Numbers 0, 66 to 99 and above
// 109 render as "0".
std::string RenderParameter(const ConfigRecord& record, int number, TextForm form = TextForm::AsTyped);

// Converts `text` the way atoi does (leading white space and a sign, digits up to the first
// other character, 0 without digits), takes its low 8 bits and renders that parameter.
std::string RenderParameterText(const ConfigRecord& record, std::string_view text,
                                TextForm form = TextForm::AsTyped);

// `text` escaped to stand between the quotes of a C string literal: backslash and double quote
// get a backslash, and so does a question mark right after another (no trigraphs); tab, line
// feed and carriage return get their escapes, other control characters a three-digit octal
// escape. Every other byte stays as it is, so texts without these come out unchanged.
std::string EscapeForCString(std::string_view text);

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
