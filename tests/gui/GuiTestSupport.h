// Shared by the GUI tests: a Qt Platform whose message boxes, questions and file dialogs are
// recorded and answered from queues (the oscillator sheet, About and help stay real), a wizard
// started on the build tree, and a way to act on a modal dialog once it is up.
#pragma once

#include <QString>
#include <QWidget>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "qt/QtPlatform.h"
#include "qt/WizardApp.h"

namespace quillon::qt {
class OptionTreeView;
class SheetDialog;
}

namespace quillon::qt::test {

class RecordingPlatform : public QtPlatform {
public:
    void ShowMessage(const Message& message) override { messages.push_back(message); }
    bool AskYesNo(const Message& question) override;
    // Takes `choices` first, then the Yes/No `answers`.
    Answer AskYesNoCancel(const Message& question) override;
    std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> BrowseForFolder(const std::string& title, const std::string& initial) override;

    std::vector<Message> messages;
    std::vector<Message> questions;
    std::deque<bool> answers;
    std::deque<Answer> choices;
    std::deque<std::optional<std::string>> files;
    std::vector<FileDialogRequest> file_requests;
    std::deque<std::optional<std::string>> folders;
    // Dialogs that came without a queued answer; a test that expects none checks it is empty.
    std::vector<std::string> unexpected;

protected:
    std::optional<std::string> ChooseFileToOpen(const FileDialogRequest& request) override;

private:
    std::optional<std::string> NextFile(const FileDialogRequest& request, const char* what);
};

struct StartedWizard {
    RecordingPlatform* platform;  // owned by app
    std::unique_ptr<WizardApp> app;
};

// A wizard on the build tree's store and help, its window shown and exposed. Unless
// `keep_state`, it starts as on a first run: no size, splitter or recent files kept.
StartedWizard StartWizard(bool keep_state = false);

// Forgets what the window keeps between runs.
void ForgetKeptState();

// A left click on the node's image (the option click) or on its text (a selection only).
void PressImage(OptionTreeView* tree, OptionNode node);
void PressText(OptionTreeView* tree, OptionNode node);

// Types `text` key by key into whichever widget has the focus at each key, as a keyboard does
// (QTest::keyClicks sends every key to one widget, even after the focus has moved on).
void TypeAtFocus(const QString& text);

// Runs `action` on the modal dialog once one is active (polled from the event loop), so that a
// test can drive a dialog that a click is about to open.
void WhenModal(std::function<void(QWidget*)> action);

// Runs `action` on the oscillator sheet once it is open; whatever `action` leaves undone (a
// failed check returns early), the sheet is cancelled afterwards. Another modal dialog is closed
// with a warning.
void WhenSheetOpen(std::function<void(SheetDialog*)> action);

}  // namespace quillon::qt::test
