// Writes that fail part-way, renames that fail and a process killed in mid-write, injected
// through the one file-write helper: a failing save keeps the previous settings file and the
// unsaved changes; a failing generation names every file it could not write, leaves every
// file whole, and the next generation repairs the project.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "ReliabilitySupport.h"
#include "TestSupport.h"
#include "io/FileIo.h"
#include "wizard/GenerationMessages.h"
#include "wizard/WizardDialog.h"

namespace quillon::test {
namespace {

namespace fs = std::filesystem;
using N = OptionNode;

using Files = std::map<std::string, std::vector<unsigned char>>;

// Every file below `dir` with its bytes, by path relative to `dir`.
Files Snapshot(const std::string& dir) {
    Files files;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (entry.is_regular_file()) files[fs::relative(entry.path(), dir).generic_string()] = ReadBytes(entry.path());
    }
    return files;
}

// The files of `have` that `want` lacks or holds with other bytes; empty when all are alike.
std::string NotLike(const Files& have, const Files& want) {
    std::string out;
    for (const auto& [name, bytes] : have) {
        const auto it = want.find(name);
        if (it == want.end()) out += name + " (unexpected) ";
        else if (it->second != bytes) out += name + " (" + std::to_string(bytes.size()) + " bytes, not " +
                                             std::to_string(it->second.size()) + ") ";
    }
    return out;
}

class FaultInjection : public ::testing::Test {
protected:
    FaultInjection() : window(ui, Options()) {
        // main.c carries the generation time; a fixed one makes two generations alike.
        ::setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
        window.Initialise();
    }
    ~FaultInjection() override { ClearWriteFaults(); }

    static WizardOptions Options() {
        WizardOptions o;
        o.store_path = QUILLON_STORE_PATH;
        return o;
    }

    // A web server with LOCATRA and a custom Ethernet device: nearly every file generation can
    // write, the web-page folder and the workspace expansion included.
    void ConfigureLargeProject() {
        for (N n : {N::HTTP, N::FTP, N::UDP, N::LOCATRA, N::CustomEthernetDevice}) window.OnOptionClick(n);
        window.Record().clock_confirmed = 1;
        // Frame buffers, an FTP memory pool and an HTTP buffer that leave room in the 4 KB of
        // XDATA for TCP and the servers with up to seven sockets.
        window.Record().xmit_buff_size = window.Record().recv_buff_size = 512;
        window.Record().mem_pool_size = 64;
        window.Record().http_buffer_len = 448;
        window.Record().tcp_window = 448;
    }

    void SaveAs(const std::string& path) {
        ui.files.push_back(path);
        window.OnFileSaveAs();
    }

    TempDir dir;
    FakePlatform ui;
    WizardDialog window;
};

TEST_F(FaultInjection, AFailedSaveKeepsThePreviousFileAndTheUnsavedChanges) {
    const std::string path = dir.File("kept.wp");
    SaveAs(path);
    ASSERT_FALSE(window.Modified());
    const std::vector<unsigned char> saved = ReadBytes(path);

    window.OnOptionClick(N::SMTP);
    const std::size_t cuts[] = {0, 1, 64, saved.size() / 2, saved.size() - 1};
    for (std::size_t cut : cuts) {
        ui.messages.clear();
        SetWriteFaults({.fail_after_bytes = cut, .fail_rename = false, .path_contains = path});
        window.OnFileSave();
        ASSERT_EQ(ui.messages.size(), 1u) << "cut after " << cut;
        EXPECT_NE(ui.messages[0].text.find(path), std::string::npos) << ui.messages[0].text;
        EXPECT_EQ(ReadBytes(path), saved) << "cut after " << cut;
        EXPECT_TRUE(window.Modified());
    }
    ui.messages.clear();
    SetWriteFaults({.fail_after_bytes = std::nullopt, .fail_rename = true, .path_contains = path});
    window.OnFileSave();
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ReadBytes(path), saved);
    EXPECT_TRUE(window.Modified());

