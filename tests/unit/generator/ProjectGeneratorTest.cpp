#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "GeneratorTestSupport.h"
#include "TestSupport.h"
#include "config/ClockDefaults.h"
#include "generator/ProjectGenerator.h"
#include "wizard/GenerationMessages.h"

using namespace quillon;
using Files = std::set<std::string>;

namespace {

// Every project also holds the record of what was generated, in .quillon/, and the stack's
// source for every configuration (IP and PING are in every library) with its Makefile.
const Files kCommonFiles = {
    "TCPIP_Project.wsp", "zs_stackconst.h", "zs_errs.h",   "zs_vars.c",    "zs_defs.h",  "zs_funcs.h",
    "zs_userconst.h",    "main.c",          "zs_callback.c", ".quillon/record", "Makefile", "zs_hw.h",
    "zs_stack.h",        "zs_core.c",       "zs_hw8051.c", "zs_ip.c",      "zs_icmp.c",  "zs_tcp.c",
};

Files With(Files files, std::initializer_list<const char*> more) {
    files.insert(more.begin(), more.end());
    return files;
}

ConfigRecord DefaultRecord() {
    ConfigRecord r;
    ApplyClockDefaults(r);
    return r;
}

ConfigRecord ZintorLocatraWeb() {
    ConfigRecord r;
    r.device_bits = DeviceBit::Lanvik | DeviceBit::Zintor;
    ApplyClockDefaults(r);
    r.option_bits = OptionBit::Ethernet | OptionBit::IP | OptionBit::TCP | OptionBit::HTTP | OptionBit::UDP |
                    OptionBit::DHCP | OptionBit::EthernetHardware;
    r.locatra_enabled = 1;
    return r;
}

struct Generation {
    explicit Generation(ConfigRecord r) : record(std::move(r)), folder(dir.Path() + "/") {}
    GenerationReport Run() { return GenerateProject(record, folder, store, hooks); }

    test::TempDir dir;
    ConfigRecord record;
    std::string folder;
    NoLibrarySource store;  // the libraries come out empty
    GenerationHooks hooks;
};

bool HasFailureFor(const GenerationReport& report, const std::string& path) {
    for (const auto& f : report.failures) {
        if (f.path == path) return true;
    }
    return false;
}

}  // namespace

TEST(GenerateProject, DefaultProjectFileSet) {
    Generation g(DefaultRecord());
    const GenerationReport report = g.Run();
    EXPECT_EQ(report.outcome, GenerationOutcome::Generated);
    EXPECT_TRUE(report.failures.empty());
    EXPECT_FALSE(report.libraries_from_store);
    EXPECT_EQ(test::ListFiles(g.dir.Path()),
              With(kCommonFiles, {"vardex.h", "zs_stack_common_037.lib", "zs_stack_bank_037.lib", "zs_eth.c", "zs_arp.c"}));
    EXPECT_EQ(g.record.option_bits, 0x148079u);
    EXPECT_EQ(g.folder, g.dir.Path() + "/");
}

TEST(GenerateProject, ZintorLocatraWebProjectFileSet) {
    Generation g(ZintorLocatraWeb());
    const GenerationReport report = g.Run();
    EXPECT_EQ(report.outcome, GenerationOutcome::Generated);
    EXPECT_EQ(report.common_library, "zs_stack_common_063.lib");
    EXPECT_EQ(test::ListFiles(g.dir.Path()),
              With(kCommonFiles, {"zintor.h", "Startup.a51", "zs_stack_common_063.lib", "zs_stack_bank_063.lib", "zs_eth.c", "zs_arp.c",
                                  "zs_udp.c", "zs_vfile.c", "zs_http.c", "locatra.h", "locatra.c", "VFILE_DIR/pagebake.exe", "VFILE_DIR/update.bat",
                                  "VFILE_DIR/index.html", "VFILE_DIR/index.h", "VFILE_DIR/index.c",
                                  "VFILE_DIR/zs_defs.h", "VFILE_DIR/zs_stackconst.h"}));
    EXPECT_EQ(g.record.option_bits & OptionBit::LocatraMain, 0u);
}

