// Runs a UI script against one wizard window: each line is one routed event of the window (or
// of the oscillator sheet while it is open), dialogs take the answers queued before them, and
// `show` prints the state. A script error stops the run with "error: line N: WHY" on the error
// stream and status 2.
#pragma once

#include <cstddef>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/AnsweringPlatform.h"
#include "cli/ScriptParser.h"
#include "wizard/WizardDialog.h"

namespace quillon::cli {

class ScriptRunner {
public:
    // Warnings (answers no dialog took) go to `warn`, or to `err` when it is not given.
    ScriptRunner(std::ostream& out, std::ostream& err);
    ScriptRunner(std::ostream& out, std::ostream& err, std::ostream& warn);
    ~ScriptRunner();
    ScriptRunner(const ScriptRunner&) = delete;
    ScriptRunner& operator=(const ScriptRunner&) = delete;

    // Parses the whole script first (a syntax error runs nothing), then opens the window and
    // runs the lines in order. Returns the exit status: 0; 1 when a settings file could not be
    // opened or saved (the lines after it still run); 2 after a script error.
    int Run(std::string_view script, const WizardOptions& options);

private:
    // Thrown to stop the script with a reason for the current line.
    struct Failure {
        std::string why;
    };

    int SettingsFileStatus() const;
    void Execute(const ScriptCommand& command);
    void ExecuteWindowCommand(const ScriptCommand& command);
    void Show(ShowWhat what);

    // While the sheet is open, the following lines run as sheet commands until "sheet ok"
    // (accepted by the sheet) or "sheet cancel"; returns whether it ended with OK.
    bool DriveSheet(SheetModel& sheet);
    // Runs one sheet command; true when it ended the sheet.
    bool ExecuteSheetCommand(SheetModel& sheet, const ScriptCommand& command);

    OptionNode NodeNamed(const std::string& text) const;
    // The panel control `id` as the user could reach it: it must be shown and enabled.
    const PanelControl& ReachableControl(int id) const;

    std::ostream& out_;
    std::ostream& err_;
    std::ostream& warn_;
    AnsweringPlatform platform_;
    std::unique_ptr<WizardDialog> window_;
    std::vector<ScriptCommand> commands_;
    std::size_t next_ = 0;
    int line_ = 0;
    SheetModel* sheet_ = nullptr;
    bool closed_ = false;
};

}  // namespace quillon::cli
