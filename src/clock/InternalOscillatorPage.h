// What the three families' "Internal Oscillator" pages share: the four divider buttons 3395
// to 3398 on oscicn bits 1-0 and the enable check box 3399 on the family's enable bit.
#pragma once

#include <array>
#include <cstdint>

#include "clock/PropertyPage.h"

namespace quillon {

class InternalOscillatorPage : public PropertyPage {
protected:
    InternalOscillatorPage(std::string class_name, int dialog_id, int foot_box_id,
                           const std::array<const char*, 4>& divider_texts, std::uint8_t enable_bit);

    // The enable box and the divider button from oscicn.
    void OnInitDialog() override;
    // 3399 sets or clears the enable bit, 3395 to 3398 set the divider; then
    // OnOscillatorChanged with the control clicked.
    void OnClicked(int id) override;
    virtual void OnOscillatorChanged(int id) = 0;

    static constexpr int kEnable = 3399;
    static bool IsDivider(int id) { return id >= 3395 && id <= 3398; }

private:
    std::uint8_t enable_bit_;
};

}  // namespace quillon
