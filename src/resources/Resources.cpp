#include "resources/Resources.h"

#include "quillon_datafiles.h"
#include "quillon_stacksrc.h"
#include "quillon_strings.h"

namespace quillon {

std::span<const std::uint8_t> DataFile(int number) {
    std::size_t size = 0;
    const unsigned char* data = quillon_datafiles_lookup(number, &size);
    if (!data) return {};
    return {data, size};
}

std::string_view StringFragment(int id) {
    std::size_t size = 0;
    const unsigned char* data = quillon_strings_lookup(id, &size);
    if (!data) return {};
    return {reinterpret_cast<const char*>(data), size};
}

std::vector<std::string> StackSourceNames() {
    std::size_t size = 0;
    const unsigned char* data = quillon_stacksrc_lookup(0, &size);
    std::vector<std::string> names;
    std::string name;
    for (std::size_t i = 0; data && i < size; ++i) {
        if (data[i] != '\n') {
            name += static_cast<char>(data[i]);
        } else if (!name.empty()) {
            names.push_back(std::move(name));
            name.clear();
        }
    }
    return names;
}

std::span<const std::uint8_t> StackSourceFile(std::string_view name) {
    const std::vector<std::string> names = StackSourceNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] != name) continue;
        std::size_t size = 0;
        const unsigned char* data = quillon_stacksrc_lookup(static_cast<int>(i + 1), &size);
        if (data) return {data, size};
    }
    return {};
}

}  // namespace quillon
