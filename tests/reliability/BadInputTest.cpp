// Bad input given to the built programs the way a user gives it: settings files that are not
// what they should be, project folders that cannot be written or have unusual names, library
// stores that are missing or incomplete, pagebake on paths it cannot convert. Each run must
// end with a clear message or its documented result, never a crash or a sanitizer report,
// and must leave what was saved before as it was.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <random>
#include <sstream>

#include "ReliabilitySupport.h"
#include "TestSupport.h"

namespace quillon::test {
namespace {

namespace fs = std::filesystem;

const std::string kExamples = std::string(QUILLON_SOURCE_DIR) + "/examples/";

// A run that ended by itself, without a crash and without a report of a sanitizer.
::testing::AssertionResult EndedCleanly(const ProgramRun& run) {
    if (run.signal != 0) return ::testing::AssertionFailure() << "killed by signal " << run.signal << "\n" << run.err;
    for (const char* report : {"Sanitizer", "runtime error:", "terminate called"}) {
        if (run.err.find(report) != std::string::npos) return ::testing::AssertionFailure() << run.err;
    }
    return ::testing::AssertionSuccess();
}

// `show` output as field -> value.
std::map<std::string, std::string> Fields(const std::string& out) {
    std::map<std::string, std::string> fields;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) fields[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return fields;
}

std::vector<std::string> Lines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream in(ReadText(path));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    return out;
}

class BadInput : public ::testing::Test {
protected:
    BadInput() { ::setenv("SOURCE_DATE_EPOCH", "1700000000", 1); }

    ProgramRun Cli(const std::vector<std::string>& args, RunOptions options = {}) {
        if (options.working_dir.empty()) options.working_dir = dir.Path();
        return RunProgram(cli, args, options);
    }
    ProgramRun Script(const std::string& text) {
        WriteText(dir.File("run.qs"), text);
        return Cli({"script", "run.qs"});
    }

