// What a generation and a save promise when the disk or another program works against them:
// every write point (the syncs included) that fails ends in a failure the command line reports
// with status 1; a generation that waited for the folder's lock reads the record the other one
// left; a symbolic link planted while a generation runs is never followed; writes lost to a
// power cut are told from the user's edits; and the settings file's extension block warns
// about the keys it lacks.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

#include "ReliabilitySupport.h"
#include "TestSupport.h"
#include "cli/CliCommands.h"
#include "generator/LibrarySource.h"
#include "generator/ProjectGenerator.h"
#include "generator/ProjectRecord.h"
#include "io/FileIo.h"

namespace quillon::test {
namespace {

namespace fs = std::filesystem;

struct CliRun {
    int status = -1;
    std::string out, err;
};

class Durability : public ::testing::Test {
protected:
    Durability() {
        ::setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
        options.store_path = QUILLON_STORE_PATH;
        const std::string examples = std::string(QUILLON_SOURCE_DIR) + "/examples/";
        fs::copy_file(examples + "ethernet-web-server.wp", dir.File("web.wp"));
        fs::copy_file(examples + "zintor-udp-device.wp", dir.File("zintor.wp"));
        std::string more = ReadText(dir.File("web.wp"));
        more.replace(more.find("\n4\n"), 3, "\n6\n");  // six sockets
        WriteText(dir.File("web6.wp"), more);
    }
    ~Durability() override {
        ClearWriteFaults();
        ::unsetenv("SOURCE_DATE_EPOCH");
    }

    // quillon-cli in this process, so that the injected faults reach it.
    CliRun Cli(const std::vector<std::string>& args) {
        std::istringstream in;
        std::ostringstream out, err;
        CliRun run;
        run.status = cli::RunCli(args, options, in, out, err);
        run.out = out.str();
        run.err = err.str();
        return run;
    }

    // The built quillon-cli in a process of its own, with `env` added to its environment;
    // what it prints goes to `log`.
    pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::pair<std::string, std::string>>& env,
                const std::string& log) {
        const std::string program = BuiltProgram("quillon-cli");
        const pid_t child = ::fork();
        if (child != 0) return child;
        for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }

