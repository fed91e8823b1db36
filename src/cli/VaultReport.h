// What `quillon-cli vault list` and `quillon-cli vault show N` print: the library store's pairs
// as the wizard sees them, fetched through the store's two entry points, and the modules and
// public symbols of one pair read from its OMF-51 libraries.
#pragma once

#include <optional>
#include <ostream>
#include <string_view>

#include "wizard/StoreBinding.h"

namespace quillon {

// `text` as a library number 1 to 72 (leading zeros allowed), or nothing.
std::optional<int> ParseLibraryNumber(std::string_view text);

// One line per library 1 to 72: number, name text, common size and bank size in bytes.
// Returns 0, or 1 with a message on `err` when the store or its size entry point is missing.
int PrintVaultList(const StoreBinding& store, std::ostream& out, std::ostream& err);

// Both halves of pair `number_text` (1 to 72, leading zeros allowed): file name, size and every
// module with its public symbols, followed by whatever the reader found malformed. Returns 0;
// 1 with a message on `err` when the store is missing, the number is bad, or a half is not a
// well-formed library.
int PrintVaultShow(const StoreBinding& store, std::string_view number_text, std::ostream& out, std::ostream& err);

}  // namespace quillon
