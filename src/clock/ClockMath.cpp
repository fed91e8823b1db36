#include "clock/ClockMath.h"

#include <cmath>
#include <cstdio>

namespace quillon {

std::uint64_t ScaleHz(std::uint64_t hz, double factor) {
    const double v = static_cast<double>(hz) * factor;
    if (!(v > 0.0)) return 0;
    if (v >= 18446744073709549568.0) return UINT64_MAX;
    return static_cast<std::uint64_t>(v);
}

double DividerFactor(std::uint8_t oscicn) {
    static constexpr double kFactor[4] = {0.125, 0.25, 0.5, 1.0};
    return kFactor[oscicn & 0x03];
}

std::uint32_t ExternalHz(std::uint32_t ext_osc_hz, std::uint8_t oscxcn, std::uint8_t halving_modes) {
    const unsigned mode = (oscxcn >> 4) & 0x07u;
    if (halving_modes & (1u << mode)) return static_cast<std::uint32_t>(ScaleHz(ext_osc_hz, 0.5));
    return ext_osc_hz;
}

std::uint32_t InternalHz(std::uint32_t int_osc_hz, std::uint8_t oscicn) {
    return static_cast<std::uint32_t>(ScaleHz(int_osc_hz, DividerFactor(oscicn)));
}

std::uint32_t FitHz(std::uint64_t hz) { return hz > kMaxHz ? 0xFFFFFFFFu : static_cast<std::uint32_t>(hz); }

std::string FormatHz(std::uint64_t hz) { return std::to_string(hz); }

std::string FormatMHz(std::uint64_t hz) {
    std::string text = std::to_string(hz / 1000000);
    if (const std::uint64_t fraction = hz % 1000000) {
        std::string digits = std::to_string(fraction);
        digits.insert(0, 6 - digits.size(), '0');
        while (digits.back() == '0') digits.pop_back();
        text += '.' + digits;
    }
    return text + " MHz";
}

std::string FormatPlainDecimal(double value) {
    if (!std::isfinite(value)) return "0";
    if (value == std::trunc(value) && std::fabs(value) < 1e18) {
        return std::to_string(static_cast<long long>(value));
    }
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.6f", value);
    std::string s = buf;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s;
}

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::uint32_t ReadFrequencyText(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::uint64_t v = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        v = v * 10 + static_cast<unsigned>(text[i] - '0');
        if (v > kMaxHz) v = kMaxHz + 1;  // saturate; the rest of the digits cannot lower it
    }
    if (negative) return 0;
    return FitHz(v);
}

std::optional<std::uint32_t> ParseUnsignedWhole(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i == text.size()) return 0u;  // blank
    if (text[i] == '+') ++i;
    const std::size_t first_digit = i;
    std::uint64_t v = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        v = v * 10 + static_cast<unsigned>(text[i] - '0');
        if (v > kMaxHz) return std::nullopt;
    }
    if (i == first_digit) return std::nullopt;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i != text.size()) return std::nullopt;
    return static_cast<std::uint32_t>(v);
}

std::optional<std::uint32_t> ParseFrequencyWithUnit(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    std::size_t i = 0;
    // The digits as one whole number and the count of those after the point, exactly.
    std::uint64_t digits = 0;
    int decimals = 0, count = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (IsDigit(text[i])) {
            if (count == 19) return std::nullopt;  // no frequency needs so many digits
            digits = digits * 10 + static_cast<unsigned>(text[i] - '0');
            ++count;
            if (point) ++decimals;
        } else if (text[i] == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (count == 0) return std::nullopt;
    while (i < text.size() && blank(text[i])) ++i;
    std::string unit;
    for (; i < text.size(); ++i) unit += static_cast<char>(text[i] >= 'A' && text[i] <= 'Z' ? text[i] - 'A' + 'a' : text[i]);
    int exponent = 0;
    if (unit == "mhz") exponent = 6;
    else if (unit == "khz") exponent = 3;
    else if (!unit.empty() && unit != "hz") return std::nullopt;
    exponent -= decimals;
    for (; exponent > 0; --exponent) {
        if (digits > kMaxHz) return std::nullopt;
        digits *= 10;
    }
    for (; exponent < 0; ++exponent) {
        if (digits % 10 != 0) return std::nullopt;  // a fraction of a hertz
        digits /= 10;
    }
    if (digits == 0 || digits > kMaxHz) return std::nullopt;
    return static_cast<std::uint32_t>(digits);
}

}  // namespace quillon
