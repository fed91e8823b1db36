#include "cli/LinePrefixStream.h"

#include <string_view>

namespace quillon::cli {

bool LinePrefixBuffer::Emit(bool whole_line) {
    if (!target_) {
        line_.clear();
        return true;
    }
    if (!mid_line_ && !line_.starts_with(program_)) {
        // An empty line of a message gets the prefix without its trailing blank.
        if (whole_line && line_.empty() && prefix_.ends_with(' ')) {
            *target_ << std::string_view(prefix_).substr(0, prefix_.size() - 1);
        } else {
            *target_ << prefix_;
        }
    }
    *target_ << line_;
    if (whole_line) *target_ << '\n';
    line_.clear();
    mid_line_ = !whole_line;
    return static_cast<bool>(*target_);
}

LinePrefixBuffer::int_type LinePrefixBuffer::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char ch = traits_type::to_char_type(c);
    if (ch == '\n') return Emit(true) ? c : traits_type::eof();
    line_.push_back(ch);
    return c;
}

std::streamsize LinePrefixBuffer::xsputn(const char* s, std::streamsize n) {
    for (std::streamsize i = 0; i < n; ++i) {
        if (traits_type::eq_int_type(overflow(traits_type::to_int_type(s[i])), traits_type::eof())) return i;
    }
    return n;
}

int LinePrefixBuffer::sync() {
    if (!line_.empty() && !Emit(false)) return -1;
    if (target_ && !target_->flush()) return -1;
    return 0;
}

}  // namespace quillon::cli
