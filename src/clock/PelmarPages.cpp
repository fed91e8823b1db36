#include "clock/PelmarPages.h"

#include "clock/ClockMath.h"
#include "clock/ClockRules.h"

namespace quillon {

namespace {

constexpr int kFootBox = 1200;
constexpr int kSysclkSource = 1230;
constexpr int kClockSpeed = 3403;

}  // namespace

// --- Internal Oscillator --------------------------------------------------------------------

COscIntPropPagePelmar::COscIntPropPagePelmar()
    : InternalOscillatorPage("COscIntPropPagePelmar", 1153, kFootBox,
                             {"Internal Oscillator runs at 2 MHz", "Internal Oscillator runs at 4 MHz",
                              "Internal Oscillator runs at 8 MHz", "Internal Oscillator runs at 16 MHz"},
                             0x04) {
    AddCheck(kSysclkSource, "Use Internal Oscillator as SYSCLK");
    AddDisplay(kClockSpeed);
    AddGroup("Internal Oscillator Enable", {{Item(kEnable)}});
    AddGroup("SYSCLK Source", {{Item(kSysclkSource)}, {Label("Clock Speed"), Item(kClockSpeed), Label("Hz")}});
    AddGroup("Frequency Derived From", Column(3395, 3398));
}

void COscIntPropPagePelmar::OnInitDialog() {
    InternalOscillatorPage::OnInitDialog();
    SetCheck(kSysclkSource, !(Clock().oscicn & 0x08));
    SetTextQuiet(kClockSpeed, FormatHz(Clock().sysclk_hz));
}

void COscIntPropPagePelmar::TakeInternalAsSysclk() {
    Clock().sysclk_hz = PelmarInternalHz(Clock());
    SetTextQuiet(kClockSpeed, FormatHz(Clock().sysclk_hz));
}

void COscIntPropPagePelmar::OnClicked(int id) {
    if (id != kSysclkSource) {
        InternalOscillatorPage::OnClicked(id);
        return;
    }
    ClockBlock& c = Clock();
    c.oscicn &= static_cast<std::uint8_t>(~0x08u);
    if (!IsChecked(kSysclkSource)) {
        // The source is changed by checking the other page's box, not by unchecking this one.
        SetCheck(kSysclkSource, true);
    } else if (!IsChecked(kEnable) &&
               AskYesNo("Do you want to enable the Oscillator?\nNote: system may be unstable if not enabled.")) {
        SetCheck(kEnable, true);
        c.oscicn |= 0x04;
    }
    TakeInternalAsSysclk();
}

void COscIntPropPagePelmar::OnOscillatorChanged(int id) {
    if (IsDivider(id) && IsChecked(kSysclkSource)) TakeInternalAsSysclk();
}

// --- External Oscillator --------------------------------------------------------------------

COscExtPropPagePelmar::COscExtPropPagePelmar()
    : ExternalOscillatorPage("COscExtPropPagePelmar", 1154, kFootBox, Family::Pelmar) {
    Ctl(ExtOscId::FrequencyEdit).unsigned_number = true;
    AddCheck(kSysclkSource, "Use External Oscillator as SYSCLK");
    AddDisplay(kClockSpeed);
    AddGroup("External Oscillator Mode", ModeRows());
    AddGroup("External Oscillator Frequency", {{Item(ExtOscId::FrequencyEdit), Label("Hz")}});
    AddGroup("SYSCLK Source", {{Item(kSysclkSource)}, {Label("Clock Speed"), Item(kClockSpeed), Label("Hz")}});
    AddGroup("Frequency Control Bits", ControlRows());
}

void COscExtPropPagePelmar::OnInitDialog() {
    ShowModeAndControlBits();
    SetCheck(kSysclkSource, Clock().oscicn & 0x08);
    // Set directly: the edit's handler runs and, with this page's oscillator as the source,
    // recomputes SYSCLK from that frequency.
    SetWindowText(ExtOscId::FrequencyEdit, FormatHz(Clock().ext_osc_hz));
    SetTextQuiet(kClockSpeed, FormatHz(Clock().sysclk_hz));
}

void COscExtPropPagePelmar::TakeTypedAsSysclk() {
    const std::uint32_t typed = ReadFrequencyText(Text(ExtOscId::FrequencyEdit));
    Clock().sysclk_hz = PelmarExternalHz(Clock(), typed);
    SetTextQuiet(kClockSpeed, FormatHz(Clock().sysclk_hz));
}

void COscExtPropPagePelmar::OnModeChanged() {
    if (IsChecked(kSysclkSource)) TakeTypedAsSysclk();
}

void COscExtPropPagePelmar::OnClicked(int id) {
    if (HandleOscillatorClick(id)) return;
    if (id == kSysclkSource) {
        ClockBlock& c = Clock();
        c.oscicn &= static_cast<std::uint8_t>(~0x08u);
        if (!IsChecked(kSysclkSource)) SetCheck(kSysclkSource, true);
        c.oscicn |= 0x08;
        TakeTypedAsSysclk();
    }
}

void COscExtPropPagePelmar::OnTextChanged(int id) {
    if (id != ExtOscId::FrequencyEdit) return;
    if (IsChecked(kSysclkSource)) TakeTypedAsSysclk();
    // A text that is not a whole number leaves the stored frequency alone; the page then
    // refuses to be left until it is corrected.
    if (auto hz = ParseUnsignedWhole(Text(id))) Clock().ext_osc_hz = *hz;
}

void COscExtPropPagePelmar::OnOK() { ReportMissingFrequency(Clock().oscicn & 0x08); }

}  // namespace quillon
