// The precompiled library pair that matches the configuration, fetched from the library store.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/ConfigRecord.h"
#include "generator/LibrarySource.h"

namespace quillon {

struct LibraryExtraction {
    std::string common_name;  // zs_stack_common_NNN.lib
    std::string bank_name;    // zs_stack_bank_NNN.lib
    // False when the store (or one of its entry points) is missing: both files are then
    // written empty, and the generation must say so.
    bool from_store = false;
    std::vector<std::uint8_t> common;  // the two files' bytes
    std::vector<std::uint8_t> bank;
    // Set when the buffers for the pair could not be had (nothing is written then).
    std::string problem;
};

// Selects the library (without widening), names both files and fetches the pair from
// `source`. The names are set in any case.
LibraryExtraction ExtractLibraries(ConfigRecord& record, const LibrarySource& source);

}  // namespace quillon
