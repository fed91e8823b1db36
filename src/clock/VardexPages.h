// The four pages of the Vardex "Oscillators" sheet: internal oscillator, external oscillator,
// PLL and SYSCLK selection. They derive sysclk_hz, the flash read-time code in flscl and the
// PLL loop-filter and range codes in pll0flt.
#pragma once

#include "clock/ExternalOscillatorPage.h"
#include "clock/InternalOscillatorPage.h"
#include "clock/PropertyPage.h"

namespace quillon {

class COscIntPropPageVardex : public InternalOscillatorPage {
public:
    COscIntPropPageVardex();

protected:
    void OnOscillatorChanged(int id) override;
};

class COscExtPropPageVardex : public ExternalOscillatorPage {
public:
    COscExtPropPageVardex();

protected:
    void OnInitDialog() override;
    void OnClicked(int id) override;
    void OnTextChanged(int id) override;
    void OnModeChanged() override;
};

class COscPllPropPage : public PropertyPage {
public:
    COscPllPropPage();

protected:
    void OnInitDialog() override;
    void OnClicked(int id) override;
    void OnTextChanged(int id) override;

private:
    // The text of hexadecimal edit `id`, checked and shortened as needed, as a value.
    std::uint32_t TakeHexEdit(int id);
    void Recompute();
};

class COscSysPropPage : public PropertyPage {
public:
    COscSysPropPage();

protected:
    void OnInitDialog() override;
    void OnClicked(int id) override;

private:
    void Recompute();
};

}  // namespace quillon
