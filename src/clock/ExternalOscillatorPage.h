// What the three families' "External Oscillator" pages share: the mode buttons, the eight
// frequency-control buttons 3419 to 3426 relabelled by the mode's label set, and the
// frequency edit 3409.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "clock/PropertyPage.h"
#include "config/ClockDefaults.h"

namespace quillon {

enum class LabelSet { None, CrystalA, CrystalB, Rc, Capacitor };

// The eight texts of a label set, for buttons 3419 to 3426 (all empty for None).
const std::array<const char*, 8>& LabelTexts(LabelSet set);

// The frequencies a label set's eight ranges stand for (the texts are for the user only):
// above `above` (code 0: from 0) up to and including `up_to` (0: no upper bound), in Hz.
struct FrequencyRange {
    std::int64_t above = -1;
    std::uint32_t up_to = 0;
    bool Holds(std::uint32_t hz) const { return hz > above && (up_to == 0 || hz <= up_to); }
};
// The ranges of the crystal and RC sets; nothing for the sets that name none (none, capacitor).
const std::array<FrequencyRange, 8>* LabelRanges(LabelSet set);
// The code (0 to 7) whose range of `set` holds `hz`, or -1 when none does.
int CodeForFrequency(LabelSet set, std::uint32_t hz);

struct OscillatorMode {
    int button;
    const char* text;
    std::uint8_t bits;  // the value of oscxcn bits 6-4
    LabelSet labels;
};

// The mode table of a family's "External Oscillator" page, in button order; empty without a
// family.
const std::vector<OscillatorMode>& ExternalModes(Family family);
// The mode of oscxcn bits 6-4 in the family's table, or nothing when that mode has no button.
const OscillatorMode* ModeOf(Family family, std::uint8_t oscxcn);

namespace ExtOscId {
inline constexpr int FrequencyEdit = 3409;
inline constexpr int FirstControl = 3419;
inline constexpr int LastControl = 3426;
}  // namespace ExtOscId

class ExternalOscillatorPage : public PropertyPage {
protected:
    ExternalOscillatorPage(std::string class_name, int dialog_id, int foot_box_id, Family family);

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
