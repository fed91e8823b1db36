// Why an option is as it is, and what choosing it would cost: the answers of `explain`, of the
// tree's tooltips and of the status bar. Each reason is the one the rule that made the state
// (or that keeps the option when it is clicked) gave; the cost comes from running the real
// click on a copy of the window's state.
#pragma once

#include <optional>
#include <string>

#include "config/ConfigRecord.h"
#include "config/OptionNodes.h"

namespace quillon {

// What choosing an option would do to the code size.
struct ChoiceCost {
    int library = 0;           // the library the choice would select, 1 to 72
    std::string library_name;  // "039"
    int added_kb = 0;          // KB more than now (less when negative), extras included
};

struct NodeExplanation {
    OptionNode node = OptionNode::HardwareSettings;
    // "On", "Off", "Fixed" or "Unavailable" as the tree shows it; "Group", "Category" or
    // "Page" for the nodes that are no options.
    std::string state;
    // What holds the option in its state, or keeps it there when it is clicked, and what would
    // lift it; empty when nothing does.
    std::string reason;
    // For an option not chosen whose click would choose it.
    std::optional<ChoiceCost> cost;
};

// The words for a reason about `node`, in the record's present state (the clock it names).
std::string ReasonText(StateReason reason, OptionNode node, const ConfigRecord& record);

// "+5 KB (library 039)", "-2 KB (library 015)".
std::string CostText(const ChoiceCost& cost);

// The reason, and the cost on a line of its own: what a tooltip of the node shows. Empty when
// there is neither.
std::string TooltipText(const NodeExplanation& explanation);

}  // namespace quillon
