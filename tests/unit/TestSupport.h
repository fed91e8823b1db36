// Small fakes shared by the unit tests.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "config/ConfigRecord.h"
#include "wizard/Platform.h"

namespace quillon::test {

// Option states kept in a map; every node starts Off.
class FakeOptions : public OptionStates {
public:
    bool IsChecked(OptionNode node) const override {
        auto it = states.find(node);
        return it != states.end() && (it->second == NodeState::On || it->second == NodeState::Fixed);
    }
    using OptionStates::SetState;
    void SetState(OptionNode node, NodeState state) override { states[node] = state; }
    NodeState State(OptionNode node) const {
        auto it = states.find(node);
        return it == states.end() ? NodeState::Off : it->second;
    }
    std::map<OptionNode, NodeState> states;
};

// Records every dialog; answers come from queues. A dialog without a queued answer fails the
// test by throwing.
class FakePlatform : public Platform {
public:
    void ShowMessage(const Message& m) override { messages.push_back(m); }
    bool AskYesNo(const Message& q) override {
        questions.push_back(q);
        if (answers.empty()) throw std::runtime_error("unexpected question: " + q.text);
        bool a = answers.front();
        answers.pop_front();
        return a;
    }
    // The three-button question takes `choices` first, then the Yes/No `answers`.
    Answer AskYesNoCancel(const Message& q) override {
        questions.push_back(q);
        if (!choices.empty()) {
            const Answer a = choices.front();
            choices.pop_front();
            return a;
        }
        if (answers.empty()) throw std::runtime_error("unexpected question: " + q.text);
        const bool a = answers.front();
        answers.pop_front();
        return a ? Answer::Yes : Answer::No;
    }
    std::optional<std::string> OpenFileDialog(const FileDialogRequest& r) override { return NextFile(r); }
    std::optional<std::string> SaveFileDialog(const FileDialogRequest& r) override { return NextFile(r); }
    std::optional<std::string> BrowseForFolder(const std::string& title, const std::string& initial) override {
        folder_requests.push_back({title, initial});
        if (folders.empty()) throw std::runtime_error("unexpected folder dialog");
        auto f = folders.front();
        folders.pop_front();
        return f;
    }
    bool RunSheet(SheetModel& sheet) override {
        if (!sheet_handler) throw std::runtime_error("unexpected sheet");
        return sheet_handler(sheet);
    }
    bool ShowHelp(const std::string& path) override {
        help_shown.push_back(path);
        return help_result;
    }
    void ShowAbout(const AboutBox& about) override {
        ++about_shown;
        last_about = about;
    }

    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> out;
        for (const auto& m : messages) out.push_back(m.text);
        return out;
    }

    std::vector<Message> messages;
    std::vector<Message> questions;
    std::deque<bool> answers;
    std::deque<Answer> choices;
    std::deque<std::optional<std::string>> files;
    std::vector<FileDialogRequest> file_requests;
    std::deque<std::optional<std::string>> folders;
    std::vector<std::pair<std::string, std::string>> folder_requests;
    std::function<bool(SheetModel&)> sheet_handler;
    std::vector<std::string> help_shown;
    bool help_result = true;
    int about_shown = 0;
    AboutBox last_about;

private:
    std::optional<std::string> NextFile(const FileDialogRequest& r) {
        file_requests.push_back(r);
        if (files.empty()) throw std::runtime_error("unexpected file dialog");
        auto f = files.front();
        files.pop_front();
        return f;
    }
};

// A fresh temporary folder, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    // Inside `base` instead of the system's temporary folder.
    explicit TempDir(const std::string& base);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string ReadText(const std::string& path);

// A folder for TempDir where flushing a file to disk costs nothing (memory-backed storage),
// for tests that save many times; the system's temporary folder where there is none.
std::string MemoryBackedTempBase();

}  // namespace quillon::test
