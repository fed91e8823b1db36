#include "clock/InternalOscillatorPage.h"

namespace quillon {

InternalOscillatorPage::InternalOscillatorPage(std::string class_name, int dialog_id, int foot_box_id,
                                               const std::array<const char*, 4>& divider_texts,
                                               std::uint8_t enable_bit)
    : PropertyPage(std::move(class_name), dialog_id, "Internal Oscillator", foot_box_id), enable_bit_(enable_bit) {
    for (int i = 0; i < 4; ++i) AddRadio(3395 + i, divider_texts[static_cast<std::size_t>(i)], 1);
    AddCheck(kEnable, "Enable Internal Oscillator");
}

void InternalOscillatorPage::OnInitDialog() {
    SetCheck(kEnable, Clock().oscicn & enable_bit_);
    CheckRadio(3395, 3395 + (Clock().oscicn & 0x03));
}

void InternalOscillatorPage::OnClicked(int id) {
    std::uint8_t& oscicn = Clock().oscicn;
    if (id == kEnable) {
        oscicn = static_cast<std::uint8_t>(IsChecked(kEnable) ? (oscicn | enable_bit_) : (oscicn & ~enable_bit_));
    } else if (IsDivider(id)) {
        oscicn = static_cast<std::uint8_t>((oscicn & ~0x03u) | static_cast<unsigned>(id - 3395));
    } else {
        return;
    }
    OnOscillatorChanged(id);
}

}  // namespace quillon
