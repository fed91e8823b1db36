#include <gtest/gtest.h>

#include "config/LibrarySelection.h"

using namespace quillon;
namespace B = OptionBit;

namespace {

int Pick(std::uint32_t bits) {
    ConfigRecord r;
    r.option_bits = bits;
    return SelectLibrary(r, false).number;
}

constexpr std::uint32_t kEth = 0x108039;  // Ethernet, IP, PING, ARP, virtual files, hardware

}  // namespace

TEST(LibraryTable, GroupsContainTheirBaseSets) {
    for (const auto& row : LibraryTable()) {
        const std::uint32_t base = row.number <= 12 ? 0xC801C : row.number <= 36 ? 0x8801A : 0x148039;
        EXPECT_EQ(row.option_set & base, base) << row.number;
        if (row.number >= 13 && row.number <= 36) {
            // Odd PPP rows have no PAP, even rows have PAP.
            EXPECT_EQ((row.option_set & B::NoPap) != 0, row.number % 2 == 1) << row.number;
            EXPECT_EQ((row.option_set & B::PAP) != 0, row.number % 2 == 0) << row.number;
        }
    }
    EXPECT_EQ(LibraryNameText(1), "001");
    EXPECT_EQ(LibraryNameText(72), "072");
}

TEST(SelectLibrary, DefaultRecordAndWidening) {
    ConfigRecord r;
    EXPECT_EQ(SelectLibrary(r, false).name, "037");
    EXPECT_EQ(r.option_bits, kDefaultOptionBits);
    const LibraryChoice c = SelectLibrary(r, true);
    EXPECT_EQ(c.number, 37);
    EXPECT_EQ(r.option_bits, 0x148079u);  // ARP, TCP and no-PAP added
}

TEST(SelectLibrary, FirstRowThatContainsEveryOption) {
    EXPECT_EQ(Pick(kEth | B::TCP | B::UDP), 46);
    EXPECT_EQ(Pick(kEth | B::UDP | B::DHCP), 61);
    EXPECT_EQ(Pick(kEth | B::TCP | B::UDP | B::DHCP), 62);
    EXPECT_EQ(Pick(kEth | B::TCP | B::UDP | B::DHCP | B::FTP | B::HTTP), 68);
    EXPECT_EQ(Pick(kEth | B::UDP | B::BOOTP), 49);
}

TEST(SelectLibrary, FallbackRows) {
    // BOOTP with DHCP fits no Ethernet row; widening then drops BOOTP.
    ConfigRecord r;
    r.option_bits = kEth | B::UDP | B::BOOTP | B::DHCP;
    EXPECT_EQ(SelectLibrary(r, true).number, 72);
    EXPECT_EQ(r.option_bits & B::BOOTP, 0u);
    EXPECT_EQ(r.option_bits, 0x14BEF9u);

    // SLIP with TCP, UDP and FTP: the SLIP fallback.
    EXPECT_EQ(Pick(0xC801C | B::TCP | B::UDP | B::FTP), 12);
    // PAP and no-PAP together fit no PPP row.
    EXPECT_EQ(Pick(0x8801A | B::TCP | B::PAP | B::NoPap), 36);
}

TEST(SelectLibrary, PppRowsFollowPap) {
    EXPECT_EQ(Pick(0x8801A | B::TCP | B::PAP), 14);
    EXPECT_EQ(Pick(0x8801A | B::TCP | B::NoPap), 13);
    EXPECT_EQ(Pick(0x8801A | B::UDP | B::TFTP | B::PAP), 22);
    // A modem record with neither PPP nor SLIP is matched against the PPP group.
    EXPECT_EQ(Pick(B::Modem | B::IP | B::PING | B::VirtualFiles | B::UDP), 15);
}

TEST(SelectLibrary, CustomDeviceBitsArePutAside) {
    ConfigRecord r;
    r.option_bits = kEth | B::TCP | B::CustomDevice | B::PolledMode;
    EXPECT_EQ(SelectLibrary(r, true).number, 37);
    EXPECT_EQ(r.option_bits, 0x178079u);

    // Without the polled bit the interrupt bit is put aside, so it comes back set.
    r.option_bits = kEth | B::TCP | B::CustomDevice;
    EXPECT_EQ(SelectLibrary(r, false).number, 37);
    EXPECT_EQ(r.option_bits, kEth | B::TCP | B::CustomDevice | B::InterruptMode);

    // Without Ethernet nothing is put aside and no row contains the custom bits.
    r.option_bits = 0xC801C | B::TCP | B::CustomDevice;
    EXPECT_EQ(SelectLibrary(r, false).number, 12);
}

TEST(EstimateCodeSize, LibrarySizeWithExtras) {
    ConfigRecord r;
    CodeSize s = EstimateCodeSize(r);
    EXPECT_EQ(s.used_kb, 23);
    EXPECT_EQ(s.free_kb, 105);
    r.locatra_enabled = 1;
    r.device_bits |= DeviceBit::Dns;
    s = EstimateCodeSize(r);
    EXPECT_EQ(s.used_kb, 27);
    EXPECT_EQ(s.free_kb, 101);
    EXPECT_EQ(r.option_bits, kDefaultOptionBits);  // estimating never widens
}
