// The generation driver: computes every file of the firmware project for the record, decides
// each one against the project folder (what Quillon last wrote there, what the user has made of
// it), and writes, each file whole, the folder's record of what was written last.
//
// The window's Generate Project command runs the tree checks, the validation and the clock-derived
// values first and then calls GenerateProject; other callers (the compile sweep, tools) can call
// it directly with a record they built themselves. It shows nothing: it returns a report, and
// the window tells the user.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/ConfigRecord.h"
#include "generator/LibrarySource.h"
#include "generator/Regeneration.h"
#include "io/FileIo.h"

namespace quillon {

// What project_folder holds after the user dismissed the folder dialog without a folder.
inline constexpr const char* kNoFolderSelected = "_NoDirSelected_";

// What one file of the project came to.
struct FileReport {
    std::string path;  // relative to the project folder, with "/"
    FileOutcome outcome = FileOutcome::Unchanged;
    std::string side_file;  // NAME.merge, NAME.new or NAME.orig (relative), when one is written
    // A unified diff of what the generation does to the folder for this file (the file itself,
    // and the file beside it); filled when GenerationOptions::diffs is set.
    std::string diff;
};

struct GenerationHooks {
    // Asks the user for a project folder when none is set (or the one set names no folder).
    // Returns the chosen path, or on cancel the current project folder when it is not empty,
    // else kNoFolderSelected. Without it an unset folder cancels the generation.
    std::function<std::string()> choose_folder;
    // Called with every file's outcome once all are decided and before anything is written,
    // and with a way to have the diff of files[i]; false cancels the generation. Not called
    // for a dry run.
    std::function<bool(const std::vector<FileReport>& files, const std::function<std::string(std::size_t)>& diff)>
        review;
};

struct GenerationOptions {
    // Decide every file and write nothing (not even the folder).
    bool dry_run = false;
    // Fill FileReport::diff.
    bool diffs = false;
    // How long to wait for another generation into the same folder to finish.
    std::chrono::milliseconds lock_wait{5000};
};

enum class GenerationOutcome {
    Generated,  // every file decided and, unless a dry run, written
    Cancelled,  // the folder question or the review was cancelled: nothing written, nothing to show
    Failed,     // a file could not be read or written, or the folder is in use
};

struct GenerationReport {
    GenerationOutcome outcome = GenerationOutcome::Cancelled;
    bool dry_run = false;
    // Every file decided, in the order of generation; files that failed are in `failures`.
    std::vector<FileReport> files;
    // Every path that could not be written (or read), with the system's reason.
    std::vector<FileError> failures;
    // False when the library store was missing and both library files were written empty.
    bool libraries_from_store = false;
    std::string common_library;  // zs_stack_common_NNN.lib
    std::string bank_library;    // zs_stack_bank_NNN.lib
    // When a store was there but could not supply the libraries: why (it would not load, it
    // lacks an entry point, it has no such pair). Empty when no store was found at all.
    std::string store_problem;
    // Errors met on the way that the user is told of before the closing message, in order
    // (the workspace's "Error: Could Not Open File For Write.").
    std::vector<std::string> step_errors;
    // True when the folder was in use by another generation for the whole wait.
    bool folder_busy = false;
    // The stack's source files the configuration needs that the wizard does not carry yet;
    // empty when `make` builds the whole firmware.
    std::vector<std::string> missing_stack_sources;

    std::size_t Count(FileOutcome outcome) const;
};

// Runs the generation:
//  1. widens the option bits to the chosen library's set (this stays even when cancelled);
//  2. settles project_folder (empty, kNoFolderSelected or not an existing folder: ask through
//     hooks.choose_folder; a dry run takes a folder that does not exist yet); the folder text
//     ends with "/";
//  3. computes every file: the banked assembler files, the six stack templates, the family's
//     SFR header, the library pair from `libraries`, main.c, zs_callback.c, the LOCATRA and
//     custom Ethernet device files, the workspace and, for FTP or HTTP, VFILE_DIR;
//  4. locks the folder against other generations and decides every file (Regeneration.h)
//     against the record in ".quillon/" and the disk;
//  5. unless a dry run or hooks.review declines: writes every file that changes, each whole
//     (a temporary file renamed into place), never through a symbolic link that leads out of
//     the folder, and the record last.
GenerationReport GenerateProject(ConfigRecord& record, std::string& project_folder, const LibrarySource& libraries,
                                 const GenerationHooks& hooks = {}, const GenerationOptions& options = {});

}  // namespace quillon
