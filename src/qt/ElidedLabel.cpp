#include "qt/ElidedLabel.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

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
    return prefix_ + metrics.elidedText(text_, mode_, std::max(room, 0));
}

QSize ElidedLabel::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    return QSize(metrics.horizontalAdvance(FullText()), metrics.height()) +
           QSize(frameWidth() * 2, frameWidth() * 2);
}

QSize ElidedLabel::minimumSizeHint() const {
    // The prefix and a few characters of the text.
    const QFontMetrics metrics = fontMetrics();
    const QString some = text_.size() <= 3 ? text_ : QStringLiteral("Www\u2026W");
    return QSize(metrics.horizontalAdvance(prefix_ + some), metrics.height()) +
           QSize(frameWidth() * 2, frameWidth() * 2);
}

void ElidedLabel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(contentsRect(), Qt::AlignLeft | Qt::AlignVCenter, ShownText());
}

}  // namespace quillon::qt
