// Renders the main window in a few states and every page of each family's oscillator sheet to
// PNG files in the folder given, at whatever scale the environment sets (QT_SCALE_FACTOR), and
// checks the layouts while doing so: no shown control overlaps another or sticks out of the
// widget that holds it. Exits non-zero when a check fails or a file cannot be written.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QHelpEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <cstdio>

#include "GuiTestSupport.h"
#include "qt/AboutDialog.h"
#include "wizard/StoreBinding.h"
#include "qt/AddressEdit.h"
#include "qt/HelpViewer.h"
#include "qt/MainWindow.h"
#include "qt/OptionTreeView.h"
#include "qt/SettingsPanelView.h"
#include "qt/SheetDialog.h"

using namespace quillon;
using namespace quillon::qt;
using namespace quillon::qt::test;

namespace {

int g_failures = 0;
QString g_folder;

void Fail(const QString& what) {
    std::fprintf(stderr, "FAIL: %s\n", qPrintable(what));
    ++g_failures;
}

void Save(QWidget* widget, const QString& name) {
    QApplication::processEvents();
    const QPixmap shot = widget->grab();
    const QString path = g_folder + QLatin1Char('/') + name + QStringLiteral(".png");
    if (shot.isNull() || !shot.save(path, "PNG")) {
        Fail(QStringLiteral("cannot write %1").arg(path));
        return;
    }
    std::printf("%s (%dx%d, ratio %.2f)\n", qPrintable(path), shot.width(), shot.height(), shot.devicePixelRatio());
}

bool IsControl(const QWidget* w) {
    if (qobject_cast<const QLabel*>(w)) return !static_cast<const QLabel*>(w)->text().isEmpty();
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractButton*>(w) ||
           qobject_cast<const QComboBox*>(w) || qobject_cast<const AddressEdit*>(w) ||
           qobject_cast<const QPlainTextEdit*>(w);
}

// Every shown control (labels only with text; not the parts inside an address control) must lie
// inside the widget that holds it, and no two may overlap.
void CheckLayout(QWidget* root, const QString& scene) {
    QList<QWidget*> controls;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root) || !IsControl(w)) continue;
        if (qobject_cast<AddressEdit*>(w->parentWidget())) continue;
        if (qobject_cast<QLineEdit*>(w->parentWidget())) continue;  // a line edit's own clear button
        if (qobject_cast<QAbstractButton*>(w) && qobject_cast<QTabWidget*>(w->parentWidget())) continue;
        if (w->parentWidget() && w->parentWidget()->inherits("QTabBar")) continue;
        controls << w;
        // Inside every widget that holds it, up to the window: a row that sticks out of its group
        // box cuts off the controls in it.
        for (QWidget* holder = w->parentWidget(); holder; holder = holder->parentWidget()) {
            // A node's summary scrolls in its own area; its length is not a layout fault.
            if (holder->parentWidget() && holder->parentWidget()->objectName() == QLatin1String("summaryArea")) break;
            const QRect rect(w->mapTo(holder, QPoint(0, 0)), w->size());
            if (!holder->rect().contains(rect)) {
                Fail(QStringLiteral("%1: %2 (%3) sticks out of %4").arg(scene, w->objectName(),
                                                                       QLatin1String(w->metaObject()->className()),
                                                                       holder->objectName()));
                break;
            }
            if (holder == root) break;
        }
    }
    for (qsizetype i = 0; i < controls.size(); ++i) {
        const QRect a(controls[i]->mapTo(root, QPoint(0, 0)), controls[i]->size());
        for (qsizetype j = i + 1; j < controls.size(); ++j) {
            if (controls[i]->isAncestorOf(controls[j]) || controls[j]->isAncestorOf(controls[i])) continue;
            const QRect b(controls[j]->mapTo(root, QPoint(0, 0)), controls[j]->size());
            if (a.intersects(b)) {
                Fail(QStringLiteral("%1: %2 overlaps %3").arg(scene, controls[i]->objectName(), controls[j]->objectName()));
            }
        }
    }
    // A button smaller than it asks to be cuts off its text or its indicator.
    for (QWidget* w : controls) {
        if (!qobject_cast<QAbstractButton*>(w)) continue;
        const QSize wanted = w->sizeHint();
        if (w->width() < wanted.width() || w->height() < wanted.height()) {
            Fail(QStringLiteral("%1: %2 is squeezed to %3x%4 (wants %5x%6)")
                     .arg(scene, w->objectName())
                     .arg(w->width())
                     .arg(w->height())
                     .arg(wanted.width())
                     .arg(wanted.height()));
        }
    }
    // A text that does not fit its label is cut off.
    for (QWidget* w : controls) {
        auto* label = qobject_cast<QLabel*>(w);
        if (!label || label->wordWrap()) continue;
        if (label->fontMetrics().horizontalAdvance(label->text()) > label->contentsRect().width()) {
            Fail(QStringLiteral("%1: the text of %2 is cut off: %3").arg(scene, label->objectName(), label->text()));
        }
    }
}

