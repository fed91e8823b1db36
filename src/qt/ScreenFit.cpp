#include "qt/ScreenFit.h"

#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QWidget>

namespace quillon::qt {

QSize DialogRoom(const QWidget* dialog) {
    const QWidget* owner = dialog->parentWidget() ? dialog->parentWidget()->window() : dialog;
    const QScreen* screen = owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen) return {};
    const QRect available = screen->availableGeometry();
    const int title = dialog->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, dialog);
    return {available.width() - 8, available.height() - title - 8};
}

void FitDialog(QWidget* dialog, QSize wanted) {
    const QSize room = DialogRoom(dialog);
    if (room.isEmpty()) return;
    // A scroll area does not pass on its contents' new size; the dialog's layout is told here.
    for (QScrollArea* area : dialog->findChildren<QScrollArea*>(QStringLiteral("fittingScrollArea"))) {
        area->updateGeometry();
    }
    if (QLayout* layout = dialog->layout()) {
        layout->invalidate();
        layout->activate();
    }
    if (!wanted.isValid()) wanted = dialog->sizeHint();
    const QSize least = dialog->minimumSizeHint().expandedTo(dialog->minimumSize());
    if (least.width() > room.width() || least.height() > room.height()) {
        dialog->setMinimumSize(least.boundedTo(room));
    }
    dialog->resize(wanted.expandedTo(least).boundedTo(room));
    // Resized while shown: kept on the screen, too.
    if (dialog->isVisible()) {
        const QWidget* owner = dialog->parentWidget() ? dialog->parentWidget()->window() : dialog;
        if (const QScreen* screen = owner->screen()) {
            dialog->move(FitInto(dialog->frameGeometry(), screen->availableGeometry()).topLeft());
        }
    }
}

FittingScrollArea::FittingScrollArea(QWidget* contents, QWidget* parent) : QScrollArea(parent) {
    setObjectName(QStringLiteral("fittingScrollArea"));
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setWidget(contents);
}

QSize FittingScrollArea::sizeHint() const {
    const int frame = 2 * frameWidth();
    return widget() ? widget()->sizeHint() + QSize(frame, frame) : QScrollArea::sizeHint();
}

QSize FittingScrollArea::minimumSizeHint() const {
    // Room for the scroll bars and a little of the contents.
    const int bar = verticalScrollBar()->sizeHint().width();
    return {bar * 4, bar * 4};
}

}  // namespace quillon::qt
