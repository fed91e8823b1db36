#include "io/HeldFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>

namespace quillon {

namespace {

constexpr const char* kInUse = "the file is in use by another program";

FileError ErrorFor(const std::string& path, int err) { return {path, std::strerror(err)}; }

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Where writing `path` must go: a symbolic link is written through to its target (followed
// link by link, a missing last target included), so the link stays a link.
std::optional<std::string> WriteTarget(const std::string& path, FileError* error) {
    std::string target = path;
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return target;
        if (hops == 40) {
            if (error) *error = ErrorFor(path, ELOOP);
            return std::nullopt;
        }
        char buf[PATH_MAX];
        const ssize_t n = ::readlink(target.c_str(), buf, sizeof buf - 1);
        if (n <= 0) {
            if (error) *error = ErrorFor(path, n < 0 ? errno : ENOENT);
            return std::nullopt;
        }
        const std::string link(buf, static_cast<std::size_t>(n));
        target = link.front() == '/' ? link : FolderOf(target) + "/" + link;
    }
}

// Takes the exclusive lock without waiting; false (errno set) when someone else has it.
bool Lock(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB) == 0; }

// Removes what earlier saves into `folder` left behind when they were cut short: this
// program's temporary files, and those the older way of saving made for `name`. Only files
// nobody holds and that have not changed for a while: a younger one may be another window's
// save that is under way.
void RemoveStaleTemporaries(const std::string& folder, const std::string& name) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    const std::string ours = kSaveTempPrefix;
    const std::string older = name + ".tmp-";
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string entry_name = entry->d_name;
        const bool candidate = (entry_name.size() == ours.size() + 6 && entry_name.starts_with(ours)) ||
                               (entry_name.size() == older.size() + 6 && entry_name.starts_with(older));
        if (!candidate) continue;
        const std::string path = folder + "/" + entry_name;
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && now - st.st_mtime >= kStaleSaveSeconds && Lock(fd)) {
            ::unlink(path.c_str());
        }
        ::close(fd);
    }
    ::closedir(dir);
}

// Writes `bytes` into a new, locked temporary file beside `target`, with the permissions (and,
// where allowed, the owner) of `model`, or the usual ones of a new document without one, and
// renames it over `target`. `path` is the name the user knows, for errors and fault injection.
// Returns the new file's descriptor, still locked. When the folder cannot be synced after the
// rename, the new file has its name but may not survive a power cut: `not_durable` is set,
// `error` says why, and the descriptor is returned all the same.
int WriteLockedReplacement(const std::string& path, const std::string& target, const struct stat* model,
                           std::span<const std::uint8_t> bytes, FileError* error, bool* not_durable) {
    *not_durable = false;
    const std::string folder = FolderOf(target);
    std::string temp = folder + "/" + kSaveTempPrefix + "XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = ErrorFor(path, errno);
        return -1;
    }
    // Nobody else knows the name yet, so the lock cannot fail; it is there before the content.
    Lock(fd);
    if (model) {
        ::fchmod(fd, model->st_mode & 07777);
        if (::fchown(fd, model->st_uid, model->st_gid) != 0) {
            // Not allowed to give the file away: it stays the writer's, as any new file would.
        }
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    std::optional<FileError> failure = WriteToDescriptor(fd, path, bytes);
    if (!failure) failure = SyncDescriptor(fd, path);
    if (!failure) failure = RenameOver(temp, target);
    if (failure) {
        ::unlink(temp.c_str());
        ::close(fd);
        if (error) *error = FileError{path, failure->reason};
        return -1;
    }
    // Make the rename itself durable: a save is done only once it is.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const std::optional<FileError> synced = dir >= 0 ? SyncDescriptor(dir, folder) : ErrorFor(folder, errno);
    if (dir >= 0) ::close(dir);
    if (synced) {
        *not_durable = true;
        if (error) *error = FileError{path, "the folder " + folder + " could not be synced: " + synced->reason};
        return fd;
    }
    RemoveStaleTemporaries(folder, NameOf(target));
    return fd;
}

}  // namespace