TEST(GenerateProject, BankedCustomDeviceProjectFileSet) {
    ConfigRecord r = DefaultRecord();
    r.code_bank = 1;
    r.option_bits |= OptionBit::CustomDevice | OptionBit::PolledMode | OptionBit::SMTP;
    r.device_bits = DeviceBit::CustomDevice | DeviceBit::Pelmar;
    Generation g(r);
    EXPECT_EQ(g.Run().outcome, GenerationOutcome::Generated);
    // SMTP alone is no web server: no VFILE_DIR.
    EXPECT_EQ(test::ListFiles(g.dir.Path()),
              With(kCommonFiles, {"pelmar.h", "L51_BANK.A51", "STARTUP.A51", "custom_ethernet.h", "custom_ethernet.c",
                                  "zs_stack_common_042.lib", "zs_stack_bank_042.lib", "zs_eth.c", "zs_arp.c", "zs_smtp.c"}));
}

TEST(GenerateProject, SecondGenerationKeepsTheDevelopersPages) {
    Generation g(ZintorLocatraWeb());
    ASSERT_EQ(g.Run().outcome, GenerationOutcome::Generated);
    const Files first = test::ListFiles(g.dir.Path());
    ASSERT_FALSE(WriteFileText(g.folder + "VFILE_DIR/index.html", "my own page"));
    ASSERT_FALSE(WriteFileText(g.folder + "VFILE_DIR/zs_defs.h", "old"));

    const GenerationReport again = g.Run();
    EXPECT_EQ(again.outcome, GenerationOutcome::Generated);
    EXPECT_EQ(test::ListFiles(g.dir.Path()), first);
    EXPECT_EQ(test::ReadText(g.folder + "VFILE_DIR/index.html"), "my own page");
    EXPECT_EQ(test::ReadText(g.folder + "VFILE_DIR/zs_defs.h"), "old");
}

TEST(GenerateProject, FileNameTakenByAFolderIsReportedAndTheRestIsWritten) {
    Generation g(DefaultRecord());
    std::filesystem::create_directory(g.folder + "main.c");
    const GenerationReport report = g.Run();
    EXPECT_EQ(report.outcome, GenerationOutcome::Failed);
    EXPECT_TRUE(HasFailureFor(report, g.folder + "main.c"));
    EXPECT_TRUE(std::filesystem::exists(g.folder + "zs_callback.c"));
    EXPECT_TRUE(std::filesystem::exists(g.folder + "TCPIP_Project.wsp"));
    EXPECT_FALSE(std::filesystem::exists(g.folder + "main_tmp.c"));

    const auto message = GenerationClosingMessage(report);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->text, kGenerationFailedMessage);
    EXPECT_EQ(message->icon, MessageIcon::Exclamation);
    ASSERT_FALSE(message->details.empty());
    EXPECT_EQ(message->details[0], g.folder + "main.c: Is a directory");
}

TEST(GenerateProject, AStackHeaderThatCannotBeWrittenDoesNotStopTheOthers) {
    // Every file is computed before any is written, so one that cannot be written leaves
    // nothing half done: the others are written and the next generation writes it.
    for (const char* name : {"zs_stackconst.h", "zs_funcs.h", "zs_userconst.h"}) {
        Generation g(DefaultRecord());
        std::filesystem::create_directory(g.folder + name);
        const GenerationReport report = g.Run();
        EXPECT_EQ(report.outcome, GenerationOutcome::Failed) << name;
        EXPECT_TRUE(HasFailureFor(report, g.folder + name)) << name;
        EXPECT_TRUE(std::filesystem::exists(g.folder + "main.c")) << name;
        std::filesystem::remove(g.folder + name);
        const GenerationReport again = g.Run();
        EXPECT_EQ(again.outcome, GenerationOutcome::Generated) << name;
        ASSERT_EQ(again.Count(FileOutcome::Created), 1u) << name;
        EXPECT_EQ(again.files.size(), again.Count(FileOutcome::Unchanged) + 1) << name;
    }
}

TEST(GenerateProject, FullDiskIsReported) {
    Generation g(DefaultRecord());
    g.record.clock_confirmed = 1;  // main.c has computed text even without stored fragments
    SetWriteFaults({.fail_after_bytes = 0, .fail_rename = false, .path_contains = "main.c"});
    const GenerationReport report = g.Run();
    ClearWriteFaults();
    EXPECT_EQ(report.outcome, GenerationOutcome::Failed);
    ASSERT_TRUE(HasFailureFor(report, g.folder + "main.c"));
    EXPECT_EQ(report.failures.back().reason, "No space left on device");
    EXPECT_TRUE(std::filesystem::exists(g.folder + "zs_callback.c"));
}

