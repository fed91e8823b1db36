// The built store, loaded as the wizard loads it.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "LibraryPairTable.h"
#include "TestSupport.h"
#include "config/LibrarySelection.h"
#include "generator/LibraryExtraction.h"
#include "stacklib/Omf51.h"
#include "stacklib/StackComponents.h"
#include "io/FileIo.h"
#include "wizard/StoreBinding.h"

namespace quillon {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadBytes(const std::string& path) {
    Bytes out;
    if (auto error = ReadFileBytes(path, out)) ADD_FAILURE() << error->path << ": " << error->reason;
    return out;
}

std::string LibFile(const std::string& folder, const char* half, int number) {
    return folder + "/zs_stack_" + half + "_" + LibraryNameText(number) + ".lib";
}

Bytes BuiltLibrary(const char* half, int number) { return ReadBytes(LibFile(QUILLON_STORE_LIB_DIR, half, number)); }

struct Pair {
    int32_t result = -1;
    Bytes common;
    Bytes bank;
};

class Store : public ::testing::Test {
protected:
    void SetUp() override {
        store_.Load({QUILLON_STORE_PATH});
        ASSERT_TRUE(store_.Loaded()) << QUILLON_STORE_PATH;
        ASSERT_NE(store_.GetStackLib(), nullptr);
        ASSERT_NE(store_.GetLibrarySize(), nullptr);
    }

    // Sizes first, then two buffers of exactly those sizes, as the library extraction does.
    Pair Fetch(int32_t number) {
        uint32_t common_size = 0;
        uint32_t bank_size = 0;
        EXPECT_EQ(store_.GetLibrarySize()(number, &common_size, &bank_size), 0);
        Pair pair;
        pair.common.assign(common_size, 0);
        pair.bank.assign(bank_size, 0);
        pair.result = store_.GetStackLib()(pair.common.data(), pair.bank.data(), number);
        return pair;
    }

