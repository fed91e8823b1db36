#include "qt/ClockTreeView.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include <algorithm>
#include <map>

namespace quillon::qt {

namespace {

// Colours of their own rather than the palette's: blue, grey and red must mean the same on
// every desktop theme, and the boxes carry their own light backgrounds.
const QColor kPath(0x1F, 0x6F, 0xD1);
const QColor kPathFill(0xEA, 0xF2, 0xFD);
const QColor kIdle(0x8A, 0x93, 0x9D);
const QColor kIdleFill(0xFF, 0xFF, 0xFF);
const QColor kOffFill(0xF1, 0xF1, 0xF1);
const QColor kOffText(0x8A, 0x8A, 0x8A);
const QColor kBad(0xC6, 0x28, 0x28);
const QColor kBadFill(0xFD, 0xEC, 0xEA);
const QColor kText(0x20, 0x20, 0x20);
const QColor kNote(0x5F, 0x66, 0x6D);

constexpr int kMargin = 8;
constexpr int kHorizontalGap = 14;

QString FromStd(const std::string& text) { return QString::fromStdString(text); }

QFont Bold(QFont font) {
    font.setBold(true);
    return font;
}

QFont Small(QFont font) {
    if (font.pointSizeF() > 0) {
        font.setPointSizeF(font.pointSizeF() * 0.88);
    } else {
        font.setPixelSize(std::max(8, font.pixelSize() * 7 / 8));
    }
    return font;
}

}  // namespace

ClockTreeView::ClockTreeView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void ClockTreeView::SetTree(ClockTree tree) {
    tree_ = std::move(tree);
    updateGeometry();
    update();
}

int ClockTreeView::Lanes() const {
    int lanes = 2;
    for (const ClockTreeNode& n : tree_.nodes) {
        if (!n.leaf) lanes = std::max(lanes, n.row + 1);
    }
    return lanes;
}

int ClockTreeView::SlotWidth() const {
    const QFontMetrics bold(Bold(font()));
    const QFontMetrics small(Small(font()));
    int width = bold.horizontalAdvance(QStringLiteral("Internal oscillator"));
    for (const ClockTreeNode& n : tree_.nodes) {
        width = std::max({width, bold.horizontalAdvance(FromStd(n.name)), bold.horizontalAdvance(FromStd(n.value))});
    }
    // Settings may be long ("Crystal Oscillator / 2 of 22.1184 MHz"); they are elided, and
    // shown whole in the tool tip. Room for the badge of a broken limit beside the name.
    return std::min(width + 18, bold.horizontalAdvance(QStringLiteral("Internal oscillator")) + 40) + 16;
}

ClockTreeView::Layout ClockTreeView::Arrange(int width) const {
    Layout layout;
    layout.boxes.resize(tree_.nodes.size());
    const QFontMetrics bold(Bold(font()));
    const QFontMetrics small(Small(font()));
    const int lanes = Lanes();
    const int slot = std::max(SlotWidth(), (width - 2 * kMargin - (lanes - 1) * kHorizontalGap) / lanes);
    const int box_height = bold.height() * 2 + small.height() + 10;
    const int leaf_height = bold.height() + small.height() + 10;
    const int gap = bold.height() + 6;

    // One level per column of the model, from the oscillators down; the leaves last, as many
    // to a line as there are lanes.
    std::map<int, int> level_of_column;
    for (const ClockTreeNode& n : tree_.nodes) {
        if (!n.leaf) level_of_column[n.column] = 0;
    }
    int y = kMargin;
    for (auto& [column, top] : level_of_column) {
        top = y;
        y += box_height + gap;
    }
    int leaf = 0;
    int bottom = y - gap;
    for (std::size_t i = 0; i < tree_.nodes.size(); ++i) {
        const ClockTreeNode& n = tree_.nodes[i];
        if (n.leaf) {
            const int line = leaf / lanes;
            const int at = leaf % lanes;
            ++leaf;
            layout.boxes[i] = QRect(kMargin + at * (slot + kHorizontalGap), y + line * (leaf_height + gap / 2), slot,
                                    leaf_height);
        } else {
            layout.boxes[i] = QRect(kMargin + n.row * (slot + kHorizontalGap), level_of_column[n.column], slot, box_height);
        }
        bottom = std::max(bottom, layout.boxes[i].bottom());
    }
    layout.summary = QRect(kMargin, bottom + gap / 2, lanes * slot + (lanes - 1) * kHorizontalGap,
                           small.height() * 2 + 4);
    layout.height = layout.summary.bottom() + kMargin;
    return layout;
}

QRect ClockTreeView::NodeRect(std::size_t index) const {
    const Layout layout = Arrange(width());
    return index < layout.boxes.size() ? layout.boxes[index] : QRect();
}

int ClockTreeView::NodeAt(const QPoint& point) const {
    const Layout layout = Arrange(width());
    for (std::size_t i = 0; i < layout.boxes.size(); ++i) {
        if (layout.boxes[i].contains(point)) return static_cast<int>(i);
    }
    return -1;
}

QSize ClockTreeView::sizeHint() const {
    const int lanes = Lanes();
    const int width = 2 * kMargin + lanes * SlotWidth() + (lanes - 1) * kHorizontalGap;
    return QSize(width, Arrange(width).height);
}

QSize ClockTreeView::minimumSizeHint() const { return sizeHint(); }

QString ClockTreeView::NodeToolTip(const ClockTreeNode& node) const {
    QStringList lines;
    lines << QStringLiteral("<b>%1</b>: %2").arg(FromStd(node.name).toHtmlEscaped(), FromStd(node.value).toHtmlEscaped());
    if (!node.setting.empty()) lines << FromStd(node.setting).toHtmlEscaped();
    if (*node.page) lines << QStringLiteral("Set on the \"%1\" page; click to show it.").arg(QString::fromLatin1(node.page));
    for (std::size_t v : node.violations) {
        lines << QStringLiteral("<span style=\"color:#c62828\">%1</span>")
                     .arg(FromStd(tree_.violations[v].Text()).toHtmlEscaped());
    }
    return lines.join(QStringLiteral("<br>"));
}

void ClockTreeView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), QColor(0xFB, 0xFB, 0xFB));
    if (tree_.nodes.empty()) return;
    const Layout layout = Arrange(width());
    const QFont bold = Bold(font());
    const QFont small = Small(font());
    const int gap = QFontMetrics(bold).height() + 6;

    // Where the edges of each node arrive and leave, spread along its top and bottom.
    std::map<std::size_t, std::vector<std::size_t>> into, out_of;
    for (std::size_t e = 0; e < tree_.edges.size(); ++e) {
        into[tree_.edges[e].to].push_back(e);
        out_of[tree_.edges[e].from].push_back(e);
    }
    const auto spread = [&](const QRect& box, const std::vector<std::size_t>& edges, std::size_t edge, bool top) {
        const auto at = std::find(edges.begin(), edges.end(), edge) - edges.begin();
        const int x = box.left() + static_cast<int>((at + 1) * box.width() / (static_cast<long>(edges.size()) + 1));
        return QPointF(x, top ? box.top() : box.bottom() + 1);
    };
    // Unchosen inputs first, the path last, so that blue lies on top.
    std::vector<std::size_t> order(tree_.edges.size());
    for (std::size_t e = 0; e < order.size(); ++e) order[e] = e;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const auto rank = [&](const ClockTreeEdge& e) { return e.on_path ? 2 : e.selected ? 1 : 0; };
        return rank(tree_.edges[a]) < rank(tree_.edges[b]);
    });
    for (std::size_t e : order) {
        const ClockTreeEdge& edge = tree_.edges[e];
        const QRect& from = layout.boxes[edge.from];
        const QRect& to = layout.boxes[edge.to];
        const QPointF start = spread(from, out_of[edge.from], e, false);
        const QPointF end = spread(to, into[edge.to], e, true);
        // Straight down its own slot while it passes other levels, then a curve into the target.
        const double bend = std::max(start.y(), end.y() - gap);
        QPainterPath path(start);
        path.lineTo(start.x(), bend);
        path.cubicTo(start.x(), bend + (end.y() - bend) * 0.6, end.x(), bend + (end.y() - bend) * 0.4, end.x(), end.y() - 5);
        QPen pen(edge.on_path ? kPath : kIdle, edge.on_path ? 2.4 : 1.2);
        if (!edge.selected) {
            pen.setColor(QColor(0xB8, 0xBE, 0xC4));
            pen.setStyle(Qt::DashLine);
        }
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        if (edge.selected) {
            QPolygonF head;
            head << QPointF(end.x(), end.y()) << QPointF(end.x() - 4, end.y() - 6) << QPointF(end.x() + 4, end.y() - 6);
            p.setPen(Qt::NoPen);
            p.setBrush(pen.color());
            p.drawPolygon(head);
        }
    }

    for (std::size_t i = 0; i < tree_.nodes.size(); ++i) {
        const ClockTreeNode& n = tree_.nodes[i];
        const QRect box = layout.boxes[i];
        const bool bad = !n.violations.empty();
        QColor border = n.on_path ? kPath : kIdle;
        QColor fill = n.on_path ? kPathFill : n.running ? kIdleFill : kOffFill;
        if (bad) {
            border = kBad;
            fill = kBadFill;
        }
        QPen pen(border, bad || n.on_path ? 2.0 : 1.0);
        if (!n.running && !bad) pen.setStyle(Qt::DashLine);
        p.setPen(pen);
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);

        const QRect inner = box.adjusted(7, 4, -7, -4);
        const QColor text = n.running || bad ? kText : kOffText;
        p.setFont(bold);
        const QFontMetrics bm(bold);
        const QFontMetrics sm(small);
        int y = inner.top();
        p.setPen(text);
        const int name_width = inner.width() - (bad ? 16 : 0);
        p.drawText(QRect(inner.left(), y, name_width, bm.height()), Qt::AlignLeft | Qt::AlignVCenter,
                   bm.elidedText(FromStd(n.name), Qt::ElideRight, name_width));
        y += bm.height();
        if (!n.leaf) {
            p.setFont(small);
            p.setPen(n.running ? kNote : kOffText);
            p.drawText(QRect(inner.left(), y, inner.width(), sm.height()), Qt::AlignLeft | Qt::AlignVCenter,
                       sm.elidedText(FromStd(n.setting), Qt::ElideRight, inner.width()));
            y += sm.height();
        }
        p.setFont(n.leaf ? small : bold);
        const QFontMetrics vm(p.font());
        p.setPen(bad ? kBad : n.on_path ? kPath.darker(130) : text);
        p.drawText(QRect(inner.left(), y, inner.width(), vm.height()), Qt::AlignLeft | Qt::AlignVCenter,
                   vm.elidedText(FromStd(n.value), Qt::ElideRight, inner.width()));
        if (bad) {
            // A badge that stays visible where the colours do not tell enough.
            const QRect badge(box.right() - 17, box.top() + 3, 14, 14);
            p.setPen(Qt::NoPen);
            p.setBrush(kBad);
            p.drawEllipse(badge);
            p.setPen(Qt::white);
            p.setFont(bold);
            p.drawText(badge, Qt::AlignCenter, QStringLiteral("!"));
        }
    }

    p.setFont(small);
    const std::size_t broken = tree_.violations.size();
    p.setPen(broken ? kBad : kNote);
    const QString summary =
        broken == 0 ? QStringLiteral("Every part is within its limits. Blue: the path that feeds SYSCLK.")
                    : QStringLiteral("%1 limit%2 broken: the red parts; point at one for why, click it for its page.")
                          .arg(broken)
                          .arg(broken == 1 ? QString() : QStringLiteral("s"));
    p.drawText(layout.summary, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, summary);
}

void ClockTreeView::mouseMoveEvent(QMouseEvent* event) {
    // A part can be clicked: it shows its page.
    setCursor(NodeAt(event->position().toPoint()) >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QWidget::mouseMoveEvent(event);
}

void ClockTreeView::mousePressEvent(QMouseEvent* event) {
    const int at = NodeAt(event->position().toPoint());
    if (at >= 0 && event->button() == Qt::LeftButton && *tree_.nodes[static_cast<std::size_t>(at)].page) {
        emit PageRequested(QString::fromLatin1(tree_.nodes[static_cast<std::size_t>(at)].page));
        return;
    }
    QWidget::mousePressEvent(event);
}

bool ClockTreeView::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int at = NodeAt(help->pos());
        if (at >= 0) {
            QToolTip::showText(help->globalPos(), NodeToolTip(tree_.nodes[static_cast<std::size_t>(at)]), this);
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QWidget::event(event);
}

}  // namespace quillon::qt
