// The tooltips of the option tree's nodes and of the settings panel's controls: what a node is
// and its state, and for each field what it takes (the range its width allows, the unit spelled
// out, what happens to a number that does not fit). Plain text, one fact a line.
#pragma once

#include <string>

#include "config/OptionNodes.h"

namespace quillon {

class WizardDialog;

std::string NodeToolTip(const WizardDialog& window, OptionNode node);

// The control `control_id` of the settings panel as it stands for the selected node; empty for
// labels and for controls the page does not show.
std::string ControlToolTip(const WizardDialog& window, int control_id);

}  // namespace quillon