    TempDir dir;
    std::string cli = BuiltProgram("quillon-cli");
};

TEST_F(BadInput, SettingsFilesOfRandomBytesLoadAsSomeRecordAndStayUntouched) {
    std::mt19937 random(20240611);
    for (std::size_t size : {1u, 63u, 700u, 4096u, 65536u}) {
        for (int variant = 0; variant < 3; ++variant) {
            std::vector<unsigned char> bytes(size);
            for (auto& b : bytes) b = static_cast<unsigned char>(random());
            // Every other variant cut into lines, as a text file damaged in the middle is.
            if (variant == 1) {
                for (std::size_t i = 0; i < size; i += 1 + random() % 40) bytes[i] = '\n';
            }
            if (variant == 2 && size > 64) {
                const std::vector<std::string> example = Lines(kExamples + "zintor-udp-device.wp");
                const std::string head = Joined({example.begin(), example.begin() + 64});
                std::copy(head.begin(), head.begin() + std::min(head.size(), size), bytes.begin());
            }
            const std::string path = dir.File("random.wp");
            WriteBytes(path, bytes);

            const ProgramRun show = Cli({"show", "random.wp"});
            ASSERT_TRUE(EndedCleanly(show)) << size << "/" << variant;
            EXPECT_EQ(show.status, 0) << show.err;
            EXPECT_TRUE(show.out.starts_with("option_bits=")) << show.out;

            const ProgramRun generate = Cli({"generate", "random.wp", "--out", "project"});
            ASSERT_TRUE(EndedCleanly(generate)) << size << "/" << variant;
            EXPECT_TRUE(generate.status == 0 || generate.status == 1) << generate.err;
            EXPECT_FALSE(generate.out.empty() && generate.err.empty()) << "no message for " << size << "/" << variant;
            EXPECT_EQ(ReadBytes(path), bytes) << "the settings file was changed";
            fs::remove_all(dir.File("project"));
        }
    }
}

TEST_F(BadInput, VeryLongLinesAreReadWholeAndAnOversizedFileIsRefused) {
    std::vector<std::string> lines = Lines(kExamples + "ethernet-web-server.wp");
    const std::string folder(200000, 'f');
    const std::string login(300000, 'L');
    lines[2] = folder;
    lines[3 + 43] = login;  // parameter 107, the login name
    lines[4] = std::string(100000, '9') + "1514";  // a number with 100000 digits in front
    WriteText(dir.File("long.wp"), Joined(lines));

    const ProgramRun show = Cli({"show", "long.wp"});
    ASSERT_TRUE(EndedCleanly(show));
    ASSERT_EQ(show.status, 0) << show.err;
    const auto fields = Fields(show.out);
    EXPECT_EQ(fields.at("login_name"), login);
    EXPECT_EQ(fields.at("num_sockets"), "4");  // the line before is untouched

    // Saved again, every long line comes back unchanged.
    const ProgramRun saved = Script("file long.wp\nmenu open\nfile again.wp\nmenu save-as\nshow window\n");
    ASSERT_TRUE(EndedCleanly(saved));
    EXPECT_EQ(saved.status, 0) << saved.err;
    const std::vector<std::string> again = Lines(dir.File("again.wp"));
    ASSERT_GT(again.size(), 63u);
    EXPECT_EQ(again[2], folder);
    EXPECT_EQ(again[3 + 43], login);

    // Over a megabyte is no settings file: refused with the reason, nothing loaded.
    WriteText(dir.File("huge.wp"), Joined(lines) + std::string(1 << 20, '#') + "\n");
    const ProgramRun huge = Cli({"show", "huge.wp"});
    ASSERT_TRUE(EndedCleanly(huge));
    EXPECT_EQ(huge.status, 1);
    EXPECT_NE(huge.err.find("huge.wp"), std::string::npos) << huge.err;
    EXPECT_NE(huge.err.find("larger than"), std::string::npos) << huge.err;
    EXPECT_EQ(huge.out, "");
}

TEST_F(BadInput, MalformedExtensionLinesAreSkippedAndTheRestIsRead) {
    const std::vector<std::string> example = Lines(kExamples + "zintor-udp-device.wp");
    std::vector<std::string> lines(example.begin(), example.begin() + 63);
    for (const char* line : {"[quillon]", "family", "=zintor", "family=zintor ", "dns=yes", "dns=", "locatra=1",
                             "sysclk_hz=99999999999999", "clksel=300", "clksel=-1", "country_index=-7",
                             "protocol_index=3", "phone_number=555 12 34", "no key here", "==", "\xff\xfe=\x01"}) {
        lines.push_back(line);
    }
    for (int i = 0; i < 2000; ++i) lines.push_back("junk line " + std::to_string(i));
    WriteText(dir.File("bad-extension.wp"), Joined(lines));

    const ProgramRun show = Cli({"show", "bad-extension.wp"});
    ASSERT_TRUE(EndedCleanly(show));
    ASSERT_EQ(show.status, 0) << show.err;
    const auto fields = Fields(show.out);
    // The good lines are taken; every bad one leaves its value at the default.
    EXPECT_EQ(fields.at("locatra_enabled"), "1");
    EXPECT_EQ(fields.at("protocol_index"), "3");
    EXPECT_EQ(fields.at("phone_number"), "555 12 34");
    EXPECT_EQ(fields.at("country_index"), "40");
    EXPECT_EQ(fields.at("device_bits"), "0x102");  // still Vardex on the Lanvik controller
    EXPECT_EQ(fields.at("clock.sysclk_hz"), "98000000");
    EXPECT_EQ(fields.at("locatra_name"), "Greenhouse Sensor");  // from the plain lines

    // A line 64 that is not the block's header: what follows is no extension block at all.
    lines = std::vector<std::string>(example.begin(), example.begin() + 63);
    lines.push_back("# notes");
    lines.insert(lines.end(), example.begin() + 63, example.end());
    WriteText(dir.File("late-header.wp"), Joined(lines));
    const ProgramRun late = Cli({"show", "late-header.wp"});
    ASSERT_TRUE(EndedCleanly(late));
    EXPECT_EQ(Fields(late.out).at("device_bits"), "0x102");
    EXPECT_EQ(Fields(late.out).at("locatra_enabled"), "0");
}

TEST_F(BadInput, AProjectFolderThatIsMissingOrAFileIsReported) {
    fs::copy_file(kExamples + "ethernet-web-server.wp", dir.File("web.wp"));
    // --out creates what is missing, parents included.
    const ProgramRun nested = Cli({"generate", "web.wp", "--out", "a/b/c"});
    ASSERT_TRUE(EndedCleanly(nested));
    EXPECT_EQ(nested.status, 0) << nested.out << nested.err;
    EXPECT_TRUE(fs::exists(dir.File("a/b/c/main.c")));

    WriteText(dir.File("plain-file"), "not a folder\n");
    const ProgramRun file = Cli({"generate", "web.wp", "--out", "plain-file"});
    ASSERT_TRUE(EndedCleanly(file));
    EXPECT_EQ(file.status, 1);
    EXPECT_NE(file.err.find("plain-file"), std::string::npos) << file.err;
    EXPECT_EQ(ReadText(dir.File("plain-file")), "not a folder\n");

    // In the window: a remembered folder that is gone makes Generate ask for one, and the
    // folder chosen is made.
    const ProgramRun gone = Script("file web.wp\nmenu open\nfolder " + dir.File("vanished/x") +
                                   "\nmenu generate\nshow window\n");
    ASSERT_TRUE(EndedCleanly(gone));
    EXPECT_NE(gone.out.find("folder-dialog -> " + dir.File("vanished/x")), std::string::npos) << gone.out;
    EXPECT_NE(gone.out.find("message: Project generated successfully."), std::string::npos) << gone.out;
    EXPECT_TRUE(fs::exists(dir.File("vanished/x/main.c")));
}

TEST_F(BadInput, AReadOnlyProjectFolderFailsAndKeepsTheEarlierProject) {
    if (!CanMakePermissionsBind()) GTEST_SKIP() << "file permissions cannot be made to bind here";
    fs::copy_file(kExamples + "ethernet-web-server.wp", dir.File("web.wp"));
    fs::copy_file(kExamples + "zintor-udp-device.wp", dir.File("zintor.wp"));
    ASSERT_EQ(Cli({"generate", "zintor.wp", "--out", "project"}).status, 0);
    std::map<std::string, std::vector<unsigned char>> before;
    for (const auto& e : fs::recursive_directory_iterator(dir.File("project"))) {
        if (e.is_regular_file()) before[e.path()] = ReadBytes(e.path());
    }
    ::chmod(dir.File("project").c_str(), 0555);

    RunOptions as_user;
    as_user.permissions_bind = true;
    const ProgramRun run = Cli({"generate", "web.wp", "--out", "project"}, as_user);
    ASSERT_TRUE(EndedCleanly(run));
    EXPECT_EQ(run.status, 1);
    // The workspace's own error comes first, then the closing message with every failed path.
    EXPECT_NE(run.err.find("\nquillon-cli generate: Error generating project files\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("generation failed"), std::string::npos) << run.err;
    for (const auto& [path, bytes] : before) EXPECT_EQ(ReadBytes(path), bytes) << path << " changed";

    // The project it already holds needs no writing: generating it again succeeds.
    const ProgramRun same = Cli({"generate", "zintor.wp", "--out", "project"}, as_user);
    ASSERT_TRUE(EndedCleanly(same));
    EXPECT_EQ(same.status, 0) << same.out << same.err;
    for (const auto& [path, bytes] : before) EXPECT_EQ(ReadBytes(path), bytes) << path << " changed";
}

TEST_F(BadInput, FolderNamesWithSpacesAndNonAsciiCharactersWorkThroughout) {
    const std::string name = "My Projects/B\xC3\xBCro \xC3\xB1 \xE9\xA1\xB9\xE7\x9B\xAE";
    fs::copy_file(kExamples + "ethernet-web-server.wp", dir.File("web.wp"));
    const ProgramRun run = Cli({"generate", "web.wp", "--out", name});
    ASSERT_TRUE(EndedCleanly(run));
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    const std::string folder = dir.File(name);
    EXPECT_TRUE(fs::exists(folder + "/VFILE_DIR/index.html"));
    // The workspace names its files relative to itself, whatever the folder is called.
    EXPECT_NE(ReadText(folder + "/TCPIP_Project.wsp").find("\r\nDocPathName=main.c\r\n"), std::string::npos);

    // The folder survives a save and an open of the settings file, itself in that folder.
    const ProgramRun round = Script("folder " + folder + "\nmenu select-folder\nfile " + folder +
                                    "/s \xC3\xA9.wp\nmenu save-as\nmenu new\nfile " + folder +
                                    "/s \xC3\xA9.wp\nmenu open\nshow window\n");
    ASSERT_TRUE(EndedCleanly(round));
    EXPECT_EQ(round.status, 0) << round.err;
    EXPECT_NE(round.out.find("project_folder=" + folder + "/\n"), std::string::npos) << round.out;
}

// A copy of quillon-cli in a folder of its own, beside a store of our choosing.
class StoreInput : public BadInput {
protected:
    StoreInput() {
        fs::create_directories(dir.File("bin/Vaultkeep"));
        fs::copy_file(BuiltProgram("quillon-cli"), dir.File("bin/quillon-cli"));
        cli = dir.File("bin/quillon-cli");
        fs::copy_file(kExamples + "ethernet-web-server.wp", dir.File("web.wp"));
    }
    std::string StorePath() const { return dir.File("bin/Vaultkeep/stackvault.so"); }

    // Generates and checks the documented result without a usable store: the project is
    // written with two empty libraries, the message says why (`reason`), the exit status is 1.
    void ExpectProjectWithoutLibraries(const std::string& what, const std::string& reason) {
        const ProgramRun run = Cli({"generate", "web.wp", "--out", "project"});
        ASSERT_TRUE(EndedCleanly(run)) << what;
        EXPECT_EQ(run.status, 1) << what;
        // A warning, so on stderr: the project is there but cannot link.
        EXPECT_EQ(run.out.find("Project generated"), std::string::npos) << what << ": " << run.out;
        EXPECT_TRUE(run.err.starts_with("quillon-cli generate: Project generated successfully.\n"
                                        "quillon-cli generate:\n"
                                        "quillon-cli generate: The stack libraries are missing"))
            << what << ": " << run.err;
        EXPECT_NE(run.err.find(reason), std::string::npos) << what << ": " << run.err;
        EXPECT_NE(run.err.find("without its stack libraries"), std::string::npos) << what << ": " << run.err;
        int libraries = 0;
        for (const auto& e : fs::directory_iterator(dir.File("project"))) {
            if (e.path().extension() != ".lib") continue;
            ++libraries;
            EXPECT_EQ(fs::file_size(e.path()), 0u) << what << ": " << e.path();
        }
        EXPECT_EQ(libraries, 2) << what;
        EXPECT_TRUE(fs::exists(dir.File("project/main.c"))) << what;

        const ProgramRun vault = Cli({"vault", "show", "1"});
        ASSERT_TRUE(EndedCleanly(vault)) << what;
        EXPECT_NE(vault.status, 0) << what;
        EXPECT_FALSE(vault.err.empty()) << what;
        fs::remove_all(dir.File("project"));
    }
};

TEST_F(StoreInput, TheRealStoreBesideTheCopyIsUsed) {
    fs::copy_file(QUILLON_STORE_PATH, StorePath());
    const ProgramRun run = Cli({"generate", "web.wp", "--out", "project"});
    ASSERT_TRUE(EndedCleanly(run));
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_TRUE(run.out.starts_with("created: zs_stackconst.h\n")) << run.out;
    EXPECT_NE(run.out.find("\ncreated: Makefile\nProject generated successfully.\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\nsample stack libraries: the IDE workspace's library pair links but does not run the stack\n"),
              std::string::npos) << run.out;
}

TEST_F(StoreInput, AMissingOrUnusableStoreGivesAProjectWithoutLibraries) {
    ExpectProjectWithoutLibraries("no store", "the library store was not found");

    const std::string unusable = "the library store could not be used (" + StorePath();
    WriteText(StorePath(), "this is not a shared library\n");
    ExpectProjectWithoutLibraries("a text file as the store", unusable);

    fs::remove(StorePath());
    fs::create_directory(StorePath());
    ExpectProjectWithoutLibraries("a folder as the store", unusable);
    fs::remove(StorePath());

    // A store that exports only one of its two functions is not called at all: without the
    // sizes nobody knows how much GetStackLib writes.
    fs::copy_file(QUILLON_STORE_ONLY_GETSTACKLIB, StorePath());
    ExpectProjectWithoutLibraries("a store with GetStackLib only", unusable + " does not export GetLibrarySize)");
    fs::remove(StorePath());
    fs::copy_file(QUILLON_STORE_ONLY_GETLIBRARYSIZE, StorePath());
    ExpectProjectWithoutLibraries("a store with GetLibrarySize only", unusable + " does not export GetStackLib)");
}

class PagebakeInput : public BadInput {
protected:
    ProgramRun Pagebake(const std::string& arg, RunOptions options = {}) {
        options.working_dir = dir.Path();
        return RunProgram(BuiltProgram("pagebake"), {arg}, options);
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir.Path())) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(PagebakeInput, APathWithoutExtensionConvertsWithTheUnderscoreSuffix) {
    WriteText(dir.File("README"), "AB");
    const ProgramRun run = Pagebake("README");
    ASSERT_TRUE(EndedCleanly(run));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(ReadText(dir.File("README.c")).find("kpv_const byte readme_[]="), std::string::npos);
    EXPECT_NE(ReadText(dir.File("README.h")).find("#define README_SIZE 2"), std::string::npos);
}

TEST_F(PagebakeInput, ADirectoryOrAnUnreadableFileFailsAndWritesNothing) {
    fs::create_directory(dir.File("site.d"));
    const ProgramRun folder = Pagebake("site.d");
    ASSERT_TRUE(EndedCleanly(folder));
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.err, "pagebake: site.d: Is a directory\n");
    EXPECT_EQ(Entries(), std::vector<std::string>{"site.d"});

    if (!CanMakePermissionsBind()) GTEST_SKIP() << "file permissions cannot be made to bind here";
    WriteText(dir.File("secret.html"), "<p>x</p>");
    ::chmod(dir.File("secret.html").c_str(), 0200);
    RunOptions as_user;
    as_user.permissions_bind = true;
    const ProgramRun unreadable = Pagebake("secret.html", as_user);
    ASSERT_TRUE(EndedCleanly(unreadable));
    EXPECT_EQ(unreadable.status, 1);
    EXPECT_EQ(unreadable.err, "pagebake: secret.html: Permission denied\n");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"secret.html", "site.d"}));

    // A working folder it may not write into: the report names the source it could not create.
    ::chmod(dir.File("secret.html").c_str(), 0644);
    ::chmod(dir.Path().c_str(), 0555);
    const ProgramRun locked = Pagebake("secret.html", as_user);
    ::chmod(dir.Path().c_str(), 0755);
    ASSERT_TRUE(EndedCleanly(locked));
    EXPECT_EQ(locked.status, 1);
    EXPECT_EQ(locked.err, "pagebake: secret.c: Permission denied\n");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"secret.html", "site.d"}));
}

}  // namespace
}  // namespace quillon::test
