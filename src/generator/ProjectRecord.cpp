#include "generator/ProjectRecord.h"

#include <charconv>

namespace quillon {

namespace {

constexpr std::string_view kFirstLine = "quillon-record 1";
constexpr std::string_view kReplacedKind = "replaced ";

bool IsHexId(std::string_view id) {
    if (id.size() != 32) return false;
    for (const char c : id) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

class Reader {
public:
    explicit Reader(ByteView bytes) : text_(reinterpret_cast<const char*>(bytes.data()), bytes.size()) {}

    bool AtEnd() const { return pos_ >= text_.size(); }

    // The next line without its line feed; the rest of the text when there is no line feed.
    std::string_view Line() {
        const std::size_t end = std::min(text_.find('\n', pos_), text_.size());
        const std::string_view line = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        return line;
    }

    // `size` bytes followed by a line feed; nothing when they are not all there.
    std::optional<std::string_view> Block(std::uint64_t size) {
        if (pos_ > text_.size() || size > text_.size() - pos_ || text_.size() - pos_ - size < 1 ||
            text_[pos_ + size] != '\n') {
            pos_ = text_.size();
            return std::nullopt;
        }
        const std::string_view block = text_.substr(pos_, size);
        pos_ += size + 1;
        return block;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

// "KIND SIZE ID PATH"
struct Header {
    FileKind kind;
    std::uint64_t size;
    std::string_view id;
    std::string_view path;
};

std::optional<Header> ParseHeader(std::string_view line) {
    const std::size_t a = line.find(' ');
    if (a == std::string_view::npos) return std::nullopt;
    const std::size_t b = line.find(' ', a + 1);
    if (b == std::string_view::npos) return std::nullopt;
    const std::size_t c = line.find(' ', b + 1);
    if (c == std::string_view::npos) return std::nullopt;
    Header h{};
    const std::string_view kind = line.substr(0, a);
    if (kind == "text") {
        h.kind = FileKind::Text;
    } else if (kind == "binary") {
        h.kind = FileKind::Binary;
    } else {
        return std::nullopt;
    }
    const std::string_view size = line.substr(a + 1, b - a - 1);
    const auto [end, error] = std::from_chars(size.data(), size.data() + size.size(), h.size);
    if (error != std::errc() || end != size.data() + size.size() || size.empty()) return std::nullopt;
    h.id = line.substr(b + 1, c - b - 1);
    h.path = line.substr(c + 1);
    return h;
}

}  // namespace

bool IsPlainRelativePath(std::string_view path) {
    if (path.empty() || path.front() == '/' || path.back() == '/') return false;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string_view part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") return false;
        start = end + 1;
    }
    return path.find_first_of(std::string_view("\n\r\0", 3)) == std::string_view::npos;
}

RecordEntry EntryFor(FileKind kind, ByteView bytes) { return EntryFor(kind, Bytes(bytes.begin(), bytes.end())); }

RecordEntry EntryFor(FileKind kind, Bytes&& bytes) {
    RecordEntry entry;
    entry.kind = kind;
    entry.size = bytes.size();
    entry.id = ContentId(bytes);
    if (kind == FileKind::Text) entry.content = std::move(bytes);
    return entry;
}

ProjectRecord ParseProjectRecord(ByteView bytes) {
    ProjectRecord record;
    Reader in(bytes);
    if (in.Line() != kFirstLine) return record;
    while (!in.AtEnd()) {
        const std::string_view line = in.Line();
        if (line.starts_with(kReplacedKind)) {
            // "replaced ID PATH", for an entry read just before.
            const std::string_view rest = line.substr(kReplacedKind.size());
            const std::size_t space = rest.find(' ');
            if (space == std::string_view::npos) continue;
            const std::string_view id = rest.substr(0, space);
            const auto entry = record.find(std::string(rest.substr(space + 1)));
            if (IsHexId(id) && entry != record.end()) entry->second.replaced_id = std::string(id);
            continue;
        }
        const std::optional<Header> header = ParseHeader(line);
        if (!header) continue;  // a damaged line: skip it, keep reading
        RecordEntry entry;
        entry.kind = header->kind;
        entry.size = header->size;
        entry.id = std::string(header->id);
        if (header->kind == FileKind::Text) {
            const std::optional<std::string_view> block = in.Block(header->size);
            if (!block) break;
            const ByteView content = AsByteView(*block);
            // A text that is not what its id says was damaged: no base is safer than a wrong one.
            if (ContentId(content) != entry.id) continue;
            entry.content = Bytes(content.begin(), content.end());
        }
        if (!IsHexId(entry.id) || !IsPlainRelativePath(header->path)) continue;
        record[std::string(header->path)] = std::move(entry);
    }
    return record;
}

Bytes SerializeProjectRecord(const ProjectRecord& record) {
    Bytes out;
    std::size_t size = kFirstLine.size() + 1;
    for (const auto& [path, entry] : record) size += path.size() + 80 + (entry.content ? entry.content->size() : 0);
    out.reserve(size);
    const auto append = [&](std::string_view text) { out.insert(out.end(), text.begin(), text.end()); };
    append(kFirstLine);
    append("\n");
    for (const auto& [path, entry] : record) {
        const bool text = entry.kind == FileKind::Text && entry.content;
        append(text ? "text " : "binary ");
        append(std::to_string(text ? entry.content->size() : entry.size));
        append(" ");
        append(entry.id);
        append(" ");
        append(path);
        append("\n");
        if (text) {
            out.insert(out.end(), entry.content->begin(), entry.content->end());
            append("\n");
        }
        if (!entry.replaced_id.empty()) {
            append(kReplacedKind);
            append(entry.replaced_id);
            append(" ");
            append(path);
            append("\n");
        }
    }
    return out;
}

}  // namespace quillon
