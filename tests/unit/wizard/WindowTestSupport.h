// A window over the fake platform, initialised as at start-up, for the window's tests.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "wizard/WizardDialog.h"

namespace quillon::test {

// The lines of a text that ends each line with a line feed.
inline std::vector<std::string> TextLines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

class WindowTest : public ::testing::Test {
protected:
    WindowTest() : dlg(ui, MakeOptions(dir)) { dlg.Initialise(); }

    static WizardOptions MakeOptions(const TempDir& dir) {
        WizardOptions o;
        o.program_dir = dir.Path();
        o.store_path = dir.File("no-store.so");  // no library store: the window opens anyway
        return o;
    }

    void Click(OptionNode n) { dlg.OnOptionClick(n); }
    bool Checked(OptionNode n) const { return dlg.Tree().IsChecked(n); }
    TreeImage Image(OptionNode n) const { return dlg.Tree().Image(n); }
    std::uint32_t Options() const { return dlg.Record().option_bits; }
    std::uint32_t Devices() const { return dlg.Record().device_bits; }
    const PanelControl& Ctl(int id) const { return dlg.Panel().Control(id); }

    TempDir dir;
    FakePlatform ui;
    WizardDialog dlg;
};

}  // namespace quillon::test
