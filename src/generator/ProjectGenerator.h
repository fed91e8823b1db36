// The generation driver: writes a whole firmware project for the record into the project
// folder, in a fixed order of steps, and reports what it could not write.
//
// The window's Generate Project command runs the tree checks, the validation and the clock-derived
// values first and then calls GenerateProject; other callers (the compile sweep, tools) can call
// it directly with a record they built themselves.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/ConfigRecord.h"
#include "io/FileIo.h"
#include "wizard/Platform.h"
#include "wizard/StoreBinding.h"

namespace quillon {

// What project_folder holds after the user dismissed the folder dialog without a folder.
inline constexpr const char* kNoFolderSelected = "_NoDirSelected_";

inline constexpr const char* kGeneratedMessage = "Project generated successfully.";
inline constexpr const char* kGenerationFailedMessage = "Error generating project files";

struct GenerationHooks {
    // Asks the user for a project folder when none is set (or the one set names no folder).
    // Returns the chosen path, or on cancel the current project folder when it is not empty,
    // else kNoFolderSelected. Without it an unset folder cancels the generation.
    std::function<std::string()> choose_folder;
    // Message boxes raised during generation (the workspace expander's own two errors).
    // Without it they are dropped; the failures are in the report all the same.
    std::function<void(const Message&)> show_message;
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
// Shows nothing itself apart from the workspace expander's errors; see GenerationClosingMessage.
GenerationReport GenerateProject(ConfigRecord& record, std::string& project_folder, const StoreBinding& store,
                                 const GenerationHooks& hooks = {});

// The message box that ends a generation: nothing when it was cancelled; "Project generated
// successfully." (no icon); the same with a warning and the install locations
// (`store_locations`, where the store is looked for) when the libraries are missing; or
// "Error generating project files" (exclamation icon) with the failed paths as details.
std::optional<Message> GenerationClosingMessage(const GenerationReport& report,
                                                const std::vector<std::string>& store_locations = {});

}  // namespace quillon
