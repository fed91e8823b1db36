// Configure SYSCLK (button 1010) and Update UART Baud Rate (button 1031).
#include <cstdio>

#include "clock/ClockLimits.h"
#include "clock/ClockMath.h"
#include "clock/ClockRules.h"
#include "clock/DerivedValues.h"
#include "clock/SheetModel.h"
#include "config/ChoiceStates.h"
#include "config/ClockDefaults.h"
#include "config/Parameters.h"
#include "wizard/ClockFindings.h"
#include "wizard/PlatformSheetUi.h"
#include "wizard/WizardDialog.h"

namespace quillon {

std::string CurrentSysclkText(std::uint32_t sysclk_hz) { return "Current SYSCLK is " + FormatMHz(sysclk_hz) + "."; }

std::vector<Finding> ClockFindings(const ConfigRecord& record) {
    std::vector<Finding> findings;
    for (const ClockViolation& v : ClockViolations(record)) {
        Finding finding;
        finding.message = v.Text();
        finding.node = OptionNode::SYSCLK;
        finding.field = v.Field();
        if (v.BrokenBound()) {
            finding.value = v.value;
            finding.limit = v.BrokenBound();
        }
        findings.push_back(std::move(finding));
    }
    return findings;
}

std::vector<OptionNode> WizardDialog::NodesWithProblems() const {
    if (ClockFindings(record_).empty()) return {};
    return {OptionNode::SYSCLK};
}

void WizardDialog::OnConfigureSysclk() {
    const auto action = session_.Press(panel_.Control(ControlId::ConfigureSysclk));
    if (tree_.Selected() != OptionNode::SYSCLK) return;
    const Family family = FamilyOf(record_.device_bits);
    // Without a family there are no pages to show.
    if (family == Family::None) return;

    PlatformSheetUi sheet_ui(platform_, &session_);
    SheetModel sheet(record_.clock, family, sheet_ui);
    // The limits the sheet shows depend on the project's options too (the modem's UART, the
    // memory interface, LOCATRA's timer).
    sheet.SetContext(ContextOf(record_));
    sheet.Open();
    // A front end that reports OK without ending the sheet itself still gets the pages'
    // confirmation; should the active page refuse, it counts as cancelled.
    if (!platform_.RunSheet(sheet) || !sheet.Ok()) return;

    modified_ = true;
    record_.clock_confirmed = 1;
    record_.clock = sheet.Working();
    // The pages compute SYSCLK when some of them are shown or clicked; registers changed on
    // another page afterwards leave that figure behind. The registers are all here, so SYSCLK
    // is what they give, whichever page was shown last.
    if (const auto hz = RegisterSysclkHz(family, record_.clock); hz && *hz > 0 && *hz <= kMaxHz) {
        record_.clock.sysclk_hz = static_cast<std::uint32_t>(*hz);
    }
    ComputeSheetCloseReload(record_);
    char text[16];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(record_.th0_flash * 256u + record_.tl0_flash));
    panel_.ValueText(2) = text;
    if (!panel_.LabelText(1).empty()) panel_.LabelText(2) = CurrentSysclkText(record_.clock.sysclk_hz);
    RefreshControls();

    if (family == Family::Zintor) {
        // Available at 24 MHz or less, where the flag decides; above that unavailable and off.
        ShowUsbFifo(record_, tree_);
        NotifyView();
    }
}

void WizardDialog::OnUpdateUartBaudRate() {
    const auto action = session_.Press(panel_.Control(ControlId::UpdateBaudRate));
    modified_ = true;
    record_.uart_baud_rate = ParseDecimal(panel_.ValueText(1), 32);
    CheckBaudRate(record_, [this] {
        return platform_.AskYesNo(Message{kBaudRateQuestion, MessageIcon::Exclamation, kAppCaption, {}});
    });
    Message done;
    done.text = "Baud rate recalculated.";
    platform_.ShowMessage(done);
    // Unsigned, so that a typed rate beyond 2^31 that the user chose to keep is shown as
    // typed rather than as a negative number.
    panel_.ValueText(1) = std::to_string(record_.uart_baud_rate);
    RefreshControls();
}

}  // namespace quillon
