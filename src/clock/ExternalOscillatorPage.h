// What the three families' "External Oscillator" pages share: the mode buttons, the eight
// frequency-control buttons 3419 to 3426 relabelled by the mode's label set, and the
// frequency edit 3409.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "clock/PropertyPage.h"

namespace quillon {

enum class LabelSet { None, CrystalA, CrystalB, Rc, Capacitor };

// The eight texts of a label set, for buttons 3419 to 3426 (all empty for None).
const std::array<const char*, 8>& LabelTexts(LabelSet set);

struct OscillatorMode {
    int button;
    const char* text;
    std::uint8_t bits;  // the value of oscxcn bits 6-4
    LabelSet labels;
};

namespace ExtOscId {
inline constexpr int FrequencyEdit = 3409;
inline constexpr int FirstControl = 3419;
inline constexpr int LastControl = 3426;
}  // namespace ExtOscId

class ExternalOscillatorPage : public PropertyPage {
protected:
    ExternalOscillatorPage(std::string class_name, int dialog_id, int foot_box_id, std::vector<OscillatorMode> modes);

    // Group rows for the template: the mode buttons, and the frequency-control buttons.
    std::vector<std::vector<GroupItem>> ModeRows() const;
    static std::vector<std::vector<GroupItem>> ControlRows() { return Column(ExtOscId::FirstControl, ExtOscId::LastControl); }

    // The mode button of bits 6-4 with its labels (or none of them, the labels untouched,
    // when the mode has no button), then the frequency-control button of bits 2-0.
    void ShowModeAndControlBits();

    // A click on a mode or frequency-control button: the shared mechanics, and after a mode
    // click OnModeChanged. False for any other control.
    bool HandleOscillatorClick(int id);
    // On confirmation: while this oscillator drives SYSCLK, a frequency text below 1 is
    // reported; the sheet closes all the same.
    void ReportMissingFrequency(bool drives_sysclk);

    // The page's recompute after a mode click.
    virtual void OnModeChanged() = 0;

private:
    void Relabel(LabelSet set);
    const OscillatorMode* ModeOfButton(int id) const;

    std::vector<OscillatorMode> modes_;
};

}  // namespace quillon
