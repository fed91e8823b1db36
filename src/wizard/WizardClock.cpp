// Configure SYSCLK (button 1010) and Update UART Baud Rate (button 1031).
#include <cstdio>

#include "clock/DerivedValues.h"
#include "clock/SheetModel.h"
#include "config/ClockDefaults.h"
#include "config/Parameters.h"
#include "wizard/PlatformSheetUi.h"
#include "wizard/WizardDialog.h"

namespace quillon {

void WizardDialog::OnConfigureSysclk() {
    if (tree_.Selected() != OptionNode::SYSCLK) return;
    const Family family = FamilyOf(record_.device_bits);
    // Without a family there are no pages to show.
    if (family == Family::None) return;

    PlatformSheetUi sheet_ui(platform_);
    SheetModel sheet(record_.clock, family, sheet_ui);
    sheet.Open();
    // A front end that reports OK without ending the sheet itself still gets the pages'
    // confirmation; should the active page refuse, it counts as cancelled.
    if (!platform_.RunSheet(sheet) || !sheet.Ok()) return;

    modified_ = true;
    record_.clock_confirmed = 1;
    record_.clock = sheet.Working();
    ComputeSheetCloseReload(record_);
    char text[16];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(record_.th0_flash * 256u + record_.tl0_flash));
    panel_.ValueText(2) = text;
    RefreshControls();

    if (family == Family::Zintor) {
        if (record_.clock.sysclk_hz <= kUsbFifoMaxSysclk) {
            tree_.SetState(OptionNode::UsbFifoSupport, record_.zintor_usb_fifo == 1 ? NodeState::On : NodeState::Off);
        } else {
            tree_.SetState(OptionNode::UsbFifoSupport, NodeState::Unavailable);
            record_.zintor_usb_fifo = 0;
        }
        NotifyView();
    }
}

void WizardDialog::OnUpdateUartBaudRate() {
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
