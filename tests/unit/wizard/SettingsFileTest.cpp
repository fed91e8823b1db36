#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>

#include "WindowTestSupport.h"
#include "config/SettingsFormat.h"
#include "io/FileIo.h"
#include "io/HeldFile.h"

namespace quillon::test {
namespace {

using N = OptionNode;

class SettingsFileTest : public WindowTest {
protected:
    ~SettingsFileTest() override { ClearWriteFaults(); }

    void SaveAs(const std::string& path) {
        ui.files.push_back(path);
        dlg.OnFileSaveAs();
    }
    void Open(const std::string& path) {
        ui.files.push_back(path);
        dlg.OnFileOpen();
    }
    static void Write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    std::vector<std::string> FilesInDir() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.Path())) names.push_back(e.path().filename());
        return names;
    }
};

TEST_F(SettingsFileTest, SaveWithoutAHeldFileAsksForAName) {
    dlg.SetProjectFolder(dir.File("projects"));
    Click(N::TCP);
    const std::string path = dir.File("web.wp");
    ui.files.push_back(path);
    dlg.OnFileSave();
    ASSERT_EQ(ui.file_requests.size(), 1u);
    const FileDialogRequest& request = ui.file_requests[0];
    EXPECT_EQ(request.filter, "Quillon Files (*.wp)|*.wp|All Files (*.*)|*.*||");
    EXPECT_EQ(request.default_extension, "wp");
    EXPECT_EQ(request.initial_name, "*.wp");
    EXPECT_EQ(request.initial_folder, dir.File("projects"));

    EXPECT_FALSE(dlg.Modified());
    EXPECT_EQ(dlg.SettingsFileName(), path);
    EXPECT_EQ(ReadText(path), WriteSettings(dlg.Record(), dir.File("projects")));

    // The file is held: Save writes into it again without a dialog.
    dlg.OnSelectionChange(N::Sockets);
    dlg.OnValueEdited(ControlId::Value1, "9");
    dlg.OnFileSave();
    EXPECT_EQ(ui.file_requests.size(), 1u);
    EXPECT_FALSE(dlg.Modified());
    EXPECT_EQ(TextLines(ReadText(path))[3], "9");
}

TEST_F(SettingsFileTest, OpenRestoresRecordTreeAndPanel) {
    Click(N::Zintor);
    Click(N::DNS);
    dlg.OnSelectionChange(N::IPAddresses);
    dlg.OnAddressChanged(ControlId::Address2, {10, 0, 0, 7});
    const std::string path = dir.File("zintor.wp");
    SaveAs(path);
    ConfigRecord saved = dlg.Record();
    // The restored modem selections bring their codes with them.
    saved.country_code = "B5";
    saved.modem_protocol = "H0";

    dlg.OnFileNew();
    EXPECT_EQ(dlg.SettingsFileName(), "");
    EXPECT_EQ(dlg.Panel().Control(ControlId::Address2).address, (Ip4{0, 0, 0, 1}));
    EXPECT_TRUE(Checked(N::Vardex));

    Open(path);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(dlg.SettingsFileName(), path);
    EXPECT_EQ(dlg.Record(), saved);
    EXPECT_TRUE(Checked(N::Zintor));
    EXPECT_FALSE(Checked(N::Vardex));
    EXPECT_TRUE(Checked(N::DNS));
    EXPECT_TRUE(Checked(N::UDP));
    // The panel shows the loaded address, and moving on keeps it.
    EXPECT_EQ(dlg.Panel().Control(ControlId::Address2).address, (Ip4{10, 0, 0, 7}));
    dlg.OnSelectionChange(N::Sockets);
    EXPECT_EQ(dlg.Record().ip_src_addr, (Ip4{10, 0, 0, 7}));
}

TEST_F(SettingsFileTest, OpenCancelledChangesNothing) {
    const std::string path = dir.File("a.wp");
    Click(N::HTTP);
    SaveAs(path);
    Click(N::TCP);
    const ConfigRecord before = dlg.Record();
    // Cancelled at the question, and at the file dialog after No.
    ui.choices.push_back(Answer::Cancel);
    dlg.OnFileOpen();
    EXPECT_EQ(ui.file_requests.size(), 1u);  // only Save As's
    ui.answers.push_back(false);
    ui.files.push_back(std::nullopt);
    dlg.OnFileOpen();
    EXPECT_EQ(dlg.SettingsFileName(), path);
    EXPECT_EQ(dlg.Record(), before);
    EXPECT_TRUE(dlg.Modified());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SettingsFileTest, OpenFailuresNameTheFileAndHoldNothing) {
    Open(dir.File("missing.wp"));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find(dir.File("missing.wp")), std::string::npos);
    EXPECT_NE(ui.messages[0].text.find("No such file or directory"), std::string::npos);
    EXPECT_EQ(dlg.SettingsFileName(), "");
    EXPECT_EQ(dlg.Record().option_bits, kDefaultOptionBits);

    // Save after the failed Open asks for a name.
    const std::string path = dir.File("saved.wp");
    ui.files.push_back(path);
    dlg.OnFileSave();
    EXPECT_EQ(dlg.SettingsFileName(), path);

    // A file that cannot be read changes nothing: the file held before stays held.
    Click(N::HTTP);
    ui.answers.push_back(false);
    const std::string big = dir.File("big.wp");
    Write(big, std::string(kMaxSettingsFileSize + 1, '1'));
    Open(big);
    EXPECT_NE(ui.messages.back().text.find(big), std::string::npos);
    EXPECT_EQ(dlg.SettingsFileName(), path);
    EXPECT_TRUE(Checked(N::HTTP));
    EXPECT_TRUE(dlg.Modified());
}

