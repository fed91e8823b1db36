// Finding a setting by name: the nodes of the option tree whose text, or whose page's captions,
// hold what the user typed into the filter above the tree, shown with their parents.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/OptionNodes.h"

namespace quillon {

struct NodeFilterResult {
    // The nodes that match, in tree order.
    std::vector<OptionNode> matches;
    // What Enter selects: the first node whose own text holds every word, before the nodes
    // found only through their page's captions ("sysclk" is the SYSCLK node, not a page that
    // mentions SYSCLK). Empty when nothing matches.
    std::optional<OptionNode> best;
    // Per node (index = node - 1): shown, because it matches or holds a match below it.
    std::array<bool, kOptionNodeCount> shown{};

    bool Shown(OptionNode node) const { return shown[static_cast<std::size_t>(node) - 1]; }
};

// Every blank-separated word of `query` must occur, in any case, in the node's text or in one
// of its page's captions ("window" finds TCP by "TCP Window Size:"). An empty query shows
// every node and matches none.
NodeFilterResult FilterNodes(std::string_view query);

// What the tree says in place of its rows when a query finds nothing.
std::string NoMatchText(std::string_view query);

}  // namespace quillon
