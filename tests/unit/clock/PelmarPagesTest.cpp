#include <gtest/gtest.h>

#include "SheetTestSupport.h"

using namespace quillon;
using quillon::test::OpenSheet;

TEST(PelmarPages, DefaultsShowTheCrystalAsSource) {
    OpenSheet s(Family::Pelmar);
    EXPECT_FALSE(s.Checked(1230));
    EXPECT_FALSE(s.Checked(3399));
    EXPECT_TRUE(s.Checked(3395));
    EXPECT_EQ(s.Text(3403), "22118400");

    PropertyPage& p = s.Show("External Oscillator");
    EXPECT_TRUE(s.Checked(3417));
    EXPECT_TRUE(s.Checked(3426));
    EXPECT_EQ(s.Text(3426), "6.7MHz  < f");
    EXPECT_EQ(s.Text(3423), "270Hz   < f <= 720Hz");
    EXPECT_TRUE(s.Checked(1230));
    EXPECT_EQ(s.Text(3403), "22118400");
    EXPECT_EQ(s.Text(3409), "22118400");
    EXPECT_TRUE(p.Control(3409).digits_only);
    EXPECT_EQ(s.Clock(), DefaultClock(Family::Pelmar));
}

TEST(PelmarPages, ExternalModesRecomputeAtOnce) {
    OpenSheet s(Family::Pelmar);
    PropertyPage& p = s.Show("External Oscillator");
    s.Click(3418);
    EXPECT_EQ(s.Text(3403), "11059200");
    EXPECT_EQ(s.Clock().sysclk_hz, 11059200u);
    EXPECT_EQ(s.Clock().oscxcn, 0x77);

    s.Click(1245);  // RC/C / 2: the RC labels, still halved
    EXPECT_EQ(s.Text(3419), "f <= 25kHz");
    EXPECT_EQ(s.Clock().sysclk_hz, 11059200u);

    s.Click(1243);  // External CMOS: no frequency control, code 0
    EXPECT_EQ(s.Clock().oscxcn, 0x20);
    EXPECT_EQ(s.Clock().sysclk_hz, 22118400u);
    EXPECT_TRUE(s.Checked(3419));
    EXPECT_EQ(s.Text(3422), "      Not Used");
    for (int id = 3419; id <= 3426; ++id) EXPECT_FALSE(p.Control(id).enabled) << id;

    s.Set(3409, "1000000");
    EXPECT_EQ(s.Clock().ext_osc_hz, 1000000u);
    EXPECT_EQ(s.Text(3403), "1000000");
}

TEST(PelmarPages, InternalSourceAsksToEnableTheOscillator) {
    OpenSheet s(Family::Pelmar);
    s.ui.answers = {false};
    s.Click(1230);
    ASSERT_EQ(s.ui.questions.size(), 1u);
    EXPECT_EQ(s.ui.questions[0].text,
              "Do you want to enable the Oscillator?\nNote: system may be unstable if not enabled.");
    EXPECT_EQ(s.Clock().oscicn, 0x80);  // internal source, still disabled
    EXPECT_EQ(s.Clock().sysclk_hz, 2000000u);
    EXPECT_EQ(s.Text(3403), "2000000");

    s.Click(1230);  // cannot be unchecked here
    EXPECT_TRUE(s.Checked(1230));
    EXPECT_EQ(s.ui.questions.size(), 1u);

    s.Click(3398);
    EXPECT_EQ(s.Clock().sysclk_hz, 16000000u);

    // The other page's box mirrors the same bit once it is shown.
    s.Show("External Oscillator");
    EXPECT_FALSE(s.Checked(1230));
    s.Set(3409, "12000000");  // not the source: SYSCLK stays
    EXPECT_EQ(s.Clock().sysclk_hz, 16000000u);
    s.Click(1230);
    EXPECT_EQ(s.Clock().oscicn & 0x08, 0x08);
    EXPECT_EQ(s.Clock().sysclk_hz, 12000000u);

    s.Show("Internal Oscillator");
    EXPECT_FALSE(s.Checked(1230));
    s.ui.answers = {true};
    s.Click(1230);
    EXPECT_TRUE(s.Checked(3399));
    EXPECT_EQ(s.Clock().oscicn, 0x87);
}

TEST(PelmarPages, ConfirmingWithoutAFrequencyWarnsAndStillCloses) {
    OpenSheet s(Family::Pelmar);
    s.Show("External Oscillator");
    s.Set(3409, "");
    EXPECT_EQ(s.Clock().sysclk_hz, 0u);
    EXPECT_TRUE(s.sheet.Ok());
    ASSERT_EQ(s.ui.messages.size(), 1u);
    EXPECT_EQ(s.ui.messages[0].text,
              "Error: Invalid Frequency for SYSCLK.\n\nData was saved anyway, please open the\nOscillators dialog "
              "again from the Peripherals\nmenu to enter a valid frequency.");
    EXPECT_EQ(s.ui.messages[0].icon, MessageIcon::Question);
    EXPECT_EQ(s.ui.messages[0].caption, "");
    EXPECT_EQ(s.sheet.Outcome(), SheetOutcome::Ok);
}

TEST(PelmarPages, OnlyAShownExternalPageWithItsSourceWarns) {
    ClockBlock c = DefaultClock(Family::Pelmar);
    c.ext_osc_hz = 0;
    OpenSheet never_shown(Family::Pelmar, c);
    EXPECT_TRUE(never_shown.sheet.Ok());
    EXPECT_TRUE(never_shown.ui.messages.empty());

    c.oscicn = 0x84;  // internal source, enabled
    OpenSheet internal_source(Family::Pelmar, c);
    internal_source.Show("External Oscillator");
    EXPECT_TRUE(internal_source.sheet.Ok());
    EXPECT_TRUE(internal_source.ui.messages.empty());
}
