// Helpers shared by the generator tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::test {

// A template written as in the stored files: the characters ¢ £ ¤ ¥ stand for the marker
// bytes 0xA2 to 0xA5.
inline std::vector<std::uint8_t> Template(std::string_view text) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<std::uint8_t>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<std::uint8_t>(text[i + 1]) : 0;
        if (b == 0xC2 && next >= 0xA2 && next <= 0xA5) {
            out.push_back(next);
            ++i;
        } else {
            out.push_back(b);
        }
    }
    return out;
}

inline std::string AsText(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

// Every file below `dir`, as paths relative to it with "/" between folders.
inline std::set<std::string> ListFiles(const std::string& dir) {
    std::set<std::string> out;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        if (entry.is_regular_file()) out.insert(std::filesystem::relative(entry.path(), dir).generic_string());
    }
    return out;
}

}  // namespace quillon::test
