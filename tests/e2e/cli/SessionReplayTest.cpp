// A session of random user actions on a window, written as a script by File > Export Script and
// replayed by quillon-cli's script runner from the same files on disk, ends in the same record,
// tree and window state, without a script error or an answer left over.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>

#include "TestSupport.h"
#include "cli/ScriptRunner.h"
#include "cli/StateFormat.h"
#include "clock/SheetModel.h"
#include "wizard/OptionTree.h"
#include "wizard/WizardDialog.h"

namespace quillon::cli {
namespace {

namespace fs = std::filesystem;
namespace C = ControlId;

// Texts a user may type, the awkward ones for a script line included.
std::string RandomText(std::mt19937& rng) {
    static const char* const kTexts[] = {"5", "300", "1514", "0", "", "12a", " 42", "7 ", "\"quoted\"", "back\\slash",
                                         "cancel", "a b  c", "99999", "Locatra Box", "1F"};
    std::string text = kTexts[rng() % std::size(kTexts)];
    if (rng() % 8 == 0) text = std::string(36 + rng() % 4, '9');  // longer than an edit takes
    return text;
}

// Answers every dialog at random from a few paths in `dir`, and works the oscillator sheet.
class RandomPlatform : public Platform {
public:
    RandomPlatform(std::mt19937& rng, std::string dir) : rng_(rng), dir_(std::move(dir)) {}

    void ShowMessage(const Message&) override {}
    bool AskYesNo(const Message&) override { return rng_() % 2 == 0; }
    Answer AskYesNoCancel(const Message&) override { return static_cast<Answer>(rng_() % 3); }
    std::optional<std::string> OpenFileDialog(const FileDialogRequest&) override { return SomeFile(); }
    std::optional<std::string> SaveFileDialog(const FileDialogRequest&) override { return SomeFile(); }
    std::optional<std::string> BrowseForFolder(const std::string&, const std::string&) override {
        if (rng_() % 4 == 0) return std::nullopt;
        return dir_ + "/project";
    }
    bool ShowHelp(const std::string&) override { return true; }
    bool PreviewGeneration(const GenerationPreview&) override { return rng_() % 4 != 0; }
    void ShowAbout(const AboutBox&) override {}

    bool RunSheet(SheetModel& sheet) override {
        for (int step = 0; step < 12 && sheet.IsOpen(); ++step) {
            PropertyPage& page = sheet.ActivePage();
            const int id = page.Controls()[rng_() % page.Controls().size()].id;
            switch (rng_() % 6) {
            case 0: sheet.Activate(rng_() % sheet.PageCount()); break;
            case 1: page.Click(id); break;
            case 2: page.ClickInto(id, rng_() % 2 == 0); break;
            case 3: page.EditText(id, std::to_string(rng_() % 40000000)); break;
            case 4: page.EditText(id, RandomText(rng_)); break;
            default: sheet.Ok(); break;
            }
        }
        if (sheet.IsOpen()) rng_() % 2 == 0 ? sheet.Cancel() : (void)sheet.Ok();
        if (sheet.IsOpen()) sheet.Cancel();
        return sheet.Outcome() == SheetOutcome::Ok;
    }

private:
    std::optional<std::string> SomeFile() {
        static const char* const kNames[] = {"a.wp", "b with \"quotes\".wp", "trailing blank.wp ", "missing/c.wp"};
        if (rng_() % 5 == 0) return std::nullopt;
        return dir_ + "/" + kNames[rng_() % std::size(kNames)];
    }

