#include "cli/AnsweringPlatform.h"

#include <algorithm>
#include <filesystem>

#include "cli/StateFormat.h"

namespace quillon::cli {

AnsweringPlatform::AnsweringPlatform(std::ostream& out, std::ostream& err, EventStyle style)
    : out_(out), err_(err), style_(style) {}

void AnsweringPlatform::QueueAnswer(Answer answer, int line) { answers_.emplace_back(answer, line); }

void AnsweringPlatform::QueueFile(std::optional<std::string> shown, int line) {
    files_.push_back({std::move(shown), line});
}

void AnsweringPlatform::QueuePreview(bool generate, int line) { previews_.emplace_back(generate, line); }

bool AnsweringPlatform::PreviewGeneration(const GenerationPreview& preview) {
    if (previews_.empty()) return true;
    const bool generate = previews_.front().first;
    previews_.pop_front();
    if (style_ == EventStyle::Script) {
        out_ << "preview: " << preview.files.size() << (preview.files.size() == 1 ? " file" : " files") << " -> "
             << (generate ? "generate" : "cancel") << '\n';
    }
    return generate;
}

void AnsweringPlatform::QueueFolder(std::optional<std::string> shown, int line) {
    folders_.push_back({std::move(shown), line});
}

std::vector<int> AnsweringPlatform::UnusedAnswerLines() const {
    std::vector<int> lines;
    for (const auto& a : answers_) lines.push_back(a.second);
    for (const auto& f : files_) lines.push_back(f.line);
    for (const auto& f : folders_) lines.push_back(f.line);
    for (const auto& p : previews_) lines.push_back(p.second);
    std::sort(lines.begin(), lines.end());
    return lines;
}

void AnsweringPlatform::ShowMessage(const Message& message) {
    messages_.push_back(message);
    if (style_ == EventStyle::Script) {
        // A script's output stays one line an event: what a generation did with each file is
        // the business of quillon-cli generate.
        out_ << "message: " << OneLine(message.text) << '\n';
    } else {
        // What a generation did with each file is the command's result, whatever the closing
        // message says; a refusal or an error of the window is a diagnostic.
        for (const std::string& line : message.file_outcomes) out_ << line << '\n';
        if (message.icon == MessageIcon::Exclamation || message.icon == MessageIcon::Error) {
            out_.flush();
            err_ << message.text << '\n';
        } else {
            out_ << message.text << '\n';
        }
    }
    // The details (for example the files a generation could not write, with the reasons)
    // belong to the diagnostics, not to the event lines.
    for (const std::string& detail : message.details) err_ << detail << '\n';
    out_.flush();
}

namespace {

const char* AnswerWord(Answer answer) {
    switch (answer) {
    case Answer::Yes: return "yes";
    case Answer::No: return "no";
    case Answer::Cancel: return "cancel";
    }
    return "cancel";
}

const char* AnswerButton(Answer answer) {
    switch (answer) {
    case Answer::Yes: return " Yes";
    case Answer::No: return " No";
    case Answer::Cancel: return " Cancel";
    }
    return " Cancel";
}

}  // namespace

Answer AnsweringPlatform::TakeAnswer(const Message& question, bool cancel_allowed) {
    if (answers_.empty()) throw UnansweredDialog("a question without a queued answer: " + OneLine(question.text));
    const Answer answer = answers_.front().first;
    if (answer == Answer::Cancel && !cancel_allowed) {
        throw UnansweredDialog("a question with only Yes and No cannot be answered cancel: " + OneLine(question.text));
    }
    answers_.pop_front();
    if (style_ == EventStyle::Script) {
        out_ << "question: " << OneLine(question.text) << " -> " << AnswerWord(answer) << '\n';
    } else {
        out_ << question.text << AnswerButton(answer) << '\n';
    }
    return answer;
}

bool AnsweringPlatform::AskYesNo(const Message& question) { return TakeAnswer(question, false) == Answer::Yes; }

Answer AnsweringPlatform::AskYesNoCancel(const Message& question) { return TakeAnswer(question, true); }

std::optional<std::string> AnsweringPlatform::TakePath(std::deque<Queued>& queue, const char* dialog, bool folder) {
    if (queue.empty()) {
        throw UnansweredDialog(std::string(folder ? "a folder dialog" : "a file dialog (") +
                               (folder ? "" : std::string(dialog) + ")") + " without a queued answer");
    }
    Queued q = std::move(queue.front());
    queue.pop_front();
    if (style_ == EventStyle::Script) out_ << dialog << "-dialog -> " << (q.shown ? *q.shown : "cancel") << '\n';
    if (!q.shown) return std::nullopt;
    return AbsolutePath(*q.shown);
}

std::optional<std::string> AnsweringPlatform::OpenFileDialog(const FileDialogRequest&) {
    return TakePath(files_, "open", false);
}

std::optional<std::string> AnsweringPlatform::SaveFileDialog(const FileDialogRequest&) {
    return TakePath(files_, "save", false);
}

std::optional<std::string> AnsweringPlatform::BrowseForFolder(const std::string&, const std::string&) {
    std::optional<std::string> folder = TakePath(folders_, "folder", true);
    // The folder dialog only hands over folders that exist; its "New Folder" button makes
    // one, which is what an answer naming a missing folder stands for.
    if (folder) {
        std::error_code ec;
        std::filesystem::create_directories(*folder, ec);
        if (ec || !std::filesystem::is_directory(*folder)) {
            throw FolderNotCreated(*folder, ec ? ec.message() : "a file of that name exists");
        }
    }
    return folder;
}

bool AnsweringPlatform::RunSheet(SheetModel& sheet) {
    if (!sheet_driver_) throw UnansweredDialog("the oscillator sheet needs a script to drive it");
    return sheet_driver_(sheet);
}

bool AnsweringPlatform::ShowHelp(const std::string& path) {
    if (style_ == EventStyle::Script) out_ << "help: " << path << '\n';
    return true;
}

void AnsweringPlatform::ShowAbout(const AboutBox& about) {
    std::string text = about.version_line;
    for (const std::string& notice : about.notices) text += "\n" + notice;
    if (style_ == EventStyle::Script) {
        out_ << "about: " << OneLine(text) << '\n';
    } else {
        out_ << text << '\n';
    }
}

std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(path, ec);
    if (ec) p = path;
    std::string text = p.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

}  // namespace quillon::cli
