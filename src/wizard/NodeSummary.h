// What a node of the option tree holds, for the nodes whose own page shows nothing (the groups,
// the categories, the families, the adapters, UDP): the node and every node below it, in tree
// order, each with its state and the values of its page.
#pragma once

#include <string>
#include <vector>

#include "config/ConfigRecord.h"
#include "config/OptionNodes.h"
#include "wizard/OptionTree.h"
#include "wizard/PanelFacts.h"

namespace quillon {

struct SummaryEntry {
    OptionNode node = OptionNode::HardwareSettings;
    int depth = 0;  // 0: the node summarised, 1: its children, ...
    // An option's state as the tree shows it ("On", "Off", "Fixed", "Unavailable"); empty for
    // the nodes that are no options.
    std::string state;
    // The values of the node's page: for the pages, and for the options the project gets (an
    // option off or unavailable has no say in what is generated).
    std::vector<PanelValueText> values;
};

std::vector<SummaryEntry> SummaryOf(OptionNode node, const OptionTree& tree, const ConfigRecord& record);

}  // namespace quillon
