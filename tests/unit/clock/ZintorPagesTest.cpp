#include <gtest/gtest.h>

#include "SheetTestSupport.h"

using namespace quillon;
using quillon::test::OpenSheet;

TEST(ZintorPages, DefaultsOnEveryPage) {
    OpenSheet s(Family::Zintor);
    EXPECT_TRUE(s.Checked(3399));
    EXPECT_TRUE(s.Checked(3398));
    s.Show("External Oscillator");
    EXPECT_TRUE(s.Visible(6649));
    EXPECT_TRUE(s.Visible(6651));
    EXPECT_EQ(s.Text(6651), "P0.3 for XTAL2 is Analog and NOT skipped: NOT configured properly");
    s.Show("SYSCLK Select");
    EXPECT_TRUE(s.Checked(6797));
    EXPECT_EQ(s.Text(3403), "48000000");
    s.Show("Clock Multiplier");
    EXPECT_TRUE(s.Checked(6720));
    EXPECT_TRUE(s.Checked(6721));
    EXPECT_EQ(s.Text(6783), "48000000");
    EXPECT_EQ(s.Text(6727), "12000000");
    EXPECT_EQ(s.Text(6728), "0");
    s.Show("USB Clock Source");
    EXPECT_TRUE(s.Checked(6721));
    EXPECT_EQ(s.Text(3403), "48000000");
    EXPECT_EQ(s.Text(6729), "48000000");
    EXPECT_EQ(s.Clock(), DefaultClock(Family::Zintor));
}

TEST(ZintorPages, DividedInternalOscillatorOnTheSysclkPage) {
    OpenSheet s(Family::Zintor);
    s.Click(3397);  // / 2; SYSCLK from the multiplier output keeps its value here
    EXPECT_EQ(s.Clock().sysclk_hz, 48000000u);
    s.Show("SYSCLK Select");
    EXPECT_EQ(s.Text(3403), "24000000");
    EXPECT_EQ(s.Clock().sysclk_hz, 24000000u);
    s.Show("Clock Multiplier");
    EXPECT_EQ(s.Text(6783), "48000000");  // the undivided oscillator
    EXPECT_EQ(s.Clock().sysclk_hz, 24000000u);
}

TEST(ZintorPages, HalfMultiplierThenInternalPageStoresTheWholeOutput) {
    OpenSheet s(Family::Zintor);
    s.Show("SYSCLK Select");
    s.Click(6796);
    EXPECT_EQ(s.Clock().sysclk_hz, 24000000u);
    EXPECT_EQ(s.Clock().clksel, 0x02);
    s.Show("Clock Multiplier");  // source is multiplier / 2: this page rewrites SYSCLK
    EXPECT_EQ(s.Clock().sysclk_hz, 48000000u);
    s.Show("SYSCLK Select");
    s.Show("Internal Oscillator");
    EXPECT_EQ(s.Clock().sysclk_hz, 24000000u);
    s.Click(3398);
    EXPECT_EQ(s.Clock().sysclk_hz, 48000000u);
}

TEST(ZintorPages, UsbClockFromTheExternalOscillator) {
    OpenSheet s(Family::Zintor);
    s.Show("External Oscillator");
    s.Click(3413);
    s.Set(3409, "24000000");
    EXPECT_EQ(s.Clock().ext_osc_hz, 24000000u);
    s.Show("USB Clock Source");
    s.Click(6725);
    EXPECT_EQ(s.Text(3403), "8000000");
    EXPECT_EQ(s.Clock().clksel, 0x43);
    s.Show("External Oscillator");
    s.Click(3414);  // "External CMOS / 2 "
    s.Show("USB Clock Source");
    EXPECT_TRUE(s.Checked(6725));
    EXPECT_EQ(s.Text(3403), "4000000");
    EXPECT_EQ(s.Text(6728), "24000000");
    s.Click(6724);
    EXPECT_EQ(s.Text(3403), "6000000");
    s.Click(6722);
    EXPECT_EQ(s.Text(3403), "6000000");  // internal / 2
}