    StoreBinding store_;
};

TEST(LibraryPairs, FollowTheDataFileNumbering) {
    auto pair = [](int number) { return LibraryPairTable[number - 1]; };
    EXPECT_EQ(pair(1).common_file, 119);
    EXPECT_EQ(pair(1).bank_file, 179);
    EXPECT_EQ(pair(2).common_file, 120);
    EXPECT_EQ(pair(11).common_file, 153);  // 11 and 12 run backwards
    EXPECT_EQ(pair(12).common_file, 152);
    EXPECT_EQ(pair(13).common_file, 101);
    EXPECT_EQ(pair(37).common_file, 126);
    EXPECT_EQ(pair(37).bank_file, 215);
    EXPECT_EQ(pair(72).common_file, 178);
    EXPECT_EQ(pair(72).bank_file, 250);

    // Together the pairs use every data file from 101 to 250 once, except 137, 141 and 148-151.
    std::multiset<int> used;
    for (const LibraryPair& p : LibraryPairTable) {
        used.insert(p.common_file);
        used.insert(p.bank_file);
    }
    std::multiset<int> expected;
    for (int n = 101; n <= 250; ++n)
        if (n != 137 && n != 141 && (n < 148 || n > 151)) expected.insert(n);
    EXPECT_EQ(used, expected);
}

TEST_F(Store, IsFoundWhereTheWizardLooksBesideThePrograms) {
    const std::string path = QUILLON_STORE_PATH;
    const std::string vault = path.substr(0, path.rfind('/'));
    const std::string program_dir = vault.substr(0, vault.rfind('/'));
    StoreBinding wizard;
    wizard.Load(StoreBinding::DefaultCandidates(program_dir, "/nonexistent"));
    EXPECT_EQ(wizard.LoadedPath(), program_dir + "/Vaultkeep/stackvault.so");
    EXPECT_NE(wizard.GetLibrarySize(), nullptr);
}

TEST_F(Store, HandsOutEveryPairFromItsOwnFiles) {
    for (int number = 1; number <= kLibraryCount; ++number) {
        const Pair pair = Fetch(number);
        EXPECT_EQ(pair.result, 1) << number;
        EXPECT_TRUE(pair.common == BuiltLibrary("common", number)) << "common library " << number;
        EXPECT_TRUE(pair.bank == BuiltLibrary("bank", number)) << "bank library " << number;
    }
    // The neighbours whose data files swap places are not the same library.
    EXPECT_NE(Fetch(11).common, Fetch(12).common);
}

TEST_F(Store, NullBuffersCopyNothing) {
    Bytes common(300000, 0xAB);
    Bytes bank(200000, 0xAB);
    EXPECT_EQ(store_.GetStackLib()(common.data(), nullptr, 37), 0);
    EXPECT_EQ(store_.GetStackLib()(nullptr, bank.data(), 37), 0);
    EXPECT_EQ(store_.GetStackLib()(nullptr, nullptr, 37), 0);
    EXPECT_EQ(common, Bytes(300000, 0xAB));
    EXPECT_EQ(bank, Bytes(200000, 0xAB));
    // Size pointers may be null too; the other size is still written.
    uint32_t bank_size = 0;
    EXPECT_EQ(store_.GetLibrarySize()(37, nullptr, &bank_size), 0);
    EXPECT_EQ(bank_size, BuiltLibrary("bank", 37).size());
}

TEST_F(Store, SizesRepeatAndNumbersWithoutAPairGiveNothing) {
    uint32_t first[2] = {};
    uint32_t second[2] = {};
    store_.GetLibrarySize()(37, &first[0], &first[1]);
    store_.GetLibrarySize()(37, &second[0], &second[1]);
    EXPECT_EQ(first[0], second[0]);
    EXPECT_EQ(first[1], second[1]);
    EXPECT_GT(first[0], 0u);

    for (int32_t number : {0, 73, -1, INT32_MIN, INT32_MAX}) {
        uint32_t common_size = 12345;
        uint32_t bank_size = 12345;
        EXPECT_EQ(store_.GetLibrarySize()(number, &common_size, &bank_size), 0);
        EXPECT_EQ(common_size, 0u) << number;
        EXPECT_EQ(bank_size, 0u) << number;
        Bytes common(16, 0xAB);
        Bytes bank(16, 0xAB);
        EXPECT_EQ(store_.GetStackLib()(common.data(), bank.data(), number), 0) << number;
        EXPECT_EQ(common, Bytes(16, 0xAB));
        EXPECT_EQ(bank, Bytes(16, 0xAB));
    }
}

TEST_F(Store, EveryLibraryIsWellFormedAndHoldsTheComponentsOfItsOptionSet) {
    const StackComponentTable table = ParseStackComponents(test::ReadText(QUILLON_COMPONENTS_FILE));
    ASSERT_TRUE(table.errors.empty());
    for (const LibraryRow& row : LibraryTable()) {
        const Pair pair = Fetch(row.number);
        for (LibraryHalf half : {LibraryHalf::Common, LibraryHalf::Bank}) {
            const bool common = half == LibraryHalf::Common;
            const Bytes& bytes = common ? pair.common : pair.bank;
            const std::string what = std::string(common ? "common " : "bank ") + LibraryNameText(row.number);
            if (common) {
                EXPECT_GE(bytes.size(), 180276u) << what;
                EXPECT_LE(bytes.size(), 229417u) << what;
            } else {
                EXPECT_GE(bytes.size(), 23550u) << what;
                EXPECT_LE(bytes.size(), 188673u) << what;
            }
            const Omf51LibraryInfo info = ReadOmf51Library(bytes);
            ASSERT_TRUE(info.WellFormed()) << what << ": " << info.problems.front();
            if (!QUILLON_STORE_SAMPLES) continue;  // the real stack is laid out by its own build

            const auto expected = ComponentsOf(table.components, half, row.option_set);
            ASSERT_EQ(info.modules.size(), expected.size()) << what;
            for (std::size_t i = 0; i < expected.size(); ++i) {
                const Omf51ModuleInfo& module = info.modules[i];
                EXPECT_EQ(module.name, expected[i]->module) << what;
                std::vector<std::string> publics;
                for (const Omf51Public& p : module.publics) {
                    publics.push_back(p.name);
                    EXPECT_EQ(p.info, Omf51Type::Code) << what << " " << p.name;
                }
                EXPECT_EQ(publics, expected[i]->functions) << what << " " << module.name;
                ASSERT_EQ(module.segments.size(), 1u);
                EXPECT_EQ(module.segments[0].name, "?PR?" + module.name);
                EXPECT_EQ(module.segments[0].info & 7, Omf51Type::Code);
            }
        }
    }
}

TEST_F(Store, TellsTheSampleLibrariesFromTheRealStackByTheirMark) {
    EXPECT_EQ(store_.HoldsSampleLibraries(), QUILLON_STORE_SAMPLES != 0);
    EXPECT_EQ(StoreNotices(store_).size(), QUILLON_STORE_SAMPLES ? 1u : 0u);
    StoreBinding none;
    none.Load({"/nonexistent/stackvault.so"});
    EXPECT_FALSE(none.HoldsSampleLibraries());
    EXPECT_TRUE(StoreNotices(none).empty());
}

TEST_F(Store, SampleLibrariesGrowWithTheCodeSize) {
    if (!QUILLON_STORE_SAMPLES) GTEST_SKIP() << "built with the real stack libraries";
    std::vector<std::pair<uint32_t, uint32_t>> sizes(kLibraryCount + 1);
    for (int number = 1; number <= kLibraryCount; ++number)
        store_.GetLibrarySize()(number, &sizes[number].first, &sizes[number].second);
    for (const LibraryRow& a : LibraryTable()) {
        for (const LibraryRow& b : LibraryTable()) {
            if (a.size_kb >= b.size_kb) continue;
            EXPECT_LT(sizes[a.number].first, sizes[b.number].first) << a.number << " vs " << b.number;
            EXPECT_LT(sizes[a.number].second, sizes[b.number].second) << a.number << " vs " << b.number;
        }
    }
}

#ifdef QUILLON_SAMPLEGEN
TEST(SampleLibraries, AreTheSameBytesOnEveryRun) {
    test::TempDir dir;
    const std::string command = std::string("'") + QUILLON_SAMPLEGEN + "' '" + QUILLON_COMPONENTS_FILE + "' '" +
                                dir.Path() + "/libs'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (int number = 1; number <= kLibraryCount; ++number) {
        EXPECT_TRUE(ReadBytes(LibFile(dir.Path() + "/libs", "common", number)) == BuiltLibrary("common", number));
        EXPECT_TRUE(ReadBytes(LibFile(dir.Path() + "/libs", "bank", number)) == BuiltLibrary("bank", number));
    }
}
#endif

