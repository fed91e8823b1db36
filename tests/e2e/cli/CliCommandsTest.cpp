#include "cli/CliCommands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "TestSupport.h"
#include "io/FileIo.h"
#include "io/HeldFile.h"

namespace quillon::cli {
namespace {

class CliCommandsTest : public ::testing::Test {
protected:
    int Cli(std::vector<std::string> args, const std::string& input = {}) {
        options_.program_dir = dir_.Path();
        options_.store_path = dir_.File("no-store.so");
        out_.str("");
        err_.str("");
        std::istringstream in(input);
        return RunCli(args, options_, in, out_, err_);
    }
    std::string Out() const { return out_.str(); }
    std::string Err() const { return err_.str(); }
    static std::string ReadText(const std::string& path) { return test::ReadText(path); }

    test::TempDir dir_;
    WizardOptions options_;
    std::ostringstream out_, err_;
};

TEST_F(CliCommandsTest, CommandLineMistakesExitWithTwo) {
    EXPECT_EQ(Cli({}), kExitUsage);
    EXPECT_NE(Err().find("Usage: quillon-cli"), std::string::npos);
    EXPECT_EQ(Cli({"frobnicate"}), kExitUsage);
    EXPECT_EQ(Err(), "quillon-cli: unknown command frobnicate (see quillon-cli --help)\n");
    EXPECT_EQ(Cli({"generate"}), kExitUsage);
    EXPECT_EQ(Err(), "quillon-cli generate: --out DIR is required\n");
    EXPECT_EQ(Cli({"generate", "--out", "a", "--out=b"}), kExitUsage);
    EXPECT_EQ(Err(), "quillon-cli generate: --out given twice\n");
    EXPECT_EQ(Cli({"generate", "--json", "--out", "a"}), kExitUsage);  // not a generate option
    EXPECT_EQ(Cli({"vault", "show", "0"}), kExitUsage);
    EXPECT_EQ(Cli({"diff", "a.wp"}), kExitUsage);
    EXPECT_EQ(Cli({"generate", "--out"}), kExitUsage);
    EXPECT_EQ(Cli({"generate", "a.wp", "b.wp", "--out", "x"}), kExitUsage);
    EXPECT_EQ(Cli({"show", "--verbose"}), kExitUsage);
    EXPECT_EQ(Err(), "quillon-cli show: unknown option --verbose (see quillon-cli show --help)\n");
    EXPECT_EQ(Cli({"script", "a.qs", "b.qs"}), kExitUsage);
    EXPECT_EQ(Cli({"script", dir_.File("missing.qs")}), kExitUsage);
    EXPECT_NE(Err().find("cannot read " + dir_.File("missing.qs")), std::string::npos) << Err();
    EXPECT_EQ(Cli({"explain"}), kExitUsage);
    EXPECT_EQ(Cli({"explain", "HTTP", "a.wp", "b.wp"}), kExitUsage);
    EXPECT_EQ(Cli({"explain", "HTTP", dir_.File("missing.wp")}), kExitFailed);
}

TEST_F(CliCommandsTest, HelpAndVersion) {
    EXPECT_EQ(Cli({"--version"}), kExitOk);
    EXPECT_EQ(Out(), "quillon-cli 3.23\n");
    EXPECT_EQ(Cli({"--help"}), kExitOk);
    for (const char* part : {"generate [SETTINGS.wp] --out DIR", "show [SETTINGS.wp]", "script [FILE|-]",
                             "click NODE", "sheet ok", "error: line N: WHY"}) {
        EXPECT_NE(Out().find(part), std::string::npos) << part;
    }
}

TEST_F(CliCommandsTest, ShowPrintsTheRecordLibraryAndCodeSize) {
    ASSERT_EQ(Cli({"show"}), kExitOk) << Err();
    const std::string out = Out();
    EXPECT_EQ(out.rfind("option_bits=0x108019\n", 0), 0u) << out;
    // The defaults pick library 37 without widening the option bits.
    EXPECT_NE(out.find("\nclock_confirmed=0\nlibrary_number=37\nlibrary_name=037\nused_space="), std::string::npos)
        << out;
    EXPECT_EQ(Err(), "");
}

TEST_F(CliCommandsTest, ScriptReadsStandardInput) {
    EXPECT_EQ(Cli({"script", "-"}, "select Sockets\nset 1001 300\nshow window\n"), kExitOk) << Err();
    EXPECT_EQ(Out().rfind("note: 1001: 300 does not fit: not stored; the value stays 3 (range 1 to 127)\nmodified=0\n", 0), 0u) << Out();
    EXPECT_EQ(Cli({"script"}, "bogus\n"), kExitUsage);
    EXPECT_EQ(Err(), "quillon-cli script: error: line 1: unknown command: bogus\n");
}

#ifdef QUILLON_STORE_PATH
// The web server example with its project folder line pointing at another folder: the project
// must still land in --out, and only there.
TEST_F(CliCommandsTest, GenerateWritesIntoTheOutFolderWhateverTheFileRemembers) {
    const std::string example = ReadText(std::string(QUILLON_SOURCE_DIR) + "/examples/ethernet-web-server.wp");
    const std::string other = dir_.File("remembered");
    std::filesystem::create_directory(other);
    std::string settings = example;
    const std::size_t third = settings.find('\n', settings.find('\n') + 1) + 1;
    ASSERT_EQ(settings[third], '\n');  // the example remembers no folder
    settings.insert(third, other + "/");
    ASSERT_FALSE(WriteFileText(dir_.File("web.wp"), settings));

    options_.store_path = QUILLON_STORE_PATH;
    const std::string out_dir = dir_.File("nested/out");
    std::ostringstream out, err;
    std::istringstream in;
    ASSERT_EQ(RunCli({"generate", dir_.File("web.wp"), "--out", out_dir}, options_, in, out, err), kExitOk) << err.str();
    // One line a file, in the order of generation, then the closing message. The stack's modules
    // (between zs_stack.h and the Makefile) are whichever its source has.
    std::string expected;
    for (const char* name : {"zs_stackconst.h", "zs_errs.h", "zs_vars.c", "zs_defs.h", "zs_funcs.h", "zs_userconst.h",
                             "vardex.h", "zs_stack_common_039.lib", "zs_stack_bank_039.lib", "main.c", "zs_callback.c",
                             "TCPIP_Project.wsp", "VFILE_DIR/pagebake.exe", "VFILE_DIR/update.bat",
                             "VFILE_DIR/index.html", "VFILE_DIR/index.h", "VFILE_DIR/index.c", "VFILE_DIR/zs_defs.h",
                             "VFILE_DIR/zs_stackconst.h", "zs_hw.h", "zs_stack.h", "zs_core.c", "zs_hw8051.c"}) {
        expected += std::string("created: ") + name + "\n";
    }
    const std::string printed = out.str();
    EXPECT_EQ(printed.substr(0, expected.size()), expected);
    // The Lanvik controller's driver is not part of the stack's source: the Makefile says so.
    EXPECT_NE(printed.find("created: Makefile\nProject generated successfully.\nstack source lacks "), std::string::npos)
        << printed;
    EXPECT_NE(printed.find("zs_lanvik.c"), std::string::npos);
    EXPECT_NE(printed.find("for this configuration: make stops, the IDE workspace builds it\n"
                           "sample stack libraries: the IDE workspace's library pair links but does not "
                           "run the stack\n"),
              std::string::npos);
    for (const char* name : {"main.c", "zs_stackconst.h", "TCPIP_Project.wsp", "VFILE_DIR", "zs_stack_common_039.lib"}) {
        EXPECT_TRUE(std::filesystem::exists(out_dir + "/" + name)) << name;
    }
    EXPECT_TRUE(std::filesystem::is_empty(other));
    EXPECT_GT(std::filesystem::file_size(out_dir + "/zs_stack_common_039.lib"), 0u);
    // The settings file itself is left as it was.
    EXPECT_EQ(ReadText(dir_.File("web.wp")), settings);
}

// Every file with its bytes and time, to show that a command wrote nothing.
std::map<std::string, std::pair<std::string, std::filesystem::file_time_type>> Folder(const std::string& dir) {
    std::map<std::string, std::pair<std::string, std::filesystem::file_time_type>> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
        out[e.path()] = {e.is_regular_file() ? test::ReadText(e.path()) : "", e.last_write_time()};
    }
    return out;
}

// --check, --dry-run and --diff on a generated project that the user then edits and whose
// configuration then changes: the exit statuses CI relies on, and never a byte written.
TEST_F(CliCommandsTest, CheckDryRunAndDiffLookWithoutWriting) {
    options_.store_path = QUILLON_STORE_PATH;
    // A copy: the window holds the settings file it opened, and other tests open the example.
    const std::string web = dir_.File("web.wp");
    std::filesystem::copy_file(std::string(QUILLON_SOURCE_DIR) + "/examples/ethernet-web-server.wp", web);
    const std::string out_dir = dir_.File("project");
    const auto generate = [&](std::vector<std::string> args) {
        out_.str("");
        err_.str("");
        args.insert(args.begin(), "generate");
        std::istringstream in;
        return RunCli(args, options_, in, out_, err_);
    };
    ASSERT_EQ(generate({web, "--out", out_dir}), kExitOk) << Err();

    // The user's own line in main.c is no drift: generation would leave it.
    std::string main = ReadText(out_dir + "/main.c");
    main.insert(main.find('\n') + 1, "// my board\n");
    ASSERT_FALSE(WriteFileText(out_dir + "/main.c", main));
    const auto before = Folder(out_dir);
    EXPECT_EQ(generate({web, "--out", out_dir, "--check"}), kExitOk) << Err();
    EXPECT_NE(Out().find("unchanged: main.c\n"), std::string::npos) << Out();
    EXPECT_EQ(Out().find("Project generated"), std::string::npos) << Out();

    // Another address: zs_userconst.h drifts.
    std::string settings = ReadText(web);
    settings.replace(settings.find("{ 192, 168, 1, 50 }"), 19, "{ 10, 1, 2, 3 }");
    ASSERT_FALSE(WriteFileText(dir_.File("moved.wp"), settings));
    EXPECT_EQ(generate({dir_.File("moved.wp"), "--out", out_dir, "--check"}), kExitDrift);
    EXPECT_NE(Out().find("updated: zs_userconst.h\n"), std::string::npos) << Out();
    EXPECT_NE(Err().find(out_dir + " is not what this configuration generates (1 file(s) would change)"),
              std::string::npos)
        << Err();
    EXPECT_EQ(generate({dir_.File("moved.wp"), "--out", out_dir, "--dry-run"}), kExitOk);
    EXPECT_NE(Out().find("updated: zs_userconst.h\n"), std::string::npos) << Out();
    EXPECT_EQ(generate({dir_.File("moved.wp"), "--out", out_dir, "--diff"}), kExitOk);
    EXPECT_EQ(Out().rfind("diff --git a/zs_userconst.h b/zs_userconst.h\n", 0), 0u) << Out();
    EXPECT_NE(Out().find("+#define IP_SRC_ADDR                     { 10, 1, 2, 3 }"), std::string::npos) << Out();
    EXPECT_EQ(Folder(out_dir), before);

    // A dry run into a folder that is not there yet: everything would be created, nothing is.
    EXPECT_EQ(generate({web, "--out", dir_.File("new/project"), "--dry-run"}), kExitOk) << Err();
    EXPECT_NE(Out().find("created: VFILE_DIR/index.c\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir_.File("new")));
    EXPECT_EQ(generate({web, "--out", dir_.File("new/project"), "--check"}), kExitDrift);
    EXPECT_EQ(generate({web, "--out", out_dir, "--check", "--diff"}), kExitUsage);
}

// The CI recipe: generate into a checkout, commit, clone at another path, check there. Every
// example, so that every kind of workspace (web, banked, Zintor) is covered.
TEST_F(CliCommandsTest, AProjectCopiedToAnotherPathIsUpToDateThere) {
    // With the store, as CI has it.
    const auto Cli = [&](std::vector<std::string> args, const std::string& input = {}) {
        options_.store_path = QUILLON_STORE_PATH;
        out_.str("");
        err_.str("");
        std::istringstream in(input);
        return RunCli(args, options_, in, out_, err_);
    };
    for (const auto& entry : std::filesystem::directory_iterator(std::string(QUILLON_SOURCE_DIR) + "/examples")) {
        if (entry.path().extension() != ".wp") continue;
        const std::string name = entry.path().stem().string();
        const std::string settings = dir_.File(name + ".wp");
        std::filesystem::copy_file(entry.path(), settings);
        const std::string here = dir_.File("dev/" + name), there = dir_.File("ci/checkout/" + name);
        ASSERT_EQ(Cli({"generate", "--strict", settings, "--out", here}), kExitOk) << name << Err();
        std::filesystem::create_directories(there);
        std::filesystem::copy(here, there, std::filesystem::copy_options::recursive);
        EXPECT_EQ(Cli({"generate", "--strict", "--check", settings, "--out", there}), kExitOk)
            << name << "\n" << Out() << Err();
        EXPECT_EQ(Out().find("updated:"), std::string::npos) << name << "\n" << Out();
        // No machine's path lands in the repository.
        const std::string workspace = ReadText(there + "/TCPIP_Project.wsp");
        EXPECT_EQ(workspace.find(dir_.Path()), std::string::npos) << name;
        EXPECT_NE(workspace.find("WorkSpaceName=TCPIP_Project.wsp\r\n"), std::string::npos) << name;
    }
}

// A running wizard holds its settings file locked; the commands that only read it still read
// it, and a script, which acts as a second window, still cannot open it.
TEST_F(CliCommandsTest, ReadingCommandsReadAFileTheWizardHolds) {
    // With the store, as CI has it.
    const auto Cli = [&](std::vector<std::string> args, const std::string& input = {}) {
        options_.store_path = QUILLON_STORE_PATH;
        out_.str("");
        err_.str("");
        std::istringstream in(input);
        return RunCli(args, options_, in, out_, err_);
    };
    const std::string web = dir_.File("web.wp");
    std::filesystem::copy_file(std::string(QUILLON_SOURCE_DIR) + "/examples/ethernet-web-server.wp", web);
    FileError error;
    const std::unique_ptr<HeldFile> held = HeldFile::Open(web, &error);
    ASSERT_TRUE(held) << error.reason;
    EXPECT_EQ(Cli({"show", web}), kExitOk) << Err();
    EXPECT_NE(Out().find("num_sockets=4\n"), std::string::npos) << Out();
    EXPECT_EQ(Cli({"check", "--strict", web}), kExitOk) << Err();
    EXPECT_EQ(Cli({"explain", "HTTP", web}), kExitOk) << Err();
    EXPECT_EQ(Cli({"diff", web, web}), kExitOk) << Err();
    EXPECT_EQ(Cli({"generate", "--strict", web, "--out", dir_.File("project")}), kExitOk) << Err();
    EXPECT_NE(Out().find("created: zs_userconst.h\n"), std::string::npos) << Out();
    Cli({"script", "-"}, "file " + web + "\nmenu open\nshow window\n");
    EXPECT_NE(Out().find("message: Cannot open the settings file"), std::string::npos) << Out();
}

// The user's edit and the new configuration change the same line: the project is generated,
// the user's file stays, the merge goes beside it, and the exit status says so.
TEST_F(CliCommandsTest, GenerationWithConflictsExitsWithFour) {
    options_.store_path = QUILLON_STORE_PATH;
    // A copy: the window holds the settings file it opened, and other tests open the example.
    const std::string web = dir_.File("web.wp");
    std::filesystem::copy_file(std::string(QUILLON_SOURCE_DIR) + "/examples/ethernet-web-server.wp", web);
    const std::string out_dir = dir_.File("project");
    std::istringstream in;
    ASSERT_EQ(RunCli({"generate", web, "--out", out_dir}, options_, in, out_, err_), kExitOk);
    std::string userconst = ReadText(out_dir + "/zs_userconst.h");
    const std::size_t at = userconst.find("{ 192, 168, 1, 50 }");
    userconst.replace(at, 19, "{ 192, 168, 1, 51 }");
    ASSERT_FALSE(WriteFileText(out_dir + "/zs_userconst.h", userconst));
    std::string settings = ReadText(web);
    settings.replace(settings.find("{ 192, 168, 1, 50 }"), 19, "{ 10, 1, 2, 3 }");
    ASSERT_FALSE(WriteFileText(dir_.File("moved.wp"), settings));

    // The diff shows the merge against the user's file: only the conflict's lines, not a new file.
    out_.str("");
    EXPECT_EQ(RunCli({"generate", dir_.File("moved.wp"), "--out", out_dir, "--diff"}, options_, in, out_, err_), kExitOk);
    EXPECT_EQ(Out().rfind("diff --git a/zs_userconst.h b/zs_userconst.h.merge\n", 0), 0u) << Out();
    EXPECT_EQ(Out().find("new file mode"), std::string::npos) << Out();
    EXPECT_NE(Out().find("\n+<<<<<<< "), std::string::npos) << Out();
    EXPECT_NE(Out().find("\n+#define IP_SRC_ADDR                     { 10, 1, 2, 3 }"), std::string::npos) << Out();
    EXPECT_NE(Out().find("\n #define IP_SRC_ADDR                     { 192, 168, 1, 51 }"), std::string::npos) << Out();
    out_.str("");
    EXPECT_EQ(RunCli({"generate", dir_.File("moved.wp"), "--out", out_dir}, options_, in, out_, err_), kExitConflicts);
    EXPECT_EQ(Out().rfind("conflict: zs_userconst.h\n", 0), 0u) << Out();
    // The closing message asks for the user's attention: a warning, on stderr.
    EXPECT_EQ(Out().find("Project generated"), std::string::npos) << Out();
    EXPECT_NE(Err().find("quillon-cli generate: Project generated with conflicts to resolve.\n"), std::string::npos) << Err();
    EXPECT_NE(Err().find("quillon-cli generate: Your edits and the new configuration overlap in zs_userconst.h"),
              std::string::npos)
        << Err();
    EXPECT_EQ(ReadText(out_dir + "/zs_userconst.h"), userconst);
    const std::string merge = ReadText(out_dir + "/zs_userconst.h.merge");
    EXPECT_NE(merge.find("{ 192, 168, 1, 51 }"), std::string::npos);
    EXPECT_NE(merge.find("{ 10, 1, 2, 3 }"), std::string::npos);
}

TEST_F(CliCommandsTest, VaultReadsTheStoreTheWizardWouldBind) {
    std::ostringstream out, err;
    std::istringstream in;
    WizardOptions with_store;
    with_store.store_path = QUILLON_STORE_PATH;
    ASSERT_EQ(RunCli({"vault", "list"}, with_store, in, out, err), kExitOk) << err.str();
    EXPECT_NE(out.str().find("\n37 037 "), std::string::npos) << out.str();
    EXPECT_TRUE(out.str().ends_with("\nsample stack libraries: the firmware links but does not run the stack\n"));
    EXPECT_EQ(RunCli({"vault", "show", "72"}, with_store, in, out, err), kExitOk) << err.str();
    EXPECT_NE(out.str().find("zs_stack_bank_072.lib"), std::string::npos);
    EXPECT_EQ(RunCli({"vault", "show", "73"}, with_store, in, out, err), kExitUsage);
}
#endif

TEST_F(CliCommandsTest, GenerateReportsWhatItCouldNotDo) {
    // The defaults choose no transport layer: refused, status 1.
    // Nothing is created for a refused generation.
    EXPECT_EQ(Cli({"generate", "--out", dir_.File("refused")}), kExitFailed);
    EXPECT_EQ(Out(), "");
    EXPECT_EQ(Err(), "quillon-cli generate: Select a Transport Layer\n"
                     "quillon-cli generate: generation was refused; no project was written\n");
    EXPECT_FALSE(std::filesystem::exists(dir_.File("refused")));
    // A settings file that cannot be read: the window's message and the command's, both errors.
    EXPECT_EQ(Cli({"generate", dir_.File("missing.wp"), "--out", dir_.File("x")}), kExitFailed);
    EXPECT_EQ(Out(), "");
    EXPECT_NE(Err().find("quillon-cli generate: Cannot open the settings file"), std::string::npos) << Err();
    EXPECT_NE(Err().find("could not load " + dir_.File("missing.wp")), std::string::npos) << Err();
    EXPECT_FALSE(std::filesystem::exists(dir_.File("x")));
    // An --out that names a file.
    ASSERT_FALSE(WriteFileText(dir_.File("file"), "x"));
    EXPECT_EQ(Cli({"generate", "--out", dir_.File("file")}), kExitFailed);
    EXPECT_NE(Err().find("cannot create the folder"), std::string::npos) << Err();
    // Without the store the project is written with empty libraries and cannot link.
    const std::string web = std::string(QUILLON_SOURCE_DIR) + "/examples/ethernet-web-server.wp";
    EXPECT_EQ(Cli({"generate", web, "--out", dir_.File("nostore")}), kExitFailed);
    EXPECT_TRUE(Err().ends_with("quillon-cli generate: the project was written without its stack libraries\n")) << Err();
    EXPECT_EQ(std::filesystem::file_size(dir_.File("nostore/zs_stack_common_039.lib")), 0u);
}

TEST_F(CliCommandsTest, VaultWithoutStoreOrWithBadArguments) {
    EXPECT_EQ(Cli({"vault", "list"}), kExitFailed);  // the options point at no store
    EXPECT_FALSE(Err().empty());
    EXPECT_EQ(Cli({"vault"}), kExitUsage);
    EXPECT_EQ(Cli({"vault", "show"}), kExitUsage);
    EXPECT_EQ(Cli({"vault", "list", "extra"}), kExitUsage);
}

}  // namespace
}  // namespace quillon::cli
