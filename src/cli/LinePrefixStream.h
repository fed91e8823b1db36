// An output stream that starts every line it passes on with a prefix ("quillon-cli show: "),
// so that every error and warning names the program that wrote it. A line that already
// begins with the program's name is passed on as it is. With no target it swallows
// everything (the warnings under --quiet).
#pragma once

#include <ostream>
#include <streambuf>
#include <string>

namespace quillon::cli {

class LinePrefixBuffer : public std::streambuf {
public:
    LinePrefixBuffer(std::ostream* target, std::string prefix, std::string program)
        : target_(target), prefix_(std::move(prefix)), program_(std::move(program)) {}

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

private:
    // Passes the collected line on; false when the target failed.
    bool Emit(bool whole_line);

    std::ostream* target_;
    std::string prefix_;
    std::string program_;
    std::string line_;
    bool mid_line_ = false;  // part of the current line was already passed on
};

class LinePrefixStream : public std::ostream {
public:
    LinePrefixStream(std::ostream* target, std::string prefix, std::string program)
        : std::ostream(nullptr), buffer_(target, std::move(prefix), std::move(program)) {
        rdbuf(&buffer_);
    }
    ~LinePrefixStream() override { flush(); }

private:
    LinePrefixBuffer buffer_;
};

}  // namespace quillon::cli
