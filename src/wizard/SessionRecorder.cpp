#include "wizard/SessionRecorder.h"

#include <array>

#include "wizard/OptionTree.h"
#include "wizard/SettingsPanel.h"
#include "wizard/WizardDialog.h"

namespace quillon {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Dotted(const Ip4& a) {
    return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." + std::to_string(a[3]);
}

// A path answer, "cancel" when the dialog was cancelled.
std::string PathAnswer(const char* verb, const std::optional<std::string>& path, std::optional<std::string>& unwritable) {
    if (!path) return std::string(verb) + " cancel";
    const auto argument = ScriptArgument(*path, "cancel");
    if (!argument) {
        if (!unwritable) unwritable = *path;
        return std::string(verb) + " cancel";
    }
    return std::string(verb) + " " + *argument;
}

}  // namespace

const std::vector<MenuName>& MenuNames() {
    static const std::vector<MenuName> kNames{
        {"new", MenuCommand::New},
        {"open", MenuCommand::Open},
        {"save", MenuCommand::Save},
        {"save-as", MenuCommand::SaveAs},
        {"select-folder", MenuCommand::SelectProjectDirectory},
        {"generate", MenuCommand::GenerateProject},
        {"exit", MenuCommand::Exit},
        {"help", MenuCommand::Help},
        {"context-help", MenuCommand::ContextHelp},
        {"about", MenuCommand::About},
        {"export-script", MenuCommand::ExportScript},
    };
    return kNames;
}

std::optional<std::string_view> MenuNameOf(int command) {
    for (const MenuName& m : MenuNames()) {
        if (m.command == command) return m.name;
    }
    return std::nullopt;
}

std::optional<std::string> ScriptArgument(std::string_view text, std::string_view reserved) {
    if (text.find('\n') != std::string_view::npos) return std::nullopt;
    const bool plain = !text.empty() && !IsBlank(text.front()) && !IsBlank(text.back()) && text.front() != '"' &&
                       text.back() != '\r' && (reserved.empty() || text != reserved);
    if (plain) return std::string(text);
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

SessionRecorder::SessionRecorder(Platform& inner) : inner_(inner) {}

SessionRecorder::Action SessionRecorder::Begin(std::optional<std::string> line) {
    if (!Recording() || !line) return Nested();
    outer_recorded_ = true;
    AppendLine(std::move(*line));
    return Nested();
}

void SessionRecorder::EndAction() {
    if (--depth_ > 0) return;
    if (edited_ && run_ && edited_->text != edited_text_) run_->exact = false;
    edited_ = nullptr;
    outer_recorded_ = false;
    if (listener_) listener_();
}

void SessionRecorder::AppendLine(std::string line) {
    FlushRun(false);
    anchor_ = lines_.size();
    lines_.push_back(std::move(line));
}

void SessionRecorder::AppendRun(int id, bool address, std::string before, std::string value, bool exact) {
    if (!run_ || run_->id != id || run_->address != address) {
        FlushRun(false);
        run_ = Run{id, address, std::move(before), {}, true};
    }
    run_->values.push_back(std::move(value));
    run_->exact = run_->exact && exact;
}

std::vector<std::string> SessionRecorder::RunLines(const Run& run, bool line_by_line) {
    const std::string head = (run.address ? "address " : "set ") + std::to_string(run.id) + " ";
    // The last text alone stores what the whole run stored, unless the edit would see no change
    // (it ends where it began) or some text was refused on the way.
    const bool last_only = !line_by_line && run.exact && run.values.back() != run.before;
    std::vector<std::string> lines;
    for (std::size_t i = last_only ? run.values.size() - 1 : 0; i < run.values.size(); ++i) {
        lines.push_back(head + (run.address ? run.values[i] : *ScriptArgument(run.values[i])));
    }
    return lines;
}

void SessionRecorder::FlushRun(bool line_by_line) {
    if (!run_) return;
    for (std::string& line : RunLines(*run_, line_by_line)) lines_.push_back(std::move(line));
    run_.reset();
    anchor_ = lines_.empty() ? 0 : lines_.size() - 1;
}

void SessionRecorder::RecordAnswer(std::string line) {
    if (!outer_recorded_) return;
    // An edit that asks: its run is written line by line, and the answer goes before the last.
    if (run_) FlushRun(true);
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(anchor_), std::move(line));
    ++anchor_;
}

SessionRecorder::Action SessionRecorder::Click(OptionNode node) {
    return Begin("click " + *ScriptArgument(InfoOf(node).text));
}

SessionRecorder::Action SessionRecorder::Select(OptionNode node, std::optional<OptionNode> selected) {
    // Pressing the text of the selected node changes nothing, and a script line skips it.
    if (selected == node) return Begin(std::nullopt);
    return Begin("select " + *ScriptArgument(InfoOf(node).text));
}

SessionRecorder::Action SessionRecorder::Edit(const PanelControl& control, std::string_view text) {
    if (!Recording() || !control.visible || !control.enabled) return Begin(std::nullopt);
    if (text.find('\n') != std::string_view::npos) {
        if (!unwritable_) unwritable_ = std::string(text);
        return Begin(std::nullopt);
    }
    outer_recorded_ = true;
    const bool fits = control.limit == 0 || text.size() <= control.limit;
    AppendRun(control.id, false, control.text, std::string(text), fits);
    edited_ = &control;
    edited_text_ = std::string(text);
    return Nested();
}

