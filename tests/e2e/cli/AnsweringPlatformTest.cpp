#include "cli/AnsweringPlatform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "TestSupport.h"
#include "io/FileIo.h"
#include "wizard/StoreBinding.h"

namespace quillon::cli {
namespace {

Message Msg(std::string text, MessageIcon icon = MessageIcon::None) {
    Message m;
    m.text = std::move(text);
    m.icon = icon;
    return m;
}

TEST(AnsweringPlatform, AnswersComeFromTheQueuesInOrder) {
    test::TempDir dir;
    std::ostringstream out, err;
    AnsweringPlatform p(out, err, EventStyle::Script);
    p.QueueAnswer(true, 3);
    p.QueueAnswer(false, 4);
    p.QueueFile(std::string("saved.wp"), 5);
    p.QueueFile(std::nullopt, 6);
    p.QueueFolder(dir.File("new/project/"), 7);

    EXPECT_TRUE(p.AskYesNo(Msg("Save?\nReally?")));
    EXPECT_FALSE(p.AskYesNo(Msg("Again?")));
    const auto saved = p.SaveFileDialog({});
    ASSERT_TRUE(saved);
    // The window gets an absolute path, as a real dialog hands it over.
    EXPECT_EQ(*saved, (std::filesystem::current_path() / "saved.wp").string());
    EXPECT_FALSE(p.OpenFileDialog({}));
    // A folder that is not there yet is made, as the dialog's New Folder button would.
    EXPECT_EQ(p.BrowseForFolder("Select", ""), dir.File("new/project"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("new/project")));
    EXPECT_EQ(out.str(),
              "question: Save?\\nReally? -> yes\n"
              "question: Again? -> no\n"
              "save-dialog -> saved.wp\n"
              "open-dialog -> cancel\n"
              "folder-dialog -> " + dir.File("new/project/") + "\n");
    EXPECT_TRUE(p.UnusedAnswerLines().empty());
}

TEST(AnsweringPlatform, CancelAnswersOnlyAQuestionThatHasACancelButton) {
    std::ostringstream out, err;
    AnsweringPlatform p(out, err, EventStyle::Script);
    p.QueueAnswer(Answer::Cancel, 2);
    EXPECT_THROW(p.AskYesNo(Msg("Enable the PLL?")), UnansweredDialog);
    EXPECT_EQ(p.AskYesNoCancel(Msg("Do you want to save your settings?")), Answer::Cancel);
    p.QueueAnswer(false, 3);
    EXPECT_EQ(p.AskYesNoCancel(Msg("Again?")), Answer::No);
    EXPECT_EQ(out.str(), "question: Do you want to save your settings? -> cancel\nquestion: Again? -> no\n");
}

TEST(AnsweringPlatform, ADialogWithoutAnAnswerStopsTheRun) {
    std::ostringstream out, err;
    AnsweringPlatform p(out, err, EventStyle::Script);
    EXPECT_THROW(p.AskYesNo(Msg("Do you want to save your settings?")), UnansweredDialog);
    EXPECT_THROW(p.OpenFileDialog({}), UnansweredDialog);
    EXPECT_THROW(p.BrowseForFolder("t", ""), UnansweredDialog);
    // Answers of one kind never answer a dialog of another.
    p.QueueFolder(std::string("never-taken"), 2);
    EXPECT_THROW(p.SaveFileDialog({}), UnansweredDialog);
    EXPECT_EQ(p.UnusedAnswerLines(), std::vector<int>{2});
    EXPECT_EQ(out.str(), "");

    // A folder answer that names a file cannot be offered by a folder dialog.
    test::TempDir dir;
    ASSERT_FALSE(WriteFileText(dir.File("plain"), "x"));
    AnsweringPlatform q(out, err, EventStyle::Script);
    q.QueueFolder(dir.File("plain"), 3);
    EXPECT_THROW(q.BrowseForFolder("t", ""), UnansweredDialog);
}

TEST(AnsweringPlatform, MessagesWithDetailsHelpAndAbout) {
    std::ostringstream out, err;
    AnsweringPlatform p(out, err, EventStyle::Script);
    Message m = Msg("Error generating project files", MessageIcon::Exclamation);
    m.details = {"/x/main.c: Permission denied"};
    p.ShowMessage(m);
    EXPECT_TRUE(p.ShowHelp("/opt/q/help/index.html"));
    p.ShowAbout(AboutBox{AboutVersionLine(), {kSampleLibrariesNotice}});
    EXPECT_EQ(out.str(),
              "message: Error generating project files\n"
              "help: /opt/q/help/index.html\n"
              "about: Quillon Version 3.23\\nsample stack libraries: the firmware links but does not run the stack\n");
    EXPECT_EQ(err.str(), "/x/main.c: Permission denied\n");
    ASSERT_EQ(p.Messages().size(), 1u);

    // Plain style: results on the output, refusals and errors on the error stream.
    std::ostringstream plain, plain_err;
    AnsweringPlatform q(plain, plain_err, EventStyle::Plain);
    q.ShowMessage(Msg("Project generated successfully.\nSecond line"));
    q.ShowMessage(Msg("Select a Transport Layer", MessageIcon::Exclamation));
    EXPECT_EQ(plain.str(), "Project generated successfully.\nSecond line\n");
    EXPECT_EQ(plain_err.str(), "Select a Transport Layer\n");
}

}  // namespace
}  // namespace quillon::cli
