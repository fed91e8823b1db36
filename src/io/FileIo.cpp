#include "io/FileIo.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>

namespace quillon {

namespace {

WriteFaults g_faults;
bool g_faults_set = false;
std::size_t g_faulted_writes = 0;

bool FaultApplies(const std::string& path) {
    return g_faults_set &&
           (g_faults.path_contains.empty() || path.find(g_faults.path_contains) != std::string::npos);
}

FileError ErrorFor(const std::string& path, int err) { return {path, std::strerror(err)}; }

// The end a failing write point meets.
std::optional<FileError> InjectedFailure(const std::string& path) {
    switch (g_faults.kind) {
    case WriteFaultKind::NoSpace: return FileError{path, std::strerror(ENOSPC)};
    case WriteFaultKind::IoError: return FileError{path, std::strerror(EIO)};
    case WriteFaultKind::Kill:
        // As a crash or a power cut would: what is written so far stays where it is.
        ::kill(::getpid(), SIGKILL);
        break;
    }
    return FileError{path, std::strerror(EIO)};
}

// Whether the injected fault strikes this sync, which counts as a write point.
bool SyncFaultStrikes(const std::string& path) {
    if (!FaultApplies(path)) return false;
    const std::size_t index = g_faulted_writes++;
    return g_faults.only_write ? *g_faults.only_write == index : g_faults.fail_sync;
}

// Where the injected fault cuts this write, if it strikes it.
std::optional<std::size_t> FaultCut(const std::string& path, std::size_t size) {
    if (!FaultApplies(path)) return std::nullopt;
    const std::size_t index = g_faulted_writes++;
    if (g_faults.only_write) {
        if (*g_faults.only_write != index) return std::nullopt;
        return g_faults.fail_after_bytes ? std::min(*g_faults.fail_after_bytes, size) : size / 2;
    }
    if (g_faults.fail_after_bytes && *g_faults.fail_after_bytes < size) return g_faults.fail_after_bytes;
    return std::nullopt;
}

// Writes all bytes to an open descriptor; the injected fault cuts the write short.
std::optional<FileError> WriteAll(int fd, const std::string& path, std::span<const std::uint8_t> bytes) {
    std::size_t limit = bytes.size();
    const std::optional<std::size_t> cut = FaultCut(path, limit);
    const bool inject = cut.has_value();
    if (inject) limit = *cut;
    std::size_t done = 0;
    while (done < limit) {
        const ssize_t n = ::write(fd, bytes.data() + done, limit - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return ErrorFor(path, errno);
        }
        done += static_cast<std::size_t>(n);
    }
    if (inject) return InjectedFailure(path);
    return std::nullopt;
}

constexpr std::string_view kTempMarker = ".tmp-";
constexpr std::size_t kTempRandomLength = 6;  // the XXXXXX of mkstemp

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace

std::optional<FileError> WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return ErrorFor(path, errno);
    auto error = WriteAll(fd, path, bytes);
    if (::close(fd) != 0 && !error) error = ErrorFor(path, errno);
    return error;
}

std::optional<FileError> WriteFileText(const std::string& path, std::string_view text) {
    return WriteFileBytes(path, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

// The tail of every replacement: the bytes into the new temporary file `fd` (which it closes),
// made durable unless the caller does without, then `rename` puts it in place. The first error;
// the temporary file is left for the caller to remove.
template <class Rename>
std::optional<FileError> FillAndRename(int fd, const std::string& path, std::span<const std::uint8_t> bytes,
                                       Durability durability, Rename rename) {
    auto error = WriteAll(fd, path, bytes);
    if (!error && durability != Durability::Unflushed) error = SyncDescriptor(fd, path);
    if (::close(fd) != 0 && !error) error = ErrorFor(path, errno);
    if (error) return error;
    if (g_faults.fail_rename && FaultApplies(path)) return FileError{path, std::strerror(EIO)};
    if (rename() != 0) return ErrorFor(path, errno);
    return std::nullopt;
}

std::optional<FileError> ReplaceFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                                               Durability durability) {
    std::string temp = path + std::string(kTempMarker) + std::string(kTempRandomLength, 'X');
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return FileError{path, std::strerror(errno)};
    // mkstemp creates 0600; give the new file the usual permissions of a user's document.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);

    const bool flushed = durability == Durability::Flushed;
    auto error = FillAndRename(fd, path, bytes, durability, [&] { return ::rename(temp.c_str(), path.c_str()); });
    if (error) {
        ::unlink(temp.c_str());
        return error;
    }
    if (!flushed) return std::nullopt;
    // Make the rename itself durable; until it is, the new content may still be lost.
    const std::string folder = FolderOf(path);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return ErrorFor(folder, errno);
    error = SyncDescriptor(dir, folder);
    ::close(dir);
    return error;
}

std::optional<FileError> SyncDescriptor(int fd, const std::string& path) {
    if (SyncFaultStrikes(path)) return InjectedFailure(path);
    while (::fsync(fd) != 0) {
        if (errno != EINTR) return ErrorFor(path, errno);
    }
    return std::nullopt;
}

std::optional<FileError> WriteToDescriptor(int fd, const std::string& path, std::span<const std::uint8_t> bytes) {
    return WriteAll(fd, path, bytes);
}

std::optional<FileError> RenameOver(const std::string& from, const std::string& path) {
    if (g_faults.fail_rename && FaultApplies(path)) return FileError{path, std::strerror(EIO)};
    if (::rename(from.c_str(), path.c_str()) != 0) return ErrorFor(path, errno);
    return std::nullopt;
}

bool IsReplacementTempName(std::string_view name, std::string_view target_name) {
    if (name.size() != target_name.size() + kTempMarker.size() + kTempRandomLength) return false;
    if (!name.starts_with(target_name) || name.substr(target_name.size(), kTempMarker.size()) != kTempMarker)
        return false;
    for (const char c : name.substr(target_name.size() + kTempMarker.size())) {
        const bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!alnum) return false;
    }
    return true;
}

namespace {

// Reads the whole of the open `fd` and closes it.
std::optional<FileError> ReadOpenFile(int fd, const std::string& path, std::vector<std::uint8_t>& out,
                                      std::size_t max_size) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return ErrorFor(path, err);
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return ErrorFor(path, EISDIR);
    }
    // Read straight into the result, sized by what the file says it holds (and grown if it
    // holds more by the time it is read).
    const std::size_t expected = st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0;
    if (expected > max_size) {
        ::close(fd);
        return FileError{path, "the file is larger than " + std::to_string(max_size) + " bytes"};
    }
    out.resize(std::max<std::size_t>(expected + 1, 4096));
    std::size_t used = 0;
    for (;;) {
        if (used == out.size()) out.resize(out.size() * 2);
        const ssize_t n = ::read(fd, out.data() + used, out.size() - used);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            out.clear();
            return ErrorFor(path, err);
        }
        if (n == 0) break;
        used += static_cast<std::size_t>(n);
        if (used > max_size) {
            ::close(fd);
            out.clear();
            return FileError{path, "the file is larger than " + std::to_string(max_size) + " bytes"};
        }
    }
    ::close(fd);
    out.resize(used);
    return std::nullopt;
}

}  // namespace

