// The wizard's Platform without a display: every dialog takes its answer from a queue that a
// script (or the generate command) filled beforehand, and every event is written as one line.
// A dialog that finds no queued answer throws UnansweredDialog, since there is nobody to ask.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "wizard/Platform.h"

namespace quillon::cli {

struct UnansweredDialog : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The folder a queued answer names could not be made, so the dialog cannot offer it.
struct FolderNotCreated : UnansweredDialog {
    FolderNotCreated(const std::string& folder, std::string why)
        : UnansweredDialog("the folder dialog cannot offer " + folder + ": " + why), reason(std::move(why)) {}
    std::string reason;
};

// How events are written: scripts get "message: TEXT", "question: TEXT -> yes" and so on;
// the one-shot commands print message texts as they are, those with an exclamation or error
// icon (refusals, errors) on the error stream.
enum class EventStyle { Script, Plain };

class AnsweringPlatform : public Platform {
public:
    AnsweringPlatform(std::ostream& out, std::ostream& err, EventStyle style);

    // `line` is where the answer was queued, for the warning about answers nobody used. Cancel
    // answers only a question that has a Cancel button.
    void QueueAnswer(Answer answer, int line);
    void QueueAnswer(bool yes, int line) { QueueAnswer(yes ? Answer::Yes : Answer::No, line); }
    // An empty optional cancels the dialog. `shown` is the path as the script wrote it; the
    // window receives it as an absolute path, as a real dialog would hand it over.
    void QueueFile(std::optional<std::string> shown, int line);
    // A queued folder that does not exist is created when the dialog takes it, as the dialog's
    // "New Folder" button would.
    void QueueFolder(std::optional<std::string> shown, int line);
    // The answer to the next preview of Generate Project: true generates, false cancels. A
    // preview without a queued answer generates, as one without a front end to ask does.
    void QueuePreview(bool generate, int line);

    // Who drives the oscillator sheet while it is open; without one, a sheet is an
    // unanswered dialog.
    void SetSheetDriver(std::function<bool(SheetModel&)> driver) { sheet_driver_ = std::move(driver); }

    // Script lines whose queued answers no dialog took.
    std::vector<int> UnusedAnswerLines() const;

    // Every message box shown so far, in order.
    const std::vector<Message>& Messages() const { return messages_; }

    // Platform
    void ShowMessage(const Message& message) override;
    bool AskYesNo(const Message& question) override;
    Answer AskYesNoCancel(const Message& question) override;
    std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> BrowseForFolder(const std::string& title, const std::string& initial_folder) override;
    bool RunSheet(SheetModel& sheet) override;
    bool ShowHelp(const std::string& path) override;
    void ShowAbout(const AboutBox& about) override;
    bool PreviewGeneration(const GenerationPreview& preview) override;

private:
    struct Queued {
        std::optional<std::string> shown;
        int line = 0;
    };
    std::optional<std::string> TakePath(std::deque<Queued>& queue, const char* dialog, bool folder);
    Answer TakeAnswer(const Message& question, bool cancel_allowed);

    std::ostream& out_;
    std::ostream& err_;
    EventStyle style_;
    std::deque<std::pair<Answer, int>> answers_;
    std::deque<Queued> files_;
    std::deque<Queued> folders_;
    std::deque<std::pair<bool, int>> previews_;
    std::vector<Message> messages_;
    std::function<bool(SheetModel&)> sheet_driver_;
};

// `path` made absolute against the current folder, without a trailing slash (except "/").
std::string AbsolutePath(const std::string& path);

}  // namespace quillon::cli
