#include <gtest/gtest.h>

#include "SheetTestSupport.h"
#include "clock/ClockMath.h"
#include "clock/ParseHexField.h"

using namespace quillon;
using quillon::test::FakePlatform;
using quillon::test::OpenSheet;

TEST(SheetModel, FamiliesHaveTheirPagesInOrder) {
    struct Expected {
        Family family;
        std::vector<std::tuple<std::string, int, std::string>> pages;
        int foot;
    } families[] = {
        {Family::Vardex,
         {{"COscIntPropPageVardex", 143, "Internal Oscillator"},
          {"COscExtPropPageVardex", 144, "External Oscillator"},
          {"COscPllPropPage", 145, "PLL Setup"},
          {"COscSysPropPage", 142, "SYSCLK Select"}},
         3367},
        {Family::Pelmar,
         {{"COscIntPropPagePelmar", 1153, "Internal Oscillator"}, {"COscExtPropPagePelmar", 1154, "External Oscillator"}},
         1200},
        {Family::Zintor,
         {{"COscIntPropPageZintor", 6757, "Internal Oscillator"},
          {"OscExtPropPageZintor", 6758, "External Oscillator"},
          {"COscMulPropPageZintor", 6759, "Clock Multiplier"},
          {"COscSysPropPageZintor", 6793, "SYSCLK Select"},
          {"COscUsbPropPageZintor", 6761, "USB Clock Source"}},
         6369},
    };
    for (const auto& f : families) {
        FakePlatform ui;
        PlatformSheetUi bridge(ui);
        SheetModel sheet(DefaultClock(f.family), f.family, bridge);
        EXPECT_EQ(sheet.Caption(), "Oscillators");
        ASSERT_EQ(sheet.PageCount(), f.pages.size());
        for (std::size_t i = 0; i < f.pages.size(); ++i) {
            const PropertyPage& p = sheet.Page(i);
            EXPECT_EQ(p.ClassName(), std::get<0>(f.pages[i]));
            EXPECT_EQ(p.DialogId(), std::get<1>(f.pages[i]));
            EXPECT_EQ(p.Caption(), std::get<2>(f.pages[i]));
            EXPECT_EQ(p.FootBoxId(), f.foot);
            const PageControl& foot = p.Control(f.foot);
            EXPECT_TRUE(foot.read_only && foot.multi_line && foot.text.empty());
            EXPECT_FALSE(p.Created());
            // Created again from its run-time class name.
            auto again = CreatePropertyPage(p.ClassName());
            ASSERT_TRUE(again);
            EXPECT_EQ(again->Caption(), p.Caption());
            // Controls are listed in id order, and every control but the foot box sits in a group.
            for (std::size_t k = 1; k < p.Controls().size(); ++k) {
                EXPECT_LT(p.Controls()[k - 1].id, p.Controls()[k].id);
            }
            std::size_t grouped = 0;
            for (const auto& g : p.Groups()) {
                for (const auto& row : g.rows) {
                    for (const auto& item : row) {
                        if (item.control_id != 0) {
                            EXPECT_TRUE(p.Has(item.control_id)) << p.ClassName() << " " << item.control_id;
                            ++grouped;
                        }
                    }
                }
            }
            EXPECT_EQ(grouped + 1, p.Controls().size()) << p.ClassName();
        }
    }
    EXPECT_EQ(CreatePropertyPage("CPropertyPage"), nullptr);
    FakePlatform ui;
    PlatformSheetUi bridge(ui);
    SheetModel none(ClockBlock{}, Family::None, bridge);
    EXPECT_EQ(none.PageCount(), 0u);
    none.Open();
    EXPECT_TRUE(none.Ok());
}

TEST(SheetModel, TemplateTextsAndLayoutRows) {
    FakePlatform ui;
    PlatformSheetUi bridge(ui);
    SheetModel sheet(DefaultClock(Family::Vardex), Family::Vardex, bridge);
    const PropertyPage& pll = sheet.Page(2);
    EXPECT_EQ(pll.Control(3830).text,
              "Divide Reference Frequency  is NOT between 5 and 30 MHz and may not function properly");
    EXPECT_FALSE(pll.Control(3830).visible);
    EXPECT_EQ(pll.Control(3818).max_length, 2u);
    EXPECT_TRUE(pll.Control(3818).upper_case);
    EXPECT_FALSE(pll.Control(3403).enabled);
    ASSERT_EQ(pll.Groups().size(), 5u);
    const GroupBox& frequency = pll.Groups()[2];
    EXPECT_EQ(frequency.caption, "PLL Frequency");
    ASSERT_EQ(frequency.rows[0].size(), 3u);
    EXPECT_EQ(frequency.rows[0][0].label, "Clock Speed");
    EXPECT_EQ(frequency.rows[0][1].control_id, 3403);
    EXPECT_EQ(frequency.rows[0][2].label, "Hz");
    EXPECT_EQ(pll.Groups()[3].rows[0][0].label, "Pre-Divider Value (Hex)");
    EXPECT_EQ(sheet.Page(1).Control(3414).text, "External CMOS / 2 ");
    EXPECT_EQ(sheet.Page(0).Control(3395).text, "Internal Oscillator / 8  (3.0625 MHz)");
}

