// The two pages of the Pelmar "Oscillators" sheet. Each carries a check box 1230 that makes
// its own oscillator the SYSCLK source (oscicn bit 3); together they act as one choice.
#pragma once

#include "clock/ExternalOscillatorPage.h"
#include "clock/InternalOscillatorPage.h"
#include "clock/PropertyPage.h"

namespace quillon {

class COscIntPropPagePelmar : public InternalOscillatorPage {
public:
    COscIntPropPagePelmar();

protected:
    void OnInitDialog() override;
    void OnClicked(int id) override;
    void OnOscillatorChanged(int id) override;

private:
    void TakeInternalAsSysclk();
};

class COscExtPropPagePelmar : public ExternalOscillatorPage {
public:
    COscExtPropPagePelmar();
    void OnOK() override;

protected:
    void OnInitDialog() override;
    void OnClicked(int id) override;
    void OnTextChanged(int id) override;
    void OnModeChanged() override;

private:
    void TakeTypedAsSysclk();
};

}  // namespace quillon
