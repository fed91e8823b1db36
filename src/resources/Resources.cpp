#include "resources/Resources.h"

#include "quillon_datafiles.h"
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

}  // namespace quillon