TEST(SheetModel, PagesAreCreatedWhenFirstShownAndRefreshOnActivation) {
    OpenSheet s(Family::Vardex);
    EXPECT_TRUE(s.sheet.Page(0).Created());
    EXPECT_FALSE(s.sheet.Page(2).Created());
    EXPECT_FALSE(s.sheet.Page(2).Click(1014));  // not shown yet: nothing happens
    EXPECT_EQ(s.Clock().pll0cn, 0x03);

    s.Show("Internal Oscillator");
    s.Click(3395);  // / 8 with SYSCLK from the PLL: 3,062,500 x 4
    EXPECT_EQ(s.Clock().sysclk_hz, 12250000u);
    s.Show("PLL Setup");
    EXPECT_EQ(s.Text(3403), "12250000");
    EXPECT_EQ(s.Clock().pll0flt, 0x3F);  // 3 MHz reference, 12 MHz output: warned
    EXPECT_TRUE(s.Visible(3832));

    EXPECT_FALSE(s.sheet.Activate(9));
    EXPECT_EQ(s.sheet.ActivePage().Caption(), "PLL Setup");
    s.sheet.Cancel();
    EXPECT_EQ(s.sheet.Outcome(), SheetOutcome::Cancelled);
    EXPECT_FALSE(s.sheet.Ok());
    EXPECT_FALSE(s.sheet.Activate(0));
}

TEST(SheetModel, ClickKindsAndCheckBoxStates) {
    OpenSheet s(Family::Vardex);
    PropertyPage& p = s.Page();
    EXPECT_FALSE(p.Click(3367));  // the foot box
    EXPECT_FALSE(p.Click(4242));
    EXPECT_FALSE(p.EditText(3395, "x"));
    EXPECT_TRUE(p.ClickInto(3399, true));  // already on: no click
    EXPECT_EQ(s.Clock().oscicn, 0x83);
    EXPECT_TRUE(p.ClickInto(3399, false));
    EXPECT_EQ(s.Clock().oscicn, 0x03);
    EXPECT_FALSE(p.ClickInto(3396, true));  // a radio button
    s.Click(3396);
    EXPECT_TRUE(s.Checked(3396));
    EXPECT_FALSE(s.Checked(3398));
    EXPECT_TRUE(s.Checked(3399) == false);

    s.Show("PLL Setup");
    EXPECT_FALSE(s.Page().EditText(3403, "1"));  // a display
}

TEST(ParseHexField, CheckShortensAndReports) {
    std::vector<std::string> messages;
    std::string t = "  1F ";
    EXPECT_TRUE(ParseHexFieldCheck(t, 2, messages));
    EXPECT_EQ(t, "1F");
    t = "";
    EXPECT_TRUE(ParseHexFieldCheck(t, 2, messages));
    EXPECT_TRUE(messages.empty());

    t = " 1234";
    EXPECT_FALSE(ParseHexFieldCheck(t, 2, messages));
    EXPECT_EQ(t, "12");
    t = "x";
    EXPECT_FALSE(ParseHexFieldCheck(t, 2, messages));
    EXPECT_EQ(t, "");
    t = "gg";  // the walk goes on against the shortened text: one finding
    EXPECT_FALSE(ParseHexFieldCheck(t, 2, messages));
    EXPECT_EQ(t, "g");
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0], "Error: Exceeded Size For Initial Value.");
    EXPECT_EQ(messages[1], "Error: Invalid HEX Character.");
    EXPECT_EQ(messages[2], "Error: Invalid HEX Character.");

    // On the page, each finding is a box of the page's own: exclamation icon, no caption.
    OpenSheet s(Family::Vardex);
    s.Show("PLL Setup");
    s.Set(3818, "1Z");
    ASSERT_EQ(s.ui.messages.size(), 1u);
    EXPECT_EQ(s.ui.messages[0].text, "Error: Invalid HEX Character.");
    EXPECT_EQ(s.ui.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(s.ui.messages[0].caption, "");

    EXPECT_EQ(ParseHexFieldConvert("", 2), 0u);
    EXPECT_EQ(ParseHexFieldConvert(" F", 2), 0x0Fu);
    EXPECT_EQ(ParseHexFieldConvert("G1", 2), 0x01u);
    EXPECT_EQ(ParseHexFieldConvert("1G", 2), 0x10u);
    EXPECT_EQ(ParseHexFieldConvert("ABC", 2), 0xABu);
}

TEST(ClockMath, FrequencyTexts) {
    EXPECT_EQ(FormatPlainDecimal(98000000.0), "98000000");
    EXPECT_EQ(FormatPlainDecimal(6272000000.0), "6272000000");
    EXPECT_EQ(FormatPlainDecimal(2.5), "2.5");
    EXPECT_EQ(ReadFrequencyText("  +123abc"), 123u);
    EXPECT_EQ(ReadFrequencyText("abc"), 0u);
    EXPECT_EQ(ReadFrequencyText("-5"), 0u);
    EXPECT_EQ(ReadFrequencyText("123456789012"), 4294967295u);
    EXPECT_EQ(ParseUnsignedWhole(" 42 "), 42u);
    EXPECT_EQ(ParseUnsignedWhole(""), 0u);
    EXPECT_EQ(ParseUnsignedWhole("4294967295"), 4294967295u);
    EXPECT_FALSE(ParseUnsignedWhole("4294967296"));
    EXPECT_FALSE(ParseUnsignedWhole("-1"));
    EXPECT_FALSE(ParseUnsignedWhole("1 2"));
    EXPECT_FALSE(ParseUnsignedWhole("+"));
}
