// What the window offers besides the settings themselves: finding a node by name, the help
// section of each node, the recent files and the tooltips.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "TestSupport.h"
#include "WindowTestSupport.h"
#include "wizard/HelpSections.h"
#include "wizard/NodeFilter.h"
#include "wizard/PanelFacts.h"
#include "wizard/RecentFiles.h"
#include "wizard/ToolTips.h"

namespace quillon::test {
namespace {

namespace C = ControlId;

bool Has(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

class WindowAids : public WindowTest {};

// Every caption a page shows, in any configuration, is one the filter searches (or, for a line
// with a value in it, begins with one).
TEST_F(WindowAids, TheFilterKnowsEveryCaptionAPageShows) {
    const auto check_all_nodes = [&](const char* configuration) {
        for (const NodeInfo& info : OptionNodeTable()) {
            dlg.OnSelectionChange(info.node);
            const std::vector<std::string> captions = PanelFactsOf(info.node).captions;
            for (int id : {C::Label1, C::Label2, C::Label3, C::Label4, C::Label5, C::CountryLabel, C::ProtocolLabel,
                           C::ArpAutoUpdate, C::ConfigureSysclk, C::UpdateBaudRate}) {
                const PanelControl& c = Ctl(id);
                if (!c.visible || c.text.empty()) continue;
                const bool known = std::any_of(captions.begin(), captions.end(),
                                               [&](const std::string& caption) { return c.text.rfind(caption, 0) == 0; });
                EXPECT_TRUE(known) << configuration << ": " << info.text << " shows " << c.text;
            }
        }
    };
    check_all_nodes("defaults");
    Click(OptionNode::Zintor);
    Click(OptionNode::SLIP);
    check_all_nodes("Zintor without Ethernet");
    Click(OptionNode::Modara);
    Click(OptionNode::Pelmar);
    check_all_nodes("the modem");
}

TEST(NodeFilter, FindsNodesByTextOrCaptionWithTheirParents) {
    const NodeFilterResult window = FilterNodes("  WINDOW ");
    EXPECT_EQ(window.matches, std::vector<OptionNode>{OptionNode::TCP});
    EXPECT_TRUE(window.Shown(OptionNode::TransportLayer));
    EXPECT_TRUE(window.Shown(OptionNode::ProtocolSettings));
    EXPECT_FALSE(window.Shown(OptionNode::UDP));
    // Every word must be found; a node's own text counts as much as its captions.
    EXPECT_EQ(FilterNodes("retransmit tcp").matches, std::vector<OptionNode>{OptionNode::TCP});
    const NodeFilterResult gateway = FilterNodes("gateway");
    EXPECT_EQ(gateway.matches, std::vector<OptionNode>{OptionNode::IPAddresses});
    EXPECT_TRUE(FilterNodes("nothing like this").matches.empty());
    EXPECT_FALSE(FilterNodes("nothing like this").best);
    EXPECT_EQ(NoMatchText("  nothing like this "), "No setting matches \"nothing like this\".");

    // Enter's choice: a node's own text before captions, else the first match in tree order.
    const NodeFilterResult sysclk = FilterNodes("sysclk");
    ASSERT_GT(sysclk.matches.size(), 1u);
    EXPECT_NE(sysclk.matches.front(), OptionNode::SYSCLK);
    EXPECT_EQ(sysclk.best, OptionNode::SYSCLK);
    EXPECT_EQ(window.best, OptionNode::TCP);
    for (const char* query : {"size", "ethernet", "p", "ticks", "address", "mhz", "tcp ip", "usb"}) {
        const NodeFilterResult r = FilterNodes(query);
        if (r.matches.empty()) {
            EXPECT_FALSE(r.best) << query;
            continue;
        }
        ASSERT_TRUE(r.best) << query;
        const auto own = std::find_if(r.matches.begin(), r.matches.end(), [&](OptionNode n) {
            std::string text(InfoOf(n).text);
            std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
            std::string q(query);
            std::size_t at = 0;
            bool all = true;
            while (at < q.size()) {
                const std::size_t end = std::min(q.find(' ', at), q.size());
                all = all && text.find(q.substr(at, end - at)) != std::string::npos;
                at = end + 1;
            }
            return all;
        });
        EXPECT_EQ(*r.best, own != r.matches.end() ? *own : r.matches.front()) << query;
    }

    const NodeFilterResult all = FilterNodes(" \t");
    EXPECT_TRUE(all.matches.empty());
    EXPECT_TRUE(std::all_of(all.shown.begin(), all.shown.end(), [](bool b) { return b; }));

    // Shown means: a match, or the parent of a shown node.
    for (const char* query : {"size", "ethernet", "p", "ticks", "address", "mhz"}) {
        const NodeFilterResult r = FilterNodes(query);
        for (const NodeInfo& info : OptionNodeTable()) {
            const bool match = std::count(r.matches.begin(), r.matches.end(), info.node) > 0;
            bool holds_shown = false;
            for (const NodeInfo& child : OptionNodeTable()) holds_shown |= child.parent == info.node && r.Shown(child.node);
            EXPECT_EQ(r.Shown(info.node), match || holds_shown) << query << ": " << info.text;
        }
    }
}

TEST(HelpSections, EveryNodeHasItsSectionInTheHelp) {
    const std::string help = ReadText(std::string(QUILLON_SOURCE_DIR) + "/resources/help/index.html");
    EXPECT_EQ(HelpSectionOf(OptionNode::LinkPhysicalLayer), "node-link-physical-layer");
    EXPECT_EQ(HelpSectionOf(std::nullopt), "window");
    for (const NodeInfo& info : OptionNodeTable()) {
        const std::string anchor = "id=\"" + HelpSectionOf(info.node) + "\"";
        EXPECT_NE(help.find(anchor), std::string::npos) << info.text;
    }
}

TEST(RecentFiles, NewestFirstWithoutRepeatsAndAtMostTen) {
    RecentFiles recent({"/a.wp", "", "/b.wp", "/a.wp"});
    EXPECT_EQ(recent.Entries(), (std::vector<std::string>{"/a.wp", "/b.wp"}));
    recent.Add("/b.wp");
    EXPECT_EQ(recent.Entries(), (std::vector<std::string>{"/b.wp", "/a.wp"}));
    for (int i = 0; i < 12; ++i) recent.Add("/" + std::to_string(i) + ".wp");
    EXPECT_EQ(recent.Entries().size(), RecentFiles::kMaxEntries);
    EXPECT_EQ(recent.Entries().front(), "/11.wp");
    EXPECT_EQ(recent.Entries().back(), "/2.wp");
    recent.Remove("/5.wp");
    EXPECT_FALSE(Has(recent.Entries(), "/5.wp"));
    EXPECT_EQ(RecentFiles(std::vector<std::string>(15, "/same.wp")).Entries().size(), 1u);
}

TEST_F(WindowAids, ToolTipsGiveRangesUnitsAndState) {
    EXPECT_NE(NodeToolTip(dlg, OptionNode::TCP).find("Off. Click the box"), std::string::npos);
    // A greyed or fixed option gives its reason in place of the bare state; one not chosen its price.
    const std::string ip = NodeToolTip(dlg, OptionNode::IP);
    EXPECT_NE(ip.find("part of every stack library"), std::string::npos) << ip;
    EXPECT_EQ(ip.find("Always part of the stack"), std::string::npos) << ip;
    EXPECT_NE(NodeToolTip(dlg, OptionNode::HTTP).find("Choosing it adds"), std::string::npos);
    EXPECT_NE(NodeToolTip(dlg, OptionNode::TransportLayer).find("Holds TCP, UDP."), std::string::npos);
    EXPECT_NE(NodeToolTip(dlg, OptionNode::Sockets).find("Number of sockets; Size of TX buffer (bytes)"),
              std::string::npos);

    dlg.OnSelectionChange(OptionNode::Sockets);
    // An 8-bit count, and a 16-bit time-out in ticks shown in seconds as it is now typed.
    EXPECT_NE(ControlToolTip(dlg, C::Value1).find("from 0 to 255.\nThe field has 8 bits: a larger number is cut to them (300 becomes 44)"),
              std::string::npos);
    // The stack's own limits as the rules in force narrow the field's range.
    EXPECT_NE(ControlToolTip(dlg, C::Value1).find("Generate Project takes 1 to 127 with the present choices."),
              std::string::npos);
    dlg.OnValueEdited(C::Value4, "250");
    const std::string ticks = ControlToolTip(dlg, C::Value4);
    EXPECT_NE(ticks.find("from 0 to 65535"), std::string::npos) << ticks;
    EXPECT_NE(ticks.find("In ticks of 10 ms: 100 ticks are one second; 250 ticks are 2.50 s."), std::string::npos) << ticks;
    EXPECT_NE(ControlToolTip(dlg, C::Value2).find("In bytes."), std::string::npos);
    // A note on the value typed last leads the tooltip.
    dlg.OnValueEdited(C::Value1, "300");
    EXPECT_EQ(ControlToolTip(dlg, C::Value1).rfind(Ctl(C::Value1).note + "\n\n", 0), 0u);
    EXPECT_EQ(ControlToolTip(dlg, C::Label1), "");
    EXPECT_EQ(ControlToolTip(dlg, C::Address1), "");  // not on this page

    Click(OptionNode::Modara);
    dlg.OnSelectionChange(OptionNode::MACAddresses);
    EXPECT_NE(ControlToolTip(dlg, C::SrcMacFirst + 2).find("Byte 3 of the source MAC address"), std::string::npos);
    EXPECT_NE(ControlToolTip(dlg, C::SrcMacFirst + 2).find("only with Ethernet"), std::string::npos);
    dlg.OnSelectionChange(OptionNode::LOCATRA);
    EXPECT_NE(ControlToolTip(dlg, C::Value1).find("Text of up to 35 characters"), std::string::npos);
}

}  // namespace
}  // namespace quillon::test
