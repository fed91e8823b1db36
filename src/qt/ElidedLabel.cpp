#include "qt/ElidedLabel.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

namespace quillon::qt {

ElidedLabel::ElidedLabel(QWidget* parent, Qt::TextElideMode mode) : QFrame(parent), mode_(mode) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void ElidedLabel::SetText(const QString& prefix, const QString& text) {
    if (prefix == prefix_ && text == text_) return;
    prefix_ = prefix;
    text_ = text;
    setToolTip(FullText());
    // However little room there is, the prefix and a few characters of the text stay.
    setMinimumWidth(minimumSizeHint().width());
    updateGeometry();
    update();
}

QString ElidedLabel::ShownText() const {
    const QFontMetrics metrics = fontMetrics();
    const int room = contentsRect().width() - metrics.horizontalAdvance(prefix_);
    if (mode_ == Qt::ElideMiddle && metrics.horizontalAdvance(text_) > room) {
        // A path keeps its file name whole while there is room for it and some of the folder.
        const qsizetype slash = text_.lastIndexOf(QLatin1Char('/'));
        const int name = slash > 0 ? metrics.horizontalAdvance(text_.mid(slash)) : 0;
        if (slash > 0 && name + metrics.horizontalAdvance(QStringLiteral("/\u2026/")) <= room) {
            return prefix_ + metrics.elidedText(text_.left(slash), Qt::ElideMiddle, room - name) + text_.mid(slash);
        }
    }
    return prefix_ + metrics.elidedText(text_, mode_, std::max(room, 0));
}

QSize ElidedLabel::sizeHint() const {
    // The prefix and the text measured apart, as they are painted: the advance of the whole can
    // be a pixel less, and a text given only that would be shortened.
    const QFontMetrics metrics = fontMetrics();
    return QSize(metrics.horizontalAdvance(prefix_) + metrics.horizontalAdvance(text_) + 1, metrics.height()) +
           QSize(frameWidth() * 2, frameWidth() * 2);
}

QSize ElidedLabel::minimumSizeHint() const {
    // The prefix and a few characters of the text.
    const QFontMetrics metrics = fontMetrics();
    const QString some = text_.size() <= 3 ? text_ : QStringLiteral("Www\u2026W");
    // Never more than the whole text: a short text would otherwise ask for more room shortened.
    return (QSize(metrics.horizontalAdvance(prefix_ + some), metrics.height()) +
            QSize(frameWidth() * 2, frameWidth() * 2))
        .boundedTo(sizeHint());
}

void ElidedLabel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(contentsRect(), Qt::AlignLeft | Qt::AlignVCenter, ShownText());
}

ElidedRow::ElidedRow(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void ElidedRow::Add(ElidedLabel* label) {
    // Shown, hidden and retexted labels ask their parent for a new layout (LayoutRequest).
    label->setParent(this);
    labels_ << label;
    updateGeometry();
}

QList<int> ElidedRow::Widths(int width) const {
    QList<int> widths(labels_.size(), 0);
    QList<qsizetype> shown;
    for (qsizetype i = 0; i < labels_.size(); ++i) {
        if (!labels_[i]->isHidden()) shown << i;
    }
    if (shown.isEmpty()) return widths;
    int room = width - kSpacing * static_cast<int>(shown.size() - 1);
    // Whole texts first, shortest first, while what is left shared among the rest still holds
    // them; the rest share what is left, each no less than its minimum.
    std::sort(shown.begin(), shown.end(), [&](qsizetype a, qsizetype b) {
        return labels_[a]->sizeHint().width() < labels_[b]->sizeHint().width();
    });
    for (qsizetype k = 0; k < shown.size(); ++k) {
        const qsizetype i = shown[k];
        const int left = static_cast<int>(shown.size() - k);
        const int share = room / left;
        const int want = labels_[i]->sizeHint().width();
        const int w = std::max(std::min(want, share), labels_[i]->minimumSizeHint().width());
        widths[i] = w;
        room -= w;
    }
    return widths;
}

QSize ElidedRow::sizeHint() const {
    int width = 0;
    int height = 0;
    int n = 0;
    for (const ElidedLabel* label : labels_) {
        if (label->isHidden()) continue;
        width += label->sizeHint().width();
        height = std::max(height, label->sizeHint().height());
        ++n;
    }
    return {width + kSpacing * std::max(0, n - 1), height};
}

QSize ElidedRow::minimumSizeHint() const {
    int height = 0;
    for (const ElidedLabel* label : labels_) height = std::max(height, label->minimumSizeHint().height());
    // However narrow the window, the row gives way; each label keeps its own minimum inside.
    return {0, height};
}

void ElidedRow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Place();
}

bool ElidedRow::event(QEvent* event) {
    if (event->type() == QEvent::LayoutRequest) {
        updateGeometry();
        Place();
    }
    return QWidget::event(event);
}

void ElidedRow::Place() {
    const QList<int> widths = Widths(width());
    int x = 0;
    for (qsizetype i = 0; i < labels_.size(); ++i) {
        if (labels_[i]->isHidden()) continue;
        labels_[i]->setGeometry(x, 0, widths[i], height());
        x += widths[i] + kSpacing;
    }
}

}  // namespace quillon::qt
