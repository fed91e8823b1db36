// The option tree as the user sees it. It renders OptionTree (texts, images, selection,
// expansion) and forwards the user's presses: a press on an item's image is the option click,
// a press elsewhere on the item only selects it, Space acts as a press on the selected item's
// image, and keyboard moves change the selection. A double click neither expands nor
// collapses; the branch arrows still do.
#pragma once

#include <QTreeWidget>

#include <array>
#include <cstdint>
#include <optional>

#include "wizard/NodeFilter.h"
#include "wizard/WizardDialog.h"

namespace quillon::qt {

class OptionTreeView : public QTreeWidget {
    Q_OBJECT
public:
    OptionTreeView(WizardDialog& wizard, QWidget* parent = nullptr);

    // Brings the items up to date with the model; cheap when the tree has not changed.
    void SyncFromModel();

    QTreeWidgetItem* Item(OptionNode node) const { return items_[static_cast<std::size_t>(node) - 1]; }
    // Where the node's image is drawn, in viewport coordinates (empty when the item is not shown).
    QRect ImageRect(OptionNode node) const;

    // Shows only the nodes the filter shows, unfolded, the parents that are not matches
    // themselves in grey. Without `filtering` the whole tree is back as the model has it.
    void ApplyFilter(const NodeFilterResult& result, bool filtering);
    bool Filtering() const { return filtering_; }

    // The height that shows every row now unfolded without scrolling.
    int ContentHeight() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void Press(QMouseEvent* event);
    OptionNode NodeOf(const QTreeWidgetItem* item) const;

    WizardDialog& wizard_;
    std::array<QTreeWidgetItem*, kOptionNodeCount> items_{};
    std::uint64_t synced_revision_ = 0;
    std::optional<OptionNode> synced_selection_;
    std::vector<OptionNode> synced_problems_;
    bool synced_once_ = false;
    bool syncing_ = false;
    bool filtering_ = false;
    // The last press went to the base class (a branch arrow), so its release does too.
    bool press_forwarded_ = false;
};

}  // namespace quillon::qt
