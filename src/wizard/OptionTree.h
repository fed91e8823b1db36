// The option tree as a model: the 42 nodes with their texts, parents, item data, images and
// check flags, the selection and the expansion. The dependency rules that run when an
// option's box is clicked live in OptionRules.cpp; the views only render this model.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "config/OptionNodes.h"

namespace quillon {

// Indices into the tree's image list.
enum class TreeImage : int {
    Off = 0,
    On = 1,
    Fixed = 2,
    Category = 3,
    Group = 4,
    Socket = 5,
    Clock = 6,
    Network = 7,
    Unavailable = 8,
};
inline constexpr int kTreeImageCount = 9;

enum class NodeKind { Group, Category, Option, Page };

struct NodeInfo {
    OptionNode node;
    std::string_view text;
    std::optional<OptionNode> parent;  // nothing: top level
    TreeImage insert_image;
    std::uint32_t item_data;  // option bit, or device bit for the three families; 0 for none
    NodeKind kind;
};

const std::array<NodeInfo, kOptionNodeCount>& OptionNodeTable();
const NodeInfo& InfoOf(OptionNode node);
std::optional<OptionNode> NodeByText(std::string_view text);

class OptionTree : public OptionStates {
public:
    OptionTree();

    // Back to the state right after insertion: the images of the table, every check flag
    // clear, nothing expanded, nothing selected.
    void Build();

    bool IsChecked(OptionNode node) const override;
    // Sets the image and the check flag together; the reason (none by default) stays with the
    // node until its state is set again.
    void SetState(OptionNode node, NodeState state) override;
    void SetState(OptionNode node, NodeState state, StateReason reason) override;
    StateReason Reason(OptionNode node) const;

    // The check flag and the image separately, for the few steps that set only one of them.
    void SetChecked(OptionNode node, bool checked);
    void SetImage(OptionNode node, TreeImage image);
    TreeImage Image(OptionNode node) const;

    // "run the rules of X" needs a node's item data; families carry device bits.
    std::uint32_t ItemData(OptionNode node) const { return InfoOf(node).item_data; }

    std::optional<OptionNode> Selected() const { return selected_; }
    void Select(std::optional<OptionNode> node) {
        selected_ = node;
        ++revision_;
    }

    bool IsExpanded(OptionNode node) const;
    void SetExpanded(OptionNode node, bool expanded);

    // Increments on every change of an image, a check flag, the selection or an expansion,
    // so that views can tell cheaply whether to repaint.
    std::uint64_t Revision() const { return revision_; }

private:
    struct NodeStateData {
        TreeImage image = TreeImage::Off;
        bool checked = false;
        bool expanded = false;
        StateReason reason = StateReason::None;
    };
    static std::size_t Index(OptionNode node) { return static_cast<std::size_t>(node) - 1; }

    std::array<NodeStateData, kOptionNodeCount> nodes_{};
    std::optional<OptionNode> selected_;
    std::uint64_t revision_ = 0;
};

}  // namespace quillon
