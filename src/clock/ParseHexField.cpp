#include "clock/ParseHexField.h"

namespace quillon {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
    return s;
}

bool IsUpperHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

}  // namespace

bool ParseHexFieldCheck(std::string& text, std::size_t limit, std::vector<std::string>& messages) {
    if (text.empty()) return true;
    text = std::string(Trim(text));
    if (text.size() > limit) {
        text.resize(limit);
        messages.emplace_back(kHexTooLongMessage);
        return false;
    }
    bool acceptable = true;
    // The character dropped is always the last one, even when the bad one sits in front; the
    // walk goes on against the shortened text.
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!IsUpperHexDigit(text[i])) {
            text.pop_back();
            messages.emplace_back(kHexInvalidMessage);
            acceptable = false;
        }
    }
    return acceptable;
}

std::uint32_t ParseHexFieldConvert(std::string_view text, std::size_t width) {
    std::string s(Trim(text));
    if (s.size() < width) s.insert(0, width - s.size(), '0');
    s.resize(width);
    std::uint32_t value = 0;
    for (char c : s) {
        unsigned digit = 0;
        if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
        else if (c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
        value = value * 16 + digit;
    }
    return value;
}

}  // namespace quillon
