#include <gtest/gtest.h>

#include "SheetTestSupport.h"

using namespace quillon;
using quillon::test::OpenSheet;

namespace {

// An external CMOS clock of `hz` feeding the PLL, with the multiplier `mul` (hex text).
void ExternalPll(OpenSheet& s, const std::string& hz, const std::string& mul) {
    s.Show("External Oscillator");
    s.Click(3413);  // External CMOS: no halving
    s.Set(3409, hz);
    s.Show("PLL Setup");
    s.Click(3817);
    s.Set(3819, mul);
}

}  // namespace

TEST(VardexPages, DefaultsGiveTheDocumentedPllCodes) {
    OpenSheet s(Family::Vardex);
    s.Show("PLL Setup");
    EXPECT_EQ(s.Clock().pll0flt, 0x01);  // reference 24.5 MHz: filter 1; output 98 MHz: range 0
    EXPECT_EQ(s.Text(3403), "98000000");
    EXPECT_EQ(s.Text(3818), "01");
    EXPECT_EQ(s.Text(3819), "04");
    EXPECT_EQ(s.Clock().flscl, 0x30);
    EXPECT_EQ(s.Clock().sysclk_hz, 98000000u);
    EXPECT_FALSE(s.Visible(3830));
    EXPECT_FALSE(s.Visible(3832));
    EXPECT_TRUE(s.Checked(3816));
    EXPECT_TRUE(s.ui.messages.empty());
}

