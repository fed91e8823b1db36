// File New, Open, Save, Save As and Exit: the window's commands over the settings file.
//
// While a settings file is current the window holds it open with an exclusive lock, so that a
// second copy of the wizard cannot open it at the same time. Saving writes a complete new file
// beside the old one and renames it over it, so the old settings survive any failure.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "config/SettingsFormat.h"
#include "io/HeldFile.h"
#include "wizard/WizardDialog.h"

namespace quillon {

namespace {

std::string Quote(const std::string& path) { return "\"" + path + "\""; }

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

}  // namespace

void WizardDialog::ShowRecordInControls() {
    RefreshPanel();
    UpdateCodeSize();
}

void WizardDialog::OnFileNew() {
    ResetToDefaults(record_, *this);
    ShowRecordInControls();
}

void WizardDialog::OnFileOpen() {
    const FileDialogRequest request;
    settings_findings_.clear();
    // The defaults come first, so that cancelling the dialog leaves them in place.
    ResetToDefaults(record_, *this);
    ShowRecordInControls();
    const std::optional<std::string> path = platform_.OpenFileDialog(request);
    if (!path) return;

    FileError error;
    std::unique_ptr<HeldFile> file = HeldFile::Open(*path, HeldFile::Mode::OpenExisting, &error);
    if (!file) {
        Warn("Cannot open the settings file " + Quote(*path) + ": " + error.reason);
        return;
    }
    std::vector<std::uint8_t> bytes;
    if (const std::optional<FileError> read = file->ReadAll(bytes, kMaxSettingsFileSize)) {
        Warn("Cannot read the settings file " + Quote(*path) + ": " + read->reason);
        return;
    }
    held_file_ = std::move(file);
    settings_file_name_ = *path;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    ReadSettings(text, record_, project_folder_, tree_, current_adapter_);
    settings_findings_ = CheckSettingsLines(text);
    ShowRecordInControls();
}

void WizardDialog::OnFileSave() { Save(); }

void WizardDialog::OnFileSaveAs() { SaveAs(); }

bool WizardDialog::Save() {
    // No held name (nothing saved or opened yet, or the last Open failed): ask for one.
    if (settings_file_name_.empty()) return SaveAs();
    return WriteSettingsFile(settings_file_name_);
}

bool WizardDialog::SaveAs() {
    FileDialogRequest request;
    request.initial_folder = project_folder_;
    CloseHeldSettingsFile();
    const std::optional<std::string> path = platform_.SaveFileDialog(request);
    if (!path) return false;
    // An existing file is replaced without asking, but not while another program holds it,
    // and not when it may not be written.
    if (Exists(*path)) {
        FileError error;
        if (!HeldFile::Open(*path, HeldFile::Mode::OpenExisting, &error)) {
            Warn("Cannot save the settings file " + Quote(*path) + ": " + error.reason);
            return false;
        }
    }
    return WriteSettingsFile(*path);
}

bool WizardDialog::WriteSettingsFile(const std::string& path) {
    // The new file is renamed over the old one, which needs no permission on the old file
    // itself; a file the user may not write is refused here instead.
    if (Exists(path) && ::access(path.c_str(), W_OK) != 0) {
        Warn("Cannot save the settings file " + Quote(path) + ": " + std::strerror(errno));
        return false;
    }
    const std::string text = WriteSettings(record_, project_folder_);
    if (const std::optional<FileError> error =
            ReplaceFileAtomically(path, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()})) {
        Warn("Cannot save the settings file " + Quote(path) + ": " + error->reason);
        return false;  // the old file is intact and still held; the changes are still unsaved
    }
    modified_ = false;
    // The rename made a new file; hold that one from now on.
    FileError error;
    std::unique_ptr<HeldFile> file = HeldFile::Open(path, HeldFile::Mode::OpenExisting, &error);
    held_file_ = std::move(file);
    settings_file_name_ = held_file_ ? path : std::string();
    if (!held_file_) Warn("The settings were saved, but " + Quote(path) + " cannot be kept open: " + error.reason);
    NotifyView();
    return true;
}

bool WizardDialog::OnExit() {
    if (modified_) {
        Message question;
        question.text = "Do you want to save your settings?";
        question.icon = MessageIcon::Question;
        // A save that did not complete keeps the window open, so nothing is lost.
        if (platform_.AskYesNo(question) && !Save()) return false;
    }
    closed_ = true;
    NotifyView();
    return true;
}

}  // namespace quillon
