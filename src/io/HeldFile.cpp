#include "io/HeldFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quillon {

std::unique_ptr<HeldFile> HeldFile::Open(const std::string& path, Mode mode, FileError* error) {
    // A pipe or a FIFO (a settings file given as <(...)) is opened for reading only: this
    // process holding its write end as well would keep its end of file from ever coming.
    struct stat before {};
    const bool stream = mode == Mode::OpenExisting && ::stat(path.c_str(), &before) == 0 && S_ISFIFO(before.st_mode);
    const int flags = (stream ? O_RDONLY : O_RDWR) | O_CLOEXEC | (mode == Mode::CreateOrTruncate ? (O_CREAT | O_TRUNC) : 0);
    int fd = ::open(path.c_str(), flags, 0666);
    // A settings file the user may only read (an installed example, say) still opens; saving
    // it is refused later, when the file is to be written.
    if (fd < 0 && mode == Mode::OpenExisting && (errno == EACCES || errno == EROFS)) {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (fd < 0) {
        if (error) *error = {path, std::strerror(errno)};
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        if (error) *error = {path, std::strerror(EISDIR)};
        return nullptr;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (error) {
            *error = {path, err == EWOULDBLOCK ? "the file is in use by another program" : std::strerror(err)};
        }
        return nullptr;
    }
    return std::unique_ptr<HeldFile>(new HeldFile(path, fd));
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