    static int Wait(pid_t child) {
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    static bool AppearsWithin(const std::string& path, std::chrono::seconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!fs::exists(path)) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    // The environment that pauses a spawned quillon-cli at `point` (for a path holding `part`).
    std::vector<std::pair<std::string, std::string>> PauseAt(const std::string& point, const std::string& part) {
        return {{"QUILLON_PAUSE_AT", point}, {"QUILLON_PAUSE_PATH", part}, {"QUILLON_PAUSE_FILE", dir.File("pause")}};
    }

    // Syncs cost nothing there, and a few hundred generations sync.
    TempDir dir{MemoryBackedTempBase()};
    WizardOptions options;
};

std::vector<std::string> FilesBelow(const std::string& folder) {
    std::vector<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file()) files.push_back(fs::relative(e.path(), folder).generic_string());
    return files;
}

ProjectRecord RecordOf(const std::string& folder) {
    const std::vector<unsigned char> bytes = ReadBytes(folder + "/.quillon/record");
    return ParseProjectRecord(ByteView(bytes.data(), bytes.size()));
}

// Every write point of a generation in turn (each file's write and sync, each folder's sync,
// the record's write and sync, the sync of .quillon/ last), failing with an I/O error or a full
// disk: quillon-cli says so and exits 1, and the next run completes the project.
TEST_F(Durability, EveryWritePointThatFailsEndsTheCommandWithStatus1) {
    const std::string folder = dir.File("project");
    SetWriteFaults({.path_contains = folder});
    ASSERT_EQ(Cli({"generate", dir.File("web.wp"), "--out", folder}).status, cli::kExitOk);
    const std::size_t points = FaultedWriteCount();
    ClearWriteFaults();
    // A write and a sync for each of some twenty files, then the folders' syncs.
    ASSERT_GT(points, 40u);
    const std::vector<std::string> clean = FilesBelow(folder);

    std::size_t syncs_failed = 0;
    for (std::size_t k = 0; k < points; ++k) {
        for (const WriteFaultKind kind : {WriteFaultKind::IoError, WriteFaultKind::NoSpace}) {
            fs::remove_all(folder);
            SetWriteFaults({.path_contains = folder, .only_write = k, .kind = kind});
            const CliRun run = Cli({"generate", dir.File("web.wp"), "--out", folder});
            ClearWriteFaults();
            const std::string where = "write point " + std::to_string(k);
            EXPECT_EQ(run.status, cli::kExitFailed) << where << "\n" << run.out << run.err;
            EXPECT_NE(run.err.find("generation failed"), std::string::npos) << where << "\n" << run.err;
            if (run.err.find(".quillon: ") != std::string::npos || run.err.find(".quillon/record: ") != std::string::npos)
                ++syncs_failed;
            EXPECT_EQ(Cli({"generate", dir.File("web.wp"), "--out", folder}).status, cli::kExitOk) << where;
            EXPECT_EQ(Cli({"generate", "--check", dir.File("web.wp"), "--out", folder}).status, cli::kExitOk) << where;
            EXPECT_EQ(FilesBelow(folder).size(), clean.size()) << where;
        }
    }
    // The record's write and sync and the sync of its folder were among them.
    EXPECT_GE(syncs_failed, 2u * 3u);
}

// The save's last step, the sync of the settings file's folder, fails: the window says so, the
// changes stay unsaved, and the script that saved runs to its end and exits 1.
TEST_F(Durability, ASaveWhoseFolderCannotBeSyncedFailsAndSoDoesItsScript) {
    const std::string saved = dir.File("saved.wp");
    // The save's write points: the new file's write, its sync, the folder's sync.
    SetWriteFaults({.path_contains = dir.Path(), .only_write = 2, .kind = WriteFaultKind::IoError});
    const std::string script = dir.File("save.qs");
    WriteText(script, "click SMTP\nfile " + saved + "\nmenu save-as\nshow window\n");
    const CliRun run = Cli({"script", script});
    ClearWriteFaults();
    EXPECT_EQ(run.status, cli::kExitFailed) << run.out << run.err;
    EXPECT_NE(run.out.find("message: Cannot save the settings file \"" + saved + "\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("modified=1"), std::string::npos) << "the line after the save did not run\n" << run.out;
    // The file has its name, but nothing says it will last: not a save.
    EXPECT_NE(ReadText(saved).find("[quillon]"), std::string::npos);
    EXPECT_NE(run.err.find("quillon-cli script: a settings file could not be opened or saved"), std::string::npos)
        << run.err;
}

// Two generations into a folder without a record: the second waits for the lock while the
// first writes the whole project and its record. The second must read that record: the first
// one's files are then its own earlier output, not the user's (no NAME.orig copies), and the
// record it leaves still knows every file the first wrote.
TEST_F(Durability, AGenerationThatWaitedForTheLockReadsTheRecordTheOtherWrote) {
    const std::string folder = dir.File("project");
    fs::create_directories(folder);
    const pid_t second =
        Spawn({"generate", dir.File("zintor.wp"), "--out", folder}, PauseAt("lock", ".quillon"), dir.File("second.log"));
    ASSERT_TRUE(AppearsWithin(dir.File("pause.reached"), std::chrono::seconds(30)));
    // The second is past every check it makes before the lock; the first runs whole.
    ASSERT_EQ(Cli({"generate", dir.File("web.wp"), "--out", folder}).status, cli::kExitOk);
    const ProjectRecord first = RecordOf(folder);
    WriteText(dir.File("pause.go"), "");
    ASSERT_EQ(Wait(second), cli::kExitOk) << ReadText(dir.File("second.log"));

    for (const std::string& file : FilesBelow(folder)) EXPECT_FALSE(file.ends_with(".orig")) << file;
    const ProjectRecord last = RecordOf(folder);
    for (const auto& [path, entry] : first) EXPECT_TRUE(last.count(path)) << path << " forgotten";
    EXPECT_TRUE(last.count("VFILE_DIR/index.html"));
    EXPECT_EQ(Cli({"generate", "--check", dir.File("zintor.wp"), "--out", folder}).status, cli::kExitOk);
}

// VFILE_DIR is missing when the generation decides, and becomes a link to a folder outside the
// project just before the generation makes it: nothing is written outside, and the generation
// fails naming the folder.
TEST_F(Durability, ALinkPlantedWhileGeneratingIsNeverFollowed) {
    const std::string folder = dir.File("project");
    const std::string outside = dir.File("outside");
    fs::create_directories(folder);
    fs::create_directories(outside);
    const pid_t run =
        Spawn({"generate", dir.File("web.wp"), "--out", folder}, PauseAt("mkdir", "VFILE_DIR"), dir.File("run.log"));
    ASSERT_TRUE(AppearsWithin(dir.File("pause.reached"), std::chrono::seconds(30)));
    fs::create_directory_symlink(outside, folder + "/VFILE_DIR");
    WriteText(dir.File("pause.go"), "");
    EXPECT_EQ(Wait(run), cli::kExitFailed);
    const std::string log = ReadText(dir.File("run.log"));
    EXPECT_NE(log.find(folder + "/VFILE_DIR: " + kLinkInPlace), std::string::npos) << log;
    EXPECT_TRUE(fs::is_empty(outside)) << log;
    EXPECT_TRUE(fs::is_symlink(folder + "/VFILE_DIR"));
}

// A power cut after the record reached the disk but before some files did: those files still
// hold what the generation before wrote. They are not the user's edits: --check reports them
// and the next generation brings them up to date; a file the user did edit stays theirs.
TEST_F(Durability, WritesLostToAPowerCutAreNotTakenForEdits) {
    const std::string folder = dir.File("project");
    ASSERT_EQ(Cli({"generate", dir.File("web.wp"), "--out", folder}).status, cli::kExitOk);
    const std::string userconst = folder + "/zs_userconst.h";
    const std::string main = folder + "/main.c";
    const std::string before = ReadText(userconst);
    const std::string main_before = ReadText(main);

    ASSERT_EQ(Cli({"generate", dir.File("web6.wp"), "--out", folder}).status, cli::kExitOk);
    const std::string after = ReadText(userconst);
    ASSERT_NE(after, before);
    // The cut: the new record stays, zs_userconst.h is back to the earlier generation's text.
    WriteText(userconst, before);

    const CliRun check = Cli({"generate", "--check", dir.File("web6.wp"), "--out", folder});
    EXPECT_EQ(check.status, cli::kExitDrift) << check.out << check.err;
    EXPECT_NE(check.out.find("updated: zs_userconst.h"), std::string::npos) << check.out;
    ASSERT_EQ(Cli({"generate", dir.File("web6.wp"), "--out", folder}).status, cli::kExitOk);
    EXPECT_EQ(ReadText(userconst), after);
    EXPECT_EQ(Cli({"generate", "--check", dir.File("web6.wp"), "--out", folder}).status, cli::kExitOk);

    // A user's edit is an edit, whatever the record says the file held before.
    WriteText(main, main_before + "/* mine */\n");
    const CliRun edited = Cli({"generate", "--check", dir.File("web6.wp"), "--out", folder});
    EXPECT_EQ(edited.status, cli::kExitOk) << edited.out;
    ASSERT_EQ(Cli({"generate", dir.File("web6.wp"), "--out", folder}).status, cli::kExitOk);
    EXPECT_EQ(ReadText(main), main_before + "/* mine */\n");
}

// The generated workspace names the folder on lines of its own.
TEST_F(Durability, AnOutputFolderWithALineBreakIsRefused) {
    const std::string folder = dir.File("two\nlines");
    const CliRun run = Cli({"generate", dir.File("web.wp"), "--out", folder});
    EXPECT_EQ(run.status, cli::kExitFailed);
    EXPECT_NE(run.err.find("two\\nlines\" holds a line break"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(folder));

    // The generator itself refuses it too, for the window's folder dialog.
    fs::create_directories(folder);
    ConfigRecord record;
    std::string project = folder;
    NoLibrarySource none;
    const GenerationReport report = GenerateProject(record, project, none);
    EXPECT_EQ(report.outcome, GenerationOutcome::Failed);
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_NE(report.failures[0].reason.find("line break"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(folder));
}

// A block cut short or missing single keys warns about each, in the form of every other
// reading warning, and --strict refuses the file.
TEST_F(Durability, ExtensionKeysThatAreMissingAreWarnedAboutAndRefusedUnderStrict) {
    const std::string full = ReadText(dir.File("zintor.wp"));
    const std::size_t block = full.find("[quillon]\n");
    ASSERT_NE(block, std::string::npos);
    const std::size_t first_key_end = full.find('\n', block + 10) + 1;
    // Cut after "family=zintor", the first line of the block.
    WriteText(dir.File("cut.wp"), full.substr(0, first_key_end));
    CliRun show = Cli({"show", dir.File("cut.wp")});
    EXPECT_EQ(show.status, cli::kExitOk);
    EXPECT_NE(show.err.find("quillon-cli show: " + dir.File("cut.wp") +
                            ":65: dns: missing: the [quillon] block ends after line 65 without it and the 18 "
                            "key(s) after it (read as the defaults)"),
              std::string::npos)
        << show.err;
    CliRun strict = Cli({"generate", "--strict", dir.File("cut.wp"), "--out", dir.File("never")});
    EXPECT_EQ(strict.status, cli::kExitFailed);
    EXPECT_NE(strict.err.find("refused under --strict"), std::string::npos) << strict.err;
    EXPECT_FALSE(fs::exists(dir.File("never")));

    // Two keys deleted from the middle of the block, one malformed.
    std::string holes = full;
    for (const char* key : {"\nlocatra=", "\nsysclk_hz="}) {
        const std::size_t at = holes.find(key);
        ASSERT_NE(at, std::string::npos) << key;
        holes.erase(at + 1, holes.find('\n', at + 1) - at);
    }
    holes.replace(holes.find("\ndns="), 7, "\ndns=x\n");
    WriteText(dir.File("holes.wp"), holes);
    show = Cli({"show", dir.File("holes.wp")});
    EXPECT_EQ(show.status, cli::kExitOk);
    for (const std::string warning : {": dns: a flag (0 or 1) expected: \"dns=x\" (ignored)",
                                      ": locatra: missing: the [quillon] block has no such line (read as the defaults)",
                                      ": sysclk_hz: missing: the [quillon] block has no such line (read as the defaults)"})
        EXPECT_NE(show.err.find(warning), std::string::npos) << warning << "\n" << show.err;
    EXPECT_EQ(Cli({"show", "--strict", dir.File("holes.wp")}).status, cli::kExitFailed);
    EXPECT_EQ(Cli({"show", "--strict", dir.File("zintor.wp")}).status, cli::kExitOk);
}

}  // namespace
}  // namespace quillon::test
