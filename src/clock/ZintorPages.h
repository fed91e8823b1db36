// The five pages of the Zintor "Oscillators" sheet: internal oscillator, external oscillator,
// clock multiplier, SYSCLK selection and USB clock source. Each keeps sysclk_hz up to date
// with a rule of its own; the sheet hands back the result of the last one that ran.
#pragma once

#include "clock/ExternalOscillatorPage.h"
#include "clock/InternalOscillatorPage.h"
#include "clock/PropertyPage.h"

namespace quillon {

class COscIntPropPageZintor : public InternalOscillatorPage {
public:
    COscIntPropPageZintor();

protected:
    void OnOscillatorChanged(int id) override;
};

class OscExtPropPageZintor : public ExternalOscillatorPage {
public:
    OscExtPropPageZintor();
    void OnOK() override;

protected:
    void OnInitDialog() override;
    void OnClicked(int id) override;
    void OnTextChanged(int id) override;
    void OnModeChanged() override;
};

class COscMulPropPageZintor : public PropertyPage {
public:
    COscMulPropPageZintor();

protected:
    void OnInitDialog() override;
    void OnClicked(int id) override;

private:
    void ShowMultiplier();
};

class COscSysPropPageZintor : public PropertyPage {
public:
    COscSysPropPageZintor();

protected:
    void OnInitDialog() override;
    void OnClicked(int id) override;

private:
    void Recompute();
};

class COscUsbPropPageZintor : public PropertyPage {
public:
    COscUsbPropPageZintor();

protected:
    void OnInitDialog() override;
    void OnClicked(int id) override;

private:
    void ShowUsbClock();
};

}  // namespace quillon
