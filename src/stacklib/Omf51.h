// OMF-51 object libraries: the file format of the precompiled stack libraries that the library
// store hands out and that generated projects link.
//
// The writer builds a relocatable library (library header, the modules, module names, module
// locations, dictionary) with correct checksums. The reader walks a library record by record,
// checks every checksum and cross-reference, and reports what it finds malformed instead of
// giving up, so that a damaged file can still be inspected.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillon {

namespace Omf51Record {
inline constexpr std::uint8_t ModuleHeader = 0x02;
inline constexpr std::uint8_t ModuleEnd = 0x04;
inline constexpr std::uint8_t Content = 0x06;
inline constexpr std::uint8_t Fixup = 0x08;
inline constexpr std::uint8_t SegmentDefinitions = 0x0E;
inline constexpr std::uint8_t PublicDefinitions = 0x16;
inline constexpr std::uint8_t ExternalDefinitions = 0x18;
inline constexpr std::uint8_t LibraryModuleLocations = 0x26;
inline constexpr std::uint8_t LibraryModuleNames = 0x28;
inline constexpr std::uint8_t LibraryDictionary = 0x2A;
inline constexpr std::uint8_t LibraryHeader = 0x2C;
}  // namespace Omf51Record

// Segment and symbol types (the low three bits of SEG INFO and SYM INFO).
namespace Omf51Type {
inline constexpr std::uint8_t Code = 0;
inline constexpr std::uint8_t Xdata = 1;
inline constexpr std::uint8_t Data = 2;
inline constexpr std::uint8_t Idata = 3;
inline constexpr std::uint8_t Bit = 4;
inline constexpr std::uint8_t Number = 5;
}  // namespace Omf51Type

inline constexpr std::uint8_t kOmf51RelocUnit = 1;    // byte-aligned relocatable segment
inline constexpr std::uint8_t kOmf51TranslatorAsm = 0xFD;
inline constexpr std::size_t kOmf51BlockSize = 128;   // block/byte pointers count in 128-byte blocks
// Definition records are split so that no record grows past this many bytes; linkers of the
// family are known to cope with records of this size.
inline constexpr std::size_t kOmf51MaxRecordBytes = 1024;

struct Omf51Segment {
    std::uint8_t id = 1;
    std::uint8_t info = Omf51Type::Code;
    std::uint8_t rel_type = kOmf51RelocUnit;
    std::uint16_t base = 0;
    std::uint16_t size = 0;
    std::string name;

    friend bool operator==(const Omf51Segment&, const Omf51Segment&) = default;
};

struct Omf51Public {
    std::uint8_t segment_id = 1;
    std::uint8_t info = Omf51Type::Code;  // a plain code procedure
    std::uint16_t offset = 0;
    std::string name;

    friend bool operator==(const Omf51Public&, const Omf51Public&) = default;
};

// One Content record: `data` placed at `offset` of segment `segment_id`.
struct Omf51Content {
    std::uint8_t segment_id = 1;
    std::uint16_t offset = 0;
    std::vector<std::uint8_t> data;
};

struct Omf51Module {
    std::string name;
    std::uint8_t translator = kOmf51TranslatorAsm;
    std::uint8_t register_mask = 0x01;  // uses register bank 0
    std::vector<Omf51Segment> segments;
    std::vector<Omf51Public> publics;
    std::vector<Omf51Content> contents;  // written in this order, one record each
};

// Thrown by the writer when the modules cannot be expressed in the format (a name longer than
// 255 bytes, a record longer than 64 KiB, more than 65535 modules).
class Omf51Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The bytes of a library holding `modules` in the given order.
std::vector<std::uint8_t> WriteOmf51Library(const std::vector<Omf51Module>& modules);

// Appends one record (type, little-endian length, contents, checksum) to `out`.
void AppendOmf51Record(std::vector<std::uint8_t>& out, std::uint8_t type, std::span<const std::uint8_t> contents);

// What the reader found in one module.
struct Omf51ModuleInfo {
    std::string name;
    std::size_t offset = 0;  // of its Module Header record
    std::size_t size = 0;    // bytes from its Module Header to the end of its Module End
    std::uint8_t translator = 0;
    std::uint8_t register_mask = 0;
    std::vector<Omf51Segment> segments;
    std::vector<Omf51Public> publics;
    std::size_t content_bytes = 0;  // data bytes of all its Content records
};

struct Omf51LibraryInfo {
    std::size_t file_size = 0;
    std::uint16_t module_count = 0;   // as the library header says
    std::size_t names_offset = 0;     // where the header says the module names start
    std::vector<std::string> module_names;
    std::vector<std::size_t> module_locations;
    std::vector<std::vector<std::string>> dictionary;  // public names, one group per module
    std::vector<Omf51ModuleInfo> modules;              // in file order
    // Everything malformed, each with the file offset it concerns. A checksum byte of 0 is
    // accepted silently, as many tools write it.
    std::vector<std::string> problems;

    bool WellFormed() const { return problems.empty(); }
};

// Reads a library; never throws on bad input and never reads outside `bytes`.
Omf51LibraryInfo ReadOmf51Library(std::span<const std::uint8_t> bytes);

}  // namespace quillon
