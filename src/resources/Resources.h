// The wizard's stored data: numbered data files (templates, sample files, the Windows
// converter) and string-table fragments, embedded into the program at build time.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// The bytes of data file `number`; empty when there is no such data file.
std::span<const std::uint8_t> DataFile(int number);

// The text of string fragment `id` (line ends are single line feeds); empty when unknown.
std::string_view StringFragment(int id);

// The stack's own C sources that generated projects build: their file names ("zs_core.c"), and
// the bytes of one (empty when there is no such file).
std::vector<std::string> StackSourceNames();
std::span<const std::uint8_t> StackSourceFile(std::string_view name);

}  // namespace quillon
