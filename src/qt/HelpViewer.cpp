#include "qt/HelpViewer.h"

#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "qt/Artwork.h"
#include "qt/ScreenFit.h"

namespace quillon::qt {

HelpViewer::HelpViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Quillon Help"));
    setWindowIcon(AppIcon());
    browser_ = new QTextBrowser(this);
    browser_->setOpenExternalLinks(true);

    auto* back = new QPushButton(QStringLiteral("Back"), this);
    auto* forward = new QPushButton(QStringLiteral("Forward"), this);
    auto* contents = new QPushButton(QStringLiteral("Contents"), this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
    connect(contents, &QPushButton::clicked, this, [this] { browser_->setSource(home_); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addWidget(contents);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_, 1);
}

bool HelpViewer::ShowFile(const QString& path, const QString& section) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0) return false;
    file.close();
    home_ = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    QUrl url = home_;
    if (!section.isEmpty()) url.setFragment(section);
    browser_->setSource(url);
    if (browser_->document()->isEmpty()) return false;
    if (!section.isEmpty()) browser_->scrollToAnchor(section);
    if (!isVisible()) PlaceOnScreen();
    show();
    raise();
    activateWindow();
    return true;
}

void HelpViewer::PlaceOnScreen() {
    // Over the window it belongs to, as large as it likes to be where the screen allows.
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    const QScreen* on = owner ? owner->screen() : screen();
    const QRect available = on->availableGeometry();
    const QSize size = QSize(760, 600).boundedTo(QSize(available.width() * 9 / 10, available.height() * 9 / 10));
    QRect frame(QPoint(0, 0), size);
    frame.moveCenter(owner ? owner->frameGeometry().center() : available.center());
    setGeometry(FitInto(frame, available));
}

void HelpViewer::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace quillon::qt