TEST(ZintorPages, ExternalFrequencyFollowsTheMultiplierSource) {
    OpenSheet s(Family::Zintor);
    s.Show("Clock Multiplier");
    s.Click(6722);
    EXPECT_EQ(s.Text(6783), "0");
    s.Show("External Oscillator");
    s.Click(3418);  // crystal / 2
    s.Set(3409, " 20000000 Hz");  // read as far as it is a number
    EXPECT_EQ(s.Clock().ext_osc_hz, 20000000u);
    EXPECT_EQ(s.Clock().sysclk_hz, 10000000u);  // this page's rule: the halved frequency
    s.Show("Clock Multiplier");
    EXPECT_EQ(s.Text(6783), "40000000");
    EXPECT_EQ(s.Text(6728), "10000000");
    s.Show("SYSCLK Select");
    s.Click(6796);
    EXPECT_EQ(s.Clock().sysclk_hz, 20000000u);
    s.Show("Clock Multiplier");
    EXPECT_EQ(s.Clock().sysclk_hz, 80000000u);  // ext_osc_hz x 4, neither halved nor divided
}

TEST(ZintorPages, ExternalSysclkWithoutFrequencyWarnsOnConfirmation) {
    OpenSheet s(Family::Zintor);
    s.Show("SYSCLK Select");
    s.Click(3814);
    EXPECT_EQ(s.Clock().sysclk_hz, 0u);
    EXPECT_TRUE(s.sheet.Ok());  // the external page was never shown: no check
    EXPECT_TRUE(s.ui.messages.empty());

    OpenSheet shown(Family::Zintor);
    shown.Show("External Oscillator");
    shown.Set(3409, "abc");  // not refused here; counts 0
    shown.Show("SYSCLK Select");
    shown.Click(3814);
    EXPECT_TRUE(shown.sheet.Ok());
    ASSERT_EQ(shown.ui.messages.size(), 1u);
    EXPECT_EQ(shown.ui.messages[0].text.rfind("Error: Invalid Frequency for SYSCLK.", 0), 0u);
}

TEST(ZintorPages, SourcesThatDoNotExistGiveZero) {
    ClockBlock c = DefaultClock(Family::Zintor);
    c.clkmul = 0xC3;
    c.clksel = 0x72;  // USB source 7, SYSCLK multiplier / 2
    OpenSheet s(Family::Zintor, c);
    s.Show("Clock Multiplier");
    for (int id = 6721; id <= 6723; ++id) EXPECT_FALSE(s.Checked(id));
    EXPECT_EQ(s.Text(6783), "");
    EXPECT_EQ(s.Clock().sysclk_hz, 0u);
    s.Show("USB Clock Source");
    for (int id = 6721; id <= 6726; ++id) EXPECT_FALSE(s.Checked(id));
    EXPECT_EQ(s.Text(3403), "0");
    EXPECT_EQ(s.Text(6729), "0");
}

TEST(ZintorPages, LargeExternalFrequencyDoesNotWrap) {
    OpenSheet s(Family::Zintor);
    s.Show("Clock Multiplier");
    s.Click(6722);
    s.Show("External Oscillator");
    s.Click(3413);
    s.Set(3409, "99999999999");
    EXPECT_EQ(s.Clock().ext_osc_hz, 4294967295u);
    s.Show("Clock Multiplier");
    EXPECT_EQ(s.Text(6783), "17179869180");
}

// "Use Clock Multiplier as SYSCLK" runs SYSCLK from what the multiplier makes, whichever
// oscillator feeds it, as "Use Clock Multiplier / 2" does at half of it.
TEST(ZintorPages, WholeMultiplierFollowsTheMultipliersSource) {
    OpenSheet s(Family::Zintor);
    s.Show("External Oscillator");
    s.Click(3414);  // External CMOS / 2
    s.Set(3409, "20000000");
    s.Show("Clock Multiplier");
    s.Click(6722);  // external x 4
    s.Show("SYSCLK Select");
    EXPECT_EQ(s.Text(3403), "40000000");  // not the internal oscillator's 48 MHz
    s.Click(6796);
    EXPECT_EQ(s.Clock().sysclk_hz, 20000000u);
    s.Click(6797);
    EXPECT_EQ(s.Clock().sysclk_hz, 40000000u);
}
