// A file held open while it is current (the window holds its settings file this way): open for
// reading and writing, with an exclusive advisory lock standing in for "no sharing", so that a
// second copy of the wizard cannot open the same file at the same time.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "io/FileIo.h"

namespace quillon {

class HeldFile {
public:
    enum class Mode { OpenExisting, CreateOrTruncate };

    // Opens and locks `path`; on failure returns nothing and fills `error` with the reason. An
    // existing file that may only be read is opened for reading.
    static std::unique_ptr<HeldFile> Open(const std::string& path, Mode mode, FileError* error);

    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    const std::string& Path() const { return path_; }
    int Descriptor() const { return fd_; }

    // Reads the whole file; refuses files over `max_size` bytes.
    std::optional<FileError> ReadAll(std::vector<std::uint8_t>& out, std::size_t max_size) const;

private:
    HeldFile(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
    std::string path_;
    int fd_ = -1;
};

}  // namespace quillon
