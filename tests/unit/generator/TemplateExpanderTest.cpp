#include <gtest/gtest.h>

#include <random>

#include "GeneratorTestSupport.h"
#include "TestSupport.h"
#include "generator/TemplateExpander.h"

using namespace quillon;
using quillon::test::AsText;
using quillon::test::Template;

namespace {

ConfigRecord WithOptions(std::uint32_t option_bits, std::uint32_t device_bits = 0) {
    ConfigRecord r;
    r.option_bits = option_bits;
    r.device_bits = device_bits;
    return r;
}

std::string Expand(const ConfigRecord& r, std::string_view text) { return AsText(ExpandTemplateBytes(r, Template(text))); }

constexpr std::uint32_t Bit(int n) { return 1u << n; }

}  // namespace

TEST(ExpandTemplate, OptionSectionWithFailingConditionVanishesWithItsMarkers) {
    const ConfigRecord smtp_off = WithOptions(OptionBit::Ethernet);
    EXPECT_EQ(Expand(smtp_off, "£12&#define SMTP ¤27\r\n£"), "");
    EXPECT_EQ(Expand(WithOptions(OptionBit::SMTP), "£12&#define SMTP ¤27\r\n£"), "#define SMTP 512\r\n");
}

TEST(ExpandTemplate, AnyOfListHoldsForEitherBit) {
    const char* text = "a£01,02|X£b";
    EXPECT_EQ(Expand(WithOptions(OptionBit::PPP), text), "aXb");
    EXPECT_EQ(Expand(WithOptions(OptionBit::SLIP), text), "aXb");
    EXPECT_EQ(Expand(WithOptions(OptionBit::Ethernet), text), "ab");
}

TEST(ExpandTemplate, AlternativeBitWritesTheSectionOnItsOwn) {
    const char* text = "£01,18&|02X£";
    EXPECT_EQ(Expand(WithOptions(OptionBit::PPP | OptionBit::NoPap), text), "X");
    EXPECT_EQ(Expand(WithOptions(OptionBit::SLIP), text), "X");
    EXPECT_EQ(Expand(WithOptions(OptionBit::SLIP | OptionBit::NoPap), text), "X");
    EXPECT_EQ(Expand(WithOptions(OptionBit::PPP), text), "");
}

TEST(ExpandTemplate, DeviceSectionNeedsEveryListedDeviceBit) {
    const char* text = "¢01,08&BASE ¤01¢";
    EXPECT_EQ(Expand(WithOptions(0, DeviceBit::Lanvik | DeviceBit::Vardex), text), "BASE 3");
    EXPECT_EQ(Expand(WithOptions(0, DeviceBit::Lanvik | DeviceBit::Pelmar), text), "");
    EXPECT_EQ(Expand(WithOptions(0, DeviceBit::Vardex), text), "");
    // Device sections test device bits only.
    EXPECT_EQ(Expand(WithOptions(Bit(1) | Bit(8), 0), text), "");
}

TEST(ExpandTemplate, ParameterMarkersOutsideAndInsideSections) {
    ConfigRecord r = WithOptions(OptionBit::TCP);
    r.num_sockets = 7;
    r.tcp_window = 1024;
    EXPECT_EQ(Expand(r, "n=¤01;£06&w=¤23;£"), "n=7;w=1024;");
    // A marker cut short by the end of the template still renders what is there.
    EXPECT_EQ(Expand(r, "n=¤1"), "n=7");
}

TEST(ExpandTemplate, SubsectionsFollowTheirBitAndCopyMarkersUnchanged) {
    const char* text = "£09&a¥22&b¤01¥c£";
    EXPECT_EQ(Expand(WithOptions(OptionBit::DHCP), text), "ac");
    EXPECT_EQ(Expand(WithOptions(OptionBit::DHCP | OptionBit::LocatraMain), text), "ab\xA4" "01c");
    EXPECT_EQ(Expand(WithOptions(OptionBit::LocatraMain), text), "");
    // The byte after the subsection's digits is skipped whatever it is.
    EXPECT_EQ(Expand(WithOptions(OptionBit::DHCP | OptionBit::LocatraMain), "£09&¥22Xb¥£"), "b");
}

TEST(ExpandTemplate, SubsectionInSectionWithAlternativeBitNeedsThatBitToo) {
    // Bit 5 in a section "PPP, or else SLIP". Once a subsection was met, the alternative (SLIP)
    // path needs the subsection's bit as well for the rest of the section.
    const char* text = "£01&|02a¥05&b¥c£";
    EXPECT_EQ(Expand(WithOptions(OptionBit::PPP | OptionBit::ARP), text), "ac");
    EXPECT_EQ(Expand(WithOptions(OptionBit::PPP | OptionBit::SLIP | OptionBit::ARP), text), "abc");
    EXPECT_EQ(Expand(WithOptions(OptionBit::SLIP | OptionBit::ARP), text), "abc");
    EXPECT_EQ(Expand(WithOptions(OptionBit::SLIP), text), "a");
}

