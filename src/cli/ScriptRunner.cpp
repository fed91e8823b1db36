#include "cli/ScriptRunner.h"

#include <exception>

#include "cli/ClockReport.h"
#include "cli/FindingFormat.h"
#include "cli/StateFormat.h"
#include "clock/ClockSolver.h"
#include "clock/SheetModel.h"
#include "wizard/NodeFilter.h"
#include "wizard/NodeSummary.h"
#include "wizard/OptionTree.h"

namespace quillon::cli {

namespace {

bool IsSheetVerb(ScriptVerb verb) {
    switch (verb) {
    case ScriptVerb::SheetPage:
    case ScriptVerb::SheetClick:
    case ScriptVerb::SheetSet:
    case ScriptVerb::SheetCheck:
    case ScriptVerb::SheetSolve:
    case ScriptVerb::SheetOk:
    case ScriptVerb::SheetCancel: return true;
    default: return false;
    }
}

bool IsValueEdit(int id) {
    return id == ControlId::Value1 || id == ControlId::Value2 || id == ControlId::Value3 || id == ControlId::Value4;
}

bool IsMacEdit(int id) { return id >= ControlId::DestMacFirst && id < ControlId::SrcMacFirst + 6; }

// Lines that only queue answers or print state: allowed whether or not the sheet is open.
bool IsNeutralVerb(ScriptVerb verb) {
    return verb == ScriptVerb::Answer || verb == ScriptVerb::File || verb == ScriptVerb::Folder || verb == ScriptVerb::Preview ||
           verb == ScriptVerb::Show || verb == ScriptVerb::RunChecks || verb == ScriptVerb::Explain;
}

}  // namespace

ScriptRunner::ScriptRunner(std::ostream& out, std::ostream& err) : ScriptRunner(out, err, err) {}

ScriptRunner::ScriptRunner(std::ostream& out, std::ostream& err, std::ostream& warn)
    : out_(out), err_(err), warn_(warn), platform_(out, err, EventStyle::Script) {
    platform_.SetSheetDriver([this](SheetModel& sheet) { return DriveSheet(sheet); });
}

ScriptRunner::~ScriptRunner() = default;

int ScriptRunner::Run(std::string_view script, const WizardOptions& options) {
    ParsedScript parsed = ParseScript(script);
    if (parsed.error) {
        err_ << "error: line " << parsed.error->line << ": " << parsed.error->why << '\n';
        return 2;
    }
    commands_ = std::move(parsed.commands);
    next_ = 0;
    line_ = 0;
    try {
        window_ = std::make_unique<WizardDialog>(platform_, options);
        window_->Initialise();
        while (next_ < commands_.size()) {
            const ScriptCommand& command = commands_[next_++];
            line_ = command.line;
            Execute(command);
        }
    } catch (const Failure& f) {
        out_.flush();
        err_ << "error: line " << line_ << ": " << f.why << '\n';
        return 2;
    } catch (const std::exception& e) {
        // A dialog nobody answered, or a failure inside the window: the script cannot go on.
        out_.flush();
        err_ << "error: line " << line_ << ": " << e.what() << '\n';
        return 2;
    }
    // An answer that no dialog took usually means the script expected a dialog that never
    // came; say so, but the run itself succeeded.
    out_.flush();
    for (int line : platform_.UnusedAnswerLines()) {
        warn_ << "warning: line " << line << ": queued answer was never used\n";
    }
    return SettingsFileStatus();
}

// A save or an open that failed does not stop the script (the window goes on, as it does for
// the user), but the run did not do what it was asked: status 1 once every line has run.
int ScriptRunner::SettingsFileStatus() const {
    if (window_->SettingsFileFailures() == 0) return 0;
    err_ << "a settings file could not be opened or saved (" << window_->SettingsFileFailures()
         << " time(s)); the script ran to its end\n";
    return 1;
}

void ScriptRunner::Execute(const ScriptCommand& c) {
    switch (c.verb) {
    case ScriptVerb::Answer:
        platform_.QueueAnswer(c.cancel ? Answer::Cancel : c.flag ? Answer::Yes : Answer::No, c.line);
        return;
    case ScriptVerb::File:
        platform_.QueueFile(c.cancel ? std::nullopt : std::optional<std::string>(c.text), c.line);
        return;
    case ScriptVerb::Folder:
        platform_.QueueFolder(c.cancel ? std::nullopt : std::optional<std::string>(c.text), c.line);
        return;
    case ScriptVerb::Preview: platform_.QueuePreview(c.flag, c.line); return;
    case ScriptVerb::Show: Show(c.show); return;
    case ScriptVerb::RunChecks: {
        std::vector<Finding> findings = window_->Findings();
        for (Finding& warning : window_->Warnings()) findings.push_back(std::move(warning));
        WriteFindings(findings, out_);
        return;
    }
    case ScriptVerb::Explain: WriteExplanation(window_->Explain(NodeNamed(c.text)), out_); return;
    default: break;
    }
    if (IsSheetVerb(c.verb)) throw Failure{"no oscillator sheet is open"};
    if (closed_) throw Failure{"the window has closed"};
    ExecuteWindowCommand(c);
}

void ScriptRunner::ExecuteWindowCommand(const ScriptCommand& c) {
    WizardDialog& w = *window_;
    switch (c.verb) {
    case ScriptVerb::Click: w.OnOptionClick(NodeNamed(c.text)); break;
    case ScriptVerb::Find: {
        // As the filter's Enter: the best match is selected, or the tree says that none is.
        const NodeFilterResult found = FilterNodes(c.text);
        if (!found.best) {
            out_ << "find: " << NoMatchText(c.text) << '\n';
            break;
        }
        out_ << "find: " << found.matches.size() << " found, selects " << InfoOf(*found.best).text << '\n';
        if (w.Tree().Selected() != *found.best) w.OnSelectionChange(*found.best);
        break;
    }
    case ScriptVerb::Select: {
        const OptionNode node = NodeNamed(c.text);
        // A press on the text of the node that is already selected changes no selection.
        if (w.Tree().Selected() != node) w.OnSelectionChange(node);
        break;
    }
    case ScriptVerb::Set:
        if (!IsValueEdit(c.id) && !IsMacEdit(c.id)) throw Failure{"control " + std::to_string(c.id) + " is not an edit"};
        ReachableControl(c.id);
        if (const std::string note = IsMacEdit(c.id) ? w.OnMacEdited(c.id, c.text) : w.OnValueEdited(c.id, c.text);
            !note.empty()) {
            out_ << "note: " << c.id << ": " << note << '\n';
        }
        break;
    case ScriptVerb::Check: {
        if (c.id != ControlId::ArpAutoUpdate) throw Failure{"control " + std::to_string(c.id) + " is not a check box"};
        // Clicking a check box into the state it already has takes no click at all.
        if (ReachableControl(c.id).checked != c.flag) w.OnArpAutoUpdateClicked(c.flag);
        break;
    }
    case ScriptVerb::Address:
        if (c.id < ControlId::Address1 || c.id > ControlId::Address4)
            throw Failure{"control " + std::to_string(c.id) + " is not an address control"};
        ReachableControl(c.id);
        if (const std::string note = w.OnAddressTyped(c.id, c.text); !note.empty()) {
            out_ << "note: " << c.id << ": " << note << '\n';
        }
        break;
    case ScriptVerb::Combo: {
        if (c.id != ControlId::CountryCombo && c.id != ControlId::ProtocolCombo)
            throw Failure{"control " + std::to_string(c.id) + " is not a combo box"};
        ReachableControl(c.id);
        const int count = c.id == ControlId::CountryCombo ? kCountryCount : kProtocolCount;
        if (c.index < 0 || c.index >= count)
            throw Failure{"combo " + std::to_string(c.id) + " has no entry " + std::to_string(c.index) + " (0 to " +
                          std::to_string(count - 1) + ")"};
        w.OnComboChanged(c.id, c.index);
        break;
    }
    case ScriptVerb::Press:
        if (c.id != ControlId::ConfigureSysclk && c.id != ControlId::UpdateBaudRate)
            throw Failure{"control " + std::to_string(c.id) + " is not a button"};
        ReachableControl(c.id);
        if (c.id == ControlId::ConfigureSysclk) {
            w.OnConfigureSysclk();
        } else {
            w.OnUpdateUartBaudRate();
        }
        break;
    case ScriptVerb::Menu:
        if (c.id == MenuCommand::Exit) {
            if (w.OnExit()) {
                closed_ = true;
                out_ << "window closed\n";
            }
        } else {
            w.OnMenuCommand(c.id);
        }
        break;
    default: throw Failure{"cannot run this command here"};
    }
}

void ScriptRunner::Show(ShowWhat what) {
    switch (what) {
    case ShowWhat::Record: WriteRecordState(window_->Record(), out_); break;
    case ShowWhat::Tree: WriteTreeState(window_->Tree(), out_, window_->NodesWithProblems()); break;
    case ShowWhat::Panel: WritePanelState(window_->Panel(), out_); break;
    case ShowWhat::Window: WriteWindowState(*window_, out_); break;
    case ShowWhat::Summary:
        if (const std::optional<OptionNode> selected = window_->Tree().Selected()) {
            WriteSummary(SummaryOf(*selected, window_->Tree(), window_->Record()), out_);
        }
        break;
    case ShowWhat::Sheet:
        if (!sheet_) throw Failure{"no oscillator sheet is open"};
        WriteSheetState(*sheet_, out_);
        break;
    }
}

bool ScriptRunner::DriveSheet(SheetModel& sheet) {
    sheet_ = &sheet;
    // However the sheet ends (or the script fails inside it), it is not open afterwards.
    struct Close {
        SheetModel*& sheet;
        ~Close() { sheet = nullptr; }
    } close{sheet_};
    while (next_ < commands_.size()) {
        const ScriptCommand& command = commands_[next_++];
        line_ = command.line;
        if (IsNeutralVerb(command.verb)) {
            Execute(command);
        } else if (!IsSheetVerb(command.verb)) {
            throw Failure{"the oscillator sheet is open; end it with \"sheet ok\" or \"sheet cancel\" first"};
        } else if (ExecuteSheetCommand(sheet, command)) {
            return sheet.Outcome() == SheetOutcome::Ok;
        }
    }
    throw Failure{"the script ended while the oscillator sheet is open"};
}

bool ScriptRunner::ExecuteSheetCommand(SheetModel& sheet, const ScriptCommand& c) {
    switch (c.verb) {
    case ScriptVerb::SheetPage: {
        const auto index = sheet.FindPage(c.text);
        if (!index) throw Failure{"the sheet has no page \"" + c.text + "\""};
        // A refusal (the active page cannot be left) shows its message; the script goes on.
        sheet.Activate(*index);
        return false;
    }
    case ScriptVerb::SheetOk:
        // Refused while the active page cannot be left: the sheet stays open.
        return sheet.Ok();
    case ScriptVerb::SheetCancel: sheet.Cancel(); return true;
    case ScriptVerb::SheetSolve: {
        // The best solution, applied as the user would click it.
        const std::vector<ClockSolution> best = SolveClock(SheetSolveRequest(sheet, c.hz, 1));
        if (best.empty()) {
            out_ << "solve: no register setting reaches " << c.hz << " Hz within the limits\n";
            return false;
        }
        out_ << "solve: " << ClockSolutionLine(sheet.SheetFamily(), best.front()) << '\n';
        if (!ApplyClockSolution(sheet, best.front().clock)) throw Failure{"the pages did not take the solution"};
        return false;
    }
    default: break;
    }
    PropertyPage& page = sheet.ActivePage();
    if (!page.Has(c.id)) throw Failure{"page \"" + page.Caption() + "\" has no control " + std::to_string(c.id)};
    bool done = false;
    if (c.verb == ScriptVerb::SheetClick) {
        done = page.Click(c.id);
    } else if (c.verb == ScriptVerb::SheetSet) {
        done = page.EditText(c.id, c.text);
    } else {
        done = page.ClickInto(c.id, c.flag);
    }
    if (!done) {
        const PageControl& control = page.Control(c.id);
        const char* why = !control.visible        ? "is not shown"
                          : !control.enabled      ? "is disabled"
                          : c.verb == ScriptVerb::SheetSet ? "cannot take a text"
                                                  : "cannot be clicked that way";
        throw Failure{"control " + std::to_string(c.id) + " " + why};
    }
    return false;
}

OptionNode ScriptRunner::NodeNamed(const std::string& text) const {
    const auto node = NodeByText(text);
    if (!node) throw Failure{"unknown node: " + text};
    return *node;
}

const PanelControl& ScriptRunner::ReachableControl(int id) const {
    const SettingsPanel& panel = window_->Panel();
    if (!panel.Has(id)) throw Failure{"unknown control " + std::to_string(id)};
    const PanelControl& control = panel.Control(id);
    if (!control.visible) throw Failure{"control " + std::to_string(id) + " is not shown"};
    if (!control.enabled) throw Failure{"control " + std::to_string(id) + " is disabled"};
    return control;
}

}  // namespace quillon::cli
