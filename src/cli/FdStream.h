// Output to a file descriptor that remembers why a write failed, so that "cannot write the
// output" can name the reason (a full disk, a closed pipe) instead of a bare failure.
#pragma once

#include <ostream>
#include <streambuf>
#include <vector>

namespace quillon::cli {

class FdOutputBuffer : public std::streambuf {
public:
    // `buffered` false: every write goes out at once (standard error).
    FdOutputBuffer(int fd, bool buffered);
    ~FdOutputBuffer() override;
    FdOutputBuffer(const FdOutputBuffer&) = delete;
    FdOutputBuffer& operator=(const FdOutputBuffer&) = delete;

    // The errno of the first write that failed, 0 while none did.
    int Error() const { return error_; }

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

private:
    bool WriteOut(const char* data, std::size_t size);
    bool Drain();

    int fd_;
    int error_ = 0;
    std::vector<char> buffer_;
};

// The reason a stream's writes failed, when it writes through an FdOutputBuffer; else 0.
int StreamError(const std::ostream& stream);

}  // namespace quillon::cli