TEST(GenerateProject, ReadOnlyFolderIsReported) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    Generation g(DefaultRecord());
    ::chmod(g.dir.Path().c_str(), 0555);
    const GenerationReport report = g.Run();
    EXPECT_EQ(report.outcome, GenerationOutcome::Failed);
    EXPECT_TRUE(HasFailureFor(report, g.dir.Path() + "/.quillon"));
}

TEST(GenerateProject, CancelledFolderQuestionWritesNothingButKeepsTheWidening) {
    ConfigRecord record = DefaultRecord();
    std::string folder;
    NoLibrarySource store;
    int asked = 0;
    GenerationHooks hooks;
    hooks.choose_folder = [&] {
        ++asked;
        return std::string(kNoFolderSelected);
    };
    const GenerationReport report = GenerateProject(record, folder, store, hooks);
    EXPECT_EQ(report.outcome, GenerationOutcome::Cancelled);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(folder, "");
    EXPECT_EQ(record.option_bits, 0x148079u);
    EXPECT_FALSE(GenerationClosingMessage(report));

    folder = kNoFolderSelected;
    GenerateProject(record, folder, store, hooks);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(folder, "");
}

TEST(GenerateProject, FolderThatNoLongerExistsIsAskedFor) {
    test::TempDir dir;
    ConfigRecord record = DefaultRecord();
    const std::string stale = dir.Path() + "/gone/";
    std::string folder = stale;
    NoLibrarySource store;
    GenerationHooks hooks;
    hooks.choose_folder = [&] { return folder; };  // cancelled: the current text comes back
    EXPECT_EQ(GenerateProject(record, folder, store, hooks).outcome, GenerationOutcome::Cancelled);
    EXPECT_EQ(folder, stale);
    EXPECT_FALSE(std::filesystem::exists(stale));

    hooks.choose_folder = [&] { return dir.Path(); };
    EXPECT_EQ(GenerateProject(record, folder, store, hooks).outcome, GenerationOutcome::Generated);
    EXPECT_EQ(folder, dir.Path() + "/");
    EXPECT_TRUE(std::filesystem::exists(dir.File("main.c")));
}

TEST(GenerationClosingMessage, MissingStoreSaysHowToInstallIt) {
    GenerationReport report;
    report.outcome = GenerationOutcome::Generated;
    report.common_library = "zs_stack_common_037.lib";
    report.bank_library = "zs_stack_bank_037.lib";
    const auto missing = GenerationClosingMessage(report, {"/opt/q/bin/Vaultkeep/stackvault.so",
                                                           "/opt/q/lib/quillon/Vaultkeep/stackvault.so"});
    ASSERT_TRUE(missing);
    EXPECT_TRUE(missing->text.starts_with(std::string(kGeneratedMessage) + "\n"));
    EXPECT_NE(missing->text.find("zs_stack_common_037.lib"), std::string::npos);
    EXPECT_NE(missing->text.find("/opt/q/bin/Vaultkeep/stackvault.so or /opt/q/lib/quillon/Vaultkeep/stackvault.so"),
              std::string::npos);
    EXPECT_EQ(missing->icon, MessageIcon::Exclamation);

    report.libraries_from_store = true;
    const auto plain = GenerationClosingMessage(report);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->text, kGeneratedMessage);
    EXPECT_EQ(plain->icon, MessageIcon::None);
}

TEST(GenerationClosingMessage, ConflictsAreNotCalledASuccess) {
    GenerationReport report;
    report.outcome = GenerationOutcome::Generated;
    report.libraries_from_store = true;
    report.files = {{"main.c", FileOutcome::Merged, "", ""}, {"zs_userconst.h", FileOutcome::Kept, "zs_userconst.h.new", ""}};
    const auto kept = GenerationClosingMessage(report);
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->text.starts_with(std::string(kGeneratedMessage) + "\n\nYour versions of zs_userconst.h")) << kept->text;

    report.files.push_back({"zs_stackconst.h", FileOutcome::Conflict, "zs_stackconst.h.merge", ""});
    const auto conflicted = GenerationClosingMessage(report);
    ASSERT_TRUE(conflicted);
    EXPECT_TRUE(conflicted->text.starts_with(std::string(kGeneratedWithConflictsMessage) +
                                             "\n\nYour edits and the new configuration overlap in zs_stackconst.h"))
        << conflicted->text;
    EXPECT_EQ(conflicted->text.find("successfully"), std::string::npos);
    EXPECT_EQ(conflicted->icon, MessageIcon::Exclamation);
    EXPECT_EQ(conflicted->file_outcomes.front(), "conflict: zs_stackconst.h");
}
