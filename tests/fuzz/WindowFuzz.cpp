// The window driven by any sequence of user events: option clicks, selections, typed values,
// MAC bytes, addresses, combo choices and the oscillator sheet with its typed texts. Events
// reach only controls a user could reach (shown and enabled). Every file dialog is cancelled,
// so nothing is ever written; the checks before a generation still run, and so does the
// widening of the option bits. After every event the window's invariants hold.
#include "FuzzSupport.h"
#include "FuzzTargets.h"
#include "clock/SheetModel.h"
#include "wizard/Invariants.h"
#include "wizard/WizardDialog.h"

namespace quillon::fuzz {

namespace {

// Up to 12 bytes of typed text.
std::string TypedText(ByteReader& in) { return in.Text(in.Byte() % 13); }

class ScriptedPlatform : public Platform {
public:
    explicit ScriptedPlatform(ByteReader& in) : in_(in) {}

    void ShowMessage(const Message&) override {}
    bool AskYesNo(const Message&) override { return in_.Byte() & 1; }
    Answer AskYesNoCancel(const Message&) override {
        static constexpr Answer kAnswers[] = {Answer::Yes, Answer::No, Answer::Cancel};
        return kAnswers[in_.Byte() % 3];
    }
    std::optional<std::string> OpenFileDialog(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> SaveFileDialog(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> BrowseForFolder(const std::string&, const std::string&) override { return std::nullopt; }
    bool ShowHelp(const std::string&) override { return false; }
    void ShowAbout(const AboutBox&) override {}

    bool RunSheet(SheetModel& sheet) override {
        for (int step = 0; step < 24 && sheet.IsOpen() && sheet.PageCount() > 0; ++step) {
            PropertyPage& page = sheet.ActivePage();
            const std::vector<PageControl>& controls = page.Controls();
            const int id = controls.empty() ? 0 : controls[in_.Byte() % controls.size()].id;
            switch (in_.Byte() % 6) {
            case 0: sheet.Activate(in_.Byte() % sheet.PageCount()); break;
            case 1: page.Click(id); break;
            case 2: page.ClickInto(id, in_.Byte() & 1); break;
            case 3:
            case 4: page.EditText(id, TypedText(in_)); break;
            default: sheet.Ok(); break;
            }
        }
        if (sheet.IsOpen()) sheet.Cancel();
        return sheet.Outcome() == SheetOutcome::Ok;
    }

private:
    ByteReader& in_;
};

void CheckWindow(const WizardDialog& window) {
    const std::vector<InvariantViolation> violations = CheckInvariants(window);
    if (!violations.empty()) Fail("invariant broken: " + Describe(violations.front()));
}

bool Reachable(const WizardDialog& window, int id) {
    if (!window.Panel().Has(id)) return false;
    const PanelControl& c = window.Panel().Control(id);
    return c.visible && c.enabled && !c.read_only;
}

}  // namespace

void FuzzWindow(Bytes input) {
    ByteReader in(input);
    ScriptedPlatform ui(in);
    WizardOptions options;
    options.store_path = "/nonexistent/stackvault.so";
    WizardDialog window(ui, options);
    window.Initialise();
    CheckWindow(window);

    constexpr int kValueEdits[] = {ControlId::Value1, ControlId::Value2, ControlId::Value3, ControlId::Value4};
    for (int event = 0; event < 64 && !in.Rest().empty() && !window.Closed(); ++event) {
        const auto node = static_cast<OptionNode>(1 + in.Byte() % kOptionNodeCount);
        switch (in.Byte() % 12) {
        case 0:
        case 1: window.OnOptionClick(node); break;
        case 2: window.OnSelectionChange(node); break;
        case 3:
        case 4: {
            const int id = kValueEdits[in.Byte() % 4];
            const std::string text = TypedText(in);
            if (Reachable(window, id)) window.OnValueEdited(id, text);
            break;
        }
        case 5: {
            const int id = ControlId::DestMacFirst + in.Byte() % 12;
            const std::string text = TypedText(in);
            if (Reachable(window, id)) window.OnMacEdited(id, text);
            break;
        }
        case 6: {
            const int id = ControlId::Address1 + in.Byte() % 4;
            const Ip4 address{in.Byte(), in.Byte(), in.Byte(), in.Byte()};
            if (Reachable(window, id)) window.OnAddressChanged(id, address);
            break;
        }
        case 7: {
            const int id = (in.Byte() & 1) ? ControlId::CountryCombo : ControlId::ProtocolCombo;
            const int index = static_cast<std::int8_t>(in.Byte());
            if (Reachable(window, id)) window.OnComboChanged(id, index);
            break;
        }
        case 8:
            if (Reachable(window, ControlId::ArpAutoUpdate)) window.OnArpAutoUpdateClicked(in.Byte() & 1);
            break;
        case 9:
            if (Reachable(window, ControlId::ConfigureSysclk)) window.OnConfigureSysclk();
            if (Reachable(window, ControlId::UpdateBaudRate)) window.OnUpdateUartBaudRate();
            break;
        case 10: window.OnGenerateProject(); break;
        default: {
            static constexpr int kMenus[] = {MenuCommand::New, MenuCommand::Open, MenuCommand::Save,
                                             MenuCommand::SaveAs, MenuCommand::SelectProjectDirectory,
                                             MenuCommand::Exit, MenuCommand::About};
            window.OnMenuCommand(kMenus[in.Byte() % std::size(kMenus)]);
            break;
        }
        }
        CheckWindow(window);
    }
}

}  // namespace quillon::fuzz
