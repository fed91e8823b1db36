// Everything the wizard needs from a toolkit: message boxes, questions, the file and folder
// dialogs, the oscillator sheet, help and About. The Qt front end implements it with real
// dialogs, the script runner from a script, and the unit tests with a small fake.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

class SheetModel;

enum class MessageIcon { None, Exclamation, Question, Error, Information };

// The application's name, the caption of the window's own message boxes.
inline constexpr const char* kAppCaption = "Quillon";

struct Message {
    std::string text;  // may hold line breaks ("\n")
    MessageIcon icon = MessageIcon::None;
    // Empty: no caption of its own (the oscillator pages' boxes).
    std::string caption = kAppCaption;
    // Extra lines the front end may show as details, for example the files a generation
    // could not write with their reasons.
    std::vector<std::string> details;
    // What a generation did with each file, one "OUTCOME: PATH" line a file (conflicts first).
    // A window shows them with the details; a command line prints them as lines of its own.
    std::vector<std::string> file_outcomes = {};
};

// One file of a generation, as the preview before writing shows it.
struct PreviewFile {
    std::string path;     // relative to the project folder, with "/"
    std::string outcome;  // "created", "updated", "unchanged", "merged", "conflict", "kept", "replaced"
};

struct GenerationPreview {
    std::string folder;  // the project folder
    std::vector<PreviewFile> files;
    // A unified diff of what the generation does for files[i] (empty when nothing), made when
    // asked: a preview that shows no diffs costs nothing. Valid while the preview is shown.
    std::function<std::string(std::size_t i)> diff;
};

// What the About box shows.
struct AboutBox {
    std::string version_line;           // "Quillon Version 3.23"
    std::vector<std::string> notices;   // lines under it, such as the sample-library notice
};

// "Quillon Version 3.23"
inline std::string AboutVersionLine() { return std::string(kAppCaption) + " Version " + QUILLON_VERSION_TEXT; }

// The buttons of a question that may also be called off: Cancel, and Escape or closing the box,
// change nothing.
enum class Answer { Yes, No, Cancel };

struct FileDialogRequest {
    std::string filter = "Quillon Files (*.wp)|*.wp|All Files (*.*)|*.*||";
    std::string default_extension = "wp";
    std::string initial_name = "*.wp";
    std::string initial_folder;
    // The dialog's title; empty for the front end's own ("Open", "Save As").
    std::string title;
};

class Platform {
public:
    virtual ~Platform() = default;

    // A modal message box with an OK button.
    virtual void ShowMessage(const Message& message) = 0;
    // A modal Yes/No question; true for Yes.
    virtual bool AskYesNo(const Message& question) = 0;
    // A modal question with Yes, No and Cancel.
    virtual Answer AskYesNoCancel(const Message& question) = 0;

    // Full path of the chosen file, or nothing when cancelled.
    virtual std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) = 0;
    // Path of the chosen folder, or nothing when cancelled.
    virtual std::optional<std::string> BrowseForFolder(const std::string& title,
                                                       const std::string& initial_folder) = 0;

    // Runs the oscillator sheet modally; true when it ended with OK.
    virtual bool RunSheet(SheetModel& sheet) = 0;

    // Shows the help file; false when it could not be shown.
    virtual bool ShowHelp(const std::string& path) = 0;
    // Shows the help file at one of its sections (an anchor of the page). A front end without
    // its own way to do so shows PATH#SECTION.
    virtual bool ShowHelpSection(const std::string& path, const std::string& section) {
        return ShowHelp(section.empty() ? path : path + "#" + section);
    }
    virtual void ShowAbout(const AboutBox& about) = 0;

    // Before Generate Project writes anything: what it would do with every file. True to write,
    // false to cancel. The default writes without asking.
    virtual bool PreviewGeneration(const GenerationPreview& preview) {
        (void)preview;
        return true;
    }
};

}  // namespace quillon