    // Exit asks, the save fails again: the window stays open with the changes.
    ui.answers.push_back(true);
    EXPECT_FALSE(window.OnExit());
    EXPECT_FALSE(window.Closed());
    EXPECT_TRUE(window.Modified());

    ClearWriteFaults();
    window.OnFileSave();
    EXPECT_FALSE(window.Modified());
    EXPECT_NE(ReadBytes(path), saved);
    EXPECT_EQ(Snapshot(dir.Path()).size(), 1u) << "a temporary file was left behind";
}

TEST_F(FaultInjection, AFailedSaveAsToANewFileLeavesNoFileBehind) {
    window.OnOptionClick(N::SMTP);
    const std::string path = dir.File("new.wp");
    SetWriteFaults({.fail_after_bytes = 10, .fail_rename = false, .path_contains = path});
    SaveAs(path);
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(window.Modified());
    EXPECT_EQ(window.SettingsFileName(), "");
    EXPECT_TRUE(Snapshot(dir.Path()).empty());
}

TEST_F(FaultInjection, AFailedGenerationNamesTheFileAndLeavesEveryOtherFileWhole) {
    ConfigureLargeProject();
    // One folder for every run: the workspace holds the folder's path.
    const std::string folder = dir.File("project");
    const auto generate_afresh = [&] {
        fs::remove_all(folder);
        fs::create_directory(folder);
        ui.messages.clear();
        window.SetProjectFolder(folder);
        window.OnGenerateProject();
    };
    generate_afresh();
    ASSERT_EQ(ui.messages.size(), 1u);
    ASSERT_TRUE(ui.messages[0].text.starts_with(kGeneratedMessage)) << ui.messages[0].text;
    const Files clean = Snapshot(folder);
    ASSERT_GT(clean.size(), 20u);

    // Each file in turn fails half-way through its write.
    for (const auto& [name, bytes] : clean) {
        const std::string path = folder + "/" + name;
        SetWriteFaults({.fail_after_bytes = bytes.size() / 2, .fail_rename = false, .path_contains = path});
        generate_afresh();
        ClearWriteFaults();

        ASSERT_FALSE(ui.messages.empty()) << name;
        const Message& closing = ui.messages.back();
        EXPECT_TRUE(closing.text.starts_with(kGenerationFailedMessage)) << name;
        Files written = Snapshot(folder);
        // The fault strikes every path holding this one ("index.h" also cuts "index.html"):
        // those files are missing, never half there.
        for (const auto& [other, other_bytes] : clean) {
            const std::string failed = folder + "/" + other;
            if (failed.find(path) == std::string::npos || other == ".quillon/record") continue;
            if (other_bytes.size() <= bytes.size() / 2) continue;  // too short to be cut
            EXPECT_FALSE(written.count(other)) << other << " is there after its write failed";
            EXPECT_NE(std::find(closing.details.begin(), closing.details.end(), failed + ": No space left on device"),
                      closing.details.end())
                << failed << " is not among the failures";
        }
        // The record lacks what was not written; it is checked after the repair below.
        written.erase(".quillon/record");
        EXPECT_EQ(NotLike(written, clean), "") << "after " << name << " failed";

        // Generating again once the disk has room repairs the project completely.
        ui.messages.clear();
        window.OnGenerateProject();
        EXPECT_TRUE(ui.messages.back().text.starts_with(kGeneratedMessage)) << name;
        EXPECT_EQ(NotLike(Snapshot(folder), clean), "") << "generating again after " << name << " failed";
        EXPECT_EQ(Snapshot(folder).size(), clean.size()) << name;
    }
}