// The window with the tooltip `widget` shows at `pos`: the tooltip is a window of its own, so
// both are painted into one picture where they stand on the screen.
void ToolTipScene(QWidget* window, QWidget* widget, QPoint pos, const QString& name) {
    QHelpEvent event(QEvent::ToolTip, pos, widget->mapToGlobal(pos));
    QApplication::sendEvent(widget, &event);
    QApplication::processEvents();
    QWidget* tip = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->inherits("QTipLabel") && top->isVisible()) tip = top;
    }
    if (!tip) {
        Fail(name + QStringLiteral(": no tooltip"));
        return;
    }
    const QRect area = window->frameGeometry().united(tip->frameGeometry());
    const qreal ratio = window->devicePixelRatioF();
    QPixmap shot(area.size() * ratio);
    shot.setDevicePixelRatio(ratio);
    shot.fill(Qt::transparent);
    QPainter painter(&shot);
    painter.drawPixmap(window->frameGeometry().topLeft() - area.topLeft(), window->grab());
    painter.drawPixmap(tip->frameGeometry().topLeft() - area.topLeft(), tip->grab());
    painter.end();
    if (!window->screen()->availableGeometry().contains(tip->frameGeometry())) {
        Fail(name + QStringLiteral(": the tooltip leaves the screen"));
    }
    const QString path = g_folder + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!shot.save(path, "PNG")) Fail(QStringLiteral("cannot write %1").arg(path));
    std::printf("%s\n", qPrintable(path));
    QToolTip::hideText();
}

void MainScene(StartedWizard& w, OptionNode select, const QString& name) {
    PressText(w.app->Window().Tree(), select);
    CheckLayout(&w.app->Window(), name);
    Save(&w.app->Window(), name);
}

