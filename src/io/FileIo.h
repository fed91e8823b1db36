// The one way the program writes files. Every write reports failure with the path and the
// system's reason, so nothing is lost silently. Tests can make writes fail on purpose.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
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
// returning (a settings file, a project's record); ContentFlushed syncs the new file before it
// takes the name and leaves the folder to the caller, who syncs it once for all the files it
// wrote there (FolderHandle::Sync); Unflushed leaves everything to the system.
enum class Durability { Flushed, ContentFlushed, Unflushed };

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

// fsync with the injected faults for `path` (what the descriptor is, for the error): one of
// the write points the faults count.
std::optional<FileError> SyncDescriptor(int fd, const std::string& path);

// A folder opened once and then worked in by name: what it holds is reached without following
// a symbolic link, so that a link planted while the program works (a folder replaced by a link
// to somewhere else) is refused instead of written through. `shown` is how errors name the
// folder (the path as the user knows it).
class FolderHandle {
public:
    FolderHandle() = default;
    ~FolderHandle();
    FolderHandle(FolderHandle&& other) noexcept : fd_(other.fd_), shown_(std::move(other.shown_)) { other.fd_ = -1; }
    FolderHandle& operator=(FolderHandle&& other) noexcept;
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    // Opens the existing folder `path`; the links on the way to it are followed (it is the
    // folder the user chose, by whatever name).
    static std::optional<FileError> Open(const std::string& path, FolderHandle& out);

    // Opens the folder `name` (one part, no "/") inside this one, making it first when `create`
    // is set and it is missing. A symbolic link there is refused (kLinkInPlace); `existed`
    // (when given) tells whether it was there already.
    std::optional<FileError> Sub(const std::string& name, bool create, FolderHandle& out, bool* existed = nullptr) const;

    // ReplaceFileAtomically inside this folder: the temporary file is made here, exclusively,
    // and renamed over `name` here; a link at `name` is replaced, never written through.
    std::optional<FileError> Replace(const std::string& name, std::span<const std::uint8_t> bytes,
                                     Durability durability) const;

    // ReadFileBytes for `name` inside this folder; a link there is not followed. A missing
    // file sets `missing` (when given) and is an error.
    std::optional<FileError> Read(const std::string& name, std::vector<std::uint8_t>& out, std::size_t max_size,
                                  bool* missing = nullptr) const;

    // Makes what was renamed or made in this folder durable.
    std::optional<FileError> Sync() const;

    bool IsOpen() const { return fd_ >= 0; }
    int Descriptor() const { return fd_; }
    const std::string& Shown() const { return shown_; }
    std::string Shown(const std::string& name) const { return shown_ + "/" + name; }

private:
    int fd_ = -1;
    std::string shown_;
};

// The reason FolderHandle gives for a symbolic link where a folder or a file is opened.
inline constexpr const char* kLinkInPlace = "a symbolic link has taken its place";

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
    // The same for a folder already open: the very folder the handle holds, whatever its name
    // leads to by now.
    std::optional<FileError> Acquire(const FolderHandle& folder, bool exclusive, std::chrono::milliseconds wait,
                                     bool* busy = nullptr);
    bool Held() const { return fd_ >= 0; }
    void Release();

private:
    std::optional<FileError> LockDescriptor(int fd, const std::string& path, bool exclusive,
                                            std::chrono::milliseconds wait, bool* busy);
    int fd_ = -1;
};

// Fault injection for tests: writes to paths containing `path_contains` (all paths when empty)
// fail once `fail_after_bytes` bytes of that file are written; renames fail when
// `fail_rename` is set, syncs (of a file or a folder) when `fail_sync` is set. With
// `only_write` the fault strikes only that write point (0 for the first) among the write
// points it applies to, counted from SetWriteFaults on: the writes of files, and the syncs of
// files and folders. Without `fail_after_bytes` it cuts a write at half its bytes. `kind` is
// what the failing write point meets: a full disk, an I/O error, or the end of the process
// (SIGKILL) in mid-write. Reset with ClearWriteFaults().
enum class WriteFaultKind { NoSpace, IoError, Kill };
struct WriteFaults {
    std::optional<std::size_t> fail_after_bytes = std::nullopt;
    bool fail_rename = false;
    std::string path_contains;
    bool fail_sync = false;
    std::optional<std::size_t> only_write = std::nullopt;
    WriteFaultKind kind = WriteFaultKind::NoSpace;
};
void SetWriteFaults(const WriteFaults& faults);
void ClearWriteFaults();
// How many write points the faults have applied to since SetWriteFaults (whether they struck or not).
std::size_t FaultedWriteCount();

// Pauses at a chosen point, so that a test can change the disk exactly there. Points: "lock"
// (before a generation takes its folder's lock), "mkdir" (before a folder is made or opened
// inside a generation's folder), "write" (before a file is replaced); `path` is what the point
// is about. The hook, when set, is called; otherwise, when the environment names the point in
// QUILLON_PAUSE_AT (and QUILLON_PAUSE_PATH, when set, is part of `path`), the program creates
// the file $QUILLON_PAUSE_FILE.reached and waits (at most a minute) until $QUILLON_PAUSE_FILE.go
// exists; it pauses there once per run.
using PauseHook = std::function<void(std::string_view point, const std::string& path)>;
void SetPauseHook(PauseHook hook);
void PausePoint(std::string_view point, const std::string& path);

}  // namespace quillon