TEST(ExpandTemplate, UnterminatedAndEmptySections) {
    EXPECT_EQ(Expand(WithOptions(OptionBit::PING), "x£04&to the end"), "xto the end");
    EXPECT_EQ(Expand(WithOptions(0), "x£04&to the end"), "x");
    EXPECT_EQ(Expand(WithOptions(0, DeviceBit::Zintor), "¢10&open"), "open");
    EXPECT_EQ(Expand(WithOptions(OptionBit::DHCP), "£09&a¥09&open subsection"), "aopen subsection");
    EXPECT_EQ(Expand(WithOptions(OptionBit::PING), "a£04&£b"), "ab");
    EXPECT_EQ(Expand(WithOptions(OptionBit::PING), "header cut£0"), "header cut");
}

TEST(ExpandTemplate, BitNumbersWrapAtThirtyTwo) {
    EXPECT_EQ(Expand(WithOptions(OptionBit::PPP), "£33&X£"), "X");
}

TEST(ExpandTemplate, LineBreakRunsAreCutToFourBytes) {
    const std::string six = "\r\n\r\n\r\n\r\n\r\n\r\n";
    EXPECT_EQ(Expand(WithOptions(0), "a" + six + "b"), "a\r\n\r\nb");
    EXPECT_EQ(Expand(WithOptions(0), "a\r\n"), "a\r\n");
    // A dropped section leaves at most one empty line between its neighbours.
    EXPECT_EQ(Expand(WithOptions(0), "a\r\n\r\n£12&smtp\r\n£\r\n\r\nb\r\n"), "a\r\n\r\nb\r\n");
    EXPECT_EQ(AsText(CompactLineBreaks(Template("\n\n\n\n\n\nx\n"))), "\n\n\n\nx\n");
}

TEST(ExpandTemplate, ArbitraryBytesNeverReadPastTheEnd) {
    std::mt19937 random(7);
    const ConfigRecord r = WithOptions(0xFFFFFFFFu, 0xFFFFFFFFu);
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::uint8_t> bytes(random() % 24);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(0xA0 + random() % 8);
        const auto out = ExpandTemplateBytes(r, bytes);
        EXPECT_LE(out.size(), bytes.size() * 40 + 40);
    }
}

TEST(ExpandWorkspace, PlaceholdersAndLoneMarkers) {
    const auto expand = [](std::string_view text) {
        return AsText(ExpandWorkspaceBytes(Template(text), "/p/", "common.lib", "bank.lib"));
    };
    EXPECT_EQ(expand("WorkSpaceName=%%TCPIP_Project.wsp\r\n"), "WorkSpaceName=/p/TCPIP_Project.wsp\r\n");
    EXPECT_EQ(expand("FileName=##\r\nFileName=@@\r\n"), "FileName=common.lib\r\nFileName=bank.lib\r\n");
    EXPECT_EQ(expand("Bar#0=0"), "Bar#0=0");
    EXPECT_EQ(expand("50%#@x"), "50%#@x");
    EXPECT_EQ(expand("end%"), "end");
    EXPECT_EQ(expand("#%%"), "#%");
}

TEST(DropDuplicateDeclaration, RemovesTheWholeFirstLineOnlyWhenDeclaredTwice) {
    std::string once = "byte x;\r\nbyte mem_pool[mem_pool_size];\r\nint y;\r\n";
    EXPECT_FALSE(DropDuplicateDeclaration(once, "byte mem_pool"));
    EXPECT_EQ(once, "byte x;\r\nbyte mem_pool[mem_pool_size];\r\nint y;\r\n");

    std::string twice =
        "/* ftp */\r\n    xdata byte mem_pool[mem_pool_size];   /* pool */\r\nint y;\r\nbyte mem_pool[mem_pool_size];\r\n";
    EXPECT_TRUE(DropDuplicateDeclaration(twice, "byte mem_pool"));
    EXPECT_EQ(twice, "/* ftp */\r\nint y;\r\nbyte mem_pool[mem_pool_size];\r\n");

    std::string first_line = "byte mem_pool[512];\nbyte mem_pool[512];\n";
    EXPECT_TRUE(DropDuplicateDeclaration(first_line, "byte mem_pool"));
    EXPECT_EQ(first_line, "byte mem_pool[512];\n");
}
