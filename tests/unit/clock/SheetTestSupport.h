// A sheet over a family's default clock block, opened as the window opens it, with short
// ways to show pages and read controls.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "config/ClockDefaults.h"
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

}  // namespace quillon::test
