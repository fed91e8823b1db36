// The OMF-51 library reader on any bytes, and the writer and reader together on libraries
// built from the input.
#include <algorithm>

#include "FuzzSupport.h"
#include "FuzzTargets.h"
#include "stacklib/Omf51.h"

namespace quillon::fuzz {

void FuzzOmf51Reader(Bytes input) {
    const Omf51LibraryInfo info = ReadOmf51Library(input);
    Check(info.file_size == input.size(), "the reader names another file size");
    for (const Omf51ModuleInfo& m : info.modules) {
        Check(m.offset <= input.size() && m.size <= input.size() - m.offset, "a module reaches past the file");
    }
    if (info.WellFormed()) {
        Check(info.module_names.size() == info.module_count && info.modules.size() == info.module_count,
              "a well-formed library whose module counts disagree");
    }
}

namespace {

// A module the writer must be able to express: names of 1 to 32 bytes, publics only in
// segments the module defines, content only inside its segment.
Omf51Module ModuleFrom(ByteReader& in) {
    Omf51Module m;
    m.name = in.Text(1 + in.Byte() % 32);
    if (m.name.empty()) m.name = "M";
    m.translator = in.Byte();
    m.register_mask = in.Byte();
    const int segments = in.Byte() % 4;
    for (int i = 0; i < segments; ++i) {
        Omf51Segment s;
        s.id = static_cast<std::uint8_t>(i + 1);
        s.info = in.Byte();
        s.rel_type = in.Byte();
        s.base = in.Word();
        s.size = in.Word();
        s.name = in.Text(in.Byte() % 16);
        m.segments.push_back(std::move(s));
    }
    const int publics = in.Byte() % 200;  // enough to split the definitions over several records
    for (int i = 0; i < publics; ++i) {
        Omf51Public p;
        p.segment_id = static_cast<std::uint8_t>(in.Byte() % (segments + 1));
        p.info = in.Byte();
        p.offset = in.Word();
        p.name = in.Text(1 + in.Byte() % 24);
        if (p.name.empty()) p.name = "P" + std::to_string(i);
        m.publics.push_back(std::move(p));
    }
    if (segments > 0) {
        Omf51Content c;
        c.segment_id = 1;
        const std::size_t size = m.segments[0].size;
        std::size_t length = in.Byte();
        if (size != 0) length = std::min(length, size);
        c.offset = static_cast<std::uint16_t>(size == 0 ? 0 : in.Word() % (size - length + 1));
        c.data.assign(length, 0x74);
        m.contents.push_back(std::move(c));
    }
    return m;
}

}  // namespace

void FuzzOmf51RoundTrip(Bytes input) {
    ByteReader in(input);
    std::vector<Omf51Module> modules;
    const int count = in.Byte() % 6;
    for (int i = 0; i < count; ++i) modules.push_back(ModuleFrom(in));

    const std::vector<std::uint8_t> bytes = WriteOmf51Library(modules);
    const Omf51LibraryInfo info = ReadOmf51Library(bytes);
    if (!info.WellFormed()) Fail("a library just written reads as malformed: " + info.problems.front());
    Check(info.modules.size() == modules.size(), "the library lost or gained modules");
    for (std::size_t i = 0; i < modules.size(); ++i) {
        const Omf51ModuleInfo& read = info.modules[i];
        Check(read.name == modules[i].name && info.module_names[i] == modules[i].name, "a module name changed");
        Check(read.translator == modules[i].translator, "a translator byte changed");
        Check(read.register_mask == modules[i].register_mask, "a register mask changed");
        Check(read.segments == modules[i].segments, "the segments changed");
        Check(read.publics == modules[i].publics, "the publics changed");
    }
}

}  // namespace quillon::fuzz
