// The conventions of the command line, through the built programs as CI runs them: help on
// every command, the exit statuses, results on stdout and every diagnostic on stderr under the
// program's name, nothing created when a command fails before its work, --strict and --quiet,
// diff both ways, --json read back, input from pipes and output that cannot be written.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "ReliabilitySupport.h"
#include "TestSupport.h"
#include "cli/CliCommands.h"

namespace quillon::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kNotice = "sample stack libraries: the firmware links but does not run the stack";

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Every line on stderr names the program that wrote it.
::testing::AssertionResult DiagnosticsNamed(const ProgramRun& run, const std::string& program) {
    for (const std::string& line : LinesOf(run.err)) {
        if (!line.starts_with(program)) return ::testing::AssertionFailure() << "unnamed line: " << line;
    }
    return ::testing::AssertionSuccess();
}

class CliConventions : public ::testing::Test {
protected:
    CliConventions() {
        const std::string examples = std::string(QUILLON_SOURCE_DIR) + "/examples/";
        fs::copy_file(examples + "ethernet-web-server.wp", dir.File("web.wp"));
        fs::copy_file(examples + "zintor-udp-device.wp", dir.File("zintor.wp"));
        std::string bad = ReadText(dir.File("web.wp"));
        bad.replace(bad.find("\n4\n"), 3, "\n4 \n");  // num_sockets "4 ", read as 40
        WriteText(dir.File("bad.wp"), bad);
    }
    ProgramRun Cli(const std::vector<std::string>& args) {
        RunOptions options;
        options.working_dir = dir.Path();
        return RunProgram(BuiltProgram("quillon-cli"), args, options);
    }
    ProgramRun Shell(const std::string& command) {
        RunOptions options;
        options.working_dir = dir.Path();
        return RunProgram("/bin/bash", {"-c", command}, options);
    }

    TempDir dir;
};

TEST_F(CliConventions, EveryCommandHasItsHelpAndTheProgramItsVersion) {
    for (const cli::CommandSpec& command : cli::Commands()) {
        for (const char* option : {"--help", "-h"}) {
            const ProgramRun run = Cli({std::string(command.name), option, "--out"});
            EXPECT_EQ(run.status, 0) << command.name << " " << option;
            EXPECT_TRUE(run.out.starts_with("Usage: quillon-cli " + std::string(command.name))) << run.out;
            EXPECT_NE(run.out.find("Exit status:\n  0  success"), std::string::npos) << command.name;
            EXPECT_EQ(run.err, "") << command.name;
        }
    }
    const ProgramRun help = Cli({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const cli::CommandSpec& command : cli::Commands()) {
        EXPECT_NE(help.out.find("  " + std::string(command.synopsis)), std::string::npos) << command.name;
    }
    const ProgramRun version = Cli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, QUILLON_STORE_SAMPLES ? std::string("quillon-cli 3.23\n") + kNotice + "\n"
                                                 : std::string("quillon-cli 3.23\n"));
    EXPECT_EQ(Cli({"show", "--version"}).out, version.out);

    // The desktop wizard answers both without a display.
    const std::string quillon = BuiltProgram("quillon");
    if (!fs::exists(quillon)) GTEST_SKIP() << "built without the desktop wizard";
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    ::unsetenv("QT_QPA_PLATFORM");
    const ProgramRun wizard_version = RunProgram(quillon, {"--version"});
    EXPECT_EQ(wizard_version.status, 0) << wizard_version.err;
    EXPECT_TRUE(wizard_version.out.starts_with("quillon 3.23\n")) << wizard_version.out;
    EXPECT_EQ(wizard_version.out.find(kNotice) != std::string::npos, QUILLON_STORE_SAMPLES != 0);
    const ProgramRun wizard_help = RunProgram(quillon, {"-h"});
    EXPECT_EQ(wizard_help.status, 0) << wizard_help.err;
    EXPECT_NE(wizard_help.out.find("[SETTINGS.wp]"), std::string::npos) << wizard_help.out;
}

