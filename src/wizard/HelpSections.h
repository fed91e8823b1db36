// The sections of the help page: each node of the option tree has its own, so that F1 opens
// the help where the selected node is described.
#pragma once

#include <optional>
#include <string>

#include "config/OptionNodes.h"

namespace quillon {

// The anchor of the node's section in help/index.html: "node-" and the node's text in lower
// case, every run of other characters than letters and digits a single "-" ("Link/Physical
// Layer" is "node-link-physical-layer"). Without a node, the window's section.
std::string HelpSectionOf(std::optional<OptionNode> node);

}  // namespace quillon