TEST_F(SettingsFileTest, AHeldFileIsRefusedToASecondWindow) {
    const std::string path = dir.File("shared.wp");
    SaveAs(path);
    FakePlatform other_ui;
    WizardDialog other(other_ui, MakeOptions(dir));
    other.Initialise();
    other_ui.files.push_back(path);
    other.OnFileOpen();
    ASSERT_EQ(other_ui.messages.size(), 1u);
    EXPECT_NE(other_ui.messages[0].text.find("in use by another program"), std::string::npos);
    EXPECT_EQ(other.SettingsFileName(), "");

    // Nor may it save over it.
    other.SetModified();
    other_ui.files.push_back(path);
    other.OnFileSaveAs();
    EXPECT_EQ(other_ui.messages.size(), 2u);
    EXPECT_TRUE(other.Modified());

    // Once the first window lets go, the second may open it.
    dlg.OnFileNew();
    other_ui.answers.push_back(false);
    other_ui.files.push_back(path);
    other.OnFileOpen();
    EXPECT_EQ(other.SettingsFileName(), path);
}

TEST_F(SettingsFileTest, FailedSavesKeepTheOldFileAndTheModifiedFlag) {
    const std::string path = dir.File("keep.wp");
    SaveAs(path);
    const std::string before = ReadText(path);

    Click(N::FTP);
    SetWriteFaults({.fail_after_bytes = 100, .fail_rename = false, .path_contains = "keep.wp"});
    dlg.OnFileSave();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find(path), std::string::npos);
    EXPECT_NE(ui.messages[0].text.find("No space left on device"), std::string::npos);
    EXPECT_TRUE(dlg.Modified());
    EXPECT_EQ(ReadText(path), before);
    EXPECT_EQ(dlg.SettingsFileName(), path);  // still held

    SetWriteFaults({.fail_after_bytes = std::nullopt, .fail_rename = true, .path_contains = ""});
    dlg.OnFileSave();
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_TRUE(dlg.Modified());
    EXPECT_EQ(ReadText(path), before);

    ClearWriteFaults();
    dlg.OnFileSave();
    EXPECT_FALSE(dlg.Modified());
    EXPECT_NE(ReadText(path), before);
    // No temporary file is left behind.
    EXPECT_EQ(FilesInDir(), std::vector<std::string>{"keep.wp"});
}

// Saving writes through to the file the user has: a symbolic link stays a link to the file it
// names, and the file keeps its permissions (a settings file holds the PAP password).
TEST_F(SettingsFileTest, SavingKeepsTheLinkAndThePermissions) {
    const std::string target = dir.File("real.wp");
    const std::string link = dir.File("link.wp");
    SaveAs(target);
    ::chmod(target.c_str(), 0600);
    ASSERT_EQ(::symlink("real.wp", link.c_str()), 0);
    dlg.OnFileNew();
    Open(link);
    Click(N::HTTP);
    dlg.OnFileSave();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadText(target), WriteSettings(dlg.Record(), dlg.ProjectFolder()));
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    // Save As onto the link writes through it too, and holds the file.
    Click(N::FTP);
    SaveAs(link);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadText(target), WriteSettings(dlg.Record(), dlg.ProjectFolder()));
    EXPECT_EQ(FilesInDir().size(), 2u);
}

// The temporary file of a save has a short name of its own, so any name the folder takes can be
// saved; those that a save cut short left behind go at the next save once they are old enough.
TEST_F(SettingsFileTest, LongNamesSaveAndLeftOverTemporariesGo) {
    const std::string name(250, 'n');
    SaveAs(dir.File(name + ".wp"));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(dlg.SettingsFileName(), dir.File(name + ".wp"));

    SaveAs(dir.File("s.wp"));
    const std::string stale = dir.File(".quillon-save-AbC123");
    const std::string stale_older_kind = dir.File("s.wp.tmp-Xy9876");
    const std::string fresh = dir.File(".quillon-save-Zz0000");
    for (const std::string& path : {stale, stale_older_kind, fresh}) Write(path, "1081369\n");
    const timespec old_times[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - kStaleSaveSeconds - 5, 0}};
    for (const std::string& path : {stale, stale_older_kind}) ::utimensat(AT_FDCWD, path.c_str(), old_times, 0);
    Click(N::UDP);
    dlg.OnFileSave();
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_FALSE(std::filesystem::exists(stale_older_kind));
    EXPECT_TRUE(std::filesystem::exists(fresh));  // perhaps another window's save under way
}

