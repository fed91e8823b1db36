#include "stacklib/StackComponents.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "config/LibrarySelection.h"

namespace quillon {
namespace {

std::vector<std::string> Modules(const std::vector<StackComponent>& table, LibraryHalf half, int library) {
    std::vector<std::string> out;
    for (const StackComponent* c : ComponentsOf(table, half, LibraryByNumber(library).option_set)) out.push_back(c->module);
    return out;
}

class StackComponentsFile : public ::testing::Test {
protected:
    void SetUp() override {
        table_ = ParseStackComponents(test::ReadText(QUILLON_SOURCE_DIR "/resources/stack/components.txt"));
    }
    StackComponentTable table_;
};

TEST_F(StackComponentsFile, ReadsEveryComponentOfTheStack) {
    ASSERT_TRUE(table_.errors.empty()) << table_.errors.front();
    ASSERT_EQ(table_.components.size(), 21u);
    const StackComponent& core = table_.components.front();
    EXPECT_EQ(core.module, "ZS_CORE");
    EXPECT_EQ(core.condition_bits, 0u);
    EXPECT_EQ(core.functions.size(), 7u);
    EXPECT_EQ(core.functions.front(), "zs_init_stack");
    // The resolver is compiled by the project itself: no library, whatever its options, has it.
    const StackComponent& dns = table_.components.back();
    EXPECT_EQ(dns.module, "ZS_DNS");
    EXPECT_EQ(dns.half, LibraryHalf::Source);
    EXPECT_EQ(dns.device_bits, DeviceBit::Dns);
    EXPECT_FALSE(ComponentInLibrary(dns, 0xFFFFFFFFu));
}

TEST_F(StackComponentsFile, PicksTheModulesOfEachHalf) {
    const auto& t = table_.components;
    // The default Ethernet library with TCP.
    EXPECT_EQ(Modules(t, LibraryHalf::Common, 37),
              (std::vector<std::string>{"ZS_CORE", "ZS_IP", "ZS_VFILE", "ZS_ETH", "ZS_ARP", "ZS_ETHDRV"}));
    EXPECT_EQ(Modules(t, LibraryHalf::Bank, 37), (std::vector<std::string>{"ZS_ICMP", "ZS_TCP"}));
    // PPP with PAP carries the PAP module; without PAP it does not.
    EXPECT_EQ(Modules(t, LibraryHalf::Common, 36),
              (std::vector<std::string>{"ZS_CORE", "ZS_IP", "ZS_VFILE", "ZS_MODEM", "ZS_PPP", "ZS_PAP"}));
    EXPECT_EQ(Modules(t, LibraryHalf::Common, 35),
              (std::vector<std::string>{"ZS_CORE", "ZS_IP", "ZS_VFILE", "ZS_MODEM", "ZS_PPP"}));
    // The server module comes with FTP or HTTP alone, and only once with both.
    EXPECT_EQ(Modules(t, LibraryHalf::Bank, 3), (std::vector<std::string>{"ZS_ICMP", "ZS_TCP", "ZS_SERVER", "ZS_HTTP"}));
    EXPECT_EQ(Modules(t, LibraryHalf::Bank, 4), (std::vector<std::string>{"ZS_ICMP", "ZS_TCP", "ZS_SERVER", "ZS_FTP"}));
    EXPECT_EQ(Modules(t, LibraryHalf::Bank, 6), (std::vector<std::string>{"ZS_ICMP", "ZS_TCP", "ZS_SMTP"}));
    EXPECT_EQ(Modules(t, LibraryHalf::Bank, 72),
              (std::vector<std::string>{"ZS_ICMP", "ZS_TCP", "ZS_UDP", "ZS_SERVER", "ZS_DHCP", "ZS_FTP", "ZS_HTTP",
                                        "ZS_SMTP", "ZS_TFTP"}));
}

TEST(StackComponents, ConditionsNeedAllOrAny) {
    const StackComponentTable t = ParseStackComponents("A common TCP&UDP f1\nB bank FTP|HTTP f2\n");
    ASSERT_TRUE(t.errors.empty());
    const StackComponent& all = t.components[0];
    const StackComponent& any = t.components[1];
    EXPECT_FALSE(ComponentInLibrary(all, 0x40));
    EXPECT_TRUE(ComponentInLibrary(all, 0xC0));
    EXPECT_FALSE(ComponentInLibrary(any, 0x40));
    EXPECT_TRUE(ComponentInLibrary(any, 0x800));
    EXPECT_TRUE(ComponentInLibrary(any, 0xC00));
}

TEST(StackComponents, ReportsEveryBadLineAndKeepsTheGoodOnes) {
    const StackComponentTable t = ParseStackComponents(
        "# comment\r\n"
        "\r\n"
        "GOOD common - good_fn\r\n"
        "SHORT common -\n"
        "HALF middle - f1\n"
        "BIT common TCP&Gopher f2\n"
        "MIXED common TCP&UDP|FTP f3\n"
        "GOOD bank - f4\n"
        "CLASH bank - good_fn\n"
        "SRC source TCP f5\n"
        "ALWAYS source - f6\n");
    ASSERT_EQ(t.components.size(), 1u);
    EXPECT_EQ(t.components[0].functions, std::vector<std::string>{"good_fn"});
    const std::vector<std::string> expected = {
        "line 4: expected MODULE HALF CONDITION FUNCTION...",
        "line 5: half must be common, bank or source, not \"middle\"",
        "line 6: unknown option bit \"Gopher\"",
        "line 7: condition \"TCP&UDP|FTP\" mixes & and |",
        "line 8: module GOOD is listed twice",
        "line 9: function good_fn is exported twice",
        "line 10: unknown device bit \"TCP\"",
        "line 11: a source component needs the device bits that build it in",
    };
    EXPECT_EQ(t.errors, expected);
}

}  // namespace
}  // namespace quillon
