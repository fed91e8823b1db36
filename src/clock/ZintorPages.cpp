#include "clock/ZintorPages.h"

#include "clock/ClockMath.h"
#include "clock/ClockRules.h"

namespace quillon {

namespace {

constexpr int kFootBox = 6369;

unsigned MultiplierSource(const ClockBlock& c) { return c.clkmul & 0x03u; }
unsigned SysclkSource(const ClockBlock& c) { return c.clksel & 0x03u; }

void ShowHz(PageControl& edit, std::uint64_t hz) { edit.text = FormatHz(hz); }

}  // namespace

// --- Internal Oscillator --------------------------------------------------------------------

COscIntPropPageZintor::COscIntPropPageZintor()
    : InternalOscillatorPage("COscIntPropPageZintor", 6757, kFootBox,
                             {"Internal Oscillator / 8  (1.5 MHz)", "Internal Oscillator / 4  (3 MHz)",
                              "Internal Oscillator / 2  (6 MHz)", "Internal Oscillator / 1  (12 MHz)"},
                             0x80) {
    AddGroup("Internal Oscillator Enable", {{Item(kEnable)}});
    AddGroup("SYSCLK Derived From", Column(3395, 3398));
}

void COscIntPropPageZintor::OnOscillatorChanged(int /*id*/) {
    // This page's rule: the internal source directly, and the multiplier (undivided, the
    // external frequency without halving) for source 2; the other sources keep SYSCLK.
    ClockBlock& c = Clock();
    if (SysclkSource(c) == 0) c.sysclk_hz = ZintorInternalHz(c);
    else if (SysclkSource(c) == 2) c.sysclk_hz = FitHz(ZintorMultiplierHz(c, MultiplierSource(c), 0));
}

// --- External Oscillator --------------------------------------------------------------------

OscExtPropPageZintor::OscExtPropPageZintor()
    : ExternalOscillatorPage("OscExtPropPageZintor", 6758, kFootBox, Family::Zintor) {
    AddStatic(6649, "P0.2 for XTAL1 is Analog and NOT skipped: NOT configured properly");
    AddStatic(6651, "P0.3 for XTAL2 is Analog and NOT skipped: NOT configured properly");
    auto mode = ModeRows();
    mode.push_back({Item(6649)});
    mode.push_back({Item(6651)});
    AddGroup("External Oscillator Mode", std::move(mode));
    AddGroup("External Oscillator Frequency", {{Item(ExtOscId::FrequencyEdit), Label("Hz")}});
    AddGroup("Frequency Control Bits", ControlRows());
}

void OscExtPropPageZintor::OnInitDialog() {
    ShowModeAndControlBits();
    // Set directly: the edit's handler runs and with it this page's recompute.
    SetWindowText(ExtOscId::FrequencyEdit, FormatHz(Clock().ext_osc_hz));
}

void OscExtPropPageZintor::OnClicked(int id) { HandleOscillatorClick(id); }

void OscExtPropPageZintor::OnTextChanged(int id) {
    if (id != ExtOscId::FrequencyEdit) return;
    Clock().ext_osc_hz = ReadFrequencyText(Text(id));
    OnModeChanged();
}

void OscExtPropPageZintor::OnModeChanged() {
    // This page follows the multiplier's source, not the SYSCLK source.
    ClockBlock& c = Clock();
    if (MultiplierSource(c) == 1) c.sysclk_hz = ZintorExternalHz(c, kHalvingWide);
    else if (MultiplierSource(c) == 2) c.sysclk_hz = FitHz(std::uint64_t{c.ext_osc_hz} * 2);
}

void OscExtPropPageZintor::OnOK() { ReportMissingFrequency(SysclkSource(Clock()) == 1); }

// --- Clock Multiplier -------------------------------------------------------------------------

COscMulPropPageZintor::COscMulPropPageZintor()
    : PropertyPage("COscMulPropPageZintor", 6759, "Clock Multiplier", kFootBox) {
    AddCheck(6720, "Enable Clock Multiplier");
    AddRadio(6721, "Internal Oscillator * 4", 1);
    AddRadio(6722, "External Oscillator * 4", 1);
    AddRadio(6723, "External Oscillator * 2", 1);
    AddDisplay(6727);
    AddDisplay(6728);
    AddDisplay(6783);
    AddGroup("Clock Multiplier Enable", {{Item(6720)}});
    AddGroup("SYSCLK Source", {{Label("Clock Multiplier Speed"), Item(6783), Label("Hz")}});
    auto derived = Column(6721, 6723);
    derived.push_back({Label("Internal Oscillator:"), Item(6727), Label("Hz")});
    derived.push_back({Label("External Oscillator:"), Item(6728), Label("Hz")});
    AddGroup("SYSCLK Derived From", std::move(derived));
}

void COscMulPropPageZintor::ShowMultiplier() {
    const ClockBlock& c = Clock();
    // The undivided internal oscillator here, unlike SYSCLK's rules.
    const auto checked = CheckedRadio(6721);
    std::string text;
    if (checked == 6721) text = FormatHz(std::uint64_t{c.int_osc_hz} * 4);
    else if (checked == 6722) text = FormatHz(std::uint64_t{ZintorExternalHz(c, kHalvingWide)} * 4);
    else if (checked == 6723) text = FormatHz(std::uint64_t{ZintorExternalHz(c, kHalvingWide)} * 2);
    SetTextQuiet(6783, text);
}

void COscMulPropPageZintor::OnInitDialog() {
    ClockBlock& c = Clock();
    SetCheck(6720, c.clkmul & 0x80);
    const unsigned source = MultiplierSource(c);
    CheckRadio(6721, source < 3 ? std::optional<int>(6721 + static_cast<int>(source)) : std::nullopt);
    ShowMultiplier();
    if (SysclkSource(c) == 2) c.sysclk_hz = FitHz(ZintorMultiplierHz(c, source, 0));
    ShowHz(Ctl(6727), c.int_osc_hz);
    ShowHz(Ctl(6728), ZintorExternalHz(c, kHalvingWide));
}

void COscMulPropPageZintor::OnClicked(int id) {
    ClockBlock& c = Clock();
    if (id == 6720) {
        c.clkmul = static_cast<std::uint8_t>(IsChecked(6720) ? (c.clkmul | 0x80) : (c.clkmul & ~0x80u));
    } else if (id >= 6721 && id <= 6723) {
        c.clkmul = static_cast<std::uint8_t>((c.clkmul & ~0x03u) | (id - 6721));
        ShowMultiplier();
    }
}

// --- SYSCLK Select ----------------------------------------------------------------------------

COscSysPropPageZintor::COscSysPropPageZintor()
    : PropertyPage("COscSysPropPageZintor", 6793, "SYSCLK Select", kFootBox) {
    AddDisplay(3403);
    AddRadio(3813, "Use Internal Oscillator as SYSCLK", 1);
    AddRadio(3814, "Use External Oscillator as SYSCLK", 1);
    AddRadio(6796, "Use Clock Multiplier / 2 as SYSCLK", 1);
    AddRadio(6797, "Use Clock Multiplier as SYSCLK", 1);
    AddGroup("SYSCLK Select", {{Item(3813)},
                               {Item(3814)},
                               {Item(6796)},
                               {Item(6797)},
                               {Label("SYSCLK Speed"), Item(3403), Label("Hz")}});
}

namespace {
constexpr int kSysclkButtons[4] = {3813, 3814, 6796, 6797};
}

void COscSysPropPageZintor::OnInitDialog() {
    CheckRadio(3813, kSysclkButtons[SysclkSource(Clock())]);
    Recompute();
}

void COscSysPropPageZintor::OnClicked(int id) {
    for (unsigned source = 0; source < 4; ++source) {
        if (kSysclkButtons[source] == id) {
            Clock().clksel = static_cast<std::uint8_t>((Clock().clksel & ~0x03u) | source);
            Recompute();
        }
    }
}

void COscSysPropPageZintor::Recompute() {
    ClockBlock& c = Clock();
    // The checked button is the source clksel holds: every click stores it first.
    const std::uint64_t hz = ZintorSysclkHz(c);
    c.sysclk_hz = FitHz(hz);
    ShowHz(Ctl(3403), hz);
}

// --- USB Clock Source -------------------------------------------------------------------------

COscUsbPropPageZintor::COscUsbPropPageZintor()
    : PropertyPage("COscUsbPropPageZintor", 6761, "USB Clock Source", kFootBox) {
    AddDisplay(3403);
    AddRadio(6721, "Clock Multiplier", 1);
    AddRadio(6722, "Internal Oscillator / 2", 1);
    AddRadio(6723, "External Oscillator", 1);
    AddRadio(6724, "External Oscillator / 2", 1);
    AddRadio(6725, "External Oscillator / 3", 1);
    AddRadio(6726, "External Oscillator / 4", 1);
    AddDisplay(6727);
    AddDisplay(6728);
    AddDisplay(6729);
    AddGroup("USB Clock", {{Label("USB Clock Speed"), Item(3403), Label("Hz")}});
    auto derived = Column(6721, 6726);
    derived.push_back({Label("Clock Multiplier:"), Item(6729), Label("Hz")});
    derived.push_back({Label("Internal Oscillator:"), Item(6727), Label("Hz")});
    derived.push_back({Label("External Oscillator:"), Item(6728), Label("Hz")});
    AddGroup("USB Clock Derived From", std::move(derived));
}

void COscUsbPropPageZintor::OnInitDialog() {
    const ClockBlock& c = Clock();
    const unsigned source = (c.clksel >> 4) & 0x07u;
    CheckRadio(6721, source <= 5 ? std::optional<int>(6721 + static_cast<int>(source)) : std::nullopt);
    ShowHz(Ctl(6729), ZintorMultiplierHz(c, MultiplierSource(c), 0));
    ShowHz(Ctl(6727), ZintorInternalHz(c));
    ShowHz(Ctl(6728), c.ext_osc_hz);
    ShowUsbClock();
}

void COscUsbPropPageZintor::OnClicked(int id) {
    if (id < 6721 || id > 6726) return;
    Clock().clksel = static_cast<std::uint8_t>((Clock().clksel & ~0x70u) | ((id - 6721) << 4));
    ShowUsbClock();
}

void COscUsbPropPageZintor::ShowUsbClock() {
    // Shown only; the USB clock is not stored anywhere.
    ShowHz(Ctl(3403), ZintorUsbClockHz(Clock()));
}

}  // namespace quillon
