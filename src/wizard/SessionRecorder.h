// The session as a quillon-cli script: every user action on the window, the answers its
// dialogs got and the events of the oscillator sheet, written so that `quillon-cli script`
// replays them to the same record and tree. A bug report or a CI job starts from it.
//
// The recorder stands between the window and its Platform, so it sees every dialog and its
// answer. The window opens an action scope at the start of each routed event; events that an
// action runs on its own (the selection an option click makes) are not actions of their own.
// An answer is written before the line whose action asked for it, as a script must queue it.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "clock/SheetUi.h"
#include "config/ConfigRecord.h"
#include "config/OptionNodes.h"
#include "wizard/Platform.h"

namespace quillon {

struct PanelControl;

// The script language's menu names ("save-as", ...) with their command ids.
struct MenuName {
    std::string_view name;
    int command;
};
const std::vector<MenuName>& MenuNames();
std::optional<std::string_view> MenuNameOf(int command);

// `text` as the final argument of a script line: as it is when the line reads it back
// unchanged, else in double quotes with \" and \\. `reserved` is a word that would mean
// something else unquoted ("cancel" for a path). Nothing for a text holding a line break,
// which no script line can carry.
std::optional<std::string> ScriptArgument(std::string_view text, std::string_view reserved = {});

class SessionRecorder final : public Platform {
public:
    explicit SessionRecorder(Platform& inner);
    SessionRecorder(const SessionRecorder&) = delete;
    SessionRecorder& operator=(const SessionRecorder&) = delete;

    // Open while a routed event runs; the outermost one decides whether it is recorded.
    class [[nodiscard]] Action {
    public:
        explicit Action(SessionRecorder* recorder) : recorder_(recorder) {}
        Action(Action&& other) noexcept : recorder_(other.recorder_) { other.recorder_ = nullptr; }
        Action(const Action&) = delete;
        Action& operator=(const Action&) = delete;
        Action& operator=(Action&&) = delete;
        ~Action() {
            if (recorder_) recorder_->EndAction();
        }

    private:
        SessionRecorder* recorder_;
    };

    // Nothing is recorded before Start (the window's own initialisation).
    void Start() { started_ = true; }

    // The window's routed events. Each is recorded only when it is the outermost action and
    // a script line can do the same: the checks mirror what the script runner accepts.
    Action Click(OptionNode node);
    Action Select(OptionNode node, std::optional<OptionNode> selected);
    // A value or MAC edit whose control takes `text` (already cut to what the edit keeps).
    Action Edit(const PanelControl& control, std::string_view text);
    // The text of the edit just recorded was not stored: the run of edits is then written
    // line by line, so that the replay stores what the session stored on the way.
    void EditNotStored() {
        if (run_) run_->exact = false;
    }
    Action Address(const PanelControl& control, const Ip4& address);
    Action Combo(const PanelControl& control, int index);
    Action Check(const PanelControl& control, bool checked);
    Action Press(const PanelControl& control);
    Action Menu(int command);

    // An event of the oscillator sheet; recorded while a recorded action runs the sheet.
    void SheetEvent(const SheetUserEvent& event);

    // The script so far. Nothing (with `why` set) when a recorded text cannot be written.
    std::optional<std::string> Script(std::string* why = nullptr) const;
    // The recorded lines, for tests.
    std::vector<std::string> Lines() const;

    // Called when the outermost action ends, so that a front end can show its effects at once.
    void SetActionListener(std::function<void()> listener) { listener_ = std::move(listener); }

    // Platform: passed through, answers recorded.
    void ShowMessage(const Message& message) override;
    bool AskYesNo(const Message& question) override;
    Answer AskYesNoCancel(const Message& question) override;
    std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> BrowseForFolder(const std::string& title, const std::string& initial_folder) override;
    bool RunSheet(SheetModel& sheet) override;
    bool ShowHelp(const std::string& path) override;
    bool ShowHelpSection(const std::string& path, const std::string& section) override;
    // Generate Project's preview is passed through; a script has no verb for its Cancel.
    bool PreviewGeneration(const GenerationPreview& preview) override;
    void ShowAbout(const AboutBox& about) override;

private:
    // Consecutive edits of one control. Typing sends one edit a key; the run is written as its
    // last text alone when that gives the same record, else line by line.
    struct Run {
        int id = 0;
        bool address = false;
        std::string before;  // the control's text (or dotted address) before the run
        std::vector<std::string> values;
        bool exact = true;  // false when some text was refused (longer than the edit takes)
    };

    Action Begin(std::optional<std::string> line);
    Action Nested() { ++depth_; return Action(this); }
    void EndAction();
    bool Recording() const { return started_ && depth_ == 0; }
    void AppendLine(std::string line);
    void AppendRun(int id, bool address, std::string before, std::string value, bool exact);
    void FlushRun(bool line_by_line);
    void RecordAnswer(std::string line);
    static std::vector<std::string> RunLines(const Run& run, bool line_by_line);

    Platform& inner_;
    bool started_ = false;
    int depth_ = 0;
    bool outer_recorded_ = false;
    std::vector<std::string> lines_;
    std::optional<Run> run_;
    // Where the next answer goes: before the line of the action that is running.
    std::size_t anchor_ = 0;
    // The edit being recorded: when its control does not end up holding the typed text (the
    // text was refused), the run is written line by line.
    const PanelControl* edited_ = nullptr;
    std::string edited_text_;
    // The first text that no script line can carry, if any.
    std::optional<std::string> unwritable_;
    std::function<void()> listener_;
};

}  // namespace quillon
