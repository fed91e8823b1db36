// A sheet over a family's default clock block, opened as the window opens it, with short
// ways to show pages and read controls.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "config/ClockDefaults.h"
#include "clock/ExternalOscillatorPage.h"
#include "clock/SheetModel.h"
#include "wizard/PlatformSheetUi.h"

namespace quillon::test {

struct OpenSheet {
    explicit OpenSheet(Family family) : OpenSheet(family, DefaultClock(family)) {}
    OpenSheet(Family family, const ClockBlock& clock) : sheet(clock, family, bridge) { sheet.Open(); }

    // Activates the page with that caption; fails the test when it is refused.
    PropertyPage& Show(const std::string& caption) {
        auto index = sheet.FindPage(caption);
        EXPECT_TRUE(index.has_value()) << caption;
        EXPECT_TRUE(sheet.Activate(index.value_or(0))) << caption;
        return sheet.ActivePage();
    }
    PropertyPage& Page() { return sheet.ActivePage(); }
    const ClockBlock& Clock() const { return sheet.Working(); }
    const std::string& Text(int id) { return Page().Control(id).text; }
    bool Checked(int id) { return Page().Control(id).checked; }
    bool Visible(int id) { return Page().Control(id).visible; }
    void Click(int id) { EXPECT_TRUE(Page().Click(id)) << id; }
    void Set(int id, const std::string& text) { EXPECT_TRUE(Page().EditText(id, text)) << id; }

    FakePlatform ui;
    PlatformSheetUi bridge{ui};
    SheetModel sheet;
};

// The ways a user reaches SYSCLK on each family's pages: a random sequence of clicks on the
// choices the pages offer and of typed values, ending on the page that computes SYSCLK.
inline void ClickAround(OpenSheet& s, Family family, std::mt19937& random) {
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    static const std::vector<std::string> kFrequencies = {"32768", "4000000", "11059200", "12000000", "18432000",
                                                          "22118400", "24000000", "25000000"};
    // The external modes the solver models: off, CMOS and crystal, each whole and halved.
    const std::vector<int> modes = family == Family::Pelmar ? std::vector<int>{1242, 1243, 1244, 3417, 3418}
                                                            : std::vector<int>{3412, 3413, 3414, 3417, 3418};
    // Mostly the button of the crystal's range, as a user reading the labels picks it.
    const auto External = [&](OpenSheet& sheet, Family f, int mode, const std::string& hz, int chance) {
        sheet.Show("External Oscillator");
        sheet.Click(mode);
        sheet.Set(3409, hz);
        if (!sheet.Page().Control(3419).enabled) return;
        const OscillatorMode* m = ModeOf(f, sheet.Clock().oscxcn);
        const int code = m ? CodeForFrequency(m->labels, sheet.Clock().ext_osc_hz) : -1;
        sheet.Click(3419 + (chance > 0 && code >= 0 ? code : pick(8)));
    };
    for (int step = 0; step < 12; ++step) {
        switch (family) {
        case Family::Vardex:
            switch (pick(6)) {
            case 0: s.Show("Internal Oscillator"); s.Click(3395 + pick(4)); break;
            case 1:
                External(s, family, modes[static_cast<std::size_t>(pick(5))], kFrequencies[static_cast<std::size_t>(pick(8))],
                         pick(4));
                break;
            case 2: s.Show("PLL Setup"); s.Click(3816 + pick(2)); break;
            case 3: {
                s.Show("PLL Setup");
                char hex[8];
                // Mostly small values, which keep the PLL in its range more often.
                const bool small = pick(4) > 0;
                std::snprintf(hex, sizeof hex, "%02X", small ? 1 + pick(6) : pick(32));
                s.Set(3818, hex);
                std::snprintf(hex, sizeof hex, "%02X", small ? 1 + pick(16) : pick(256));
                s.Set(3819, hex);
                break;
            }
            case 4: s.ui.answers = {true}; s.Show("SYSCLK Select"); s.Click(3813 + pick(3)); s.ui.answers.clear(); break;
            default: s.Show("SYSCLK Select"); s.Click(3833 + 2 * pick(4)); break;
            }
            break;
        case Family::Pelmar:
            switch (pick(3)) {
            case 0: s.Show("Internal Oscillator"); s.Click(3395 + pick(4)); break;
            case 1:
                External(s, family, modes[static_cast<std::size_t>(pick(5))], kFrequencies[static_cast<std::size_t>(pick(8))],
                         pick(4));
                break;
            default:
                s.ui.answers = {true};
                s.Show(pick(2) ? "Internal Oscillator" : "External Oscillator");
                s.Click(1230);
                s.ui.answers.clear();
                break;
            }
            break;
        default:
            switch (pick(4)) {
            case 0: s.Show("Internal Oscillator"); s.Click(3395 + pick(4)); break;
            case 1:
                External(s, family, modes[static_cast<std::size_t>(pick(5))], kFrequencies[static_cast<std::size_t>(pick(8))],
                         pick(4));
                break;
            case 2: s.Show("Clock Multiplier"); s.Click(6721 + pick(3)); break;
            default: {
                static constexpr int kSource[4] = {3813, 3814, 6796, 6797};
                s.Show("SYSCLK Select");
                s.Click(kSource[pick(4)]);
                break;
            }
            }
            break;
        }
    }
    if (family != Family::Pelmar) s.Show("SYSCLK Select");
}

}  // namespace quillon::test