TEST_F(CliConventions, ExitStatusesStreamsAndNothingCreatedOnFailure) {
    struct Case {
        std::vector<std::string> args;
        int status;
        bool output;  // something on stdout
    };
    const Case cases[] = {
        {{"show", "web.wp"}, 0, true},
        {{"show", "--verbose", "web.wp"}, 2, false},
        {{"show", "web.wp", "zintor.wp"}, 2, false},
        {{"generate", "web.wp"}, 2, false},
        {{"generate", "web.wp", "--out", "twice", "--out", "again"}, 2, false},
        {{"generate", "--out", "refused"}, 1, false},  // the defaults choose no transport layer
        {{"generate", "missing.wp", "--out", "unread"}, 1, false},
        {{"generate", "bad.wp", "--strict", "--out", "strict"}, 1, false},
        {{"diff", "web.wp", "web.wp"}, 0, false},
        {{"diff", "web.wp", "zintor.wp"}, 1, true},
        {{"diff", "web.wp"}, 2, false},
        {{"diff", "web.wp", "missing.wp"}, 1, false},
        {{"vault", "show", "0"}, 2, false},
        {{"vault", "list", "--json"}, 2, false},
        {{"frobnicate"}, 2, false},
    };
    for (const Case& c : cases) {
        std::string what;
        for (const std::string& a : c.args) what += a + " ";
        const ProgramRun run = Cli(c.args);
        EXPECT_EQ(run.status, c.status) << what << "\n" << run.err;
        EXPECT_EQ(!run.out.empty(), c.output) << what << "\n" << run.out;
        EXPECT_TRUE(DiagnosticsNamed(run, "quillon-cli")) << what;
        // A failure says why, except diff's "they differ", which its output says.
        if (c.status != 0 && !c.output) {
            EXPECT_FALSE(run.err.empty()) << what;
        }
    }
    for (const char* folder : {"twice", "again", "refused", "unread", "strict"}) {
        EXPECT_FALSE(fs::exists(dir.File(folder))) << folder << " was created";
    }
    // A script error is a usage error too, and runs nothing.
    WriteText(dir.File("bad.qs"), "file saved.wp\nmenu save-as\nbogus\n");
    const ProgramRun script = Cli({"script", "bad.qs"});
    EXPECT_EQ(script.status, 2);
    EXPECT_EQ(script.err, "quillon-cli script: error: line 3: unknown command: bogus\n");
    EXPECT_FALSE(fs::exists(dir.File("saved.wp")));
}

TEST_F(CliConventions, GuessedLinesAreWarningsQuietDropsThemStrictRefuses) {
    const ProgramRun plain = Cli({"show", "bad.wp"});
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.err,
              "quillon-cli show: bad.wp:4: num_sockets: text where a number is expected: \"4 \" (read as 40)\n");
    EXPECT_NE(plain.out.find("\nnum_sockets=40\n"), std::string::npos);

    const ProgramRun quiet = Cli({"show", "-q", "bad.wp"});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err, "");
    EXPECT_EQ(quiet.out, plain.out);

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"show", "--strict", "bad.wp"}, {"show", "--strict", "--quiet", "bad.wp"}}) {
        const ProgramRun strict = Cli(args);
        EXPECT_EQ(strict.status, 1);
        EXPECT_EQ(strict.out, "");
        EXPECT_EQ(LinesOf(strict.err),
                  (std::vector<std::string>{
                      "quillon-cli show: bad.wp:4: num_sockets: text where a number is expected: \"4 \" (read as 40)",
                      "quillon-cli show: bad.wp: refused under --strict: 1 line is not of the expected form"}));
    }
    EXPECT_EQ(Cli({"show", "--strict", "web.wp"}).status, 0);
}

