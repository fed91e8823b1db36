// The wizard's stored data: numbered data files (templates, sample files, the Windows
// converter) and string-table fragments, embedded into the program at build time.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace quillon {

// The bytes of data file `number`; empty when there is no such data file.
std::span<const std::uint8_t> DataFile(int number);

// The text of string fragment `id` (line ends are single line feeds); empty when unknown.
std::string_view StringFragment(int id);

}  // namespace quillon
