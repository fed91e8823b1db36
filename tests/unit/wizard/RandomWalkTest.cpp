// A seeded random walk through the window: 10,000 sequences of option clicks, selections, typed
// values, addresses, combo choices, the oscillator sheet ended with OK or Cancel, generation,
// New, Open, Save and Save As, with every question and dialog answered at random. After every
// event the window's invariants hold (every greyed option has its reason), and a click that
// leaves its option as it was says why; after every sequence, saving and opening the result
// gives the same record, the same tree and the same code size.
//
// Saving really writes (and flushes) a file, so only a few sequences save through the dialogs,
// in memory-backed storage where there is some; the round trip at the end of each sequence reads
// the saved text the way Open reads a file.
#include <filesystem>
#include <random>
#include <sstream>

#include "WindowTestSupport.h"
#include "clock/SheetModel.h"
#include "config/SettingsFormat.h"
#include "wizard/Invariants.h"

namespace quillon::test {
namespace {

using N = OptionNode;

constexpr int kSequences = 10000;
constexpr std::uint32_t kSeed = 20240613;

// Texts a user might type: numbers in and out of a field's width, signs, letters, nothing.
const char* const kTyped[] = {"0",  "1",   "2",   "3",     "24",  "63",   "64",  "127", "128",      "255",
                              "256", "300", "512", "1514", "65535", "65536", "99999", "-5", "12abc", "abc",
                              "",   " 7 ", "\"q\"", "a\"b", "Name with spaces"};
const char* const kMacTyped[] = {"00", "FF", "0a", "ZZ", "1", "", "123", " A "};

class WalkPlatform : public Platform {
public:
    WalkPlatform(std::mt19937& rng, const TempDir& dir) : rng_(rng), dir_(dir) {}

    bool Chance(unsigned in) { return rng_() % in == 0; }
    template <typename T, std::size_t N>
    const T& Pick(const T (&items)[N]) {
        return items[rng_() % N];
    }

    void ShowMessage(const Message&) override {}
    bool AskYesNo(const Message&) override { return rng_() & 1; }
    Answer AskYesNoCancel(const Message&) override {
        // Yes saves, which writes a file: less often than the other two.
        const unsigned roll = rng_() % 24;
        return roll == 0 ? Answer::Yes : roll < 14 ? Answer::No : Answer::Cancel;
    }
    std::optional<std::string> OpenFileDialog(const FileDialogRequest&) override {
        if (saved.empty() || Chance(3)) return std::nullopt;
        return saved[rng_() % saved.size()];
    }
    std::optional<std::string> SaveFileDialog(const FileDialogRequest&) override {
        if (!Chance(3)) return std::nullopt;
        const std::string path = dir_.File(rng_() & 1 ? "a.wp" : "b.wp");
        if (std::find(saved.begin(), saved.end(), path) == saved.end()) saved.push_back(path);
        ++saves;
        return path;
    }
    std::optional<std::string> BrowseForFolder(const std::string&, const std::string&) override {
        // Now and then a real folder, so that some generations write a project.
        if (!Chance(150)) return std::nullopt;
        ++generations;
        return dir_.File("project");
    }
    bool RunSheet(SheetModel& sheet) override {
        for (int step = 0; step < 8 && sheet.IsOpen(); ++step) {
            PropertyPage& page = sheet.ActivePage();
            const std::vector<PageControl>& controls = page.Controls();
            const int id = controls.empty() ? 0 : controls[rng_() % controls.size()].id;
            switch (rng_() % 5) {
            case 0: sheet.Activate(rng_() % sheet.PageCount()); break;
            case 1:
            case 2: page.Click(id); break;
            case 3: page.EditText(id, Pick(kTyped)); break;
            default: sheet.Ok(); break;
            }
        }
        if (sheet.IsOpen() && !(rng_() & 1)) sheet.Ok();
        if (sheet.IsOpen()) sheet.Cancel();
        return sheet.Outcome() == SheetOutcome::Ok;
    }
    bool ShowHelp(const std::string&) override { return true; }
    void ShowAbout(const AboutBox&) override {}