std::unique_ptr<HeldFile> HeldFile::Open(const std::string& path, FileError* error) {
    // A save replaces the file by renaming a new one over it. Should that happen between this
    // open and the lock, the lock is on a file that no longer has the name: try the new one.
    for (int attempt = 0; attempt < 8; ++attempt) {
        // A pipe or a FIFO (a settings file given as <(...)) is opened for reading only: this
        // process holding its write end as well would keep its end of file from ever coming.
        struct stat before {};
        const bool stream = ::stat(path.c_str(), &before) == 0 && S_ISFIFO(before.st_mode);
        int fd = ::open(path.c_str(), (stream ? O_RDONLY : O_RDWR) | O_CLOEXEC);
        // A settings file the user may only read (an installed example, say) still opens; saving
        // it is refused later, when the file is to be written.
        if (fd < 0 && (errno == EACCES || errno == EROFS)) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            if (error) *error = ErrorFor(path, errno);
            return nullptr;
        }
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
            ::close(fd);
            if (error) *error = ErrorFor(path, EISDIR);
            return nullptr;
        }
        if (!Lock(fd)) {
            const int err = errno;
            ::close(fd);
            if (error) *error = err == EWOULDBLOCK ? FileError{path, kInUse} : ErrorFor(path, err);
            return nullptr;
        }
        struct stat now {};
        if (::stat(path.c_str(), &now) == 0 && SameFile(now, st)) return std::unique_ptr<HeldFile>(new HeldFile(path, fd));
        ::close(fd);
    }
    if (error) *error = FileError{path, kInUse};
    return nullptr;
}

std::unique_ptr<HeldFile> HeldFile::Create(const std::string& path, std::span<const std::uint8_t> bytes,
                                           FileError* error) {
    const std::optional<std::string> target = WriteTarget(path, error);
    if (!target) return nullptr;
    // A file already there is replaced, but not while another program holds it: its lock is
    // taken (and kept until the new file has its name) to make sure.
    int old_fd = ::open(target->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat old {};
    if (old_fd >= 0) {
        if (::fstat(old_fd, &old) != 0 || S_ISDIR(old.st_mode)) {
            const int err = S_ISDIR(old.st_mode) ? EISDIR : errno;
            ::close(old_fd);
            if (error) *error = ErrorFor(path, err);
            return nullptr;
        }
        if (!Lock(old_fd)) {
            const int err = errno;
            ::close(old_fd);
            if (error) *error = err == EWOULDBLOCK ? FileError{path, kInUse} : ErrorFor(path, err);
            return nullptr;
        }
    } else if (errno != ENOENT) {
        if (error) *error = ErrorFor(path, errno);
        return nullptr;
    }
    bool not_durable = false;
    const int fd = WriteLockedReplacement(path, *target, old_fd >= 0 ? &old : nullptr, bytes, error, &not_durable);
    if (old_fd >= 0) ::close(old_fd);
    if (fd < 0) return nullptr;
    if (not_durable) {
        // Not a save the user can rely on: reported as failed, and the file is not held.
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<HeldFile>(new HeldFile(path, fd));
}

std::optional<FileError> HeldFile::Replace(std::span<const std::uint8_t> bytes) {
    FileError error;
    const std::optional<std::string> target = WriteTarget(path_, &error);
    if (!target) return error;
    struct stat model {};
    const bool have_model = ::fstat(fd_, &model) == 0;
    bool not_durable = false;
    const int fd = WriteLockedReplacement(path_, *target, have_model ? &model : nullptr, bytes, &error, &not_durable);
    if (fd < 0) return error;
    // The new file is held before the old one is let go; it has the name now, durable or not.
    ::close(fd_);
    fd_ = fd;
    if (not_durable) return error;
    return std::nullopt;
}

bool HeldFile::Is(const std::string& path) const {
    struct stat a {};
    struct stat b {};
    return ::stat(path.c_str(), &a) == 0 && ::fstat(fd_, &b) == 0 && SameFile(a, b);
}

HeldFile::~HeldFile() {
    if (fd_ >= 0) ::close(fd_);  // closing drops the lock
}

std::optional<FileError> HeldFile::ReadAll(std::vector<std::uint8_t>& out, std::size_t max_size) const {
    out.clear();
    // Read to the end instead of trusting the size: pipes, FIFOs and files under /proc report
    // a size of 0 (or less than they hold).
    std::uint8_t buf[65536];
    bool positioned = true;  // pread for files, plain reads for what cannot seek
    for (;;) {
        ssize_t n = positioned ? ::pread(fd_, buf, sizeof buf, static_cast<off_t>(out.size())) : ::read(fd_, buf, sizeof buf);
        if (n < 0 && positioned && errno == ESPIPE) {
            positioned = false;
            continue;
        }
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            out.clear();
            return FileError{path_, std::strerror(err)};
        }
        if (n == 0) break;
        if (out.size() + static_cast<std::size_t>(n) > max_size) {
            out.clear();
            return FileError{path_, "the file is larger than " + std::to_string(max_size) + " bytes"};
        }
        out.insert(out.end(), buf, buf + n);
    }
    return std::nullopt;
}

}  // namespace quillon
