#include "qt/OptionTreeView.h"

#include <algorithm>

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QToolTip>
#include <QTreeWidgetItemIterator>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyledItemDelegate>

#include "qt/Artwork.h"
#include "qt/GuardedCall.h"
#include "wizard/ToolTips.h"

namespace quillon::qt {

namespace {

// Knows where the style puts an item's image, which is what a press is tested against.
class OptionItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QRect DecorationRect(QStyleOptionViewItem option, const QModelIndex& index) const {
        initStyleOption(&option, index);
        const QWidget* widget = option.widget;
        const QStyle* style = widget ? widget->style() : QApplication::style();
        return style->subElementRect(QStyle::SE_ItemViewItemDecoration, &option, widget);
    }
};

}  // namespace

OptionTreeView::OptionTreeView(WizardDialog& wizard, QWidget* parent) : QTreeWidget(parent), wizard_(wizard) {
    setObjectName(QStringLiteral("optionTree"));
    setColumnCount(1);
    setHeaderHidden(true);
    header()->setStretchLastSection(true);
    setIconSize(QSize(kTreeImageSize, kTreeImageSize));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setExpandsOnDoubleClick(false);
    setDragEnabled(false);
    setUniformRowHeights(true);
    setItemDelegate(new OptionItemDelegate(this));

    for (const NodeInfo& info : OptionNodeTable()) {
        QTreeWidgetItem* item = info.parent ? new QTreeWidgetItem(Item(*info.parent))
                                            : new QTreeWidgetItem(this);
        item->setText(0, QString::fromUtf8(info.text.data(), static_cast<qsizetype>(info.text.size())));
        item->setData(0, Qt::UserRole, static_cast<int>(info.node));
        items_[static_cast<std::size_t>(info.node) - 1] = item;
    }

    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current, QTreeWidgetItem*) {
        if (syncing_ || !current) return;
        const OptionNode node = NodeOf(current);
        if (wizard_.Tree().Selected() == node) return;
        Guarded(wizard_.Ui(), [&] { wizard_.OnSelectionChange(node); });
    });
    // Expansion is view state that the model keeps too, so that a later sync does not undo it.
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (!syncing_) wizard_.Tree().SetExpanded(NodeOf(item), true);
    });
    connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
        if (!syncing_) wizard_.Tree().SetExpanded(NodeOf(item), false);
    });
    SyncFromModel();
}

OptionNode OptionTreeView::NodeOf(const QTreeWidgetItem* item) const {
    return static_cast<OptionNode>(item->data(0, Qt::UserRole).toInt());
}

void OptionTreeView::SyncFromModel() {
    const OptionTree& tree = wizard_.Tree();
    // The selection is compared on its own: the model's revision need not count selection moves.
    const std::vector<OptionNode> problems = wizard_.NodesWithProblems();
    if (synced_once_ && tree.Revision() == synced_revision_ && tree.Selected() == synced_selection_ &&
        problems == synced_problems_) {
        return;
    }
    syncing_ = true;
    const QSignalBlocker block(this);
    for (const NodeInfo& info : OptionNodeTable()) {
        QTreeWidgetItem* item = Item(info.node);
        // A node holding a problem shows the warning sign in place of its image, so that the
        // problem is seen before Generate Project refuses it.
        const bool problem = std::find(problems.begin(), problems.end(), info.node) != problems.end();
        item->setIcon(0, problem ? style()->standardIcon(QStyle::SP_MessageBoxWarning) : TreeImageIcon(tree.Image(info.node)));
        // While filtering, everything shown is unfolded; the model keeps the user's folding.
        if (!filtering_ && item->childCount() > 0 && item->isExpanded() != tree.IsExpanded(info.node)) {
            item->setExpanded(tree.IsExpanded(info.node));
        }
    }
    if (const auto selected = tree.Selected()) {
        QTreeWidgetItem* item = Item(*selected);
        if (currentItem() != item) setCurrentItem(item);
        if (!item->isSelected()) item->setSelected(true);
        scrollToItem(item);
    } else {
        clearSelection();
    }
    syncing_ = false;
    synced_revision_ = tree.Revision();
    synced_selection_ = tree.Selected();
    synced_problems_ = problems;
    synced_once_ = true;
    // The view's own slots were blocked with the signals; make sure it repaints.
    viewport()->update();
}

