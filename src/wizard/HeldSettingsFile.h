// The settings file the window holds while it is current: open for reading and writing, with
// an exclusive advisory lock standing in for "no sharing", so that a second copy of the wizard
// cannot open the same file at the same time.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "io/FileIo.h"

namespace quillon {

class HeldSettingsFile {
public:
    enum class Mode { OpenExisting, CreateOrTruncate };

    // Opens and locks `path`; on failure returns nothing and fills `error` with the reason. An
    // existing file that may only be read is opened for reading.
    static std::unique_ptr<HeldSettingsFile> Open(const std::string& path, Mode mode, FileError* error);

    ~HeldSettingsFile();
    HeldSettingsFile(const HeldSettingsFile&) = delete;
    HeldSettingsFile& operator=(const HeldSettingsFile&) = delete;

    const std::string& Path() const { return path_; }
    int Descriptor() const { return fd_; }

    // Reads the whole file; refuses files over `max_size` bytes.
    std::optional<FileError> ReadAll(std::vector<std::uint8_t>& out, std::size_t max_size) const;

private:
    HeldSettingsFile(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
    std::string path_;
    int fd_ = -1;
};

}  // namespace quillon
