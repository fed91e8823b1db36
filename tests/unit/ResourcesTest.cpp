#include <gtest/gtest.h>

#include <string>

#include "quillon_testdata.h"
#include "resources/Resources.h"

using namespace quillon;

namespace {

std::string Embedded(int number) {
    size_t size = 0;
    const unsigned char* data = quillon_testdata_lookup(number, &size);
    return data ? std::string(reinterpret_cast<const char*>(data), size) : std::string("<none>");
}

}  // namespace

TEST(Embedding, TemplateMarkersBecomeSingleBytes) {
    EXPECT_EQ(Embedded(1), std::string("A\xA2" "B\xA3" "C\xA4" "D\xA5" "E \xC2\xA9\n"));
}

TEST(Embedding, OtherFilesStayByteForByte) {
    EXPECT_EQ(Embedded(2), std::string("A\xC2\xA2" "B\x00\xFF", 6));
}

TEST(Embedding, UnknownNumberYieldsNoBytes) {
    size_t size = 123;
    EXPECT_EQ(quillon_testdata_lookup(3, &size), nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_TRUE(DataFile(9999).empty());
    EXPECT_TRUE(StringFragment(9999).empty());
}

TEST(Embedding, WizardDataIsReachable) {
    const auto bat = DataFile(165);
    EXPECT_EQ(std::string(bat.begin(), bat.end()), "pagebake.exe index.html");
    EXPECT_EQ(StringFragment(101), "&About Quillon...");
}
