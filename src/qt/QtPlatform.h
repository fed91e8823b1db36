// The wizard's dialogs as real Qt dialogs: message boxes and questions with their icons and
// captions, the file and folder dialogs, the oscillator sheet, the help viewer and About.
#pragma once

#include <QMessageBox>
#include <QPointer>

#include <memory>
#include <optional>
#include <string>

#include "wizard/Platform.h"

class QWidget;

namespace quillon::qt {

class HelpViewer;

class QtPlatform : public Platform {
public:
    QtPlatform();
    ~QtPlatform() override;

    // The window that owns the dialogs (they are centred on it and modal to it).
    void SetParentWidget(QWidget* parent);
    QWidget* ParentWidget() const { return parent_; }

    // The next open-file dialog is answered with `path` without being shown: how a settings
    // file named on the command line is opened through the window's own Open command.
    void PreAnswerOpenDialog(std::string path) { pre_answered_open_ = std::move(path); }
    void ForgetPreAnsweredOpen() { pre_answered_open_.reset(); }

    void ShowMessage(const Message& message) override;
    bool AskYesNo(const Message& question) override;
    Answer AskYesNoCancel(const Message& question) override;
    std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> BrowseForFolder(const std::string& title, const std::string& initial_folder) override;
    bool RunSheet(SheetModel& sheet) override;
    bool ShowHelp(const std::string& path) override;
    bool ShowHelpSection(const std::string& path, const std::string& section) override;
    void ShowAbout(const AboutBox& about) override;
    bool PreviewGeneration(const GenerationPreview& preview) override;

    // The help window, once help has been shown.
    HelpViewer* Help() const;

protected:
    // The open-file dialog itself, when no answer is waiting.
    virtual std::optional<std::string> ChooseFileToOpen(const FileDialogRequest& request);

private:
    QWidget* DialogParent() const;
    std::optional<std::string> RunFileDialog(const FileDialogRequest& request, bool save);

    QPointer<QWidget> parent_;
    QPointer<HelpViewer> help_;
    std::optional<std::string> pre_answered_open_;
};

// A message box for `message` with the given buttons, configured as every box of the wizard
// is: its icon, its caption (an empty caption stays empty), plain text, and the details (the
// files a generation could not write, then what it did with every file) behind the
// "Show Details..." button.
std::unique_ptr<QMessageBox> MakeMessageBox(const Message& message, QMessageBox::StandardButtons buttons,
                                            QWidget* parent);

// "Quillon Files (*.wp)|*.wp|All Files (*.*)|*.*||" as Qt name filters:
// "Quillon Files (*.wp)", "All Files (*)".
QStringList NameFiltersFrom(const std::string& filter);

}  // namespace quillon::qt