TEST(StoreSymbols, ExportsExactlyTheTwoEntryPoints) {
    const std::string command = std::string("'") + QUILLON_NM + "' -D --defined-only '" + QUILLON_STORE_PATH + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        const auto space = text.rfind(' ');
        names.insert(space == std::string::npos ? text : text.substr(space + 1));
    }
    ASSERT_EQ(::pclose(pipe), 0);
    EXPECT_EQ(names, (std::set<std::string>{"GetLibrarySize", "GetStackLib"}));
}

TEST_F(Store, DefaultProjectGetsPair37) {
    ConfigRecord record;  // the default option bits select library 37
    const LibraryExtraction result = ExtractLibraries(record, store_);
    EXPECT_TRUE(result.from_store);
    EXPECT_EQ(result.common_name, "zs_stack_common_037.lib");
    EXPECT_EQ(result.bank_name, "zs_stack_bank_037.lib");
    const Pair pair = Fetch(37);
    EXPECT_TRUE(result.common == pair.common);
    EXPECT_TRUE(result.bank == pair.bank);
    EXPECT_TRUE(pair.common == BuiltLibrary("common", 37));
}

TEST(StoreMissing, ProjectGetsTwoEmptyLibraries) {
    test::TempDir dir;
    StoreBinding none;
    none.Load({dir.File("Vaultkeep/stackvault.so")});
    ASSERT_FALSE(none.Loaded());
    ConfigRecord record;
    const LibraryExtraction result = ExtractLibraries(record, none);
    EXPECT_FALSE(result.from_store);
    EXPECT_EQ(result.common_name, "zs_stack_common_037.lib");
    EXPECT_TRUE(result.common.empty());
    EXPECT_TRUE(result.bank.empty());
}

}  // namespace
}  // namespace quillon
