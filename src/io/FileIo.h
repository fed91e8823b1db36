// The one way the program writes files. Every write reports failure with the path and the
// system's reason, so nothing is lost silently. Tests can make writes fail on purpose.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

struct FileError {
    std::string path;
    std::string reason;  // the system's message, for example "Permission denied"
};

// Creates or truncates `path` and writes all of `bytes`.
std::optional<FileError> WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes);
std::optional<FileError> WriteFileText(const std::string& path, std::string_view text);

// Writes a temporary file in the same folder, flushes it to disk and renames it over `path`,
// so that `path` holds either its old or its new content, never a half-written one.
std::optional<FileError> ReplaceFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

// The two steps of a replacement, for writers that keep the new file's descriptor (the held
// settings file). Both obey the injected faults for `path`, the file being replaced.
std::optional<FileError> WriteToDescriptor(int fd, const std::string& path, std::span<const std::uint8_t> bytes);
std::optional<FileError> RenameOver(const std::string& from, const std::string& path);

// Reads the whole file; refuses files larger than `max_size` bytes.
std::optional<FileError> ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& out,
                                       std::size_t max_size = SIZE_MAX);

// Removes a file; a missing file is not an error.
std::optional<FileError> RemoveFile(const std::string& path);

// True when `path` names an existing folder (following symbolic links).
bool IsFolder(const std::string& path);

// Creates the folder `path` (its parent must exist). A folder already there is not an error:
// `existed` (when given) tells the two apart. A file of that name is an error.
std::optional<FileError> CreateFolder(const std::string& path, bool* existed = nullptr);

// Fault injection for tests: writes to paths containing `path_contains` (all paths when empty)
// fail once `fail_after_bytes` bytes of that file are written; renames fail when
// `fail_rename` is set. Reset with ClearWriteFaults().
struct WriteFaults {
    std::optional<std::size_t> fail_after_bytes;
    bool fail_rename = false;
    std::string path_contains;
};
void SetWriteFaults(const WriteFaults& faults);
void ClearWriteFaults();

}  // namespace quillon
