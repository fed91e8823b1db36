// Writes that fail part-way and renames that fail, injected through the one file-write helper:
// a failing save keeps the previous settings file and the unsaved changes, a failing
// generation names every file it could not write and leaves all the others whole.
#include <gtest/gtest.h>

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

    // Each file in turn fails half-way through its write, the temporary files that the
    // templates and the workspace pass through included.
    std::map<std::string, std::size_t> cuts;
    for (const auto& [name, bytes] : clean) cuts[name] = bytes.size() / 2;
    for (const char* temp : {"zs_const_tmp.h", "zs_errs_tmp.h", "zs_vars_tmp.c", "zs_defs_tmp.h", "zs_funcs_tmp.h",
                             "zs_userconst_tmp.h", "main_tmp.c", "locatra_tmp.h", "tmp_TCPIP_Project.wsp"}) {
        cuts[temp] = 100;
    }
    for (const auto& [name, cut] : cuts) {
        const std::string path = folder + "/" + name;
        SetWriteFaults({.fail_after_bytes = cut, .fail_rename = false, .path_contains = path});
        generate_afresh();
        ClearWriteFaults();

        ASSERT_FALSE(ui.messages.empty()) << name;
        const Message& closing = ui.messages.back();
        EXPECT_TRUE(closing.text.starts_with(kGenerationFailedMessage)) << name;
        Files written = Snapshot(folder);
        // The fault strikes every path holding this one ("index.h" also cuts "index.html").
        for (auto it = written.begin(); it != written.end();) {
            const std::string failed = folder + "/" + it->first;
            if (failed.find(path) == std::string::npos) {
                ++it;
                continue;
            }
            EXPECT_NE(std::find(closing.details.begin(), closing.details.end(), failed + ": No space left on device"),
                      closing.details.end())
                << failed << " is not among the failures";
            it = written.erase(it);
        }
        // A generation that ends early, or cannot expand the workspace, keeps its template.
        written.erase("tmp_TCPIP_Project.wsp");
        EXPECT_EQ(NotLike(written, clean), "") << "after " << name << " failed";

        // Generating again once the disk has room repairs the project completely.
        generate_afresh();
        EXPECT_TRUE(ui.messages.back().text.starts_with(kGeneratedMessage)) << name;
        EXPECT_EQ(NotLike(Snapshot(folder), clean), "") << "generating again after " << name << " failed";
    }
}

TEST_F(FaultInjection, AFailedReplacementKeepsTheFileItWouldHaveReplaced) {
    // With FTP the variables source declares the memory pool twice, and the second
    // declaration is removed by writing a replacement file.
    ConfigureLargeProject();
    const std::string folder = dir.Path() + "/";
    const std::string vars = folder + "zs_vars.c";
    SetWriteFaults({.fail_after_bytes = std::nullopt, .fail_rename = true, .path_contains = vars});
    window.SetProjectFolder(dir.Path());
    window.OnGenerateProject();
    ClearWriteFaults();

    const Message& closing = ui.messages.back();
    EXPECT_TRUE(closing.text.starts_with(kGenerationFailedMessage)) << closing.text;
    EXPECT_EQ(closing.details, std::vector<std::string>{vars + ": Input/output error"});
    // The expansion before the replacement stands, whole: both declarations are in it.
    const std::string text = ReadText(vars);
    const std::size_t first = text.find("byte mem_pool");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(text.find("byte mem_pool", first + 1), std::string::npos);
    for (const auto& [name, bytes] : Snapshot(dir.Path())) {
        EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name << " left behind";
    }
}

}  // namespace
}  // namespace quillon::test
