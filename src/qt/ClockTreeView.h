// The clock tree of the oscillator sheet, drawn from the clock layer's model: the parts from
// the oscillators down to SYSCLK with the frequency of each, the path that feeds SYSCLK in
// blue, the inputs a selector has not chosen dashed, the parts that break a limit in red, and
// the values derived from SYSCLK at the foot. A click on a part asks for the page that sets it.
#pragma once

#include <QWidget>

#include <vector>

#include "clock/ClockTree.h"

namespace quillon::qt {

class ClockTreeView : public QWidget {
    Q_OBJECT
public:
    explicit ClockTreeView(QWidget* parent = nullptr);

    void SetTree(ClockTree tree);
    const ClockTree& Tree() const { return tree_; }

    // Where node `index` of the tree is drawn at the present size.
    QRect NodeRect(std::size_t index) const;
    // The node at `point`, or -1.
    int NodeAt(const QPoint& point) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The tab caption of the page that sets the part clicked.
    void PageRequested(const QString& caption);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Layout {
        std::vector<QRect> boxes;  // one per node
        QRect summary;             // the line under the tree
        int height = 0;
    };
    Layout Arrange(int width) const;
    int Lanes() const;
    int SlotWidth() const;
    QString NodeToolTip(const ClockTreeNode& node) const;

    ClockTree tree_;
};

}  // namespace quillon::qt