void OptionTreeView::ApplyFilter(const NodeFilterResult& result, bool filtering) {
    syncing_ = true;
    filtering_ = filtering;
    const QBrush context = palette().brush(QPalette::Disabled, QPalette::Text);
    for (const NodeInfo& info : OptionNodeTable()) {
        QTreeWidgetItem* item = Item(info.node);
        const bool match = std::find(result.matches.begin(), result.matches.end(), info.node) != result.matches.end();
        item->setHidden(!result.Shown(info.node));
        if (filtering && !match) {
            item->setForeground(0, context);
        } else {
            item->setData(0, Qt::ForegroundRole, QVariant());
        }
        if (item->childCount() > 0) item->setExpanded(filtering || wizard_.Tree().IsExpanded(info.node));
    }
    // Hiding rows must not move the model's selection.
    if (const auto selected = wizard_.Tree().Selected()) {
        if (currentItem() != Item(*selected)) setCurrentItem(Item(*selected));
    }
    syncing_ = false;
    if (result.best) scrollToItem(Item(*result.best));
}

int OptionTreeView::ContentHeight() const {
    int rows = 0;
    for (QTreeWidgetItemIterator it(const_cast<OptionTreeView*>(this), QTreeWidgetItemIterator::NotHidden); *it; ++it) {
        bool shown = true;
        for (QTreeWidgetItem* p = (*it)->parent(); p; p = p->parent()) shown = shown && p->isExpanded();
        rows += shown ? 1 : 0;
    }
    return rows * std::max(1, sizeHintForRow(0)) + 2 * frameWidth();
}

bool OptionTreeView::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QTreeWidget::viewportEvent(event);
    auto* help = static_cast<QHelpEvent*>(event);
    QTreeWidgetItem* item = itemAt(help->pos());
    if (!item) {
        QToolTip::hideText();
        return true;
    }
    QToolTip::showText(help->globalPos(), QString::fromStdString(NodeToolTip(wizard_, NodeOf(item))), viewport(),
                       visualItemRect(item));
    return true;
}

QRect OptionTreeView::ImageRect(OptionNode node) const {
    const QModelIndex index = indexFromItem(Item(node));
    const QRect item_rect = visualRect(index);
    if (!index.isValid() || item_rect.isEmpty()) return {};
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = item_rect;
    return static_cast<OptionItemDelegate*>(itemDelegate())->DecorationRect(option, index);
}

void OptionTreeView::Press(QMouseEvent* event) {
    press_forwarded_ = false;
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    const QPoint pos = event->position().toPoint();
    const QModelIndex index = indexAt(pos);
    if (!index.isValid()) {
        event->accept();
        return;
    }
    if (!visualRect(index).contains(pos)) {
        // Left of the item: the branch arrow, which expands and collapses as usual.
        press_forwarded_ = true;
        QTreeWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    const OptionNode node = NodeOf(itemFromIndex(index));
    if (ImageRect(node).contains(pos)) {
        Guarded(wizard_.Ui(), [&] { wizard_.OnOptionClick(node); });
    } else if (wizard_.Tree().Selected() != node) {
        Guarded(wizard_.Ui(), [&] { wizard_.OnSelectionChange(node); });
    }
    SyncFromModel();
}

void OptionTreeView::mousePressEvent(QMouseEvent* event) { Press(event); }

// Widgets get the second press of a double click as the double click itself. It counts as the
// press it is, as it does for every Qt button: a quick second click on a box switches it back.
// Nothing expands or collapses.
void OptionTreeView::mouseDoubleClickEvent(QMouseEvent* event) { Press(event); }

void OptionTreeView::mouseReleaseEvent(QMouseEvent* event) {
    if (press_forwarded_) {
        press_forwarded_ = false;
        QTreeWidget::mouseReleaseEvent(event);
        return;
    }
    event->accept();
}

void OptionTreeView::mouseMoveEvent(QMouseEvent* event) {
    // Dragging with the button held would move the selection behind the model's back.
    if (event->buttons() != Qt::NoButton && !press_forwarded_) {
        event->accept();
        return;
    }
    QTreeWidget::mouseMoveEvent(event);
}

void OptionTreeView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        event->accept();
        if (event->isAutoRepeat()) return;
        if (const auto selected = wizard_.Tree().Selected()) {
            Guarded(wizard_.Ui(), [&] { wizard_.OnOptionClick(*selected); });
            SyncFromModel();
        }
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

}  // namespace quillon::qt