    std::vector<std::string> saved;
    int saves = 0;
    int generations = 0;

private:
    std::mt19937& rng_;
    const TempDir& dir_;
};

bool Reachable(const WizardDialog& w, int id) {
    const PanelControl& c = w.Panel().Control(id);
    return c.visible && c.enabled;
}

// One event, chosen at random; its description goes to `log`. Returns false for a click that
// left its option as it was without saying why.
bool Step(WizardDialog& w, WalkPlatform& ui, std::mt19937& rng, std::ostream& log) {
    const auto node = static_cast<N>(1 + rng() % kOptionNodeCount);
    const unsigned roll = rng() % 100;
    if (roll < 45) {
        log << "click " << InfoOf(node).text;
        const TreeImage image = w.Tree().Image(node);
        const bool checked = w.Tree().IsChecked(node);
        w.OnOptionClick(node);
        const bool in_vain = InfoOf(node).kind == NodeKind::Option && w.Tree().Image(node) == image &&
                             w.Tree().IsChecked(node) == checked;
        return !in_vain || !w.SelectionReason().empty();
    } else if (roll < 58) {
        log << "select " << InfoOf(node).text;
        if (w.Tree().Selected() != node) w.OnSelectionChange(node);
    } else if (roll < 68) {
        const int id = SettingsPanel::ValueId(1 + static_cast<int>(rng() % 4));
        const std::string text = ui.Pick(kTyped);
        log << "set " << id << ' ' << text;
        if (Reachable(w, id)) w.OnValueEdited(id, text);
    } else if (roll < 70) {
        const int id = ControlId::DestMacFirst + static_cast<int>(rng() % 12);
        const std::string text = ui.Pick(kMacTyped);
        log << "set " << id << ' ' << text;
        if (Reachable(w, id)) w.OnMacEdited(id, text);
    } else if (roll < 73) {
        const int id = ControlId::Address1 + static_cast<int>(rng() % 4);
        const Ip4 address{static_cast<std::uint8_t>(rng()), 0, 0, static_cast<std::uint8_t>(rng())};
        log << "address " << id;
        if (Reachable(w, id)) w.OnAddressChanged(id, address);
    } else if (roll < 75) {
        const int id = rng() & 1 ? ControlId::CountryCombo : ControlId::ProtocolCombo;
        const int index = static_cast<int>(rng() % 12);
        log << "combo " << id << ' ' << index;
        if (Reachable(w, id)) w.OnComboChanged(id, index);
    } else if (roll < 76) {
        log << "check 1011";
        if (Reachable(w, ControlId::ArpAutoUpdate)) w.OnArpAutoUpdateClicked(rng() & 1);
    } else if (roll < 81) {
        // The sheet needs the SYSCLK page in front of it.
        log << "select SYSCLK, press 1010";
        if (w.Tree().Selected() != N::SYSCLK) w.OnSelectionChange(N::SYSCLK);
        w.OnConfigureSysclk();
    } else if (roll < 82) {
        log << "press 1031";
        if (Reachable(w, ControlId::UpdateBaudRate)) w.OnUpdateUartBaudRate();
    } else if (roll < 87) {
        log << "menu generate";
        w.OnGenerateProject();
    } else if (roll < 92) {
        log << "menu new";
        w.OnFileNew();
    } else if (roll < 97) {
        // Saving writes and flushes a file: a few times in a thousand events.
        const unsigned which = rng() % 16;
        if (which == 0) {
            log << "menu save";
            w.OnFileSave();
        } else if (which == 1) {
            log << "menu save-as";
            w.OnFileSaveAs();
        } else {
            log << "menu open";
            w.OnFileOpen();
        }
    } else {
        log << "menu select-folder";
        w.OnSelectProjectDirectory();
    }
    return true;
}

// The modem's country and protocol codes follow from the two indexes, which are what is saved;
// the memory-interface timing is worked out afresh at every generation and is not saved.
ConfigRecord AsSaved(ConfigRecord r) {
    if (r.country_index >= 0 && r.country_index < kCountryCount)
        r.country_code = std::string(kCountryTable[static_cast<std::size_t>(r.country_index)].code);
    if (r.protocol_index >= 0 && r.protocol_index < kProtocolCount)
        r.modem_protocol = std::string(kProtocolTable[static_cast<std::size_t>(r.protocol_index)].code);
    r.emif_timing = 0;
    return r;
}

// What differs between two windows: record, tree (check flags and images) and code size.
std::string Differences(const WizardDialog& a, const WizardDialog& b) {
    std::string out;
    if (AsSaved(a.Record()) != AsSaved(b.Record())) out += "record; ";
    for (const NodeInfo& info : OptionNodeTable()) {
        if (a.Tree().Image(info.node) != b.Tree().Image(info.node) ||
            a.Tree().IsChecked(info.node) != b.Tree().IsChecked(info.node)) {
            out += std::string(info.text) + "; ";
        }
    }
    for (int id : {ControlId::UsedSpace, ControlId::FreeSpace}) {
        if (a.Panel().Control(id).text != b.Panel().Control(id).text) out += "code size; ";
    }
    return out;
}

TEST(RandomWalk, InvariantsHoldAfterEveryEventAndSavedFilesComeBackAlike) {
    TempDir dir(MemoryBackedTempBase());
    std::filesystem::create_directory(dir.File("project"));
    std::mt19937 rng(kSeed);
    WalkPlatform ui(rng, dir);
    WizardOptions options;
    options.program_dir = dir.Path();
    options.store_path = dir.File("no-store.so");
    FakePlatform mirror_ui;
    WizardDialog mirror(mirror_ui, options);
    mirror.Initialise();

    int events = 0;
    for (int sequence = 0; sequence < kSequences; ++sequence) {
        WizardDialog w(ui, options);
        w.Initialise();
        std::ostringstream log;
        const int length = 1 + static_cast<int>(rng() % 30);
        for (int step = 0; step < length && !w.Closed(); ++step) {
            log << "\n  ";
            if (!Step(w, ui, rng, log)) FAIL() << "sequence " << sequence << ": a click in vain without a reason:" << log.str();
            ++events;
            const std::vector<InvariantViolation> broken = CheckInvariants(w);
            if (!broken.empty()) {
                FAIL() << "sequence " << sequence << ", after:" << log.str() << "\nbroken: " << Describe(broken[0]);
            }
        }
        mirror.LoadSettingsText(WriteSettings(w.Record(), w.ProjectFolder()));
        const std::string differences = Differences(w, mirror);
        ASSERT_EQ(differences, "") << "sequence " << sequence << " saved and opened again:" << log.str();
        ASSERT_TRUE(CheckInvariants(mirror).empty()) << "sequence " << sequence << ":" << log.str();
    }
    // The walk really went through the files and the generation it was meant to.
    EXPECT_GT(events, kSequences * 10);
    EXPECT_GT(ui.saves, 50);
    EXPECT_GT(ui.generations, 5);
    EXPECT_FALSE(ui.saved.empty());
}

}  // namespace
}  // namespace quillon::test
