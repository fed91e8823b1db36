// The stack built from source: the modules a project needs, copied from the sources the wizard
// carries, and the Makefile with which SDCC builds them into firmware.
#pragma once

#include <string>
#include <vector>

#include "config/ConfigRecord.h"
#include "generator/TextMerge.h"

namespace quillon {

struct StackProjectFile {
    std::string path;  // in the project folder
    Bytes bytes;
};

struct StackSourcePlan {
    std::vector<StackProjectFile> files;  // the modules and their headers, then the Makefile
    // Modules the configuration needs that the wizard does not carry (zs_tcp.c): `make` names
    // them and stops instead of failing to link.
    std::vector<std::string> missing;
};

// For a record whose option bits are widened to the library's set; `sources` are the project's
// own C files (main.c, zs_callback.c, ...) in the order they are generated.
StackSourcePlan PlanStackSources(const ConfigRecord& record, const std::vector<std::string>& sources);

}  // namespace quillon
