#include "wizard/NodeFilter.h"

#include <algorithm>
#include <string>

#include "wizard/OptionTree.h"
#include "wizard/PanelFacts.h"

namespace quillon {

namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::vector<std::string> Words(std::string_view query) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < query.size()) {
        while (i < query.size() && (query[i] == ' ' || query[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < query.size() && query[i] != ' ' && query[i] != '\t') ++i;
        if (i > start) words.push_back(Lower(query.substr(start, i - start)));
    }
    return words;
}

// What a node is found by: its text and its page's captions, in lower case.
const std::array<std::string, kOptionNodeCount>& Haystacks() {
    static const std::array<std::string, kOptionNodeCount> kHaystacks = [] {
        std::array<std::string, kOptionNodeCount> out;
        for (const NodeInfo& info : OptionNodeTable()) {
            std::string text(info.text);
            for (const std::string& caption : PanelFactsOf(info.node).captions) text += "\n" + caption;
            out[static_cast<std::size_t>(info.node) - 1] = Lower(text);
        }
        return out;
    }();
    return kHaystacks;
}

bool HoldsAll(const std::string& haystack, const std::vector<std::string>& words) {
    return std::all_of(words.begin(), words.end(), [&](const std::string& w) { return haystack.find(w) != std::string::npos; });
}

}  // namespace

NodeFilterResult FilterNodes(std::string_view query) {
    NodeFilterResult result;
    const std::vector<std::string> words = Words(query);
    if (words.empty()) {
        result.shown.fill(true);
        return result;
    }
    bool best_by_own_text = false;
    for (const NodeInfo& info : OptionNodeTable()) {
        const std::string& haystack = Haystacks()[static_cast<std::size_t>(info.node) - 1];
        if (!HoldsAll(haystack, words)) continue;
        result.matches.push_back(info.node);
        if (!best_by_own_text && HoldsAll(Lower(info.text), words)) {
            result.best = info.node;
            best_by_own_text = true;
        } else if (!result.best) {
            result.best = info.node;
        }
        for (std::optional<OptionNode> n = info.node; n; n = InfoOf(*n).parent) {
            result.shown[static_cast<std::size_t>(*n) - 1] = true;
        }
    }
    return result;
}

std::string NoMatchText(std::string_view query) {
    std::string trimmed(query);
    trimmed.erase(0, trimmed.find_first_not_of(" \t"));
    trimmed.erase(trimmed.find_last_not_of(" \t") + 1);
    return "No setting matches \"" + trimmed + "\".";
}

}  // namespace quillon
