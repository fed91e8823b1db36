#include "cli/FdStream.h"

#include <unistd.h>

#include <cerrno>

namespace quillon::cli {

FdOutputBuffer::FdOutputBuffer(int fd, bool buffered) : fd_(fd) {
    if (buffered) {
        buffer_.resize(1 << 16);
        setp(buffer_.data(), buffer_.data() + buffer_.size());
    }
}

FdOutputBuffer::~FdOutputBuffer() { Drain(); }

bool FdOutputBuffer::WriteOut(const char* data, std::size_t size) {
    if (error_) return false;
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            error_ = errno;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool FdOutputBuffer::Drain() {
    if (!pbase()) return !error_;
    const bool ok = WriteOut(pbase(), static_cast<std::size_t>(pptr() - pbase()));
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return ok;
}

FdOutputBuffer::int_type FdOutputBuffer::overflow(int_type c) {
    if (!Drain()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char ch = traits_type::to_char_type(c);
    if (pbase()) {
        *pptr() = ch;
        pbump(1);
        return c;
    }
    return WriteOut(&ch, 1) ? c : traits_type::eof();
}

std::streamsize FdOutputBuffer::xsputn(const char* s, std::streamsize n) {
    const auto size = static_cast<std::size_t>(n);
    if (pbase() && size <= static_cast<std::size_t>(epptr() - pptr())) {
        traits_type::copy(pptr(), s, size);
        pbump(static_cast<int>(n));
        return n;
    }
    if (!Drain() || !WriteOut(s, size)) return 0;
    return n;
}

int FdOutputBuffer::sync() { return Drain() ? 0 : -1; }

int StreamError(const std::ostream& stream) {
    if (const auto* buffer = dynamic_cast<const FdOutputBuffer*>(stream.rdbuf())) return buffer->Error();
    return 0;
}

}  // namespace quillon::cli
