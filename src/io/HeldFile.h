// A file held open while it is current (the window holds its settings file this way): open for
// reading and writing, with an exclusive advisory lock standing in for "no sharing", so that a
// second copy of the wizard cannot open the same file at the same time.
//
// Writing never lets go of the hold: the new content goes into a temporary file beside the
// file (beside the target of a symbolic link), which is locked before a byte is written, takes
// the old file's permissions, is flushed and renamed over the old one, and is held from then on.
// The file therefore holds either its old or its new content, and at no moment can another
// program open and lock it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "io/FileIo.h"

namespace quillon {

class HeldFile {
public:
    // Opens and locks the existing `path`; on failure returns nothing and fills `error` with the
    // reason. A file that may only be read is opened for reading.
    static std::unique_ptr<HeldFile> Open(const std::string& path, FileError* error);

    // Writes `bytes` as the whole of `path`, replacing a file that is there (unless another
    // program holds it), and holds the new file. On failure nothing at `path` has changed,
    // except when only the folder could not be synced after the rename: the new file then has
    // the name, but it is not held and the save counts as failed.
    static std::unique_ptr<HeldFile> Create(const std::string& path, std::span<const std::uint8_t> bytes,
                                            FileError* error);

    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    const std::string& Path() const { return path_; }
    int Descriptor() const { return fd_; }

    // Reads the whole file; refuses files over `max_size` bytes.
    std::optional<FileError> ReadAll(std::vector<std::uint8_t>& out, std::size_t max_size) const;

    // Replaces the file's content with `bytes` and goes on holding it. On failure the old
    // content stays, still held; except when only the folder could not be synced afterwards:
    // the new content then has the name (and is held) but the error says it may not last.
    std::optional<FileError> Replace(std::span<const std::uint8_t> bytes);

    // True when `path` names this very file (the same file, by whatever name).
    bool Is(const std::string& path) const;

private:
    HeldFile(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
    std::string path_;
    int fd_ = -1;
};

// How old a left-over temporary file of a save must be before a later save removes it; younger
// ones may belong to a save that is running right now.
inline constexpr int kStaleSaveSeconds = 60;

// The name prefix of the temporary files of a save; six random characters follow it.
inline constexpr const char* kSaveTempPrefix = ".quillon-save-";

}  // namespace quillon
