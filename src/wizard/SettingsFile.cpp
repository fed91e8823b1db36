// File New, Open, Save, Save As and Exit: the window's commands over the settings file.
//
// While a settings file is current the window holds it open with an exclusive lock, so that a
// second copy of the wizard cannot open it at the same time; saving keeps that hold (HeldFile).
// Nothing the user has not saved is dropped without asking: New, Open and Exit ask first while
// there are changes, and a cancelled question or dialog leaves everything as it was.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "config/SettingsFormat.h"
#include "io/HeldFile.h"
#include "wizard/WizardDialog.h"

namespace quillon {

namespace {

std::string Quote(const std::string& path) { return "\"" + path + "\""; }

std::string HexText(std::uint32_t bits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    do {
        out.insert(out.begin(), kDigits[bits & 0xF]);
        bits >>= 4;
    } while (bits != 0);
    return "0x" + out;
}

std::span<const std::uint8_t> TextBytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

void WizardDialog::ShowRecordInControls() {
    RefreshPanel();
    UpdateCodeSize();
}

bool WizardDialog::MayDropChanges() {
    if (!modified_) return true;
    Message question;
    // Named, so that the user knows which file Yes writes, or that it writes none yet.
    if (settings_file_name_.empty()) {
        question.text = "Do you want to save your settings? They are a new configuration, not saved to a file yet.";
    } else {
        question.text = "Do you want to save your settings to " +
                        std::filesystem::path(settings_file_name_).filename().string() + "?";
    }
    question.icon = MessageIcon::Question;
    switch (platform_.AskYesNoCancel(question)) {
    case Answer::Yes: return Save();  // a save that did not complete keeps everything as it is
    case Answer::No: return true;
    case Answer::Cancel: break;
    }
    return false;
}

void WizardDialog::OnFileNew() {
    if (!MayDropChanges()) return;
    ResetToDefaults(record_, *this);
    ShowRecordInTree();
    settings_findings_.clear();  // no file's lines are in the window any more
    // The window now holds exactly the defaults: nothing is left unsaved.
    modified_ = false;
    ShowRecordInControls();
}

void WizardDialog::OnFileOpen() {
    if (!MayDropChanges()) return;
    const FileDialogRequest request;
    const std::optional<std::string> path = platform_.OpenFileDialog(request);
    if (!path) return;

    // Only a file that could be opened and read replaces the configuration.
    std::vector<std::uint8_t> bytes;
    std::unique_ptr<HeldFile> file;
    if (options_.hold_settings_file) {
        FileError error;
        file = HeldFile::Open(*path, &error);
        if (!file) {
            ++settings_file_failures_;
            Warn("Cannot open the settings file " + Quote(*path) + ": " + error.reason);
            return;
        }
        if (const std::optional<FileError> read = file->ReadAll(bytes, kMaxSettingsFileSize)) {
            ++settings_file_failures_;
            Warn("Cannot read the settings file " + Quote(*path) + ": " + read->reason);
            return;
        }
    } else if (const std::optional<FileError> read = ReadFileBytes(*path, bytes, kMaxSettingsFileSize)) {
        ++settings_file_failures_;
        Warn("Cannot open the settings file " + Quote(*path) + ": " + read->reason);
        return;
    }
    LoadSettingsText({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
    held_file_ = std::move(file);
    settings_file_name_ = *path;
    NotifyView();
}

void WizardDialog::LoadSettingsText(std::string_view text) {
    ResetToDefaults(record_, *this);
    std::vector<std::string> settled;
    ReadSettings(text, record_, project_folder_, tree_, current_adapter_, &settled);
    settings_findings_ = CheckSettingsLines(text);
    // Choices that did not fit together were settled: said like every other line the reading
    // had to guess at, on the line of the option bits, with what they were read as.
    const std::string_view first = text.substr(0, text.find_first_of("\r\n"));
    for (std::string& change : settled) {
        SettingsFinding finding;
        finding.line = 1;
        finding.field = "option_bits";
        finding.what = std::move(change);
        finding.found = std::string(first);
        finding.read_as = HexText(record_.option_bits);
        settings_findings_.push_back(std::move(finding));
    }
    std::stable_sort(settings_findings_.begin(), settings_findings_.end(),
                     [](const SettingsFinding& a, const SettingsFinding& b) { return a.line < b.line; });
    ShowRecordInTree();
    // The window holds what the file holds, unless settling changed it: saving then writes
    // another configuration than the file's, which is a change like any other.
    modified_ = !settled.empty();
    ShowRecordInControls();
}

void WizardDialog::OnFileSave() { Save(); }

void WizardDialog::OnFileSaveAs() { SaveAs(); }

bool WizardDialog::Save() {
    // No held name (nothing saved or opened yet): ask for one.
    if (settings_file_name_.empty() || !held_file_) return SaveAs();
    return WriteSettingsFile(settings_file_name_);
}

bool WizardDialog::SaveAs() {
    FileDialogRequest request;
    request.initial_folder = project_folder_;
    // Until a new file is written, the file held now stays held: cancelling changes nothing.
    const std::optional<std::string> path = platform_.SaveFileDialog(request);
    if (!path) return false;
    return WriteSettingsFile(*path);
}

bool WizardDialog::WriteSettingsFile(std::string path) {
    // A line break in the folder would shift every later line of the file, which would then
    // load other values into every field.
    if (project_folder_.find_first_of("\r\n") != std::string::npos) {
        ++settings_file_failures_;
        Warn("Cannot save the settings file " + Quote(path) + ": the project folder " + Quote(project_folder_) +
             " holds a line break, which a settings file cannot keep. Choose another project folder "
             "(File > Select Project Directory...) and save again.");
        return false;
    }
    // The new file is renamed over the old one, which needs no permission on the old file
    // itself; a file the user may not write is refused here instead.
    if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0) {
        ++settings_file_failures_;
        Warn("Cannot save the settings file " + Quote(path) + ": " + std::strerror(errno));
        return false;
    }
    const std::string text = WriteSettings(record_, project_folder_);
    if (held_file_ && held_file_->Is(path)) {
        if (const std::optional<FileError> error = held_file_->Replace(TextBytes(text))) {
            ++settings_file_failures_;
            Warn("Cannot save the settings file " + Quote(path) + ": " + error->reason);
            // The old file is intact and still held (or, when only its folder could not be
            // synced, the new one); either way the changes count as unsaved.
            return false;
        }
    } else {
        FileError error;
        std::unique_ptr<HeldFile> file = HeldFile::Create(path, TextBytes(text), &error);
        if (!file) {
            ++settings_file_failures_;
            Warn("Cannot save the settings file " + Quote(path) + ": " + error.reason);
            return false;
        }
        held_file_ = std::move(file);
    }
    settings_file_name_ = path;
    modified_ = false;
    NotifyView();
    return true;
}

bool WizardDialog::OnExit() {
    const auto action = session_.Menu(MenuCommand::Exit);
    if (!MayDropChanges()) return false;
    closed_ = true;
    NotifyView();
    return true;
}

}  // namespace quillon
