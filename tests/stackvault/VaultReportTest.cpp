#include "cli/VaultReport.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include <cstdio>

namespace quillon {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

class VaultReport : public ::testing::Test {
protected:
    void SetUp() override {
        store_.Load({QUILLON_STORE_PATH});
        ASSERT_TRUE(store_.Loaded());
    }
    StoreBinding store_;
    std::ostringstream out_;
    std::ostringstream err_;
};

TEST_F(VaultReport, ListsThe72PairsWithTheStoresSizes) {
    ASSERT_EQ(PrintVaultList(store_, out_, err_), 0);
    EXPECT_EQ(err_.str(), "");
    const auto lines = Lines(out_.str());
    ASSERT_EQ(lines.size(), 73u);
    EXPECT_EQ(lines[0], "library  common bytes  bank bytes");
    uint32_t common = 0;
    uint32_t bank = 0;
    store_.GetLibrarySize()(37, &common, &bank);
    char expected[80];
    std::snprintf(expected, sizeof expected, "37 037  %12u  %10u", common, bank);
    EXPECT_EQ(lines[37], expected);
    EXPECT_EQ(lines[1].substr(0, 7), " 1 001 ");
    EXPECT_EQ(lines[72].substr(0, 7), "72 072 ");
}

TEST_F(VaultReport, ShowsTheModulesAndPublicsOfBothHalves) {
    ASSERT_EQ(PrintVaultShow(store_, "037", out_, err_), 0) << err_.str();
    const std::string text = out_.str();
    EXPECT_EQ(Lines(text)[0], "library 037: option set 0x148079, 23 KB of code");
    uint32_t common = 0;
    uint32_t bank = 0;
    store_.GetLibrarySize()(37, &common, &bank);
    EXPECT_NE(text.find("\ncommon: zs_stack_common_037.lib, " + std::to_string(common) + " bytes"), std::string::npos);
    EXPECT_NE(text.find("\nbank: zs_stack_bank_037.lib, " + std::to_string(bank) + " bytes"), std::string::npos);
    EXPECT_EQ(text.find("problem"), std::string::npos);
    if (QUILLON_STORE_SAMPLES) {
        EXPECT_NE(text.find(", 6 modules\n  ZS_CORE ("), std::string::npos);
        EXPECT_NE(text.find("bytes of code): tcp_open_socket tcp_listen tcp_connect tcp_send tcp_receive tcp_close "
                            "tcp_process_packet\n"),
                  std::string::npos);
        EXPECT_LT(text.find("ZS_ETHDRV"), text.find("\nbank: "));
        EXPECT_GT(text.find("ZS_ICMP"), text.find("\nbank: "));
    }
    std::ostringstream plain;
    PrintVaultShow(store_, "37", plain, err_);
    EXPECT_EQ(plain.str(), text);
}

TEST_F(VaultReport, RefusesNumbersWithoutAPair) {
    for (const char* bad : {"0", "73", "-1", "", "3x", "abc", "999999999999"}) {
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(PrintVaultShow(store_, bad, out, err), 1) << bad;
        EXPECT_EQ(out.str(), "");
        EXPECT_NE(err.str().find("bad library number \"" + std::string(bad) + "\": give a number from 1 to 72"),
                  std::string::npos)
            << err.str();
    }
}

TEST(VaultReportWithoutStore, SaysTheStoreIsNotInstalled) {
    StoreBinding none;
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(PrintVaultList(none, out, err), 1);
    EXPECT_EQ(PrintVaultShow(none, "37", out, err), 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("the library store is not installed"), std::string::npos);
}

}  // namespace
}  // namespace quillon
