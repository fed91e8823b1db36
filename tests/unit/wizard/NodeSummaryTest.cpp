#include <algorithm>
#include <set>

#include "WindowTestSupport.h"
#include "wizard/NodeSummary.h"

namespace quillon::test {
namespace {

using N = OptionNode;

using NodeSummaryTest = WindowTest;

std::string Caption(std::string label) {
    if (!label.empty() && label.back() == ':') label.pop_back();
    return label;
}

std::string Dotted(const Ip4& a) {
    return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." + std::to_string(a[3]);
}

// Whatever the configuration, a page's values as the summary gives them are the ones that
// selecting the node puts in front of the user, and a node whose page shows nothing has no
// value the summary would hide.
void ExpectValuesMatchThePanel(WizardDialog& dlg, const std::string& when) {
    for (const NodeInfo& info : OptionNodeTable()) {
        SCOPED_TRACE(when + ": " + std::string(info.text));
        dlg.OnSelectionChange(info.node);
        const SettingsPanel& panel = dlg.Panel();
        const std::vector<PanelValueText> values = PanelValuesOf(info.node, dlg.Record());
        if (panel.ShowsNothing()) {
            EXPECT_TRUE(values.empty());
            continue;
        }
        for (int n = 1; n <= 4; ++n) {
            const std::string caption = Caption(panel.Control(SettingsPanel::LabelId(n)).text);
            const PanelControl& value = panel.Control(SettingsPanel::ValueId(n));
            const PanelControl& address = panel.Control(ControlId::Address1 + n - 1);
            std::optional<std::string> shown;
            if (value.visible) shown = value.text;
            if (address.visible) shown = Dotted(address.address);
            if (!shown) continue;
            const bool listed = std::any_of(values.begin(), values.end(), [&](const PanelValueText& v) {
                return v.caption == caption && v.value == *shown;
            });
            EXPECT_TRUE(listed) << caption << " = " << *shown;
        }
    }
}

TEST_F(NodeSummaryTest, PageValuesAreWhatThePageShowsAndEmptyPagesAreTheExpectedOnes) {
    ExpectValuesMatchThePanel(dlg, "defaults");
    std::set<N> empty;
    for (const NodeInfo& info : OptionNodeTable()) {
        dlg.OnSelectionChange(info.node);
        if (dlg.Panel().ShowsNothing()) empty.insert(info.node);
    }
    EXPECT_EQ(empty, (std::set<N>{N::HardwareSettings, N::CommunicationAdapter, N::Lanvik, N::CustomEthernetDevice,
                                  N::PolledMode, N::InterruptMode, N::DeviceSelection, N::Vardex, N::CodeBankProject,
                                  N::Pelmar, N::Zintor, N::ProtocolSettings, N::LinkPhysicalLayer,
                                  N::SLIP, N::InternetLayer, N::TransportLayer, N::UDP, N::ApplicationLayer,
                                  N::SystemSettings}));

    // The modem, PPP with its users, and values typed: another set of pages and values.
    Click(N::Modara);
    Click(N::PAP);
    Click(N::SMTP);
    dlg.OnSelectionChange(N::Sockets);
    dlg.OnValueEdited(ControlId::Value1, "7");
    dlg.OnSelectionChange(N::IPAddresses);
    dlg.OnAddressChanged(ControlId::Address2, Ip4{192, 168, 7, 9});
    ExpectValuesMatchThePanel(dlg, "modem");
}

TEST_F(NodeSummaryTest, SummaryListsEveryNodeBelowInTreeOrderWithTheValuesOfChosenOptions) {
    const std::vector<SummaryEntry> summary = SummaryOf(N::ProtocolSettings, dlg.Tree(), dlg.Record());
    ASSERT_EQ(summary.size(), 22u);  // the group, its four categories and their seventeen options
    EXPECT_EQ(summary.front().node, N::ProtocolSettings);
    EXPECT_EQ(summary.front().depth, 0);
    EXPECT_TRUE(summary.front().state.empty());
    for (std::size_t i = 1; i < summary.size(); ++i) {
        EXPECT_LT(static_cast<int>(summary[i - 1].node), static_cast<int>(summary[i].node));
        const auto parent = std::find_if(summary.begin(), summary.begin() + static_cast<std::ptrdiff_t>(i),
                                         [&](const SummaryEntry& e) { return e.node == InfoOf(summary[i].node).parent; });
        ASSERT_NE(parent, summary.begin() + static_cast<std::ptrdiff_t>(i));
        EXPECT_EQ(summary[i].depth, parent->depth + 1);
    }
    const auto entry = [&](N node) {
        return *std::find_if(summary.begin(), summary.end(), [&](const SummaryEntry& e) { return e.node == node; });
    };
    EXPECT_EQ(entry(N::PAP).depth, 3);
    EXPECT_EQ(entry(N::IP).state, "Fixed");
    EXPECT_FALSE(entry(N::IP).values.empty());
    EXPECT_EQ(entry(N::FTP).state, "Off");
    EXPECT_TRUE(entry(N::FTP).values.empty());

    Click(N::FTP);
    const std::vector<SummaryEntry> chosen = SummaryOf(N::ApplicationLayer, dlg.Tree(), dlg.Record());
    const SummaryEntry& ftp = *std::find_if(chosen.begin(), chosen.end(), [](const SummaryEntry& e) { return e.node == N::FTP; });
    EXPECT_EQ(ftp.state, "On");
    ASSERT_EQ(ftp.values.size(), 4u);
    EXPECT_EQ(ftp.values[0].caption, "Buffer size for command line params (bytes)");
    EXPECT_EQ(ftp.values[0].value, std::to_string(dlg.Record().ftp_max_param));

    // A leaf summarises itself alone.
    const std::vector<SummaryEntry> udp = SummaryOf(N::UDP, dlg.Tree(), dlg.Record());
    ASSERT_EQ(udp.size(), 1u);
    EXPECT_FALSE(udp[0].state.empty());
}

}  // namespace
}  // namespace quillon::test