    std::mt19937& rng_;
    std::string dir_;
};

// The controls a user can reach now: shown and enabled.
std::vector<int> Reachable(const WizardDialog& w, std::initializer_list<int> ids) {
    std::vector<int> out;
    for (int id : ids) {
        const PanelControl& c = w.Panel().Control(id);
        if (c.visible && c.enabled) out.push_back(id);
    }
    return out;
}

// One random user action; false once the window has closed.
bool RandomAction(WizardDialog& w, std::mt19937& rng) {
    const auto node = [&] { return static_cast<OptionNode>(1 + rng() % kOptionNodeCount); };
    switch (rng() % 12) {
    case 0:
    case 1: w.OnOptionClick(node()); break;
    case 2:
    case 3: w.OnSelectionChange(node()); break;
    case 4:
    case 5: {
        std::vector<int> edits = Reachable(w, {C::Value1, C::Value2, C::Value3, C::Value4});
        for (int id = C::DestMacFirst; id < C::DestMacFirst + 12; ++id) {
            if (!Reachable(w, {id}).empty()) edits.push_back(id);
        }
        if (edits.empty()) break;
        const int id = edits[rng() % edits.size()];
        const auto edit = [&](const std::string& t) {
            id >= C::DestMacFirst ? w.OnMacEdited(id, t) : w.OnValueEdited(id, t);
        };
        const std::string before = w.Panel().Control(id).text;
        const std::string text = RandomText(rng);
        // Typed key by key, sometimes taken back to where it began.
        for (std::size_t n = 1; n <= text.size(); ++n) edit(text.substr(0, n));
        if (text.empty()) edit(text);
        if (rng() % 4 == 0) edit(before);
        break;
    }
    case 6: {
        const std::vector<int> ids = Reachable(w, {C::Address1, C::Address2, C::Address3, C::Address4});
        if (ids.empty()) break;
        const int id = ids[rng() % ids.size()];
        const Ip4 before = w.Panel().Control(id).address;
        Ip4 a{static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()), 0, static_cast<std::uint8_t>(rng())};
        w.OnAddressChanged(id, {a[0], 0, 0, 0});
        w.OnAddressChanged(id, a);
        if (rng() % 4 == 0) w.OnAddressChanged(id, before);
        break;
    }
    case 7:
        for (int id : Reachable(w, {C::CountryCombo, C::ProtocolCombo})) w.OnComboChanged(id, static_cast<int>(rng() % 12));
        if (!Reachable(w, {C::ArpAutoUpdate}).empty()) w.OnArpAutoUpdateClicked(rng() % 2 == 0);
        break;
    case 8:
        if (!Reachable(w, {C::ConfigureSysclk}).empty()) w.OnConfigureSysclk();
        if (!Reachable(w, {C::UpdateBaudRate}).empty()) w.OnUpdateUartBaudRate();
        break;
    case 9: {
        static const int kMenus[] = {MenuCommand::New, MenuCommand::Open, MenuCommand::Save, MenuCommand::SaveAs,
                                     MenuCommand::SelectProjectDirectory, MenuCommand::About};
        w.OnMenuCommand(kMenus[rng() % std::size(kMenus)]);
        break;
    }
    case 10:
        // Generating writes a whole project: now and then.
        if (rng() % 6 == 0) w.OnMenuCommand(MenuCommand::GenerateProject);
        break;
    default:
        if (rng() % 10 == 0) return !w.OnExit();
        w.OnSelectionChange(rng() % 2 ? OptionNode::SYSCLK : OptionNode::Modara);
        break;
    }
    return true;
}

std::string State(const WizardDialog& w) {
    std::ostringstream out;
    WriteRecordState(w.Record(), out);
    WriteTreeState(w.Tree(), out, w.NodesWithProblems());
    WriteWindowState(w, out);
    return out.str();
}

// The folder as the session found it: empty but for the project folder.
void FreshFolder(const std::string& dir) {
    fs::remove_all(dir);
    fs::create_directories(dir + "/project");
}

TEST(SessionReplay, AnExportedSessionReplaysToTheSameState) {
    test::TempDir tmp;
    WizardOptions options;
    options.program_dir = tmp.Path();
    options.store_path = tmp.File("no-store.so");
    const std::string dir = tmp.File("work");
    std::size_t longest = 0;
    for (unsigned seed = 1; seed <= 120; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        FreshFolder(dir);
        std::mt19937 rng(seed);
        std::string script, expected;
        int file_failures = 0;
        {
            RandomPlatform ui(rng, dir);
            WizardDialog w(ui, options);
            w.Initialise();
            for (int i = 0; i < 40 && RandomAction(w, rng); ++i) {
            }
            const std::optional<std::string> exported = w.Session().Script();
            ASSERT_TRUE(exported);
            script = *exported;
            expected = State(w);
            file_failures = w.SettingsFileFailures();
            longest = std::max(longest, w.Session().Lines().size());
        }
        // The replay starts from the files as the session found them.
        FreshFolder(dir);
        std::ostringstream out, err;
        ScriptRunner runner(out, err);
        const int status = runner.Run(script + "show record\nshow tree\nshow window\n", options);
        // A settings file the session could not open or save fails the replay the same way.
        ASSERT_EQ(status, file_failures > 0 ? 1 : 0) << err.str() << "\n" << script;
        EXPECT_EQ(err.str(), file_failures > 0 ? "a settings file could not be opened or saved (" +
                                                     std::to_string(file_failures) +
                                                     " time(s)); the script ran to its end\n"
                                               : std::string())
            << script;
        const std::string printed = out.str();
        ASSERT_GE(printed.size(), expected.size()) << script;
        EXPECT_EQ(printed.substr(printed.size() - expected.size()), expected) << script;
    }
    EXPECT_GT(longest, 30u);
}

TEST(SessionReplay, TypingIsWrittenAsTheTextItEndsWith) {
    test::TempDir tmp;
    test::FakePlatform ui;
    WizardOptions options;
    options.program_dir = tmp.Path();
    options.store_path = tmp.File("no-store.so");
    WizardDialog w(ui, options);
    w.Initialise();
    w.OnSelectionChange(OptionNode::Sockets);
    for (const char* typed : {"1", "15", "150", "1500"}) w.OnValueEdited(C::Value2, typed);
    // Typed and taken back: the edit ends where it began, so every step is kept.
    w.OnValueEdited(C::Value1, "35");
    w.OnValueEdited(C::Value1, "3");
    w.OnSelectionChange(OptionNode::Modara);
    w.OnValueEdited(C::Value4, " 555 \"1234\"");
    EXPECT_EQ(w.Session().Lines(),
              (std::vector<std::string>{"select Sockets", "set 1002 1500", "set 1001 35", "set 1001 3", "select Modara",
                                        "set 1008 \" 555 \\\"1234\\\"\""}));
    // A sheet's pages ask through the window's dialogs: the answer comes before the click that asked.
    ui.sheet_handler = [](SheetModel& sheet) {
        sheet.ActivePage().Click(3399);  // the internal oscillator off
        sheet.Activate(*sheet.FindPage("SYSCLK Select"));
        sheet.ActivePage().Click(3813);
        return sheet.Ok();
    };
    ui.answers = {true};
    w.OnSelectionChange(OptionNode::SYSCLK);
    w.OnConfigureSysclk();
    const std::vector<std::string> lines = w.Session().Lines();
    EXPECT_EQ(std::vector<std::string>(lines.end() - 7, lines.end()),
              (std::vector<std::string>{"select SYSCLK", "press 1010", "sheet click 3399", "sheet page SYSCLK Select",
                                        "answer yes", "sheet click 3813", "sheet ok"}));
}

}  // namespace
}  // namespace quillon::cli
