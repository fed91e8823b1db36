#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

#include "SheetTestSupport.h"
#include "clock/ClockMath.h"
#include "clock/ClockTree.h"

using namespace quillon;
using quillon::test::ClickAround;
using quillon::test::OpenSheet;

namespace {

std::set<ClockPart> OnPath(const ClockTree& tree) {
    std::set<ClockPart> parts;
    for (const ClockTreeNode& n : tree.nodes) {
        if (n.on_path && !n.leaf) parts.insert(n.part);
    }
    return parts;
}

}  // namespace

// The tree shows what the pages show: wherever the user has clicked, its SYSCLK is the one
// "SYSCLK Select" (or Pelmar's source page) shows, the PLL's output the one of "PLL Setup",
// the USB clock the one of "USB Clock Source".
TEST(ClockTree, FrequenciesAreThoseThePagesShow) {
    std::mt19937 random(7);
    for (Family family : {Family::Vardex, Family::Pelmar, Family::Zintor}) {
        for (int sample = 0; sample < 40; ++sample) {
            OpenSheet s(family);
            ClickAround(s, family, random);
            const ClockTree tree = s.sheet.Tree();
            const ClockTreeNode* sysclk = tree.Find(ClockPart::Sysclk);
            ASSERT_NE(sysclk, nullptr);
            if (family == Family::Pelmar) {
                s.Show((s.Clock().oscicn & 0x08) ? "External Oscillator" : "Internal Oscillator");
                EXPECT_EQ(FormatHz(sysclk->hz.value_or(0)), s.Text(3403));
                continue;
            }
            EXPECT_EQ(FormatHz(sysclk->hz.value_or(0)), s.Text(family == Family::Vardex ? 3410 : 3403));
            if (family == Family::Vardex) {
                s.Show("PLL Setup");
                EXPECT_EQ(FormatHz(tree.Find(ClockPart::PllOutput)->hz.value_or(0)), s.Text(3403));
            } else {
                s.Show("USB Clock Source");
                EXPECT_EQ(FormatHz(tree.Find(ClockPart::UsbClock)->hz.value_or(0)), s.Text(3403));
            }
        }
    }
}

TEST(ClockTree, HighlightsThePathAndPlacesTheViolations) {
    OpenSheet vardex(Family::Vardex);
    EXPECT_EQ(OnPath(vardex.sheet.Tree()),
              (std::set<ClockPart>{ClockPart::InternalOscillator, ClockPart::InternalDivider, ClockPart::PllReference,
                                   ClockPart::PllOutput, ClockPart::SysclkSelect, ClockPart::Sysclk}));
    // The PLL from a 25 MHz crystal whose bits still say "f <= 32kHz", times 16.
    vardex.Show("External Oscillator");
    vardex.Click(3417);
    vardex.Set(3409, "25000000");
    vardex.Show("PLL Setup");
    vardex.Click(3817);
    vardex.Set(3819, "10");
    ClockTree tree = vardex.sheet.Tree();
    EXPECT_EQ(OnPath(tree), (std::set<ClockPart>{ClockPart::ExternalOscillator, ClockPart::PllReference,
                                                 ClockPart::PllOutput, ClockPart::SysclkSelect, ClockPart::Sysclk}));
    EXPECT_EQ(tree.Find(ClockPart::Sysclk)->value, "400 MHz");
    for (ClockPart part : {ClockPart::ExternalOscillator, ClockPart::PllOutput, ClockPart::FlashReadTime, ClockPart::Tick}) {
        EXPECT_FALSE(tree.Find(part)->violations.empty()) << static_cast<int>(part);
    }
    EXPECT_TRUE(tree.Find(ClockPart::InternalOscillator)->violations.empty());
    EXPECT_EQ(tree.Find(ClockPart::Tick)->value, "reload -17798, wraps");
    // The PLL page is where its own limit is fixed.
    const auto on_pll_page = vardex.sheet.PageViolations(*vardex.sheet.FindPage("PLL Setup"));
    ASSERT_EQ(on_pll_page.size(), 1u);
    EXPECT_EQ(on_pll_page[0].kind, ClockLimitKind::PllOutput);

    // Pelmar runs from its crystal; the leaves follow the project's options.
    OpenSheet pelmar(Family::Pelmar);
    ClockContext context = pelmar.sheet.Context();
    context.option_bits = OptionBit::Modem;
    context.locatra = true;
    pelmar.sheet.SetContext(context);
    tree = pelmar.sheet.Tree();
    EXPECT_EQ(OnPath(tree), (std::set<ClockPart>{ClockPart::ExternalOscillator, ClockPart::Sysclk}));
    EXPECT_EQ(tree.Find(ClockPart::Uart)->value, "307200 baud, reload 0xDC, error 0.0%");
    EXPECT_EQ(tree.Find(ClockPart::Timer2)->value, "reload 0x1F00");
    EXPECT_EQ(tree.Find(ClockPart::Emif), nullptr);
}
