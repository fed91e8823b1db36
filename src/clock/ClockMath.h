// Small pieces of arithmetic and text the oscillator pages share: scaling frequencies by the
// divider factors, fitting true frequencies into the 32-bit fields, and the ways the pages
// read and write frequency texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillon {

inline constexpr std::uint64_t kMaxHz = 0xFFFFFFFFull;

// hz x factor in double precision, truncated toward zero.
std::uint64_t ScaleHz(std::uint64_t hz, double factor);

// The factor of an internal-oscillator divider setting: bits 1-0 = 0, 1, 2, 3 give 1/8, 1/4,
// 1/2 and 1.
double DividerFactor(std::uint8_t oscicn);

// Sets of external-oscillator modes (oscxcn bits 6-4) in which the computations take half of
// the external frequency: bit m stands for mode m.
inline constexpr std::uint8_t kHalvingVardex = (1u << 3) | (1u << 4) | (1u << 5) | (1u << 7);
inline constexpr std::uint8_t kHalvingPelmar = (1u << 3) | (1u << 4) | (1u << 7);
inline constexpr std::uint8_t kHalvingWide = kHalvingVardex;
inline constexpr std::uint8_t kHalvingNarrow = (1u << 3) | (1u << 7);

// The external frequency: half of ext_osc_hz in a halving mode, else ext_osc_hz.
std::uint32_t ExternalHz(std::uint32_t ext_osc_hz, std::uint8_t oscxcn, std::uint8_t halving_modes);

// The internal oscillator's frequency after its divider (oscicn bits 1-0).
std::uint32_t InternalHz(std::uint32_t int_osc_hz, std::uint8_t oscicn);

// A true frequency into a 32-bit field: values that fit are kept, larger ones stay at the
// largest the field holds instead of wrapping around.
std::uint32_t FitHz(std::uint64_t hz);

// "%u" of a frequency, also beyond 32 bits.
std::string FormatHz(std::uint64_t hz);

// A frequency in MHz as the panel and the clock tree write it: "98 MHz", "22.1184 MHz",
// "3.0625 MHz", "0.032768 MHz".
std::string FormatMHz(std::uint64_t hz);

// A double as the display edits show it: plain decimal, no exponent, a fraction only when
// there is one (98000000 shows "98000000", 2.5 shows "2.5").
std::string FormatPlainDecimal(double value);

// A frequency text read the way atol reads it: leading white space and a sign allowed, the
// number ends at the first other character, no digits give 0. A negative number gives 0 and
// one beyond 32 bits the largest 32-bit value, so that a pasted text never wraps around.
std::uint32_t ReadFrequencyText(std::string_view text);

// The reading of an edit bound to an unsigned member: blanks around an optional "+" and
// digits, nothing else, and the value fits 32 bits; nothing otherwise. A blank text counts as
// 0, so that clearing the edit to type a new frequency is never refused.
std::optional<std::uint32_t> ParseUnsignedWhole(std::string_view text);

// A frequency as a user writes it: a number with an optional fraction and an optional unit
// Hz, kHz or MHz (any case, blanks allowed between), "50 MHz", "22.1184MHz", "32768". Nothing
// unless it comes to a whole number of Hz from 1 to 4294967295.
std::optional<std::uint32_t> ParseFrequencyWithUnit(std::string_view text);

// The message the toolkit shows when such a text is refused.
inline constexpr const char* kUnsignedNumberPrompt = "Please enter a positive integer.";

}  // namespace quillon
