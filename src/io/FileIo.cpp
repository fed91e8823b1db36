#include "io/FileIo.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
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
    if (inject) {
        switch (g_faults.kind) {
        case WriteFaultKind::NoSpace: return FileError{path, std::strerror(ENOSPC)};
        case WriteFaultKind::IoError: return FileError{path, std::strerror(EIO)};
        case WriteFaultKind::Kill:
            // As a crash or a power cut would: the bytes so far stay where they are.
            ::kill(::getpid(), SIGKILL);
            break;
        }
        return FileError{path, std::strerror(EIO)};
    }
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
    auto error = WriteAll(fd, path, bytes);
    if (!error && flushed && ::fsync(fd) != 0) error = ErrorFor(path, errno);
    if (::close(fd) != 0 && !error) error = ErrorFor(path, errno);
    if (!error) {
        if (g_faults.fail_rename && FaultApplies(path)) {
            error = FileError{path, std::strerror(EIO)};
        } else if (::rename(temp.c_str(), path.c_str()) != 0) {
            error = ErrorFor(path, errno);
        }
    }
    if (error) {
        ::unlink(temp.c_str());
        return error;
    }
    if (!flushed) return std::nullopt;
    // Make the rename itself durable.
    const int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
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

std::optional<FileError> ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& out, std::size_t max_size) {
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return ErrorFor(path, errno);
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

}  // namespace quillon
