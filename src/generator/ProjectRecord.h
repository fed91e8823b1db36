// What Quillon last wrote into a project folder, kept in the folder's ".quillon/record", so that
// the next generation can tell the user's edits from its own output. For every text file the
// record holds its whole content (the base of a three-way merge); for a binary file (a library,
// the converter program) its size and content id, enough to tell whether the user changed it.
//
// The file is plain enough to read: a first line "quillon-record 1", then per file a line
// "text SIZE ID PATH" followed by SIZE bytes of content and a line feed, or a line
// "binary SIZE ID PATH". PATH is relative to the project folder, with "/"; ID is ContentId.
// A file whose last write replaced Quillon's own earlier output has, after its entry, a line
// "replaced ID PATH" with the id of that output; readers that do not know the line skip it.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "generator/TextMerge.h"

namespace quillon {

inline constexpr const char* kRecordFolder = ".quillon";
inline constexpr const char* kRecordFileName = "record";

enum class FileKind { Text, Binary };

struct RecordEntry {
    FileKind kind = FileKind::Text;
    std::uint64_t size = 0;
    std::string id;               // ContentId of the content
    std::optional<Bytes> content;  // text files only
    // The ContentId of what the last write replaced when that was Quillon's own output (empty
    // otherwise). Should that write never have reached the disk (a power cut), the file still
    // holds this content: not the user's edit, but a file to bring up to date.
    std::string replaced_id;

    friend bool operator==(const RecordEntry&, const RecordEntry&) = default;
};

// The entries by path, in path order.
using ProjectRecord = std::map<std::string, RecordEntry>;

// The entry for `bytes` as written now.
RecordEntry EntryFor(FileKind kind, ByteView bytes);
RecordEntry EntryFor(FileKind kind, Bytes&& bytes);

// Reads a record. Whatever cannot be read (a damaged line, a text whose content does not
// match its id, a path that leaves the folder) is left out: that file then counts as having no
// base, which is the careful side. Never fails.
ProjectRecord ParseProjectRecord(ByteView bytes);

Bytes SerializeProjectRecord(const ProjectRecord& record);

// True for a relative path that stays inside the folder: no empty, "." or ".." part, no
// leading "/", no line break or zero byte.
bool IsPlainRelativePath(std::string_view path);

}  // namespace quillon
