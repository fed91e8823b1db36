// Keeping windows on the screen, whatever its size and scale.
#pragma once

#include <QRect>
#include <QScrollArea>
#include <QSize>

#include <algorithm>

class QWidget;

namespace quillon::qt {

// `frame` moved and shrunk as little as possible to lie inside `available`.
inline QRect FitInto(const QRect& frame, const QRect& available) {
    const QSize size = frame.size().boundedTo(available.size());
    const int x = std::clamp(frame.x(), available.left(), available.left() + available.width() - size.width());
    const int y = std::clamp(frame.y(), available.top(), available.top() + available.height() - size.height());
    return QRect(QPoint(x, y), size);
}

// The room a dialog has on the screen of the window it belongs to: the available screen, less
// what a window manager's frame takes.
QSize DialogRoom(const QWidget* dialog);

// Sizes `dialog` to `wanted` (its size hint when empty) within its room, and bounds its minimum
// size by that room, so that the dialog and its buttons stay on the screen at any scale. A
// dialog whose contents may need more than the room puts them in a FittingScrollArea.
void FitDialog(QWidget* dialog, QSize wanted = {});

// A scroll area for a dialog's contents that asks for their whole size (a plain one stops at
// some 36 by 24 lines) and needs little, so that the dialog shows them whole where the screen
// has the room and scrolls them where it has not, its buttons outside and always in view.
class FittingScrollArea : public QScrollArea {
public:
    explicit FittingScrollArea(QWidget* contents, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
};

}  // namespace quillon::qt
