#include <gtest/gtest.h>

#include <random>

#include "generator/ProjectRecord.h"

using namespace quillon;

namespace {

Bytes Text(std::string_view s) { return Bytes(s.begin(), s.end()); }

}  // namespace

TEST(ProjectRecord, AnyRecordReadsBackAsWritten) {
    std::mt19937 random(11);
    for (int round = 0; round < 200; ++round) {
        ProjectRecord record;
        const int files = static_cast<int>(random() % 6);
        for (int f = 0; f < files; ++f) {
            Bytes content(random() % 300);
            // Any byte at all, line feeds and the header's own words included.
            for (auto& b : content) b = static_cast<std::uint8_t>(random() % 3 == 0 ? '\n' : random());
            const std::string path = (f % 2 ? "VFILE_DIR/" : "") + std::string("file ") + std::to_string(f) + ".c";
            record[path] = EntryFor(random() % 3 == 0 ? FileKind::Binary : FileKind::Text, content);
        }
        EXPECT_EQ(ParseProjectRecord(SerializeProjectRecord(record)), record) << "round " << round;
    }
}

TEST(ProjectRecord, DamageLeavesOutOnlyWhatIsDamaged) {
    ProjectRecord record;
    record["a.c"] = EntryFor(FileKind::Text, Text("int a;\n"));
    record["b.lib"] = EntryFor(FileKind::Binary, Text("\x01\x02"));
    record["c.h"] = EntryFor(FileKind::Text, Text("#define C 1\n"));
    const Bytes good = SerializeProjectRecord(record);
    std::string text(good.begin(), good.end());

    // A changed byte inside a text: that file has no base any more, the others keep theirs.
    std::string changed = text;
    changed[changed.find("int a;")] = 'l';
    ProjectRecord read = ParseProjectRecord(Text(changed));
    EXPECT_FALSE(read.count("a.c"));
    EXPECT_EQ(read.at("b.lib"), record.at("b.lib"));
    EXPECT_EQ(read.at("c.h"), record.at("c.h"));

    // Cut short: what is whole stays.
    read = ParseProjectRecord(Text(text.substr(0, text.find("#define C"))));
    EXPECT_EQ(read.size(), 2u);
    EXPECT_FALSE(read.count("c.h"));

    // Not a record at all, or paths that would leave the folder.
    EXPECT_TRUE(ParseProjectRecord(Text("something else\n" + text)).empty());
    for (const char* path : {"../x.c", "/etc/passwd", "a//b", "a/./b", "dir/"}) {
        std::string bad = text;
        bad.replace(bad.find(" a.c\n"), 5, std::string(" ") + path + "\n");
        EXPECT_FALSE(ParseProjectRecord(Text(bad)).count(path)) << path;
    }
}
