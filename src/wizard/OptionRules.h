// The option click: the dependency rules of the clicked option, then its toggle. It works on
// whatever record and tree it is given: the window's own, or copies of them to find out what a
// click would do before it is made.
#pragma once

#include <optional>

#include "config/ConfigRecord.h"
#include "wizard/OptionTree.h"

namespace quillon {

// False for the nodes a click changes nothing of: groups, categories, pages, and IP, PING and
// ARP, which the rules alone set.
bool HasRules(OptionNode node);

// Runs the rules of `node` on the record, the tree and the chosen adapter, then toggles the
// node unless a rule consumed the click. Returns the reason a rule of the node gave for keeping
// it as it was (a chosen family, something that blocks it), if one did.
std::optional<StateReason> ApplyOptionClick(ConfigRecord& record, OptionTree& tree, AdapterItem& adapter,
                                            OptionNode node);

}  // namespace quillon
