// Every file of a project, computed in memory before anything is written: the generation decides
// each one against what is on disk and what it last wrote, then writes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/ConfigRecord.h"
#include "generator/LibraryExtraction.h"
#include "generator/LibrarySource.h"
#include "generator/ProjectRecord.h"

namespace quillon {

inline constexpr const char* kVirtualFileFolder = "VFILE_DIR";

enum class FilePolicy {
    // Ours: replaced while the user has not touched it, merged with the user's edits after.
    Generated,
    // A starting point the user makes their own (the sample page and its converted pair):
    // written where it is missing, never over the user's file.
    Seed,
};

struct PlannedFile {
    std::string path;  // relative to the project folder, with "/"
    FileKind kind = FileKind::Text;
    FilePolicy policy = FilePolicy::Generated;
    Bytes bytes;
    // main.c: its "Date: " line keeps the date of the last generation unless something else
    // in the file changes.
    bool dated = false;
};

struct ProjectPlan {
    std::vector<PlannedFile> files;  // in the order they are written
    std::string common_library;      // zs_stack_common_NNN.lib
    std::string bank_library;        // zs_stack_bank_NNN.lib
    bool libraries_from_store = false;
    std::string library_problem;     // the pair could not even be held in memory
    // Modules of the stack's source the configuration needs but the wizard does not carry yet:
    // the IDE workspace builds the project, `make` does not.
    std::vector<std::string> missing_stack_sources;
};

// The files of the project for `record` in `folder` (ending with "/"; no file's bytes depend on
// it, the workspace names its files relative to itself), with `date` on main.c's date line. The libraries come from `source`. The record's
// option bits must already be widened to the library's set.
ProjectPlan PlanProject(ConfigRecord& record, const std::string& folder, const LibrarySource& source,
                        std::string_view date);

}  // namespace quillon
