#include "stacklib/Omf51.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace quillon {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The one-module library of the format's worked example: ZS_TCP with three RET bytes and the
// public tcp_open.
Omf51Module ExampleModule() {
    Omf51Module m;
    m.name = "ZS_TCP";
    m.segments.push_back({1, Omf51Type::Code, kOmf51RelocUnit, 0, 3, "?PR?ZS_TCP"});
    m.publics.push_back({1, Omf51Type::Code, 0, "tcp_open"});
    m.contents.push_back({1, 0, {0x22, 0x22, 0x22}});
    return m;
}

const Bytes kExample = {
    0x2C, 0x07, 0x00, 0x01, 0x00, 0x00, 0x00, 0x59, 0x00, 0x73,                                // library header
    0x02, 0x0A, 0x00, 0x06, 0x5A, 0x53, 0x5F, 0x54, 0x43, 0x50, 0xFD, 0x00, 0xFE,              // module header
    0x0E, 0x14, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x03, 0x00, 0x0A, 0x3F, 0x50, 0x52,  // segments
    0x3F, 0x5A, 0x53, 0x5F, 0x54, 0x43, 0x50, 0xBC,                                            //
    0x16, 0x0F, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x08, 0x74, 0x63, 0x70, 0x5F, 0x6F, 0x70,  // publics
    0x65, 0x6E, 0x7A,                                                                          //
    0x06, 0x07, 0x00, 0x01, 0x00, 0x00, 0x22, 0x22, 0x22, 0x8C,                                // content
    0x04, 0x0C, 0x00, 0x06, 0x5A, 0x53, 0x5F, 0x54, 0x43, 0x50, 0x00, 0x00, 0x01, 0x00, 0xF6,  // module end
    0x28, 0x08, 0x00, 0x06, 0x5A, 0x53, 0x5F, 0x54, 0x43, 0x50, 0xD7,                          // module names
    0x26, 0x05, 0x00, 0x00, 0x00, 0x0A, 0x00, 0xCB,                                            // locations
    0x2A, 0x0B, 0x00, 0x08, 0x74, 0x63, 0x70, 0x5F, 0x6F, 0x70, 0x65, 0x6E, 0x00, 0x6B,        // dictionary
};

// Offsets of the checksum bytes of the example's nine records.
const std::set<std::size_t> kExampleChecksums = {9, 22, 45, 63, 73, 88, 99, 107, 121};

bool Mentions(const Omf51LibraryInfo& info, const std::string& text) {
    return std::any_of(info.problems.begin(), info.problems.end(),
                       [&](const std::string& p) { return p.find(text) != std::string::npos; });
}

// Walks a file record by record without the reader: every record must sum to 0, and every
// record of a module must stay within `max_size` bytes (the directory records at the end hold
// one entry per module or public and grow with the library).
void ExpectRecordsSound(const Bytes& bytes, std::size_t max_size) {
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        ASSERT_LE(offset + 3, bytes.size());
        const std::size_t size = 3u + (bytes[offset + 1] | (bytes[offset + 2] << 8));
        ASSERT_LE(offset + size, bytes.size()) << "record at " << offset;
        unsigned sum = 0;
        for (std::size_t i = offset; i < offset + size; ++i) sum += bytes[i];
        EXPECT_EQ(sum & 0xFF, 0u) << "record at " << offset;
        if (bytes[offset] < Omf51Record::LibraryModuleLocations) {
            EXPECT_LE(size, max_size) << "record of type " << int(bytes[offset]) << " at " << offset;
        }
        offset += size;
    }
}

TEST(Omf51, WritesTheWorkedExampleByteForByte) {
    EXPECT_EQ(WriteOmf51Library({ExampleModule()}), kExample);
}

TEST(Omf51, ReadsTheWorkedExample) {
    const Omf51LibraryInfo info = ReadOmf51Library(kExample);
    EXPECT_TRUE(info.WellFormed()) << info.problems.front();
    EXPECT_EQ(info.file_size, 122u);
    EXPECT_EQ(info.module_count, 1);
    EXPECT_EQ(info.names_offset, 89u);
    EXPECT_EQ(info.module_names, std::vector<std::string>{"ZS_TCP"});
    EXPECT_EQ(info.module_locations, std::vector<std::size_t>{10});
    ASSERT_EQ(info.dictionary.size(), 1u);
    EXPECT_EQ(info.dictionary[0], std::vector<std::string>{"tcp_open"});
    ASSERT_EQ(info.modules.size(), 1u);
    const Omf51ModuleInfo& m = info.modules[0];
    EXPECT_EQ(m.name, "ZS_TCP");
    EXPECT_EQ(m.offset, 10u);
    EXPECT_EQ(m.size, 79u);
    EXPECT_EQ(m.translator, 0xFD);
    EXPECT_EQ(m.register_mask, 0x01);
    EXPECT_EQ(m.segments, ExampleModule().segments);
    EXPECT_EQ(m.publics, ExampleModule().publics);
    EXPECT_EQ(m.content_bytes, 3u);
}

