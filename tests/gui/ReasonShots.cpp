// The reasons in the Qt window, offscreen: an unavailable option's tooltip names what blocks it
// and what would lift it, an option not chosen tells what choosing it would cost, and the status
// bar gives the reason when the option is selected or clicked in vain. Renders the tooltip over
// the window and the status bar to PNG files in the folder given, to be looked at. Exits non-zero
// when a check fails.
#include <QApplication>
#include <QDir>
#include <QHelpEvent>
#include <QLabel>
#include <QPainter>
#include <QTest>
#include <QToolTip>

#include <cstdio>

#include "GuiTestSupport.h"
#include "qt/ElidedLabel.h"
#include "qt/MainWindow.h"
#include "qt/OptionTreeView.h"
#include "wizard/ToolTips.h"

using namespace quillon;
using namespace quillon::qt;
using namespace quillon::qt::test;

namespace {

int g_failures = 0;
QString g_folder;

void Check(bool ok, const QString& what) {
    if (ok) return;
    std::fprintf(stderr, "FAIL: %s\n", qPrintable(what));
    ++g_failures;
}

void Save(const QPixmap& shot, const QString& name) {
    const QString path = g_folder + QLatin1Char('/') + name + QStringLiteral(".png");
    if (shot.isNull() || !shot.save(path, "PNG")) {
        Check(false, QStringLiteral("cannot write %1").arg(path));
        return;
    }
    std::printf("%s (%dx%d)\n", qPrintable(path), shot.width(), shot.height());
}

QWidget* ShownToolTip() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->inherits("QTipLabel") && w->isVisible()) return w;
    }
    return nullptr;
}

// Hovers over the node's text until its tooltip shows; returns the tooltip widget or null.
QWidget* HoverForToolTip(OptionTreeView* tree, OptionNode node) {
    tree->scrollToItem(tree->Item(node));
    const QPoint at = tree->visualItemRect(tree->Item(node)).center();
    QHelpEvent event(QEvent::ToolTip, at, tree->viewport()->mapToGlobal(at));
    QApplication::sendEvent(tree->viewport(), &event);
    for (int i = 0; i < 50 && !ShownToolTip(); ++i) QTest::qWait(10);
    return ShownToolTip();
}

// The window with the tooltip drawn where it stands on the screen.
QPixmap WindowWithToolTip(QWidget* window, QWidget* tip) {
    const QPixmap base = window->grab();
    const QPixmap tip_shot = tip->grab();
    const QPoint offset = tip->mapToGlobal(QPoint(0, 0)) - window->mapToGlobal(QPoint(0, 0));
    const QRect area = QRect(QPoint(0, 0), window->size()).united(QRect(offset, tip->size()));
    QPixmap shot(area.size() * base.devicePixelRatio());
    shot.setDevicePixelRatio(base.devicePixelRatio());
    shot.fill(Qt::white);
    QPainter painter(&shot);
    painter.drawPixmap(-area.topLeft(), base);
    painter.drawPixmap(offset - area.topLeft(), tip_shot);
    return shot;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: quillon_gui_reasons FOLDER\n");
        return 2;
    }
    g_folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(g_folder)) return 2;

    auto w = StartWizard();
    MainWindow& window = w.app->Window();
    OptionTreeView* tree = window.Tree();
    WizardDialog& wizard = w.app->Wizard();
    auto* status = window.findChild<ElidedLabel*>(QStringLiteral("reasonStatus"));
    Check(status != nullptr, QStringLiteral("the status bar has no reason"));
    if (!status) return 1;

    // An option not chosen: its tooltip tells the price of choosing it.
    const QString http_tip = QString::fromStdString(NodeToolTip(wizard, OptionNode::HTTP));
    Check(http_tip.contains(QStringLiteral("\nChoosing it adds 5 KB (library 039).")), "HTTP's cost: " + http_tip);
    if (QWidget* cost_tip = HoverForToolTip(tree, OptionNode::HTTP)) {
        Save(WindowWithToolTip(&window, cost_tip), QStringLiteral("reason-tooltip-http-cost"));
        QToolTip::hideText();
    } else {
        Check(false, QStringLiteral("no tooltip shows over HTTP"));
    }

    // The modem: Pelmar is unavailable, and says why.
    PressImage(tree, OptionNode::Modara);
    QApplication::processEvents();  // the layout settles, as it would before anyone hovers
    const QString pelmar_tip = QString::fromStdString(NodeToolTip(wizard, OptionNode::Pelmar));
    Check(pelmar_tip.contains(QStringLiteral("\nThe Modara modem runs on Vardex only.")), "Pelmar's tooltip: " + pelmar_tip);
    QWidget* tip = HoverForToolTip(tree, OptionNode::Pelmar);
    Check(tip != nullptr, QStringLiteral("no tooltip shows over Pelmar"));
    if (tip) {
        Check(QToolTip::text() == pelmar_tip, "the tooltip shown: " + QToolTip::text());
        Save(WindowWithToolTip(&window, tip), QStringLiteral("reason-tooltip-pelmar"));
        QToolTip::hideText();
    }

    // A click in vain: Pelmar stays as it was, and the status bar says why.
    PressImage(tree, OptionNode::Pelmar);
    QApplication::processEvents();
    Check(wizard.Tree().Image(OptionNode::Pelmar) == TreeImage::Unavailable, QStringLiteral("Pelmar changed"));
    Check(status->isVisible() && status->FullText().startsWith(QStringLiteral("Pelmar: The Modara modem runs on Vardex only.")),
          "status after the click: " + status->FullText());
    Save(window.grab(), QStringLiteral("reason-status-pelmar"));

    // Selecting an option that nothing holds clears it; a chosen one says nothing until a click
    // on it changes nothing.
    PressText(tree, OptionNode::TCP);
    QApplication::processEvents();
    Check(!status->isVisible(), "status beside TCP: " + status->FullText());
    PressText(tree, OptionNode::Modara);
    QApplication::processEvents();
    Check(!status->isVisible(), "status beside Modara: " + status->FullText());
    PressImage(tree, OptionNode::Modara);
    QApplication::processEvents();
    Check(status->FullText().startsWith(QStringLiteral("Modara is the chosen adapter;")),
          "status after clicking Modara again: " + status->FullText());

    // The unavailable USB FIFO Support, selected: why, in the status bar.
    PressText(tree, OptionNode::UsbFifoSupport);
    QApplication::processEvents();
    Check(status->FullText().startsWith(QStringLiteral("USB FIFO Support is a Zintor feature")),
          "status beside USB FIFO Support: " + status->FullText());
    Save(window.grab(), QStringLiteral("reason-status-usb-fifo"));

    if (!w.platform->unexpected.empty()) Check(false, QString::fromStdString(w.platform->unexpected.front()));
    std::printf("%d failure(s)\n", g_failures);
    return g_failures == 0 ? 0 : 1;
}
