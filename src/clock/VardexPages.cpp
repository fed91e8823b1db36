#include "clock/VardexPages.h"

#include <cstdio>

#include "clock/ClockMath.h"
#include "clock/ClockRules.h"
#include "clock/ParseHexField.h"

namespace quillon {

namespace {

constexpr int kFootBox = 3367;

// The SYSCLK rule every Vardex page recomputes with, followed by the flash read-time code.
// Returns the true frequency; sysclk_hz takes it as far as it fits.
std::uint64_t RecomputeSysclk(ClockBlock& c) {
    const std::uint64_t hz = VardexUndividedSysclkHz(c).value_or(c.sysclk_hz);
    c.sysclk_hz = FitHz(hz);
    c.flscl = static_cast<std::uint8_t>((c.flscl & ~0x30u) | VardexFlashCode(c.sysclk_hz));
    return hz;
}

std::string Hex2(std::uint8_t v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X", v);
    return buf;
}

void SetBit(std::uint8_t& reg, std::uint8_t bit, bool on) {
    reg = static_cast<std::uint8_t>(on ? (reg | bit) : (reg & ~bit));
}

}  // namespace

// --- Internal Oscillator --------------------------------------------------------------------

COscIntPropPageVardex::COscIntPropPageVardex()
    : InternalOscillatorPage("COscIntPropPageVardex", 143, kFootBox,
                             {"Internal Oscillator / 8  (3.0625 MHz)", "Internal Oscillator / 4  (6.125 MHz)",
                              "Internal Oscillator / 2  (12.25 MHz)", "Internal Oscillator / 1  (24.5 MHz)"},
                             0x80) {
    AddGroup("Internal Oscillator Enable", {{Item(kEnable)}});
    AddGroup("Frequency Derived From", Column(3395, 3398));
}

void COscIntPropPageVardex::OnOscillatorChanged(int id) {
    // Enabling or disabling the oscillator changes no frequency.
    if (IsDivider(id)) RecomputeSysclk(Clock());
}

// --- External Oscillator --------------------------------------------------------------------

COscExtPropPageVardex::COscExtPropPageVardex()
    : ExternalOscillatorPage("COscExtPropPageVardex", 144, kFootBox, Family::Vardex) {
    Ctl(ExtOscId::FrequencyEdit).unsigned_number = true;
    AddGroup("External Oscillator Mode", ModeRows());
    AddGroup("External Oscillator Frequency", {{Item(ExtOscId::FrequencyEdit), Label("Hz")}});
    AddGroup("Frequency Control Bits", ControlRows());
}

void COscExtPropPageVardex::OnInitDialog() {
    ShowModeAndControlBits();
    SetTextQuiet(ExtOscId::FrequencyEdit, FormatHz(Clock().ext_osc_hz));
}

void COscExtPropPageVardex::OnClicked(int id) { HandleOscillatorClick(id); }

void COscExtPropPageVardex::OnModeChanged() { RecomputeSysclk(Clock()); }

void COscExtPropPageVardex::OnTextChanged(int id) {
    if (id != ExtOscId::FrequencyEdit) return;
    // A text that is not a whole number leaves the frequency alone; the page then refuses
    // to be left until it is corrected.
    if (auto hz = ParseUnsignedWhole(Text(id))) Clock().ext_osc_hz = *hz;
}

// --- PLL Setup --------------------------------------------------------------------------------

COscPllPropPage::COscPllPropPage() : PropertyPage("COscPllPropPage", 145, "PLL Setup", kFootBox) {
    AddCheck(1014, "Enable PLL");
    AddDisplay(3403);
    AddRadio(3816, "Internal Oscillator", 1);
    AddRadio(3817, "External Oscillator", 1);
    for (int id : {3818, 3819}) {
        PageControl& e = AddEdit(id);
        e.max_length = 2;
        e.upper_case = true;
        e.centred = true;
    }
    AddStatic(3830, "Divide Reference Frequency  is NOT between 5 and 30 MHz and may not function properly", false);
    AddStatic(3832, "Target Frequency should be between 35 and 100 MHz to function properly", false);
    AddGroup("PLL Enable", {{Item(1014)}});
    AddGroup("PLL Source", {{Item(3816)}, {Item(3817)}});
    AddGroup("PLL Frequency", {{Label("Clock Speed"), Item(3403), Label("Hz")}, {Item(3832)}});
    AddGroup("PLL Divider", {{Label("Pre-Divider Value (Hex)"), Item(3818)}, {Item(3830)}});
    AddGroup("PLL Multiplier", {{Label("Multiplier Value (Hex)"), Item(3819)}});
}

void COscPllPropPage::OnInitDialog() {
    const ClockBlock& c = Clock();
    SetCheck(1014, c.pll0cn & 0x02);
    CheckRadio(3816, (c.pll0cn & 0x04) ? 3817 : 3816);
    // Set directly, as typing would: each runs its edit's handler and with it a recompute.
    SetWindowText(3818, Hex2(c.pll0div));
    SetWindowText(3819, Hex2(Clock().pll0mul));
    Recompute();
}

void COscPllPropPage::OnClicked(int id) {
    if (id == 1014) {
        SetBit(Clock().pll0cn, 0x02, IsChecked(1014));
    } else if (id == 3816 || id == 3817) {
        SetBit(Clock().pll0cn, 0x04, id == 3817);
        Recompute();
    }
}

std::uint32_t COscPllPropPage::TakeHexEdit(int id) {
    std::string text = Text(id);
    // What the check shortened goes back into the edit.
    std::vector<std::string> problems;
    if (!ParseHexFieldCheck(text, 2, problems)) SetTextQuiet(id, text);
    for (const std::string& problem : problems) ShowMessage(problem, PageIcon::Exclamation);
    return ParseHexFieldConvert(text, 2);
}

void COscPllPropPage::OnTextChanged(int id) {
    if (id == 3818) {
        const std::uint32_t v = TakeHexEdit(id);
        if (v >= 0x20) {
            Clock().pll0div = 1;
            SetTextQuiet(3818, "01");
            ShowMessage("Error: PLL0DIV Value Too Large. Defaulting to 0x01", PageIcon::Exclamation);
        } else {
            Clock().pll0div = static_cast<std::uint8_t>(v);
        }
        Recompute();
    } else if (id == 3819) {
        Clock().pll0mul = static_cast<std::uint8_t>(TakeHexEdit(id) & 0xFFu);
        Recompute();
    }
}

void COscPllPropPage::Recompute() {
    ClockBlock& c = Clock();
    RecomputeSysclk(c);
    const std::uint32_t reference = VardexPllReferenceHz(c);

    bool reference_warning = false;
    const std::uint8_t filter = VardexPllFilterCode(reference, &reference_warning);
    c.pll0flt = static_cast<std::uint8_t>((c.pll0flt & ~0x0Fu) | filter);
    Ctl(3830).visible = reference_warning;

    // The reference is divided before it is multiplied, so this can differ from SYSCLK by
    // the truncation.
    const std::uint64_t output = VardexPllOutputHz(c);
    bool range_warning = false;
    const std::uint8_t range = VardexPllRangeCode(output, &range_warning);
    c.pll0flt = static_cast<std::uint8_t>((c.pll0flt & ~0x30u) | range);
    // A product beyond 32 bits is far out of the PLL's range whatever the divider.
    if (std::uint64_t{VardexPllSourceHz(c)} * VardexMultiplier(c.pll0mul) > kMaxHz) range_warning = true;
    Ctl(3832).visible = range_warning;

    SetTextQuiet(3403, FormatPlainDecimal(static_cast<double>(output)));
}

// --- SYSCLK Select ----------------------------------------------------------------------------

COscSysPropPage::COscSysPropPage() : PropertyPage("COscSysPropPage", 142, "SYSCLK Select", kFootBox) {
    AddDisplay(3403);
    AddDisplay(3410);
    AddRadio(3813, "Use Internal Oscillator as SYSCLK", 1);
    AddRadio(3814, "Use External Oscillator as SYSCLK", 1);
    AddRadio(3815, "Use PLL as SYSCLK", 1);
    AddRadio(3833, "SYSCLK / 1", 2);
    AddRadio(3835, "SYSCLK / 2", 2);
    AddRadio(3837, "SYSCLK / 4", 2);
    AddRadio(3839, "SYSCLK / 8", 2);
    auto select = Column(3813, 3815);
    select.push_back({Label("SYSCLK Speed"), Item(3403), Label("Hz")});
    AddGroup("SYSCLK Select", std::move(select));
    auto divide = Column(3833, 3839, 2);
    divide.push_back({Label("Divided SYSCLK Speed"), Item(3410), Label("Hz")});
    AddGroup("SYSCLK Divide Factor", std::move(divide));
}

void COscSysPropPage::OnInitDialog() {
    const unsigned source = Clock().clksel & 0x03u;
    CheckRadio(3813, source < 3 ? std::optional<int>(3813 + static_cast<int>(source)) : std::nullopt);
    CheckRadio(3833, 3833 + 2 * ((Clock().clksel >> 4) & 0x03));
    Recompute();
}

void COscSysPropPage::OnClicked(int id) {
    ClockBlock& c = Clock();
    if (id >= 3813 && id <= 3815) {
        c.clksel = static_cast<std::uint8_t>((c.clksel & ~0x03u) | (id - 3813));
        Recompute();
        if (id == 3813 && !(c.oscicn & 0x80) &&
            AskYesNo("Do you want to enable the Internal Oscillator?\nNote: system may be unstable if not enabled.")) {
            c.oscicn |= 0x80;
        }
        if (id == 3815 && !(c.pll0cn & 0x02) &&
            AskYesNo("Do you want to enable the PLL?\nNote: system may be unstable if not enabled.")) {
            c.pll0cn |= 0x02;
        }
    } else if (id == 3833 || id == 3835 || id == 3837 || id == 3839) {
        c.clksel = static_cast<std::uint8_t>((c.clksel & ~0x30u) | (((id - 3833) / 2) << 4));
        Recompute();
    }
}

void COscSysPropPage::Recompute() {
    ClockBlock& c = Clock();
    // The flash code follows the undivided frequency.
    const std::uint64_t undivided = RecomputeSysclk(c);
    SetTextQuiet(3403, FormatPlainDecimal(static_cast<double>(undivided)));
    const std::uint64_t divided = VardexDividedSysclkHz(undivided, c.clksel);
    c.sysclk_hz = FitHz(divided);
    SetTextQuiet(3410, FormatPlainDecimal(static_cast<double>(divided)));
}

}  // namespace quillon
