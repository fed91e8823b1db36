// Writes the precompiled library pair that matches the configuration into the project folder.
#pragma once

#include <string>
#include <vector>

#include "config/ConfigRecord.h"
#include "io/FileIo.h"
#include "generator/LibrarySource.h"

namespace quillon {

struct LibraryExtraction {
    std::string common_name;  // zs_stack_common_NNN.lib
    std::string bank_name;    // zs_stack_bank_NNN.lib
    // False when the store (or one of its entry points) is missing: both files are then
    // written empty, and the generation must say so.
    bool from_store = false;
};

// Selects the library (without widening), names both files, fetches the pair from `source`
// and writes both files into `project_folder` (which ends with "/"). Files that cannot be
// written are added to `failures`; the names are set in any case.
LibraryExtraction ExtractLibraries(ConfigRecord& record, const std::string& project_folder,
                                   const LibrarySource& source, std::vector<FileError>& failures);

}  // namespace quillon