TEST_F(FaultInjection, AFailedRenameKeepsTheFileItWouldHaveReplaced) {
    ConfigureLargeProject();
    const std::string folder = dir.Path() + "/";
    window.SetProjectFolder(dir.Path());
    window.OnGenerateProject();
    const std::string userconst = folder + "zs_userconst.h";
    const std::string before = ReadText(userconst);

    window.Record().num_sockets = 7;
    SetWriteFaults({.fail_after_bytes = std::nullopt, .fail_rename = true, .path_contains = userconst});
    window.OnGenerateProject();
    ClearWriteFaults();

    const Message& closing = ui.messages.back();
    EXPECT_TRUE(closing.text.starts_with(kGenerationFailedMessage));
    EXPECT_EQ(closing.details, std::vector<std::string>{userconst + ": Input/output error"});
    EXPECT_EQ(ReadText(userconst), before);
    for (const auto& [name, bytes] : Snapshot(dir.Path())) {
        EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name << " left behind";
    }
    window.OnGenerateProject();
    EXPECT_TRUE(ui.messages.back().text.starts_with(kGeneratedMessage)) << ui.messages.back().text;
    EXPECT_NE(ReadText(userconst).find("num_sockets                     7"), std::string::npos);
}

// Puts `files` back into `folder` exactly, and nothing else.
void Restore(const std::string& folder, const Files& files) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (const auto& [name, bytes] : files) {
        fs::create_directories(fs::path(folder + "/" + name).parent_path());
        WriteBytes(folder + "/" + name, bytes);
    }
}

// A failure at any one write of a generation (no space, an I/O error, the process killed
// there), followed by a normal generation, leaves exactly the project that a generation
// without the failure leaves: from an empty folder, and from a project the user has edited.
TEST_F(FaultInjection, AFailureAtEveryWriteIsRepairedByTheNextGeneration) {
    ConfigureLargeProject();
    const std::string folder = dir.File("project");
    window.SetProjectFolder(folder);

    // The edited project: generated from the first configuration, then changed by the user,
    // one change of which overlaps the next configuration's.
    fs::create_directories(folder);
    window.OnGenerateProject();
    ASSERT_TRUE(ui.messages.back().text.starts_with(kGeneratedMessage)) << ui.messages.back().text;
    std::string main = ReadText(folder + "/main.c");
    main.insert(main.find('\n') + 1, "// My board, my firmware.\n");
    WriteText(folder + "/main.c", main);
    WriteText(folder + "/VFILE_DIR/index.html", "<p>my own page</p>\r\n");
    std::string userconst = ReadText(folder + "/zs_userconst.h");
    const std::size_t sockets = userconst.find("#define num_sockets");
    ASSERT_NE(sockets, std::string::npos);
    userconst.insert(sockets, "/* two are enough */\r\n");
    WriteText(folder + "/zs_userconst.h", userconst);
    const Files edited = Snapshot(folder);

    // The next configuration: more sockets and the LOCATRA service.
    window.Record().num_sockets = 6;
    window.OnOptionClick(N::LOCATRA);

    for (const bool from_edited : {false, true}) {
        const Files start = from_edited ? edited : Files{};
        Restore(folder, start);
        SetWriteFaults({.path_contains = folder});
        window.OnGenerateProject();
        const std::size_t writes = FaultedWriteCount();
        ClearWriteFaults();
        ASSERT_TRUE(window.LastGeneration() && window.LastGeneration()->outcome == GenerationOutcome::Generated);
        if (from_edited) {
            ASSERT_EQ(window.LastGeneration()->Count(FileOutcome::Conflict), 1u);
            ASSERT_EQ(window.LastGeneration()->Count(FileOutcome::Merged), 1u);
        }
        const Files want = Snapshot(folder);
        ASSERT_GT(writes, from_edited ? 4u : 20u);

        for (const WriteFaultKind kind : {WriteFaultKind::NoSpace, WriteFaultKind::IoError, WriteFaultKind::Kill}) {
            for (std::size_t k = 0; k < writes; ++k) {
                const std::string where = std::string(from_edited ? "edited" : "empty") + " folder, kind " +
                                          std::to_string(static_cast<int>(kind)) + ", write " + std::to_string(k);
                Restore(folder, start);
                const WriteFaults fault{.path_contains = folder, .only_write = k, .kind = kind};
                if (kind == WriteFaultKind::Kill) {
                    const pid_t child = ::fork();
                    ASSERT_GE(child, 0);
                    if (child == 0) {
                        SetWriteFaults(fault);
                        window.OnGenerateProject();
                        ::_exit(0);
                    }
                    int status = 0;
                    ::waitpid(child, &status, 0);
                    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << where;
                } else {
                    ui.messages.clear();
                    SetWriteFaults(fault);
                    window.OnGenerateProject();
                    ClearWriteFaults();
                    ASSERT_FALSE(ui.messages.empty()) << where;
                    EXPECT_TRUE(ui.messages.back().text.starts_with(kGenerationFailedMessage)) << where;
                }
                ui.messages.clear();
                window.OnGenerateProject();
                ASSERT_TRUE(window.LastGeneration()) << where;
                EXPECT_EQ(window.LastGeneration()->outcome, GenerationOutcome::Generated) << where;
                const Files repaired = Snapshot(folder);
                EXPECT_EQ(NotLike(repaired, want), "") << where;
                EXPECT_EQ(repaired.size(), want.size()) << where;
            }
        }
    }
}

