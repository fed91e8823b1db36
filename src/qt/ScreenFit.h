// Keeping windows on the screen, whatever its size and scale.
#pragma once

#include <QRect>

#include <algorithm>

namespace quillon::qt {

// `frame` moved and shrunk as little as possible to lie inside `available`.
inline QRect FitInto(const QRect& frame, const QRect& available) {
    const QSize size = frame.size().boundedTo(available.size());
    const int x = std::clamp(frame.x(), available.left(), available.left() + available.width() - size.width());
    const int y = std::clamp(frame.y(), available.top(), available.top() + available.height() - size.height());
    return QRect(QPoint(x, y), size);
}

}  // namespace quillon::qt