std::optional<FileError> ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& out, std::size_t max_size) {
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return ErrorFor(path, errno);
    return ReadOpenFile(fd, path, out, max_size);
}

std::optional<FileError> RemoveFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) return ErrorFor(path, errno);
    return std::nullopt;
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<FileError> CreateFolder(const std::string& path, bool* existed) {
    if (existed) *existed = false;
    if (::mkdir(path.c_str(), 0777) == 0) return std::nullopt;
    const int err = errno;
    if (err == EEXIST && IsFolder(path)) {
        if (existed) *existed = true;
        return std::nullopt;
    }
    return ErrorFor(path, err);
}

FolderLock::~FolderLock() { Release(); }

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
    if (this != &other) {
        Release();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

void FolderLock::Release() {
    if (fd_ >= 0) ::close(fd_);  // closing the descriptor drops the lock
    fd_ = -1;
}

std::optional<FileError> FolderLock::Acquire(const std::string& path, bool exclusive, std::chrono::milliseconds wait,
                                             bool* busy) {
    Release();
    if (busy) *busy = false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return ErrorFor(path, errno == ELOOP ? ENOTDIR : errno);
    return LockDescriptor(fd, path, exclusive, wait, busy);
}

std::optional<FileError> FolderLock::Acquire(const FolderHandle& folder, bool exclusive,
                                             std::chrono::milliseconds wait, bool* busy) {
    Release();
    if (busy) *busy = false;
    // A description of its own: the lock belongs to it, not to the handle.
    const int fd = ::openat(folder.Descriptor(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return ErrorFor(folder.Shown(), errno);
    return LockDescriptor(fd, folder.Shown(), exclusive, wait, busy);
}

std::optional<FileError> FolderLock::LockDescriptor(int fd, const std::string& path, bool exclusive,
                                                    std::chrono::milliseconds wait, bool* busy) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0) {
            fd_ = fd;
            return std::nullopt;
        }
        const int err = errno;
        if (err == EINTR) continue;
        if (err != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            if (err == EWOULDBLOCK && busy) *busy = true;
            return ErrorFor(path, err);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void SetWriteFaults(const WriteFaults& faults) {
    g_faults = faults;
    g_faults_set = true;
    g_faulted_writes = 0;
}

void ClearWriteFaults() {
    g_faults = {};
    g_faults_set = false;
}

std::size_t FaultedWriteCount() { return g_faulted_writes; }

// --- FolderHandle ----------------------------------------------------------------------------

namespace {

// Why opening `name` in `dir` without following a link failed: a link is named as such.
FileError OpenAtError(int dir, const std::string& name, const std::string& shown, int err) {
    struct stat st {};
    if ((err == ELOOP || err == ENOTDIR || err == EMLINK) && ::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(st.st_mode))
        return FileError{shown, kLinkInPlace};
    return ErrorFor(shown, err);
}

std::string RandomTempSuffix() {
    static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kChars - 2);
    std::string out;
    for (std::size_t i = 0; i < kTempRandomLength; ++i) out += kChars[pick(random)];
    return out;
}

PauseHook g_pause_hook;
bool g_paused_once = false;

}  // namespace

FolderHandle::~FolderHandle() {
    if (fd_ >= 0) ::close(fd_);
}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        shown_ = std::move(other.shown_);
        other.fd_ = -1;
    }
    return *this;
}

