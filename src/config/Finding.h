// What a check found wrong with the configuration, as a fact: the window shows the first one
// and puts its field in front of the user, `check` prints them all.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "config/OptionNodes.h"

namespace quillon {

struct Finding {
    // The rule's message, exactly as the message box shows it.
    std::string message;
    // The tree node whose page holds the value, or the category where a choice is missing.
    OptionNode node = OptionNode::HardwareSettings;
    // The record field the rule tests ("num_sockets"); empty for a missing choice.
    std::string field;
    // The panel's edit for that field and its caption without the colon. The configuration
    // knows nothing of the panel: the window fills these in. 0 and empty without an edit.
    int control = 0;
    std::string caption;
    // The field's value and the limit it broke; nothing for a missing choice.
    std::optional<std::int64_t> value;
    std::optional<std::int64_t> limit;
    // A warning points at a value that is likely wrong but does not keep a project from being
    // generated (an address that cannot work on its network); a problem refuses it.
    bool warning = false;

    bool operator==(const Finding&) const = default;
};

}  // namespace quillon
