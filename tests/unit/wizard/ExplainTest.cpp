// The reasons: every rule that greys an option or keeps it as it was when clicked says why,
// naming what blocks it and what would lift it; an option not chosen tells what choosing it
// would add to the code size.
#include "WindowTestSupport.h"
#include "wizard/Explain.h"

namespace quillon::test {
namespace {

using N = OptionNode;

struct Case {
    std::vector<N> clicks;  // from the defaults
    N node;
    const char* state;
    const char* reason;  // the start of the reason; "" for none
    const char* cost;    // "" for none
};

const Case kCases[] = {
    // Greyed by a rule.
    {{N::Modara}, N::Pelmar, "Unavailable", "The Modara modem runs on Vardex only. Choose Lanvik or the Custom", ""},
    {{N::PPP}, N::Zintor, "Unavailable", "The Modara modem runs on Vardex only.", ""},
    {{}, N::UsbFifoSupport, "Unavailable", "USB FIFO Support is a Zintor feature. Choose Zintor first.", ""},
    {{N::SLIP}, N::UsbFifoSupport, "Unavailable", "USB FIFO Support is a Zintor feature, and the Modara modem", ""},
    {{N::Zintor}, N::UsbFifoSupport, "Unavailable", "USB FIFO Support needs a SYSCLK of 24 MHz or less, and it is 48 MHz.", ""},
    {{N::PAP}, N::DHCP, "Unavailable", "DHCP works over Ethernet only, and the Modara modem is the adapter.", ""},
    {{N::Modara}, N::LOCATRA, "Unavailable", "LOCATRA works over Ethernet only", ""},
    {{N::SLIP}, N::ARP, "Unavailable", "ARP works over Ethernet only", ""},
    {{N::Lanvik}, N::ARP, "Fixed", "ARP comes with Ethernet", ""},
    {{}, N::PING, "Fixed", "PING is part of every stack library", ""},
    // A click that a rule keeps as it was.
    {{}, N::Vardex, "On", "Vardex is the chosen family; a family stays chosen until another is chosen. Choose Pelmar or Zintor", ""},
    {{}, N::Lanvik, "On", "Lanvik is the chosen adapter; an adapter stays chosen until another is chosen. Choose Modara or", ""},
    {{N::PPP}, N::PPP, "On", "PPP is the chosen link layer; a link layer stays chosen until another is chosen. Choose Ethernet or SLIP", ""},
    {{}, N::Ethernet, "On", "Ethernet is the chosen link layer", ""},
    {{N::PolledMode}, N::PolledMode, "On", "Polled Mode is the driver mode of the Custom Ethernet Device, which always has one. Choose Interrupt Mode", ""},
    // Nothing holds it; choosing it has a price.
    {{}, N::HTTP, "Off", "", "+5 KB (library 039)"},
    {{}, N::DNS, "Off", "", "-4 KB (library 038)"},  // the UDP library is smaller than the default TCP one
    {{N::UDP}, N::LOCATRA, "Off", "", "+2 KB (library 038)"},
    {{}, N::Pelmar, "Off", "", "+0 KB (library 037)"},
    {{N::HTTP}, N::HTTP, "On", "", ""},
    {{}, N::Sockets, "Page", "", ""},
};

using ExplainTest = WindowTest;

TEST_F(ExplainTest, ReasonsNameTheBlockAndTheWayOutAndCostsComeFromTheRealClick) {
    for (const Case& c : kCases) {
        if (dlg.Modified()) ui.answers.push_back(false);
        dlg.OnFileNew();
        for (N n : c.clicks) Click(n);
        const ConfigRecord before = dlg.Record();
        const NodeExplanation e = dlg.Explain(c.node);
        const std::string what = std::string(InfoOf(c.node).text) + " after " + std::to_string(c.clicks.size()) +
                                 " click(s): " + e.reason;
        EXPECT_EQ(e.state, c.state) << what;
        EXPECT_TRUE(e.reason.starts_with(c.reason) && (*c.reason != 0) == !e.reason.empty()) << what;
        EXPECT_EQ(e.cost ? CostText(*e.cost) : "", c.cost) << what;
        EXPECT_EQ(dlg.Record(), before) << what << ": explaining changed the record";
    }
}

// The status bar's text: the reason of a greyed option, or of a click that changed nothing.
TEST_F(ExplainTest, TheSelectionReasonFollowsGreyedOptionsAndClicksInVain) {
    const auto starts = [&](const std::string& start) {
        const std::string reason = dlg.SelectionReason();
        return reason.starts_with(start) && (start.empty() == reason.empty());
    };
    Click(N::Modara);
    EXPECT_TRUE(starts("")) << dlg.SelectionReason();  // the click chose it
    Click(N::Modara);
    EXPECT_TRUE(starts("Modara is the chosen adapter")) << dlg.SelectionReason();
    dlg.OnSelectionChange(N::TCP);
    EXPECT_TRUE(starts("")) << dlg.SelectionReason();
    dlg.OnSelectionChange(N::Pelmar);
    EXPECT_TRUE(starts("Pelmar: The Modara modem runs on Vardex only.")) << dlg.SelectionReason();
    Click(N::BOOTP);
    EXPECT_TRUE(starts("BOOTP works over Ethernet only")) << dlg.SelectionReason();
}

}  // namespace
}  // namespace quillon::test
