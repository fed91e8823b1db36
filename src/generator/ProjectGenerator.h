// The generation driver: writes a whole firmware project for the record into the project
// folder, in a fixed order of steps, and reports what it could not write.
//
// The window's Generate Project command runs the tree checks, the validation and the clock-derived
// values first and then calls GenerateProject; other callers (the compile sweep, tools) can call
// it directly with a record they built themselves. It shows nothing: it returns a report, and
// the window tells the user.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/ConfigRecord.h"
#include "generator/LibrarySource.h"
#include "io/FileIo.h"

namespace quillon {

// What project_folder holds after the user dismissed the folder dialog without a folder.
inline constexpr const char* kNoFolderSelected = "_NoDirSelected_";

struct GenerationHooks {
    // Asks the user for a project folder when none is set (or the one set names no folder).
    // Returns the chosen path, or on cancel the current project folder when it is not empty,
    // else kNoFolderSelected. Without it an unset folder cancels the generation.
    std::function<std::string()> choose_folder;
};

enum class GenerationOutcome {
    Generated,  // every file written
    Cancelled,  // the folder question was cancelled: nothing written, nothing to show
    Failed,     // a template step failed or a file could not be written
};

struct GenerationReport {
    GenerationOutcome outcome = GenerationOutcome::Cancelled;
    // Every path that could not be written (or read back), with the system's reason.
    std::vector<FileError> failures;
    // False when the library store was missing and both library files were written empty.
    bool libraries_from_store = false;
    std::string common_library;  // zs_stack_common_NNN.lib (set once the libraries step ran)
    std::string bank_library;    // zs_stack_bank_NNN.lib
    // When a store was there but could not supply the libraries: why (it would not load, it
    // lacks an entry point, it has no such pair). Empty when no store was found at all.
    std::string store_problem;
    // Errors met on the way that the user is told of before the closing message, in order
    // (the workspace expander's "Error: Could Not Open File For ...").
    std::vector<std::string> step_errors;
};

// Runs every step of the generation:
//  1. widens the option bits to the chosen library's set (this stays even when cancelled);
//  2. settles project_folder (empty, kNoFolderSelected or not an existing folder: ask through
//     hooks.choose_folder); the folder text ends with "/";
//  3. the workspace template and, for code-bank projects, the two banked assembler files;
//  4. the six stack templates (a failure ends generation);
//  5. the family's SFR header (and the Zintor start-up file);
//  6. the library pair from the store;
//  7. main.c;  8. zs_callback.c;  9. the LOCATRA files;  10. the custom Ethernet device files;
//  11. the expanded workspace;  12. the VFILE_DIR folder for FTP or HTTP.
// The libraries come from `libraries`.
GenerationReport GenerateProject(ConfigRecord& record, std::string& project_folder, const LibrarySource& libraries,
                                 const GenerationHooks& hooks = {});

}  // namespace quillon
