// How one file of a generation is decided, from three versions: what Quillon last wrote there
// (the base, from the project's record), what is on disk (the user's), and what it would write
// now. Nothing here touches a disk; the generation driver reads, decides, then writes.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "generator/ProjectPlan.h"
#include "generator/ProjectRecord.h"

namespace quillon {

enum class FileOutcome {
    Created,    // missing on disk: written
    Updated,    // on disk as last generated: replaced by the new text
    Unchanged,  // the file stays as it is (it is the new text, or only the user changed it)
    Merged,     // the user's edits and the new text merged cleanly: the merge is written
    Conflict,   // they overlap: the user's file stays, the merge with markers goes to NAME.merge
    Kept,       // the user's file cannot be merged (binary): it stays, the new one goes to NAME.new
    Replaced,   // no base to tell edits from: the user's file is copied to NAME.orig, then replaced
};

// "created", "updated", ... as the command line prints them.
std::string_view OutcomeName(FileOutcome outcome);

// The files written beside the user's file for these outcomes.
inline constexpr std::string_view kMergeSuffix = ".merge";
inline constexpr std::string_view kNewSuffix = ".new";
inline constexpr std::string_view kOriginalSuffix = ".orig";

struct FileDecision {
    FileOutcome outcome = FileOutcome::Unchanged;
    // The new text as decided (main.c may take the date of the earlier generation).
    Bytes next;
    // What the file itself becomes, when it is written: `next`, or the merge of the user's
    // edits and `next`.
    bool writes_next = false;
    std::optional<Bytes> merged;
    std::string side_suffix;  // ".merge", ".new" or ".orig"; empty when nothing goes beside it
    Bytes side_bytes;
    // What the record holds for the file afterwards: the new text, or (a conflict or a kept
    // file, which the user has yet to resolve) the base as it was.
    bool record_new = true;
    // The file on disk, when the decision had to read it.
    std::optional<Bytes> disk;
    // For the record (RecordEntry::replaced_id): the id of Quillon's own output that writing
    // `next` replaces, when it replaces that.
    std::string replaced_id;

    // The file's new content, or nothing when the file itself is not written.
    const Bytes* Written() const { return writes_next ? &next : merged ? &*merged : nullptr; }
};

// The file on disk as the decision sees it: whether it is there, and how to read it. The content
// is read only when it matters: not when the new text is what was generated last time (the
// file then stays as it is, edited or not).
struct DiskFile {
    bool exists = false;
    // False for a folder (or anything else) in the file's place: it is always read, so that
    // the generation fails with the reason.
    bool is_file = true;
    // Nothing when the file cannot be read (the caller keeps the reason).
    std::function<std::optional<Bytes>()> read;
};

// Decides `planned` against its record entry (`base`, nothing for no base) and the file on
// disk. Takes the planned file by value: its bytes move into the decision. Nothing when the
// file had to be read and could not be.
std::optional<FileDecision> DecideFile(PlannedFile planned, const RecordEntry* base, const DiskFile& disk);
// The same for a file whose content is at hand (`disk`, nothing when it is missing).
FileDecision DecideFile(PlannedFile planned, const RecordEntry* base, const std::optional<Bytes>& disk);

}  // namespace quillon