std::optional<FileError> FolderHandle::Open(const std::string& path, FolderHandle& out) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return ErrorFor(path, errno);
    out = FolderHandle();
    out.fd_ = fd;
    out.shown_ = path;
    while (out.shown_.size() > 1 && out.shown_.back() == '/') out.shown_.pop_back();
    return std::nullopt;
}

std::optional<FileError> FolderHandle::Sub(const std::string& name, bool create, FolderHandle& out,
                                           bool* existed) const {
    const std::string shown = Shown(name);
    if (existed) *existed = true;
    PausePoint("mkdir", shown);
    if (create) {
        if (::mkdirat(fd_, name.c_str(), 0777) == 0) {
            if (existed) *existed = false;
        } else if (errno != EEXIST) {
            return ErrorFor(shown, errno);
        }
    }
    const int fd = ::openat(fd_, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return OpenAtError(fd_, name, shown, errno);
    out = FolderHandle();
    out.fd_ = fd;
    out.shown_ = shown;
    return std::nullopt;
}

std::optional<FileError> FolderHandle::Replace(const std::string& name, std::span<const std::uint8_t> bytes,
                                               Durability durability) const {
    const std::string path = Shown(name);
    PausePoint("write", path);
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = name + std::string(kTempMarker) + RandomTempSuffix();
        fd = ::openat(fd_, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return ErrorFor(path, errno);
    }
    if (fd < 0) return ErrorFor(path, EEXIST);
    auto error = FillAndRename(fd, path, bytes, durability,
                               [&] { return ::renameat(fd_, temp.c_str(), fd_, name.c_str()); });
    if (error) {
        ::unlinkat(fd_, temp.c_str(), 0);
        return error;
    }
    if (durability == Durability::Flushed) return Sync();
    return std::nullopt;
}

std::optional<FileError> FolderHandle::Read(const std::string& name, std::vector<std::uint8_t>& out,
                                            std::size_t max_size, bool* missing) const {
    out.clear();
    if (missing) *missing = false;
    const int fd = ::openat(fd_, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (missing) *missing = errno == ENOENT;
        return OpenAtError(fd_, name, Shown(name), errno);
    }
    return ReadOpenFile(fd, Shown(name), out, max_size);
}

std::optional<FileError> FolderHandle::Sync() const { return SyncDescriptor(fd_, shown_); }

// --- Pauses ----------------------------------------------------------------------------------

void SetPauseHook(PauseHook hook) { g_pause_hook = std::move(hook); }

void PausePoint(std::string_view point, const std::string& path) {
    if (g_pause_hook) {
        g_pause_hook(point, path);
        return;
    }
    const char* at = std::getenv("QUILLON_PAUSE_AT");
    const char* file = std::getenv("QUILLON_PAUSE_FILE");
    if (g_paused_once || !at || !file || point != at) return;
    const char* part = std::getenv("QUILLON_PAUSE_PATH");
    if (part && *part && path.find(part) == std::string::npos) return;
    g_paused_once = true;
    const std::string reached = std::string(file) + ".reached";
    const std::string go = std::string(file) + ".go";
    const int fd = ::open(reached.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0) ::close(fd);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (::access(go.c_str(), F_OK) != 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace quillon
