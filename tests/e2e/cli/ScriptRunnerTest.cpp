#include "cli/ScriptRunner.h"

#include <gtest/gtest.h>

#include <sstream>

#include "TestSupport.h"

namespace quillon::cli {
namespace {

struct RunResult {
    int status = 0;
    std::string out;
    std::string err;
};

// Runs a script against a window that finds neither a store nor a help file.
RunResult RunScript(const std::string& script) {
    test::TempDir dir;
    WizardOptions options;
    options.program_dir = dir.Path();
    options.store_path = dir.File("no-store.so");
    std::ostringstream out, err;
    ScriptRunner runner(out, err);
    RunResult r;
    r.status = runner.Run(script, options);
    r.out = out.str();
    r.err = err.str();
    return r;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(ScriptRunner, ScriptErrorsNameTheirLine) {
    struct Case {
        const char* script;
        const char* error;
    };
    const Case cases[] = {
        {"show window\nclick Nonexistent Node\n", "error: line 2: unknown node: Nonexistent Node\n"},
        {"# syntax first: nothing runs\nshow window\nfrobnicate\n", "error: line 3: unknown command: frobnicate\n"},
        {"set 1001 5\n", "error: line 1: control 1001 is not shown\n"},
        {"set 1034 5\n", "error: line 1: control 1034 is not an edit\n"},
        {"select Modara\npress 1031\n", "error: line 2: control 1031 is disabled\n"},
        {"select Modara\ncombo 1039 42\n", "error: line 2: combo 1039 has no entry 42 (0 to 41)\n"},
        {"press 1020\n", "error: line 1: control 1020 is not a button\n"},
        {"sheet ok\n", "error: line 1: no oscillator sheet is open\n"},
        {"show sheet\n", "error: line 1: no oscillator sheet is open\n"},
        {"click HTTP\n\nmenu exit\n", "error: line 3: a question without a queued answer: Do you want to save your settings? They are a new configuration, not saved to a file yet.\n"},
        {"menu exit\nclick HTTP\n", "error: line 2: the window has closed\n"},
    };
    for (const Case& c : cases) {
        const RunResult r = RunScript(c.script);
        EXPECT_EQ(r.status, 2) << c.script;
        EXPECT_EQ(r.err, c.error) << c.script;
    }
    // A syntax error runs nothing at all, not even the lines before it.
    EXPECT_EQ(RunScript("show window\nfrobnicate\n").out, "");
}

TEST(ScriptRunner, TheSheetTakesTheLinesUntilItEnds) {
    RunResult r = RunScript("select SYSCLK\npress 1010\nshow sheet\nclick HTTP\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Contains(r.out, "page: ")) << r.out;
    EXPECT_EQ(r.err, "error: line 4: the oscillator sheet is open; end it with \"sheet ok\" or \"sheet cancel\" first\n");

    r = RunScript("select SYSCLK\npress 1010\nsheet page No Such Page\n");
    EXPECT_EQ(r.err, "error: line 3: the sheet has no page \"No Such Page\"\n");

    r = RunScript("select SYSCLK\npress 1010\nshow window\n");
    EXPECT_EQ(r.err, "error: line 3: the script ended while the oscillator sheet is open\n");

    // After the sheet has ended, sheet commands are refused again and window commands work.
    r = RunScript("select SYSCLK\npress 1010\nsheet cancel\nsheet ok\n");
    EXPECT_EQ(r.err, "error: line 4: no oscillator sheet is open\n");
    r = RunScript("select SYSCLK\npress 1010\nsheet ok\nshow record\nclick HTTP\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "clock_confirmed=1\n")) << r.out;
}

TEST(ScriptRunner, QueuedAnswersAreUsedInOrderAndLeftoversWarned) {
    RunResult r = RunScript("answer no\nclick HTTP\nmenu exit\nanswer yes\nfolder cancel\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "question: Do you want to save your settings? They are a new configuration, not saved to a file yet. -> no\nwindow closed\n");
    EXPECT_EQ(r.err, "warning: line 4: queued answer was never used\nwarning: line 5: queued answer was never used\n");
}

TEST(ScriptRunner, ExitThatCannotSaveKeepsTheWindowOpen) {
    const RunResult r = RunScript("click HTTP\nanswer yes\nfile cancel\nmenu exit\nshow window\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "question: Do you want to save your settings? They are a new configuration, not saved to a file yet. -> yes\nsave-dialog -> cancel\n")) << r.out;
    EXPECT_FALSE(Contains(r.out, "window closed")) << r.out;
    EXPECT_TRUE(Contains(r.out, "modified=1\n")) << r.out;
}

TEST(ScriptRunner, CheckBoxIsOnlyClickedWhenItsStateDiffers) {
    const RunResult r = RunScript("select ARP\ncheck 1011 off\nshow window\ncheck 1011 on\nshow window\nshow record\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "modified=0\n")) << r.out;
    EXPECT_TRUE(Contains(r.out, "modified=1\n")) << r.out;
    EXPECT_TRUE(Contains(r.out, "arp_auto_update=1\n")) << r.out;
}

}  // namespace
}  // namespace quillon::cli
