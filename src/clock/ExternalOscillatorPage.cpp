#include "clock/ExternalOscillatorPage.h"

#include "clock/ClockMath.h"

namespace quillon {

namespace {

constexpr int kModeGroup = 1;
constexpr int kControlGroup = 2;

constexpr std::array<const char*, 8> kNone{"", "", "", "", "", "", "", ""};
constexpr std::array<const char*, 8> kCrystalA{
    "f <= 32kHz",           "32kHz   < f <= 84kHz", "84kHz   < f <= 225kHz", "225kHz < f <= 590kHz",
    "590Hz   < f <= 1.5MHz", "1.5MHz < f <= 4MHz",  "4MHz    < f <= 10MHz",  "10MHz  < f <= 30MHz"};
constexpr std::array<const char*, 8> kCrystalB{
    "f <= 12kHz",           "12kHz   < f <= 30kHz",  "30kHz   < f <= 95kHz",  "95kHz   < f <= 270kHz",
    "270Hz   < f <= 720Hz", "720Hz   < f <= 2.2MHz", "2.2MHz  < f <= 6.7MHz", "6.7MHz  < f"};
constexpr std::array<const char*, 8> kRc{
    "f <= 25kHz",           "25kHz   < f <= 50kHz",  "50kHz   < f <= 100kHz", "100kHz < f <= 200kHz",
    "200kHz < f <= 400kHz", "400kHz < f <= 800kHz", "800kHz < f <= 1.6MHz",  "1.6MHz < f <= 3.2MHz"};
constexpr std::array<const char*, 8> kCapacitor{
    "K Factor = 0.87", "K Factor = 2.6", "K Factor = 7.7", "K Factor = 22",
    "K Factor = 65",   "K Factor = 180", "K Factor = 664", "K Factor = 1590"};

}  // namespace

const std::array<const char*, 8>& LabelTexts(LabelSet set) {
    switch (set) {
    case LabelSet::CrystalA: return kCrystalA;
    case LabelSet::CrystalB: return kCrystalB;
    case LabelSet::Rc: return kRc;
    case LabelSet::Capacitor: return kCapacitor;
    case LabelSet::None: break;
    }
    return kNone;
}

ExternalOscillatorPage::ExternalOscillatorPage(std::string class_name, int dialog_id, int foot_box_id,
                                               std::vector<OscillatorMode> modes)
    : PropertyPage(std::move(class_name), dialog_id, "External Oscillator", foot_box_id), modes_(std::move(modes)) {
    for (const auto& m : modes_) AddRadio(m.button, m.text, kModeGroup);
    // The template leaves the frequency-control texts empty until a mode labels them.
    for (int id = ExtOscId::FirstControl; id <= ExtOscId::LastControl; ++id) AddRadio(id, "", kControlGroup);
    PageControl& edit = AddEdit(ExtOscId::FrequencyEdit);
    edit.digits_only = true;
}

std::vector<std::vector<GroupItem>> ExternalOscillatorPage::ModeRows() const {
    std::vector<std::vector<GroupItem>> rows;
    for (const auto& m : modes_) rows.push_back({Item(m.button)});
    return rows;
}

const OscillatorMode* ExternalOscillatorPage::ModeOfButton(int id) const {
    for (const auto& m : modes_) {
        if (m.button == id) return &m;
    }
    return nullptr;
}

void ExternalOscillatorPage::Relabel(LabelSet set) {
    const auto& texts = LabelTexts(set);
    if (set == LabelSet::None) {
        // No frequency control in these modes: the buttons are greyed, the code is 0 and the
        // fourth button says so.
        CheckRadio(ExtOscId::FirstControl, ExtOscId::FirstControl);
        Clock().oscxcn &= static_cast<std::uint8_t>(~0x07u);
        for (int i = 0; i < 8; ++i) {
            PageControl& c = Ctl(ExtOscId::FirstControl + i);
            c.enabled = false;
            c.text = ExtOscId::FirstControl + i == 3422 ? "      Not Used" : "";
        }
        return;
    }
    for (int i = 0; i < 8; ++i) {
        PageControl& c = Ctl(ExtOscId::FirstControl + i);
        c.enabled = true;
        c.text = texts[static_cast<std::size_t>(i)];
    }
}

void ExternalOscillatorPage::ShowModeAndControlBits() {
    const std::uint8_t bits = (Clock().oscxcn >> 4) & 0x07u;
    const OscillatorMode* shown = nullptr;
    for (const auto& m : modes_) {
        if (m.bits == bits) shown = &m;
    }
    if (shown) {
        CheckRadio(shown->button, shown->button);
        Relabel(shown->labels);
    } else {
        CheckRadio(modes_.front().button, std::nullopt);
    }
    CheckRadio(ExtOscId::FirstControl, ExtOscId::FirstControl + (Clock().oscxcn & 0x07));
}

bool ExternalOscillatorPage::HandleOscillatorClick(int id) {
    if (const OscillatorMode* m = ModeOfButton(id)) {
        // Bit 7 and bits 3-0 keep their values.
        Clock().oscxcn = static_cast<std::uint8_t>((Clock().oscxcn & 0x8Fu) | (m->bits << 4));
        Relabel(m->labels);
        OnModeChanged();
        return true;
    }
    if (id >= ExtOscId::FirstControl && id <= ExtOscId::LastControl) {
        Clock().oscxcn = static_cast<std::uint8_t>((Clock().oscxcn & 0xF8u) | (id - ExtOscId::FirstControl));
        return true;
    }
    return false;
}

void ExternalOscillatorPage::ReportMissingFrequency(bool drives_sysclk) {
    if (drives_sysclk && ReadFrequencyText(Text(ExtOscId::FrequencyEdit)) < 1) {
        ShowMessage(
            "Error: Invalid Frequency for SYSCLK.\n\nData was saved anyway, please open the\nOscillators dialog "
            "again from the Peripherals\nmenu to enter a valid frequency.",
            PageIcon::Question);
    }
}

}  // namespace quillon
