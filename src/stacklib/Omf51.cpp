#include "stacklib/Omf51.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace quillon {

namespace {

// ---------------------------------------------------------------- writing

void Put8(std::vector<std::uint8_t>& out, std::uint8_t value) { out.push_back(value); }

void Put16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutName(std::vector<std::uint8_t>& out, const std::string& name) {
    if (name.size() > 255) throw Omf51Error("name longer than 255 bytes: " + name.substr(0, 40) + "...");
    out.push_back(static_cast<std::uint8_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
}

// Packs the entries into as few records of `type` as keep each record within
// kOmf51MaxRecordBytes; an entry is never split across records.
void AppendPacked(std::vector<std::uint8_t>& out, std::uint8_t type, const std::vector<std::vector<std::uint8_t>>& entries) {
    constexpr std::size_t kFraming = 4;  // type, two length bytes, checksum
    std::vector<std::uint8_t> body;
    for (const auto& entry : entries) {
        if (!body.empty() && body.size() + entry.size() + kFraming > kOmf51MaxRecordBytes) {
            AppendOmf51Record(out, type, body);
            body.clear();
        }
        body.insert(body.end(), entry.begin(), entry.end());
    }
    if (!body.empty()) AppendOmf51Record(out, type, body);
}

void AppendModule(std::vector<std::uint8_t>& out, const Omf51Module& module) {
    std::vector<std::uint8_t> body;
    PutName(body, module.name);
    Put8(body, module.translator);
    Put8(body, 0);
    AppendOmf51Record(out, Omf51Record::ModuleHeader, body);

    std::vector<std::vector<std::uint8_t>> entries;
    for (const Omf51Segment& segment : module.segments) {
        std::vector<std::uint8_t> entry;
        Put8(entry, segment.id);
        Put8(entry, segment.info);
        Put8(entry, segment.rel_type);
        Put8(entry, 0);
        Put16(entry, segment.base);
        Put16(entry, segment.size);
        PutName(entry, segment.name);
        entries.push_back(std::move(entry));
    }
    AppendPacked(out, Omf51Record::SegmentDefinitions, entries);

    entries.clear();
    for (const Omf51Public& symbol : module.publics) {
        std::vector<std::uint8_t> entry;
        Put8(entry, symbol.segment_id);
        Put8(entry, symbol.info);
        Put16(entry, symbol.offset);
        Put8(entry, 0);
        PutName(entry, symbol.name);
        entries.push_back(std::move(entry));
    }
    AppendPacked(out, Omf51Record::PublicDefinitions, entries);

    for (const Omf51Content& content : module.contents) {
        body.clear();
        Put8(body, content.segment_id);
        Put16(body, content.offset);
        body.insert(body.end(), content.data.begin(), content.data.end());
        AppendOmf51Record(out, Omf51Record::Content, body);
    }

    body.clear();
    PutName(body, module.name);
    Put16(body, 0);
    Put8(body, module.register_mask);
    Put8(body, 0);
    AppendOmf51Record(out, Omf51Record::ModuleEnd, body);
}

void PutBlockPointer(std::vector<std::uint8_t>& out, std::size_t offset) {
    if (offset / kOmf51BlockSize > 0xFFFF) throw Omf51Error("library too large for its block pointers");
    Put16(out, static_cast<std::uint16_t>(offset / kOmf51BlockSize));
    Put16(out, static_cast<std::uint16_t>(offset % kOmf51BlockSize));
}

// ---------------------------------------------------------------- reading

std::string Hex(unsigned value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02XH", value);
    return buf;
}

struct RawRecord {
    std::uint8_t type = 0;
    std::size_t offset = 0;
    std::size_t size = 0;  // the whole record, framing included
    std::span<const std::uint8_t> contents;  // without the checksum
    std::size_t End() const { return offset + size; }
};

// Reads the fields of one record's contents; any read past the end leaves it failed.
class Fields {
public:
    explicit Fields(std::span<const std::uint8_t> contents) : data_(contents) {}
    bool AtEnd() const { return pos_ >= data_.size(); }
    bool Ok() const { return ok_; }
    std::uint8_t Byte() {
        if (pos_ + 1 > data_.size()) return Fail();
        return data_[pos_++];
    }
    std::uint16_t Word() {
        const std::uint8_t low = Byte();
        const std::uint8_t high = Byte();
        return static_cast<std::uint16_t>(low | (high << 8));
    }
    std::string Name() {
        const std::size_t length = Byte();
        if (!ok_ || pos_ + length > data_.size()) {
            Fail();
            return {};
        }
        std::string out(reinterpret_cast<const char*>(data_.data() + pos_), length);
        pos_ += length;
        return out;
    }
    std::size_t Remaining() const { return ok_ ? data_.size() - pos_ : 0; }
    void Skip(std::size_t n) { pos_ = std::min(data_.size(), pos_ + n); }

private:
    std::uint8_t Fail() {
        ok_ = false;
        pos_ = data_.size();
        return 0;
    }
    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

class LibraryReader {
public:
    LibraryReader(std::span<const std::uint8_t> bytes, Omf51LibraryInfo& info) : bytes_(bytes), info_(info) {}

    void Read() {
        info_.file_size = bytes_.size();
        if (!ReadHeader()) return;
        std::optional<RawRecord> names = DirectoryStart();
        WalkModules(names);
        if (names) ReadDirectory(*names);
        CrossCheck();
    }

private:
    void Problem(std::size_t offset, const std::string& text) {
        info_.problems.push_back("at byte " + std::to_string(offset) + ": " + text);
    }

    std::optional<RawRecord> RecordAt(std::size_t offset) {
        if (offset >= bytes_.size()) {
            Problem(offset, "record expected, but the file ends");
            return std::nullopt;
        }
        if (bytes_.size() - offset < 3) {
            Problem(offset, "truncated record: the file ends inside its length field");
            return std::nullopt;
        }
        const std::uint8_t type = bytes_[offset];
        const std::size_t length = bytes_[offset + 1] | (bytes_[offset + 2] << 8);
        if (length == 0) {
            Problem(offset, "record of type " + Hex(type) + " has length 0");
            return std::nullopt;
        }
        if (bytes_.size() - offset - 3 < length) {
            Problem(offset, "truncated record of type " + Hex(type) + ": " + std::to_string(length) +
                                " bytes announced, " + std::to_string(bytes_.size() - offset - 3) + " left");
            return std::nullopt;
        }
        RawRecord record{type, offset, length + 3, bytes_.subspan(offset + 3, length - 1)};
        unsigned sum = 0;
        for (std::size_t i = offset; i < record.End(); ++i) sum += bytes_[i];
        const std::uint8_t checksum = bytes_[record.End() - 1];
        if ((sum & 0xFF) != 0 && checksum != 0) Problem(offset, "bad checksum in record of type " + Hex(type));
        return record;
    }

    bool ReadHeader() {
        std::optional<RawRecord> header = RecordAt(0);
        if (!header || header->type != Omf51Record::LibraryHeader || header->contents.size() != 6) {
            Problem(0, "not an OMF-51 library: no library header");
            return false;
        }
        Fields f(header->contents);
        info_.module_count = f.Word();
        const std::size_t block = f.Word();
        const std::size_t byte = f.Word();
        info_.names_offset = block * kOmf51BlockSize + byte;
        modules_start_ = header->End();
        return true;
    }

    // The Library Module Names record the header points at, if it is one.
    std::optional<RawRecord> DirectoryStart() {
        const std::size_t at = info_.names_offset;
        if (at >= bytes_.size()) {
            Problem(0, "module names pointer " + std::to_string(at) + " is past the end of the file (" +
                           std::to_string(bytes_.size()) + " bytes)");
            return std::nullopt;
        }
        if (at < modules_start_) {
            Problem(0, "module names pointer " + std::to_string(at) + " points into the library header");
            return std::nullopt;
        }
        std::optional<RawRecord> names = RecordAt(at);
        if (names && names->type != Omf51Record::LibraryModuleNames) {
            Problem(at, "the library header points at a record of type " + Hex(names->type) +
                            ", not at the module names");
            return std::nullopt;
        }
        return names;
    }

    // Walks the records from the end of the header to the module names (or, when the header's
    // pointer is unusable, until a module names record turns up).
    void WalkModules(std::optional<RawRecord>& names) {
        const bool bounded = names.has_value();
        const std::size_t end = bounded ? names->offset : bytes_.size();
        std::size_t offset = modules_start_;
        while (offset < end) {
            std::optional<RawRecord> record = RecordAt(offset);
            if (!record) break;
            if (!bounded && record->type == Omf51Record::LibraryModuleNames) {
                names = record;
                break;
            }
            if (record->End() > end) {
                Problem(offset, "record of type " + Hex(record->type) + " runs into the module names");
                break;
            }
            ModuleRecord(*record);
            offset = record->End();
        }
        CloseUnended(offset);
        if (!names) Problem(offset, "no module names record found");
    }

    void ModuleRecord(const RawRecord& record) {
        Fields f(record.contents);
        switch (record.type) {
        case Omf51Record::ModuleHeader:
            CloseUnended(record.offset);
            current_ = Omf51ModuleInfo{};
            current_.offset = record.offset;
            current_.name = f.Name();
            current_.translator = f.Byte();
            f.Byte();
            open_ = true;
            break;
        case Omf51Record::ModuleEnd:
            if (!open_) {
                Problem(record.offset, "module end outside a module");
                return;
            }
            {
                const std::string name = f.Name();
                f.Word();
                current_.register_mask = f.Byte();
                f.Byte();
                if (f.Ok() && name != current_.name)
                    Problem(record.offset, "module " + current_.name + " ends with the name " + name);
            }
            current_.size = record.End() - current_.offset;
            info_.modules.push_back(std::move(current_));
            current_ = Omf51ModuleInfo{};
            open_ = false;
            break;
        case Omf51Record::SegmentDefinitions:
            if (!InModule(record)) return;
            while (f.Ok() && !f.AtEnd()) {
                Omf51Segment s;
                s.id = f.Byte();
                s.info = f.Byte();
                s.rel_type = f.Byte();
                f.Byte();
                s.base = f.Word();
                s.size = f.Word();
                s.name = f.Name();
                if (f.Ok()) current_.segments.push_back(std::move(s));
            }
            break;
        case Omf51Record::PublicDefinitions:
            if (!InModule(record)) return;
            while (f.Ok() && !f.AtEnd()) {
                Omf51Public p;
                p.segment_id = f.Byte();
                p.info = f.Byte();
                p.offset = f.Word();
                f.Byte();
                p.name = f.Name();
                if (!f.Ok()) break;
                if (p.segment_id != 0 && !FindSegment(p.segment_id))
                    Problem(record.offset, "public " + p.name + " refers to undefined segment " +
                                               std::to_string(p.segment_id));
                current_.publics.push_back(std::move(p));
            }
            break;
        case Omf51Record::Content: {
            if (!InModule(record)) return;
            const std::uint8_t id = f.Byte();
            const std::size_t at = f.Word();
            const std::size_t length = f.Remaining();
            if (!f.Ok()) break;
            current_.content_bytes += length;
            const Omf51Segment* segment = FindSegment(id);
            if (id != 0 && !segment) {
                Problem(record.offset, "content for undefined segment " + std::to_string(id));
            } else if (segment && segment->size != 0 && at + length > segment->size) {
                // A size of 0 may stand for a full 64 KiB segment, so it is not checked.
                Problem(record.offset, "content runs past the end of segment " + segment->name);
            }
            break;
        }
        default:
            // Fixups, externals, debug records and vendor extensions: nothing to collect.
            InModule(record);
            break;
        }
        if (!f.Ok()) Problem(record.offset, "malformed record of type " + Hex(record.type));
    }

    // A module still open at `end` lacks its Module End; it is kept as far as it was read.
    void CloseUnended(std::size_t end) {
        if (!open_) return;
        Problem(current_.offset, "module " + current_.name + " has no module end");
        current_.size = end - current_.offset;
        info_.modules.push_back(std::move(current_));
        current_ = Omf51ModuleInfo{};
        open_ = false;
    }

    // The directory record of `type` that must follow the one ending at `at`.
    std::optional<RawRecord> DirectoryRecord(std::size_t at, std::uint8_t type, const char* what, const char* after) {
        std::optional<RawRecord> record = RecordAt(at);
        if (record && record->type != type) {
            Problem(at, std::string(what) + " expected after the " + after + ", found type " + Hex(record->type));
            return std::nullopt;
        }
        return record;
    }

    bool InModule(const RawRecord& record) {
        if (!open_) Problem(record.offset, "record of type " + Hex(record.type) + " outside a module");
        return open_;
    }

    const Omf51Segment* FindSegment(std::uint8_t id) const {
        for (const Omf51Segment& s : current_.segments)
            if (s.id == id) return &s;
        return nullptr;
    }

    void ReadDirectory(const RawRecord& names) {
        Fields nf(names.contents);
        while (nf.Ok() && !nf.AtEnd()) {
            std::string name = nf.Name();
            if (nf.Ok()) info_.module_names.push_back(std::move(name));
        }
        if (!nf.Ok()) Problem(names.offset, "malformed module names record");

        std::optional<RawRecord> locations =
            DirectoryRecord(names.End(), Omf51Record::LibraryModuleLocations, "module locations", "module names");
        if (!locations) return;
        if (locations->contents.size() % 4 != 0) Problem(locations->offset, "malformed module locations record");
        Fields lf(locations->contents);
        while (lf.Remaining() >= 4) {
            const std::size_t block = lf.Word();
            const std::size_t byte = lf.Word();
            info_.module_locations.push_back(block * kOmf51BlockSize + byte);
        }

        std::optional<RawRecord> dictionary =
            DirectoryRecord(locations->End(), Omf51Record::LibraryDictionary, "dictionary", "module locations");
        if (!dictionary) return;
        Fields df(dictionary->contents);
        std::vector<std::string> group;
        bool group_open = false;
        while (df.Ok() && !df.AtEnd()) {
            std::string name = df.Name();
            if (!df.Ok()) break;
            group_open = true;
            if (name.empty()) {
                info_.dictionary.push_back(std::move(group));
                group.clear();
                group_open = false;
            } else {
                group.push_back(std::move(name));
            }
        }
        if (!df.Ok() || group_open) Problem(dictionary->offset, "malformed dictionary: its last group is not closed");
    }

    void CrossCheck() {
        const std::size_t header = info_.module_count;
        const std::size_t counts[] = {header, info_.module_names.size(), info_.module_locations.size(),
                                      info_.dictionary.size(), info_.modules.size()};
        if (std::any_of(std::begin(counts), std::end(counts), [&](std::size_t c) { return c != header; })) {
            Problem(0, "module counts disagree: header " + std::to_string(counts[0]) + ", names " +
                           std::to_string(counts[1]) + ", locations " + std::to_string(counts[2]) +
                           ", dictionary " + std::to_string(counts[3]) + ", modules found " +
                           std::to_string(counts[4]));
        }
        for (std::size_t i = 0; i < info_.modules.size(); ++i) {
            const Omf51ModuleInfo& m = info_.modules[i];
            if (i < info_.module_names.size() && info_.module_names[i] != m.name)
                Problem(m.offset, "module " + m.name + " is listed as " + info_.module_names[i]);
            if (i < info_.module_locations.size() && info_.module_locations[i] != m.offset)
                Problem(m.offset, "module " + m.name + " is located at byte " +
                                      std::to_string(info_.module_locations[i]));
            if (i < info_.dictionary.size()) {
                std::vector<std::string> publics;
                for (const Omf51Public& p : m.publics) publics.push_back(p.name);
                if (publics != info_.dictionary[i])
                    Problem(m.offset, "the dictionary does not list the publics of module " + m.name);
            }
        }
    }

    std::span<const std::uint8_t> bytes_;
    Omf51LibraryInfo& info_;
    std::size_t modules_start_ = 0;
    Omf51ModuleInfo current_;
    bool open_ = false;
};

}  // namespace

void AppendOmf51Record(std::vector<std::uint8_t>& out, std::uint8_t type, std::span<const std::uint8_t> contents) {
    const std::size_t length = contents.size() + 1;
    if (length > 0xFFFF) throw Omf51Error("record of type " + Hex(type) + " is too long");
    const std::size_t start = out.size();
    Put8(out, type);
    Put16(out, static_cast<std::uint16_t>(length));
    out.insert(out.end(), contents.begin(), contents.end());
    unsigned sum = 0;
    for (std::size_t i = start; i < out.size(); ++i) sum += out[i];
    Put8(out, static_cast<std::uint8_t>((0x100 - (sum & 0xFF)) & 0xFF));
}

std::vector<std::uint8_t> WriteOmf51Library(const std::vector<Omf51Module>& modules) {
    if (modules.size() > 0xFFFF) throw Omf51Error("more than 65535 modules");
    constexpr std::size_t kHeaderSize = 10;

    std::vector<std::uint8_t> body;
    std::vector<std::size_t> locations;
    for (const Omf51Module& module : modules) {
        locations.push_back(kHeaderSize + body.size());
        AppendModule(body, module);
    }
    const std::size_t names_offset = kHeaderSize + body.size();

    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> fields;
    Put16(fields, static_cast<std::uint16_t>(modules.size()));
    PutBlockPointer(fields, names_offset);
    AppendOmf51Record(out, Omf51Record::LibraryHeader, fields);
    out.insert(out.end(), body.begin(), body.end());

    fields.clear();
    for (const Omf51Module& module : modules) PutName(fields, module.name);
    AppendOmf51Record(out, Omf51Record::LibraryModuleNames, fields);

    fields.clear();
    for (std::size_t location : locations) PutBlockPointer(fields, location);
    AppendOmf51Record(out, Omf51Record::LibraryModuleLocations, fields);

    fields.clear();
    for (const Omf51Module& module : modules) {
        for (const Omf51Public& symbol : module.publics) {
            if (symbol.name.empty()) throw Omf51Error("public without a name in module " + module.name);
            PutName(fields, symbol.name);
        }
        Put8(fields, 0);
    }
    AppendOmf51Record(out, Omf51Record::LibraryDictionary, fields);
    return out;
}

Omf51LibraryInfo ReadOmf51Library(std::span<const std::uint8_t> bytes) {
    Omf51LibraryInfo info;
    LibraryReader(bytes, info).Read();
    return info;
}

}  // namespace quillon