TEST(VardexPages, PreDividerRangeAndEmptyText) {
    OpenSheet s(Family::Vardex);
    s.Show("PLL Setup");
    s.Set(3818, "1F");
    EXPECT_EQ(s.Clock().pll0div, 0x1F);
    EXPECT_TRUE(s.ui.messages.empty());

    s.Set(3818, "20");
    EXPECT_EQ(s.Clock().pll0div, 0x01);
    EXPECT_EQ(s.Text(3818), "01");
    ASSERT_EQ(s.ui.messages.size(), 1u);
    EXPECT_EQ(s.ui.messages[0].text, "Error: PLL0DIV Value Too Large. Defaulting to 0x01");
    EXPECT_EQ(s.ui.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(s.ui.messages[0].caption, "");
    EXPECT_EQ(s.Clock().sysclk_hz, 98000000u);

    s.Set(3818, "00");  // 32: reference 765,625 Hz
    EXPECT_EQ(s.Clock().pll0div, 0x00);
    EXPECT_EQ(s.Clock().sysclk_hz, 24500000u * 4 / 32);
    EXPECT_EQ(s.Clock().pll0flt & 0x0F, 0x0F);

    s.Set(3818, "");
    EXPECT_EQ(s.Clock().pll0div, 0x00);
    EXPECT_EQ(s.ui.messages.size(), 1u);
}

TEST(VardexPages, HexEditsCapitaliseAndDropTheLastCharacter) {
    OpenSheet s(Family::Vardex);
    s.Show("PLL Setup");
    s.Set(3819, "a");
    EXPECT_EQ(s.Text(3819), "A");
    EXPECT_EQ(s.Clock().pll0mul, 0x0A);
    EXPECT_TRUE(s.ui.messages.empty());

    s.Set(3818, "1G");
    EXPECT_EQ(s.Text(3818), "1");
    EXPECT_EQ(s.Clock().pll0div, 0x01);
    ASSERT_EQ(s.ui.messages.size(), 1u);
    EXPECT_EQ(s.ui.messages[0].text, "Error: Invalid HEX Character.");

    // The bad character in front stays; the good one behind it goes, and the bad one counts 0.
    s.Set(3818, "G1");
    EXPECT_EQ(s.Text(3818), "G");
    EXPECT_EQ(s.Clock().pll0div, 0x00);

    // The edit holds two characters at most.
    s.Set(3819, "123");
    EXPECT_EQ(s.Text(3819), "12");
    EXPECT_EQ(s.Clock().pll0mul, 0x12);
}

TEST(VardexPages, LoopFilterWarningBoundary) {
    OpenSheet at(Family::Vardex);
    ExternalPll(at, "30000000", "03");
    EXPECT_EQ(at.Clock().pll0flt & 0x0F, 0x1);
    EXPECT_FALSE(at.Visible(3830));

    OpenSheet above(Family::Vardex);
    ExternalPll(above, "30000001", "03");
    EXPECT_EQ(above.Clock().pll0flt & 0x0F, 0x1);
    EXPECT_TRUE(above.Visible(3830));

    OpenSheet low(Family::Vardex);
    ExternalPll(low, "8000000", "0A");  // 80 MHz out
    EXPECT_EQ(low.Clock().pll0flt, 0x0F);
    EXPECT_FALSE(low.Visible(3830));  // a low reference is not warned about
}

TEST(VardexPages, OutputRangeBoundaries) {
    struct Case {
        const char* hz;
        const char* mul;
        int range;
        bool warned;
    } cases[] = {
        {"25000000", "01", 0x30, false},  {"24999999", "01", 0x30, true}, {"40000000", "01", 0x30, false},
        {"40000001", "01", 0x20, false},  {"55000001", "01", 0x10, false}, {"25000000", "04", 0x00, false},
        {"25000001", "04", 0x30, true},
    };
    for (const auto& c : cases) {
        OpenSheet s(Family::Vardex);
        ExternalPll(s, c.hz, c.mul);
        EXPECT_EQ(s.Clock().pll0flt & 0x30, c.range) << c.hz << " x" << c.mul;
        EXPECT_EQ(s.Visible(3832), c.warned) << c.hz << " x" << c.mul;
    }
}

TEST(VardexPages, MultiplierOf256BeyondThirtyTwoBits) {
    OpenSheet s(Family::Vardex);
    s.Show("PLL Setup");
    s.Set(3819, "00");
    EXPECT_EQ(s.Text(3403), "6272000000");
    EXPECT_EQ(s.Clock().sysclk_hz, 4294967295u);
    EXPECT_TRUE(s.Visible(3832));
    EXPECT_EQ(s.Clock().flscl, 0x30);
    EXPECT_EQ(s.Clock().pll0flt, 0x31);

    // Multiplying first no longer wraps: 24.5 MHz x 256 / 31 fits and is exact.
    s.Set(3818, "1F");
    EXPECT_EQ(s.Clock().sysclk_hz, 202322580u);
    EXPECT_TRUE(s.Visible(3832));
}

TEST(VardexPages, DivideFactorHoldsOnlyUntilAnotherPageRecomputes) {
    OpenSheet s(Family::Vardex);
    s.Show("SYSCLK Select");
    EXPECT_TRUE(s.Checked(3815));
    EXPECT_TRUE(s.Checked(3833));
    s.Click(3835);
    EXPECT_EQ(s.Clock().sysclk_hz, 49000000u);
    EXPECT_EQ(s.Text(3403), "98000000");
    EXPECT_EQ(s.Text(3410), "49000000");
    EXPECT_EQ(s.Clock().flscl, 0x30);  // from the undivided frequency
    EXPECT_EQ(s.Clock().clksel, 0x12);

    s.Show("PLL Setup");
    EXPECT_EQ(s.Clock().sysclk_hz, 98000000u);
    s.Show("SYSCLK Select");
    EXPECT_TRUE(s.Checked(3835));
    EXPECT_EQ(s.Clock().sysclk_hz, 49000000u);
}

TEST(VardexPages, PllFromHalvedExternalThroughTheDivideFactor) {
    OpenSheet s(Family::Vardex);
    s.Show("External Oscillator");
    s.Click(3418);  // crystal / 2
    s.Set(3409, "20000000");
    s.Show("PLL Setup");
    s.Click(3817);
    s.Show("SYSCLK Select");
    s.Click(3837);  // / 4
    EXPECT_EQ(s.Text(3403), "40000000");
    EXPECT_EQ(s.Clock().sysclk_hz, 10000000u);
}

TEST(VardexPages, SourceQuestions) {
    OpenSheet s(Family::Vardex);
    s.Show("Internal Oscillator");
    s.Click(3399);  // disable the internal oscillator
    EXPECT_EQ(s.Clock().oscicn & 0x80, 0);
    s.Show("SYSCLK Select");
    s.ui.answers = {false};
    s.Click(3813);
    ASSERT_EQ(s.ui.questions.size(), 1u);
    EXPECT_EQ(s.ui.questions[0].text,
              "Do you want to enable the Internal Oscillator?\nNote: system may be unstable if not enabled.");
    EXPECT_EQ(s.ui.questions[0].icon, MessageIcon::Question);
    EXPECT_EQ(s.ui.questions[0].caption, "");
    EXPECT_EQ(s.Clock().oscicn & 0x80, 0);
    EXPECT_EQ(s.Clock().sysclk_hz, 24500000u);
    EXPECT_EQ(s.Clock().flscl, 0x00);

    s.ui.answers = {true};
    s.Click(3813);
    EXPECT_EQ(s.Clock().oscicn & 0x80, 0x80);
    s.Click(3813);  // enabled now: no question
    EXPECT_EQ(s.ui.questions.size(), 2u);

    s.Show("PLL Setup");
    s.Click(1014);  // disable the PLL
    s.Show("SYSCLK Select");
    s.ui.answers = {true};
    s.Click(3815);
    EXPECT_EQ(s.ui.questions.back().text, "Do you want to enable the PLL?\nNote: system may be unstable if not enabled.");
    EXPECT_EQ(s.Clock().pll0cn, 0x03);
    s.Click(3814);  // the external source asks nothing
    EXPECT_EQ(s.ui.questions.size(), 3u);
}

TEST(VardexPages, ExternalModesRelabelTheFrequencyControlButtons) {
    OpenSheet s(Family::Vardex);
    PropertyPage& p = s.Show("External Oscillator");
    EXPECT_TRUE(s.Checked(3412));
    EXPECT_EQ(s.Text(3422), "      Not Used");
    EXPECT_FALSE(p.Control(3420).enabled);
    EXPECT_FALSE(p.Click(3420));  // greyed out

    s.Click(3417);
    EXPECT_EQ(s.Text(3419), "f <= 32kHz");
    EXPECT_EQ(s.Text(3426), "10MHz  < f <= 30MHz");
    EXPECT_TRUE(p.Control(3420).enabled);
    s.Click(3426);
    EXPECT_EQ(s.Clock().oscxcn, 0x67);
    s.Click(3416);
    EXPECT_EQ(s.Text(3422), "K Factor = 22");
    EXPECT_TRUE(s.Checked(3426));  // relabelling keeps the checked button
    EXPECT_EQ(s.Clock().oscxcn, 0x57);

    s.Click(3414);
    EXPECT_EQ(s.Clock().oscxcn, 0x30);
    EXPECT_TRUE(s.Checked(3419));
    EXPECT_FALSE(p.Control(3426).enabled);
    EXPECT_EQ(s.Text(3426), "");
}

TEST(VardexPages, ModeWithoutButtonChecksNothing) {
    ClockBlock c = DefaultClock(Family::Vardex);
    c.oscxcn = 0x95;  // mode 1, bit 7 set, code 5
    OpenSheet s(Family::Vardex, c);
    PropertyPage& p = s.Show("External Oscillator");
    for (int id = 3412; id <= 3418; ++id) EXPECT_FALSE(s.Checked(id)) << id;
    for (int id = 3419; id <= 3426; ++id) {
        EXPECT_EQ(s.Text(id), "") << id;
        EXPECT_TRUE(p.Control(id).enabled) << id;
    }
    EXPECT_TRUE(s.Checked(3424));
    s.Click(3417);
    EXPECT_EQ(s.Clock().oscxcn, 0xE5);  // bit 7 and the code survive a mode click
}

TEST(VardexPages, NumericEditMustHoldANumberToLeaveThePage) {
    OpenSheet s(Family::Vardex);
    s.Show("External Oscillator");
    s.Set(3409, "1200");
    EXPECT_EQ(s.Clock().ext_osc_hz, 1200u);
    s.Set(3409, "12x4");  // pasted
    EXPECT_EQ(s.Clock().ext_osc_hz, 1200u);
    EXPECT_FALSE(s.sheet.Activate(*s.sheet.FindPage("PLL Setup")));
    EXPECT_EQ(s.sheet.ActivePage().Caption(), "External Oscillator");
    ASSERT_EQ(s.ui.messages.size(), 1u);
    EXPECT_EQ(s.ui.messages[0].text, "Please enter a positive integer.");
    EXPECT_FALSE(s.sheet.Ok());
    EXPECT_EQ(s.sheet.Outcome(), SheetOutcome::Open);

    s.Set(3409, "4294967296");  // does not fit
    EXPECT_FALSE(s.sheet.Activate(0));
    s.Set(3409, "");  // cleared: counts as 0
    EXPECT_EQ(s.Clock().ext_osc_hz, 0u);
    EXPECT_TRUE(s.sheet.Activate(0));
}