// A line break in the project folder would shift every later line of the file: such a folder
// is not saved, and the user is told why and what to do.
TEST_F(SettingsFileTest, AProjectFolderWithALineBreakIsNotSaved) {
    const std::string path = dir.File("kept.wp");
    SaveAs(path);
    const std::string before = ReadText(path);
    dlg.SetProjectFolder(dir.File("two\nlines"));
    dlg.SetModified();
    dlg.OnFileSave();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("line break"), std::string::npos) << ui.messages[0].text;
    EXPECT_NE(ui.messages[0].text.find("Select Project Directory"), std::string::npos);
    EXPECT_EQ(ReadText(path), before);
    EXPECT_TRUE(dlg.Modified());
}

TEST_F(SettingsFileTest, SaveIntoAFolderThatCannotBeWrittenIsReported) {
    Click(N::FTP);
    const std::string path = dir.File("no-such-folder/x.wp");
    SaveAs(path);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find(path), std::string::npos);
    EXPECT_TRUE(dlg.Modified());
    EXPECT_EQ(dlg.SettingsFileName(), "");

    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    const std::string locked = dir.File("locked");
    ::mkdir(locked.c_str(), 0555);
    SaveAs(locked + "/x.wp");
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_TRUE(dlg.Modified());
}

TEST_F(SettingsFileTest, AReadOnlyFileOpensButIsNotOverwritten) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    const std::string path = dir.File("example.wp");
    Click(N::HTTP);
    SaveAs(path);
    dlg.OnFileNew();
    ::chmod(path.c_str(), 0444);
    const std::string before = ReadText(path);
    Open(path);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(Checked(N::HTTP));
    Click(N::FTP);
    dlg.OnFileSave();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("Permission denied"), std::string::npos);
    EXPECT_TRUE(dlg.Modified());
    EXPECT_EQ(ReadText(path), before);
}

TEST_F(SettingsFileTest, ExitAsksOnlyAfterChangesAndStaysOpenWhenTheSaveFails) {
    EXPECT_TRUE(dlg.OnExit());
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_TRUE(dlg.Closed());
}

TEST_F(SettingsFileTest, ExitWithChanges) {
    Click(N::UDP);
    // No: ends without saving.
    {
        FakePlatform other_ui;
        WizardDialog other(other_ui, MakeOptions(dir));
        other.Initialise();
        other.OnOptionClick(N::UDP);
        other_ui.answers.push_back(false);
        EXPECT_TRUE(other.OnExit());
        ASSERT_EQ(other_ui.questions.size(), 1u);
        EXPECT_EQ(other_ui.questions[0].text, "Do you want to save your settings? They are a new configuration, not saved to a file yet.");
        EXPECT_EQ(other_ui.questions[0].icon, MessageIcon::Question);
        EXPECT_EQ(other_ui.questions[0].caption, "Quillon");
        EXPECT_TRUE(other_ui.file_requests.empty());
    }
    // Yes, then the dialog is cancelled: the window stays open.
    ui.answers.push_back(true);
    ui.files.push_back(std::nullopt);
    EXPECT_FALSE(dlg.OnExit());
    EXPECT_FALSE(dlg.Closed());
    EXPECT_TRUE(dlg.Modified());

    // Yes, and the write fails: still open.
    ui.answers.push_back(true);
    ui.files.push_back(dir.File("gone/x.wp"));
    EXPECT_FALSE(dlg.OnExit());
    EXPECT_EQ(ui.messages.size(), 1u);

    // Yes, and it is saved: the window closes.
    ui.answers.push_back(true);
    ui.files.push_back(dir.File("x.wp"));
    EXPECT_TRUE(dlg.OnMenuCommand(MenuCommand::Exit));
    EXPECT_TRUE(dlg.Closed());
    EXPECT_FALSE(dlg.Modified());
    EXPECT_EQ(ReadText(dir.File("x.wp")), WriteSettings(dlg.Record(), dlg.ProjectFolder()));
}

TEST_F(SettingsFileTest, SavingThenExitingAsksNothing) {
    Click(N::UDP);
    SaveAs(dir.File("s.wp"));
    // A change after the save: the question names the file that Yes would write.
    Click(N::UDP);
    ui.choices.push_back(Answer::Cancel);
    EXPECT_FALSE(dlg.OnExit());
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.questions[0].text, "Do you want to save your settings to s.wp?");
    SaveAs(dir.File("s.wp"));
    EXPECT_TRUE(dlg.OnExit());
    EXPECT_EQ(ui.questions.size(), 1u);
}

}  // namespace
}  // namespace quillon::test