TEST(Omf51, RoundTripsSeveralModulesAndSplitsLongRecords) {
    std::vector<Omf51Module> modules;
    modules.push_back(ExampleModule());

    Omf51Module big;  // enough publics to need several Public Definitions records
    big.name = "ZS_MANY";
    big.register_mask = 0x03;
    big.segments.push_back({1, Omf51Type::Code, kOmf51RelocUnit, 0, 4000, "?PR?ZS_MANY"});
    big.segments.push_back({2, Omf51Type::Xdata, kOmf51RelocUnit, 0, 16, "?XD?ZS_MANY"});
    for (int i = 0; i < 120; ++i)
        big.publics.push_back({1, Omf51Type::Code, static_cast<std::uint16_t>(i * 30), "function_number_" + std::to_string(i)});
    big.publics.push_back({2, 0x41, 4, "a_variable"});  // XDATA variable
    for (int r = 0; r < 4; ++r) big.contents.push_back({1, static_cast<std::uint16_t>(r * 1000), Bytes(1000, 0x22)});
    modules.push_back(big);

    Omf51Module quiet;  // no publics: its dictionary group is just the closing 00
    quiet.name = "ZS_QUIET";
    quiet.segments.push_back({1, Omf51Type::Code, kOmf51RelocUnit, 0, 1, "?PR?ZS_QUIET"});
    quiet.contents.push_back({1, 0, {0x22}});
    modules.push_back(quiet);

    const Bytes bytes = WriteOmf51Library(modules);
    ExpectRecordsSound(bytes, kOmf51MaxRecordBytes);

    const Omf51LibraryInfo info = ReadOmf51Library(bytes);
    ASSERT_TRUE(info.WellFormed()) << info.problems.front();
    ASSERT_EQ(info.modules.size(), 3u);
    EXPECT_EQ(info.module_names, (std::vector<std::string>{"ZS_TCP", "ZS_MANY", "ZS_QUIET"}));
    for (std::size_t i = 0; i < modules.size(); ++i) {
        EXPECT_EQ(info.modules[i].name, modules[i].name);
        EXPECT_EQ(info.modules[i].segments, modules[i].segments);
        EXPECT_EQ(info.modules[i].publics, modules[i].publics);
        EXPECT_EQ(info.modules[i].register_mask, modules[i].register_mask);
    }
    EXPECT_EQ(info.modules[1].content_bytes, 4000u);
    EXPECT_TRUE(info.dictionary[2].empty());
    // Modules lie back to back, and the names follow the last one.
    EXPECT_EQ(info.modules[1].offset, info.modules[0].offset + info.modules[0].size);
    EXPECT_EQ(info.names_offset, info.modules[2].offset + info.modules[2].size);
    // Past the first 128 bytes the pointers use the block number.
    EXPECT_GT(info.names_offset, 128u * 40);
}

TEST(Omf51, WriterRefusesWhatTheFormatCannotHold) {
    Omf51Module m = ExampleModule();
    m.publics[0].name = std::string(256, 'X');
    EXPECT_THROW(WriteOmf51Library({m}), Omf51Error);
    m.publics[0].name.clear();  // a nameless public would close its dictionary group early
    EXPECT_THROW(WriteOmf51Library({m}), Omf51Error);
    m = ExampleModule();
    m.contents[0].data.assign(70000, 0x22);
    EXPECT_THROW(WriteOmf51Library({m}), Omf51Error);
}

TEST(Omf51, EveryChangedByteIsNoticedUnlessItZeroesAChecksum) {
    for (std::size_t at = 0; at < kExample.size(); ++at) {
        for (std::uint8_t flip : {0x01, 0x80, 0xFF}) {
            Bytes bytes = kExample;
            bytes[at] ^= flip;
            const Omf51LibraryInfo info = ReadOmf51Library(bytes);
            const bool zeroed_checksum = kExampleChecksums.count(at) && bytes[at] == 0;
            EXPECT_EQ(info.WellFormed(), zeroed_checksum) << "byte " << at << " xor " << int(flip);
        }
    }
}