TEST_F(CliConventions, DiffNamesTheChangesInBothDirectionsAndAsJson) {
    const ProgramRun forward = Cli({"diff", "web.wp", "zintor.wp"});
    const ProgramRun backward = Cli({"diff", "zintor.wp", "web.wp"});
    ASSERT_EQ(forward.status, 1);
    ASSERT_EQ(backward.status, 1);
    const std::vector<std::string> there = LinesOf(forward.out);
    const std::vector<std::string> back = LinesOf(backward.out);
    ASSERT_EQ(there.size(), back.size());
    for (std::size_t i = 0; i < there.size(); ++i) {
        // "name: a -> b" one way is "name: b -> a" the other.
        const std::size_t colon = there[i].find(": ");
        const std::size_t arrow = there[i].find(" -> ");
        ASSERT_NE(arrow, std::string::npos) << there[i];
        const std::string swapped = there[i].substr(0, colon + 2) + there[i].substr(arrow + 4) + " -> " +
                                    there[i].substr(colon + 2, arrow - colon - 2);
        EXPECT_EQ(back[i], swapped);
    }
    for (const char* line : {"num_sockets: 4 -> 3", "option HTTP: on -> off", "option Zintor: off -> on",
                             "library: 039 -> 061", "locatra_name: Locatra Device Name -> Greenhouse Sensor"}) {
        EXPECT_NE(std::find(there.begin(), there.end(), line), there.end()) << line << "\n" << forward.out;
    }

    const ProgramRun json = Cli({"diff", "--json", "web.wp", "zintor.wp"});
    ASSERT_EQ(json.status, 1);
    const auto doc = nlohmann::json::parse(json.out);
    EXPECT_EQ(doc["a"], "web.wp");
    EXPECT_FALSE(doc["same"].get<bool>());
    ASSERT_EQ(doc["differences"].size(), there.size());
    EXPECT_EQ(doc["differences"][0]["name"], there[0].substr(0, there[0].find(':')));
    for (const auto& d : doc["differences"]) {
        if (d["name"] == "num_sockets") {
            EXPECT_EQ(d["a"], 4);
            EXPECT_EQ(d["b"], 3);
        }
    }
    const auto same = nlohmann::json::parse(Cli({"diff", "--json", "web.wp", "web.wp"}).out);
    EXPECT_TRUE(same["same"].get<bool>());
    EXPECT_TRUE(same["differences"].empty());
}

TEST_F(CliConventions, ShowJsonHoldsWhatShowPrints) {
    const ProgramRun text = Cli({"show", "zintor.wp"});
    const ProgramRun json = Cli({"show", "--json", "zintor.wp"});
    ASSERT_EQ(json.status, 0) << json.err;
    const auto doc = nlohmann::ordered_json::parse(json.out);
    EXPECT_EQ(doc["settings_file"], "zintor.wp");
    // The record in show's order, integers as numbers, everything else as show writes it.
    std::vector<std::string> keys;
    for (const auto& [key, value] : doc["record"].items()) {
        keys.push_back(key);
        const std::string line = key + "=" + (value.is_number() ? "" : value.get<std::string>());
        const std::size_t at = text.out.find("\n" + line);
        EXPECT_TRUE(text.out.starts_with(line) || at != std::string::npos) << line;
    }
    EXPECT_EQ(keys.front(), "option_bits");
    EXPECT_EQ(keys.back(), "clock_confirmed");
    EXPECT_EQ(doc["record"]["num_sockets"], 3);
    EXPECT_EQ(doc["record"]["eth_src_hw_addr"], "00:0B:3C:0A:00:01");
    const auto& options = doc["options"];
    for (const char* chosen : {"Zintor", "UDP", "DHCP", "LOCATRA"}) {
        EXPECT_NE(std::find(options.begin(), options.end(), chosen), options.end()) << chosen;
    }
    EXPECT_EQ(doc["library"]["name"], "061");
    EXPECT_NE(text.out.find("\nused_space=" + std::to_string(doc["code_size"]["used_kb"].get<int>()) + "\n"),
              std::string::npos);
}

TEST_F(CliConventions, PipesAreReadToTheEndAndOutputThatCannotBeWrittenFails) {
    const ProgramRun file = Cli({"show", "web.wp"});
    const ProgramRun pipe = Shell("'" + BuiltProgram("quillon-cli") + "' show <(cat web.wp)");
    EXPECT_EQ(pipe.status, 0) << pipe.err;
    EXPECT_EQ(pipe.out, file.out);
    const ProgramRun fifo =
        Shell("mkfifo f.wp && (cat web.wp > f.wp &) && '" + BuiltProgram("quillon-cli") + "' show f.wp");
    EXPECT_EQ(fifo.status, 0) << fifo.err;
    EXPECT_EQ(fifo.out, file.out);

    for (const char* command : {"show web.wp", "diff web.wp zintor.wp", "--help", "vault list"}) {
        const ProgramRun full = Shell("'" + BuiltProgram("quillon-cli") + "' " + command + " > /dev/full");
        EXPECT_EQ(full.status, 1) << command;
        EXPECT_EQ(full.err, "quillon-cli: cannot write the output: No space left on device\n") << command;
    }
}

}  // namespace
}  // namespace quillon::test