SessionRecorder::Action SessionRecorder::Address(const PanelControl& control, const Ip4& address) {
    if (!Recording() || !control.visible) return Begin(std::nullopt);
    outer_recorded_ = true;
    AppendRun(control.id, true, Dotted(control.address), Dotted(address), true);
    return Nested();
}

SessionRecorder::Action SessionRecorder::Combo(const PanelControl& control, int index) {
    if (!control.visible || !control.enabled || index < 0 || index == control.selection) return Begin(std::nullopt);
    return Begin("combo " + std::to_string(control.id) + " " + std::to_string(index));
}

SessionRecorder::Action SessionRecorder::Check(const PanelControl& control, bool checked) {
    if (!control.visible || !control.enabled || control.checked == checked) return Begin(std::nullopt);
    return Begin("check " + std::to_string(control.id) + (checked ? " on" : " off"));
}

SessionRecorder::Action SessionRecorder::Press(const PanelControl& control) {
    if (!control.visible || !control.enabled) return Begin(std::nullopt);
    return Begin("press " + std::to_string(control.id));
}

SessionRecorder::Action SessionRecorder::Menu(int command) {
    // Help, About and exporting the script change nothing a replay needs.
    switch (command) {
    case MenuCommand::New:
    case MenuCommand::Open:
    case MenuCommand::Save:
    case MenuCommand::SaveAs:
    case MenuCommand::SelectProjectDirectory:
    case MenuCommand::GenerateProject:
    case MenuCommand::Exit: return Begin("menu " + std::string(*MenuNameOf(command)));
    default: return Begin(std::nullopt);
    }
}

void SessionRecorder::SheetEvent(const SheetUserEvent& event) {
    if (!outer_recorded_) return;
    std::string line;
    switch (event.kind) {
    case SheetUserEvent::Kind::Page: line = "sheet page " + *ScriptArgument(event.page); break;
    case SheetUserEvent::Kind::Click: line = "sheet click " + std::to_string(event.id); break;
    case SheetUserEvent::Kind::Edit: {
        auto text = ScriptArgument(event.text);
        if (!text) {
            if (!unwritable_) unwritable_ = event.text;
            return;
        }
        line = "sheet set " + std::to_string(event.id) + " " + *text;
        break;
    }
    case SheetUserEvent::Kind::Ok: line = "sheet ok"; break;
    case SheetUserEvent::Kind::Cancel: line = "sheet cancel"; break;
    }
    AppendLine(std::move(line));
}

std::vector<std::string> SessionRecorder::Lines() const {
    std::vector<std::string> lines = lines_;
    if (run_) {
        for (std::string& line : RunLines(*run_, false)) lines.push_back(std::move(line));
    }
    return lines;
}

std::optional<std::string> SessionRecorder::Script(std::string* why) const {
    if (unwritable_) {
        if (why) *why = "\"" + *unwritable_ + "\" holds a line break, which a script line cannot carry";
        return std::nullopt;
    }
    std::string text =
        "# A Quillon session, from the defaults: quillon-cli script FILE replays it.\n"
        "# The answers to dialogs come before the command that asks.\n";
    for (const std::string& line : Lines()) text += line + "\n";
    return text;
}

void SessionRecorder::ShowMessage(const Message& message) { inner_.ShowMessage(message); }

bool SessionRecorder::AskYesNo(const Message& question) {
    const bool yes = inner_.AskYesNo(question);
    RecordAnswer(yes ? "answer yes" : "answer no");
    return yes;
}

Answer SessionRecorder::AskYesNoCancel(const Message& question) {
    const Answer answer = inner_.AskYesNoCancel(question);
    switch (answer) {
    case Answer::Yes: RecordAnswer("answer yes"); break;
    case Answer::No: RecordAnswer("answer no"); break;
    case Answer::Cancel: RecordAnswer("answer cancel"); break;
    }
    return answer;
}

std::optional<std::string> SessionRecorder::OpenFileDialog(const FileDialogRequest& request) {
    std::optional<std::string> path = inner_.OpenFileDialog(request);
    if (outer_recorded_) RecordAnswer(PathAnswer("file", path, unwritable_));
    return path;
}

std::optional<std::string> SessionRecorder::SaveFileDialog(const FileDialogRequest& request) {
    std::optional<std::string> path = inner_.SaveFileDialog(request);
    if (outer_recorded_) RecordAnswer(PathAnswer("file", path, unwritable_));
    return path;
}

std::optional<std::string> SessionRecorder::BrowseForFolder(const std::string& title, const std::string& initial_folder) {
    std::optional<std::string> path = inner_.BrowseForFolder(title, initial_folder);
    if (outer_recorded_) RecordAnswer(PathAnswer("folder", path, unwritable_));
    return path;
}

bool SessionRecorder::RunSheet(SheetModel& sheet) { return inner_.RunSheet(sheet); }

bool SessionRecorder::ShowHelp(const std::string& path) { return inner_.ShowHelp(path); }

bool SessionRecorder::ShowHelpSection(const std::string& path, const std::string& section) {
    return inner_.ShowHelpSection(path, section);
}

void SessionRecorder::ShowAbout(const AboutBox& about) { inner_.ShowAbout(about); }

bool SessionRecorder::PreviewGeneration(const GenerationPreview& preview) {
    const bool generate = inner_.PreviewGeneration(preview);
    // A script's preview generates unless told otherwise.
    if (!generate) RecordAnswer("preview cancel");
    return generate;
}

}  // namespace quillon