TEST(Omf51, BadChecksumIsReportedButTheModuleIsStillRead) {
    Bytes bytes = kExample;
    bytes[70] = 0x00;  // the first code byte of the Content record
    const Omf51LibraryInfo info = ReadOmf51Library(bytes);
    EXPECT_TRUE(Mentions(info, "at byte 64: bad checksum in record of type 06H"));
    ASSERT_EQ(info.modules.size(), 1u);
    EXPECT_EQ(info.modules[0].publics.size(), 1u);
    EXPECT_EQ(info.problems.size(), 1u);
}

TEST(Omf51, ZeroChecksumIsAcceptedAndTrailingPaddingIgnored) {
    Bytes bytes = kExample;
    bytes[22] = 0x00;  // the module header's checksum, as tools that skip checksums write it
    bytes.resize(128, 0x00);
    EXPECT_TRUE(ReadOmf51Library(bytes).WellFormed());
}

TEST(Omf51, EveryTruncationIsReportedWithoutReadingPastTheEnd) {
    for (std::size_t size = 0; size < kExample.size(); ++size) {
        const Bytes cut(kExample.begin(), kExample.begin() + static_cast<std::ptrdiff_t>(size));
        // Reading from the heap copy lets a sanitizer build catch any read past the end.
        const Omf51LibraryInfo info = ReadOmf51Library(cut);
        EXPECT_FALSE(info.WellFormed()) << "cut to " << size;
    }
    const Bytes cut(kExample.begin(), kExample.begin() + 70);
    EXPECT_TRUE(Mentions(ReadOmf51Library(cut), "past the end of the file"));
    const Bytes inside(kExample.begin(), kExample.begin() + 100);
    EXPECT_TRUE(Mentions(ReadOmf51Library(inside), "at byte 100: record expected, but the file ends"));
}

TEST(Omf51, NamesPointerPastTheEndStillFindsTheModules) {
    Bytes bytes = kExample;
    bytes[5] = 0x40;  // block 0x40: byte 8281, far past the end
    bytes[9] = static_cast<std::uint8_t>(bytes[9] - 0x40);
    const Omf51LibraryInfo info = ReadOmf51Library(bytes);
    EXPECT_TRUE(Mentions(info, "module names pointer 8281 is past the end of the file (122 bytes)"));
    ASSERT_EQ(info.modules.size(), 1u);
    EXPECT_EQ(info.modules[0].name, "ZS_TCP");
    EXPECT_EQ(info.module_names, std::vector<std::string>{"ZS_TCP"});
    EXPECT_EQ(info.dictionary.size(), 1u);
}

TEST(Omf51, InconsistentDirectoryIsReported) {
    // Rewrites a record's checksum after a deliberate change, so only the change is reported.
    auto reseal = [](Bytes& b, std::size_t start, std::size_t end) {
        unsigned sum = 0;
        for (std::size_t i = start; i < end - 1; ++i) sum += b[i];
        b[end - 1] = static_cast<std::uint8_t>((0x100 - (sum & 0xFF)) & 0xFF);
    };
    Bytes count = kExample;
    count[3] = 2;
    reseal(count, 0, 10);
    EXPECT_TRUE(Mentions(ReadOmf51Library(count), "module counts disagree: header 2, names 1"));

    Bytes location = kExample;
    location[105] = 0x0B;
    reseal(location, 100, 108);
    EXPECT_TRUE(Mentions(ReadOmf51Library(location), "module ZS_TCP is located at byte 11"));

    Bytes dictionary = kExample;
    dictionary[112] = 'X';
    reseal(dictionary, 108, 122);
    EXPECT_TRUE(Mentions(ReadOmf51Library(dictionary), "does not list the publics of module ZS_TCP"));

    Bytes end_name = kExample;
    end_name[81] = 'X';
    reseal(end_name, 74, 89);
    EXPECT_TRUE(Mentions(ReadOmf51Library(end_name), "module ZS_TCP ends with the name ZS_XCP"));
}

TEST(Omf51, NonLibrariesAreRefused) {
    EXPECT_TRUE(Mentions(ReadOmf51Library(Bytes{}), "no library header"));
    const std::string text = "#include <stdio.h>\n";
    EXPECT_TRUE(Mentions(ReadOmf51Library(Bytes(text.begin(), text.end())), "no library header"));
    // A lone module without the library framing is an object file, not a library.
    const Bytes object(kExample.begin() + 10, kExample.begin() + 89);
    EXPECT_FALSE(ReadOmf51Library(object).WellFormed());
}

}  // namespace
}  // namespace quillon
