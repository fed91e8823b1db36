#include "cli/AnsweringPlatform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace quillon::cli {
namespace {

Message Msg(std::string text, MessageIcon icon = MessageIcon::None) {
    Message m;
    m.text = std::move(text);
    m.icon = icon;
    return m;
}

TEST(AnsweringPlatform, AnswersComeFromTheQueuesInOrder) {
    std::ostringstream out, err;
    AnsweringPlatform p(out, err, EventStyle::Script);
    p.QueueAnswer(true, 3);
    p.QueueAnswer(false, 4);
    p.QueueFile(std::string("saved.wp"), 5);
    p.QueueFile(std::nullopt, 6);
    p.QueueFolder(std::string("/tmp/project/"), 7);

    EXPECT_TRUE(p.AskYesNo(Msg("Save?\nReally?")));
    EXPECT_FALSE(p.AskYesNo(Msg("Again?")));
    const auto saved = p.SaveFileDialog({});
    ASSERT_TRUE(saved);
    // The window gets an absolute path, as a real dialog hands it over.
    EXPECT_EQ(*saved, (std::filesystem::current_path() / "saved.wp").string());
    EXPECT_FALSE(p.OpenFileDialog({}));
    EXPECT_EQ(p.BrowseForFolder("Select", ""), "/tmp/project");
    EXPECT_EQ(out.str(),
              "question: Save?\\nReally? -> yes\n"
              "question: Again? -> no\n"
              "save-dialog -> saved.wp\n"
              "open-dialog -> cancel\n"
              "folder-dialog -> /tmp/project/\n");
    EXPECT_TRUE(p.UnusedAnswerLines().empty());
}

TEST(AnsweringPlatform, ADialogWithoutAnAnswerStopsTheRun) {
    std::ostringstream out, err;
    AnsweringPlatform p(out, err, EventStyle::Script);
    EXPECT_THROW(p.AskYesNo(Msg("Do you want to save your settings?")), UnansweredDialog);
    EXPECT_THROW(p.OpenFileDialog({}), UnansweredDialog);
    EXPECT_THROW(p.BrowseForFolder("t", ""), UnansweredDialog);
    // Answers of one kind never answer a dialog of another.
    p.QueueFolder(std::string("x"), 2);
    EXPECT_THROW(p.SaveFileDialog({}), UnansweredDialog);
    EXPECT_EQ(p.UnusedAnswerLines(), std::vector<int>{2});
    EXPECT_EQ(out.str(), "");
}

TEST(AnsweringPlatform, MessagesWithDetailsHelpAndAbout) {
    std::ostringstream out, err;
    AnsweringPlatform p(out, err, EventStyle::Script);
    Message m = Msg("Error generating project files", MessageIcon::Exclamation);
    m.details = {"/x/main.c: Permission denied"};
    p.ShowMessage(m);
    EXPECT_TRUE(p.ShowHelp("/opt/q/help/index.html"));
    p.ShowAbout();
    EXPECT_EQ(out.str(),
              "message: Error generating project files\n"
              "help: /opt/q/help/index.html\n"
              "about: Quillon Version 3.23\n");
    EXPECT_EQ(err.str(), "/x/main.c: Permission denied\n");
    ASSERT_EQ(p.Messages().size(), 1u);

    std::ostringstream plain;
    AnsweringPlatform q(plain, err, EventStyle::Plain);
    q.ShowMessage(Msg("Project generated successfully.\nSecond line"));
    EXPECT_EQ(plain.str(), "Project generated successfully.\nSecond line\n");
}

}  // namespace
}  // namespace quillon::cli