// The files with the record's "replaced" lines left out: they tell what a generation's writes
// replaced, which depends on what was there before, not on the project.
Files WithoutReplacedLines(Files files) {
    std::vector<unsigned char>& record = files[".quillon/record"];
    std::string text(record.begin(), record.end()), kept;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size() - 1) + 1;
        if (text.compare(start, 9, "replaced ") != 0) kept += text.substr(start, end - start);
        start = end;
    }
    record.assign(kept.begin(), kept.end());
    return files;
}

// Two generations of different configurations into one folder at the same time: one waits for
// the other, both succeed, and the folder holds the whole project of the one that came last.
TEST_F(FaultInjection, ConcurrentGenerationsNeverTearAFile) {
    ConfigureLargeProject();
    const std::string folder = dir.File("project");
    window.SetProjectFolder(folder);
    const auto configure = [&](int which) {
        window.Record().num_sockets = which == 0 ? 4 : 6;
        window.Record().ip_src_addr = which == 0 ? Ip4{10, 0, 0, 1} : Ip4{192, 168, 7, 7};
    };
    Files clean[2];
    for (int which : {0, 1}) {
        fs::remove_all(folder);
        fs::create_directories(folder);
        configure(which);
        window.OnGenerateProject();
        ASSERT_TRUE(ui.messages.back().text.starts_with(kGeneratedMessage)) << ui.messages.back().text;
        clean[which] = Snapshot(folder);
    }
    ASSERT_EQ(clean[0].size(), clean[1].size());

    for (int round = 0; round < 6; ++round) {
        Restore(folder, clean[round % 2]);
        pid_t children[2];
        for (int which : {0, 1}) {
            children[which] = ::fork();
            ASSERT_GE(children[which], 0);
            if (children[which] == 0) {
                configure(which);
                window.OnGenerateProject();
                const auto& report = window.LastGeneration();
                ::_exit(report && report->outcome == GenerationOutcome::Generated ? 0 : 1);
            }
        }
        for (pid_t child : children) {
            int status = 0;
            ::waitpid(child, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
        }
        const Files after = WithoutReplacedLines(Snapshot(folder));
        EXPECT_TRUE(NotLike(after, clean[0]).empty() || NotLike(after, clean[1]).empty())
            << "round " << round << ": not one whole project; against the first: " << NotLike(after, clean[0])
            << "; against the second: " << NotLike(after, clean[1]);
    }
}

}  // namespace
}  // namespace quillon::test
