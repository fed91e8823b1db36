// The one way the program writes files. Every write reports failure with the path and the
// system's reason, so nothing is lost silently. Tests can make writes fail on purpose.
#pragma once

#include <chrono>
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

// Whether a replacement waits for the disk: Flushed syncs the new file and its folder before
// returning (a settings file, a project's record); Unflushed leaves that to the system, which
// is what a file that can be generated again can afford.
enum class Durability { Flushed, Unflushed };

// Writes a temporary file beside `path` under a name nobody else can have taken (`path` +
// ".tmp-" + six random characters, created exclusively) and renames it over `path`, so that
// `path` holds either its old or its new content, never a half-written one. A symbolic link at
// `path` is replaced, never written through.
std::optional<FileError> ReplaceFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                                               Durability durability = Durability::Flushed);

// True when `name` is a temporary name ReplaceFileAtomically makes for `target_name` (both
// file names without folders).
bool IsReplacementTempName(std::string_view name, std::string_view target_name);

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

// An advisory lock on a folder, held until the object goes (or the process ends, however it
// ends). Shared holders exclude exclusive ones and the other way round.
class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock();
    FolderLock(FolderLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FolderLock& operator=(FolderLock&& other) noexcept;
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Locks the existing folder `path` (a symbolic link is refused), trying again until `wait`
    // has passed. On failure the reason names the folder; a lock held elsewhere for the whole
    // wait gives `busy`.
    std::optional<FileError> Acquire(const std::string& path, bool exclusive, std::chrono::milliseconds wait,
                                     bool* busy = nullptr);
    bool Held() const { return fd_ >= 0; }
    void Release();

private:
    int fd_ = -1;
};

// Fault injection for tests: writes to paths containing `path_contains` (all paths when empty)
// fail once `fail_after_bytes` bytes of that file are written; renames fail when
// `fail_rename` is set. With `only_write` the fault strikes only that write (0 for the first)
// among the writes it applies to, counted from SetWriteFaults on, and without
// `fail_after_bytes` it cuts that write at half its bytes. `kind` is what the failing write
// meets: a full disk, an I/O error, or the end of the process (SIGKILL) in mid-write.
// Reset with ClearWriteFaults().
enum class WriteFaultKind { NoSpace, IoError, Kill };
struct WriteFaults {
    std::optional<std::size_t> fail_after_bytes = std::nullopt;
    bool fail_rename = false;
    std::string path_contains;
    std::optional<std::size_t> only_write = std::nullopt;
    WriteFaultKind kind = WriteFaultKind::NoSpace;
};
void SetWriteFaults(const WriteFaults& faults);
void ClearWriteFaults();
// How many file writes the faults have applied to since SetWriteFaults (whether they struck or not).
std::size_t FaultedWriteCount();

}  // namespace quillon
