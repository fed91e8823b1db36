#include "wizard/NodeSummary.h"

namespace quillon {

namespace {

const char* OptionStateText(TreeImage image) {
    switch (image) {
    case TreeImage::On: return "On";
    case TreeImage::Fixed: return "Fixed";
    case TreeImage::Unavailable: return "Unavailable";
    default: return "Off";
    }
}

void Add(OptionNode node, int depth, const OptionTree& tree, const ConfigRecord& record, std::vector<SummaryEntry>& out) {
    const NodeInfo& info = InfoOf(node);
    SummaryEntry entry;
    entry.node = node;
    entry.depth = depth;
    bool counts = info.kind == NodeKind::Page;
    if (info.kind == NodeKind::Option) {
        const TreeImage image = tree.Image(node);
        entry.state = OptionStateText(image);
        // Fixed covers IP and PING too, which every library holds though their bits are clear.
        counts = image == TreeImage::On || image == TreeImage::Fixed;
    }
    if (counts) entry.values = PanelValuesOf(node, record);
    out.push_back(std::move(entry));
    for (const NodeInfo& child : OptionNodeTable()) {
        if (child.parent == node) Add(child.node, depth + 1, tree, record, out);
    }
}

}  // namespace

std::vector<SummaryEntry> SummaryOf(OptionNode node, const OptionTree& tree, const ConfigRecord& record) {
    std::vector<SummaryEntry> out;
    Add(node, 0, tree, record, out);
    return out;
}

}  // namespace quillon