// Opens the sheet of the family chosen now and renders each page.
void SheetScenes(StartedWizard& w, const QString& family) {
    OptionTreeView* tree = w.app->Window().Tree();
    PressText(tree, OptionNode::SYSCLK);
    bool opened = false;
    WhenSheetOpen([&](SheetDialog* sheet) {
        opened = true;
        for (int i = 0; i < sheet->Tabs()->count(); ++i) {
            sheet->Tabs()->setCurrentIndex(i);
            QApplication::processEvents();
            QString tab = sheet->Tabs()->tabText(i).toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
            const QString name = QStringLiteral("sheet-%1-%2-%3").arg(family).arg(i + 1).arg(tab);
            CheckLayout(sheet->Tabs()->widget(i), name);
            Save(sheet, name);
        }
        if (family == QLatin1String("vardex")) {
            // A pre-divider of 0x1F brings the PLL output below its range: the warning shows.
            sheet->Tabs()->setCurrentIndex(2);
            auto* divider = qobject_cast<QLineEdit*>(sheet->ControlWidget(2, 3818));
            divider->setFocus();
            divider->selectAll();
            QTest::keyClicks(divider, QStringLiteral("1F"));
            if (!sheet->ControlWidget(2, 3832)->isVisible()) Fail(QStringLiteral("the PLL range warning is not shown"));
            CheckLayout(sheet->Tabs()->widget(2), QStringLiteral("sheet-vardex-pll-warning"));
            Save(sheet, QStringLiteral("sheet-vardex-3-pll-setup-warning"));
        }
    });
    QTest::mouseClick(w.app->Window().Panel()->ControlWidget(ControlId::ConfigureSysclk), Qt::LeftButton);
    if (!opened) Fail(family + QStringLiteral(": the sheet did not open"));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: quillon_gui_screenshots FOLDER\n");
        return 2;
    }
    g_folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(g_folder)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 2;
    }

    {
        auto w = StartWizard();
        MainWindow& window = w.app->Window();
        CheckLayout(&window, QStringLiteral("main-default"));
        Save(&window, QStringLiteral("main-default"));
        // Finding a setting by a word of its caption.
        QTest::keyClicks(window.Filter(), QStringLiteral("window"));
        QTest::keyClick(window.Filter(), Qt::Key_Return);
        CheckLayout(&window, QStringLiteral("main-filter"));
        Save(&window, QStringLiteral("main-filter"));
        window.Filter()->clear();
        // Tooltips of a node and of a field.
        OptionTreeView* tree = window.Tree();
        tree->scrollToItem(tree->Item(OptionNode::DHCP));
        ToolTipScene(&window, tree->viewport(), tree->visualItemRect(tree->Item(OptionNode::DHCP)).center(),
                     QStringLiteral("main-tooltip-node"));
        PressText(tree, OptionNode::Sockets);
        QWidget* timeout = window.Panel()->ControlWidget(ControlId::Value4);
        ToolTipScene(&window, timeout, timeout->rect().center(), QStringLiteral("main-tooltip-field"));
        // A settings file deep down: the status bar shortens its path and keeps every field.
        QTemporaryDir dir;
        const QString deep = dir.path() + QStringLiteral("/customers/a-customer-with-a-long-name/firmware/release-2");
        QDir().mkpath(deep);
        PressImage(tree, OptionNode::UDP);
        w.platform->files = {(deep + QStringLiteral("/gateway-board.wp")).toStdString()};
        w.platform->folders = {deep.toStdString()};
        window.MenuAction(MenuCommand::SaveAs)->trigger();
        window.MenuAction(MenuCommand::SelectProjectDirectory)->trigger();
        PressImage(tree, OptionNode::TCP);
        CheckLayout(&window, QStringLiteral("main-long-path"));
        Save(&window, QStringLiteral("main-long-path"));
        // F1: the help at the selected node, on the screen.
        QTest::keyClick(&window, Qt::Key_F1);
        if (HelpViewer* help = w.platform->Help()) {
            if (!QTest::qWaitForWindowExposed(help)) Fail(QStringLiteral("the help is not shown"));
            if (!window.screen()->availableGeometry().contains(help->frameGeometry())) Fail(QStringLiteral("the help leaves the screen"));
            Save(help, QStringLiteral("help-at-the-selection"));
            help->close();
        } else {
            Fail(QStringLiteral("F1 showed no help"));
        }
        // The whole screen: the panel takes the room.
        window.setGeometry(window.screen()->availableGeometry());
        PressText(tree, OptionNode::FTP);
        CheckLayout(&window, QStringLiteral("main-whole-screen"));
        Save(&window, QStringLiteral("main-whole-screen"));
    }
    {
        auto w = StartWizard();
        MainScene(w, OptionNode::IPAddresses, QStringLiteral("main-ip-addresses"));
        MainScene(w, OptionNode::ARP, QStringLiteral("main-arp"));
        MainScene(w, OptionNode::FTP, QStringLiteral("main-ftp"));
        MainScene(w, OptionNode::SYSCLK, QStringLiteral("main-sysclk"));
        SheetScenes(w, QStringLiteral("vardex"));
        PressImage(w.app->Window().Tree(), OptionNode::Pelmar);
        SheetScenes(w, QStringLiteral("pelmar"));
        PressImage(w.app->Window().Tree(), OptionNode::Zintor);
        SheetScenes(w, QStringLiteral("zintor"));
        MainScene(w, OptionNode::UsbFifoSupport, QStringLiteral("main-usb-fifo"));
        // The modem as the adapter: no Ethernet.
        PressImage(w.app->Window().Tree(), OptionNode::Modara);
        MainScene(w, OptionNode::MACAddresses, QStringLiteral("main-mac-addresses-no-ethernet"));
        MainScene(w, OptionNode::Modara, QStringLiteral("main-modara"));
        MainScene(w, OptionNode::LOCATRA, QStringLiteral("main-locatra"));
        if (!w.platform->unexpected.empty()) Fail(QString::fromStdString(w.platform->unexpected.front()));
    }
    AboutDialog about(AboutBox{AboutVersionLine(), {kSampleLibrariesNotice}});
    about.show();
    if (QTest::qWaitForWindowExposed(&about)) Save(&about, QStringLiteral("about"));
    std::printf("%d layout failure(s)\n", g_failures);
    return g_failures == 0 ? 0 : 1;
}
