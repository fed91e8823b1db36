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

constexpr std::array<FrequencyRange, 8> kCrystalARanges{{{-1, 32000},
                                                         {32000, 84000},
                                                         {84000, 225000},
                                                         {225000, 590000},
                                                         {590000, 1500000},
                                                         {1500000, 4000000},
                                                         {4000000, 10000000},
                                                         {10000000, 30000000}}};
constexpr std::array<FrequencyRange, 8> kCrystalBRanges{{{-1, 12000},
                                                         {12000, 30000},
                                                         {30000, 95000},
                                                         {95000, 270000},
                                                         {270000, 720000},
                                                         {720000, 2200000},
                                                         {2200000, 6700000},
                                                         {6700000, 0}}};
constexpr std::array<FrequencyRange, 8> kRcRanges{{{-1, 25000},
                                                   {25000, 50000},
                                                   {50000, 100000},
                                                   {100000, 200000},
                                                   {200000, 400000},
                                                   {400000, 800000},
                                                   {800000, 1600000},
                                                   {1600000, 3200000}}};

}  // namespace

const std::array<FrequencyRange, 8>* LabelRanges(LabelSet set) {
    switch (set) {
    case LabelSet::CrystalA: return &kCrystalARanges;
    case LabelSet::CrystalB: return &kCrystalBRanges;
    case LabelSet::Rc: return &kRcRanges;
    case LabelSet::Capacitor:
    case LabelSet::None: break;
    }
    return nullptr;
}

int CodeForFrequency(LabelSet set, std::uint32_t hz) {
    if (const auto* ranges = LabelRanges(set)) {
        for (std::size_t code = 0; code < ranges->size(); ++code) {
            if ((*ranges)[code].Holds(hz)) return static_cast<int>(code);
        }
    }
    return -1;
}

const std::vector<OscillatorMode>& ExternalModes(Family family) {
    static const std::vector<OscillatorMode> kVardex{{3412, "External Oscillator Off", 0, LabelSet::None},
                                                     {3413, "External CMOS", 2, LabelSet::None},
                                                     {3414, "External CMOS / 2 ", 3, LabelSet::None},
                                                     {3415, "RC Oscillator / 2", 4, LabelSet::Rc},
                                                     {3416, "Capacitor Oscillator / 2", 5, LabelSet::Capacitor},
                                                     {3417, "Crystal Oscillator", 6, LabelSet::CrystalA},
                                                     {3418, "Crystal Oscillator / 2", 7, LabelSet::CrystalA}};
    static const std::vector<OscillatorMode> kPelmar{{1242, "External Oscillator Off", 0, LabelSet::None},
                                                     {1243, "External CMOS", 2, LabelSet::None},
                                                     {1244, "External CMOS / 2 ", 3, LabelSet::None},
                                                     {1245, "RC/C Oscillator / 2", 4, LabelSet::Rc},
                                                     {3417, "Crystal Oscillator", 6, LabelSet::CrystalB},
                                                     {3418, "Crystal Oscillator / 2", 7, LabelSet::CrystalB}};
    static const std::vector<OscillatorMode> kZintor{{3412, "External Oscillator Off", 0, LabelSet::None},
                                                     {3413, "External CMOS", 2, LabelSet::None},
                                                     {3414, "External CMOS / 2 ", 3, LabelSet::None},
                                                     {3415, "RC Oscillator", 4, LabelSet::Rc},
                                                     {3416, "Capacitor Oscillator", 5, LabelSet::Capacitor},
                                                     {3417, "Crystal Oscillator", 6, LabelSet::CrystalA},
                                                     {3418, "Crystal Oscillator / 2", 7, LabelSet::CrystalA}};
    static const std::vector<OscillatorMode> kNone;
    switch (family) {
    case Family::Vardex: return kVardex;
    case Family::Pelmar: return kPelmar;
    case Family::Zintor: return kZintor;
    case Family::None: break;
    }
    return kNone;
}

const OscillatorMode* ModeOf(Family family, std::uint8_t oscxcn) {
    const unsigned bits = (oscxcn >> 4) & 0x07u;
    for (const OscillatorMode& mode : ExternalModes(family)) {
        if (mode.bits == bits) return &mode;
    }
    return nullptr;
}

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

ExternalOscillatorPage::ExternalOscillatorPage(std::string class_name, int dialog_id, int foot_box_id, Family family)
    : PropertyPage(std::move(class_name), dialog_id, "External Oscillator", foot_box_id), modes_(ExternalModes(family)) {
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
