#include "io/HeldFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quillon {

std::unique_ptr<HeldFile> HeldFile::Open(const std::string& path, Mode mode, FileError* error) {
    const int flags = O_RDWR | O_CLOEXEC | (mode == Mode::CreateOrTruncate ? (O_CREAT | O_TRUNC) : 0);
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
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return FileError{path_, std::strerror(errno)};
    if (static_cast<std::uint64_t>(st.st_size) > max_size) {
        return FileError{path_, "the file is larger than " + std::to_string(max_size) + " bytes"};
    }
    out.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return FileError{path_, std::strerror(errno)};
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    out.resize(done);
    return std::nullopt;
}

}  // namespace quillon
