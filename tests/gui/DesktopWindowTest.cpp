// The window on today's desktops, at whatever scale the environment sets (the tests run at 1x
// and 2x on a 1366 x 768 screen): everything in view, the size and splitter kept between runs,
// the title and status bar, the find filter, Open Recent, F1, the tooltips, and a session of
// real clicks and typing exported as a script that quillon-cli replays to the same state.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolTip>

#include <sstream>

#include "GuiTestSupport.h"
#include "cli/StateFormat.h"
#include "qt/AddressEdit.h"
#include "qt/ElidedLabel.h"
#include "qt/HelpViewer.h"
#include "qt/MainWindow.h"
#include "qt/OptionTreeView.h"
#include "qt/SettingsPanelView.h"
#include "qt/SheetDialog.h"

using namespace quillon;
using namespace quillon::qt;
using namespace quillon::qt::test;

namespace {

namespace C = ControlId;

QRect RectIn(const QWidget* w, const QWidget* ancestor) { return QRect(w->mapTo(ancestor, QPoint(0, 0)), w->size()); }

void TypeInto(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

// The tooltip a widget shows at `pos`, as a hovering mouse would ask for it.
QString ToolTipAt(QWidget* widget, QPoint pos) {
    QHelpEvent event(QEvent::ToolTip, pos, widget->mapToGlobal(pos));
    QApplication::sendEvent(widget, &event);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

// Everything of the window that must never be cut off, and each shown control of the panel,
// lies inside the window and the panel's viewport: nothing needs scrolling but the tree.
void CheckAllInView(MainWindow& window, const char* where) {
    const QRect inside = window.rect();
    for (QWidget* w : std::initializer_list<QWidget*>{window.menuBar(), window.Filter(), window.Tree(),
                                                      window.Panel()->CodeSizeGroup(), window.statusBar()}) {
        QVERIFY2(inside.contains(RectIn(w, &window)), qPrintable(QStringLiteral("%1: %2").arg(where, w->objectName())));
    }
    for (QWidget* w : window.statusBar()->findChildren<QWidget*>()) {
        if (w->isVisible() && !w->objectName().isEmpty()) {
            QVERIFY2(window.statusBar()->rect().contains(RectIn(w, window.statusBar())), qPrintable(w->objectName()));
        }
    }
    QWidget* viewport = window.PanelArea()->viewport();
    for (QWidget* w : window.Panel()->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window.Panel()) || w->property("quillonControl").isNull()) continue;
        if (qobject_cast<QLabel*>(w) && static_cast<QLabel*>(w)->text().isEmpty()) continue;
        if (window.Panel()->CodeSizeGroup()->isAncestorOf(w)) continue;
        QVERIFY2(viewport->rect().contains(RectIn(w, viewport)),
                 qPrintable(QStringLiteral("%1: %2 is not in view").arg(where, w->objectName())));
    }
}

}  // namespace

class DesktopWindowTest : public QObject {
    Q_OBJECT

private slots:
    void everythingInViewAndThePanelTakesTheRoom();
    void nodesWithoutAPageShowWhatTheyHold();
    void sizeAndSplitterAreKept();
    void titleAndStatusBarFollowAtOnce();
    void filterFindsNodesByTheirLabels();
    void openRecentOpensAndOffersToForgetMissingFiles();
    void f1OpensTheHelpAtTheNodeOnScreen();
    void toolTipsAndReadOnlyCodeSize();
    void exportedSessionReplaysThroughQuillonCli();
};

void DesktopWindowTest::everythingInViewAndThePanelTakesTheRoom() {
    auto w = StartWizard();
    MainWindow& window = w.app->Window();
    const QRect available = window.screen()->availableGeometry();
    QVERIFY(available.contains(window.frameGeometry()));
    // It opens using the screen, most of its width and height.
    QVERIFY(window.frameGeometry().width() >= available.width() * 3 / 4);
    QVERIFY(window.frameGeometry().height() >= available.height() * 3 / 4);
    // Every page of the tree, at the size the window starts with: nothing cut off, and the
    // panel keeps its width whatever it shows.
    const int panel_width = window.Panel()->width();
    for (const NodeInfo& info : OptionNodeTable()) {
        PressText(window.Tree(), info.node);
        QCOMPARE(w.app->Wizard().Tree().Selected(), info.node);
        CheckAllInView(window, info.text.data());
        QCOMPARE(window.Panel()->width(), panel_width);
    }
    // The whole screen: the panel takes the room, the tree keeps its width.
    const int tree_width = window.Tree()->width();
    window.setGeometry(available);
    QTRY_COMPARE(window.size(), available.size());
    QCOMPARE(window.Tree()->width(), tree_width);
    QVERIFY(window.Panel()->width() >= panel_width);
    CheckAllInView(window, "whole screen");
    // The smallest window still shows the menus, the code size and the status bar; the panel
    // scrolls to each of its controls.
    window.resize(window.minimumSizeHint());
    QTRY_COMPARE(window.size(), window.minimumSizeHint());
    PressText(window.Tree(), OptionNode::FTP);
    for (int id : {C::Value1, C::Value4}) {
        QWidget* value = window.Panel()->ControlWidget(id);
        // A line edit asks only for its cursor to be shown; scroll to the whole of it.
        const auto scrolled_into_view = [&] {
            const QRect r = RectIn(value, window.Panel());
            window.PanelArea()->ensureVisible(r.center().x(), r.center().y(), r.width() / 2 + 1, r.height() / 2 + 1);
            return window.PanelArea()->viewport()->rect().contains(RectIn(value, window.PanelArea()->viewport()));
        };
        QTRY_VERIFY(scrolled_into_view());
    }
    QVERIFY(window.rect().contains(RectIn(window.Panel()->CodeSizeGroup(), &window)));
    QVERIFY(window.rect().contains(RectIn(window.statusBar(), &window)));
}

void DesktopWindowTest::nodesWithoutAPageShowWhatTheyHold() {
    auto w = StartWizard();
    MainWindow& window = w.app->Window();
    SettingsPanelView* panel = window.Panel();
    WizardDialog& wizard = w.app->Wizard();
    // The summary stands exactly where the page would show nothing, and links every node below.
    for (const NodeInfo& info : OptionNodeTable()) {
        PressText(window.Tree(), info.node);
        QCOMPARE(panel->ShowsSummary(), wizard.Panel().ShowsNothing());
        if (!panel->ShowsSummary()) continue;
        QVERIFY(panel->Summary()->isVisible());
        QVERIFY(panel->Summary()->text().contains(QString::fromUtf8(info.text.data(), static_cast<qsizetype>(info.text.size()))));
        for (const NodeInfo& below : OptionNodeTable()) {
            if (below.parent != info.node) continue;
            QVERIFY(panel->Summary()->text().contains(QStringLiteral("href=\"node:%1\"").arg(static_cast<int>(below.node))));
        }
    }
    // A value typed on its page shows in the summary of the group above it.
    PressText(window.Tree(), OptionNode::Sockets);
    auto* sockets = panel->Control<QLineEdit>(C::Value1);
    TypeInto(sockets, QStringLiteral("7"));
    PressText(window.Tree(), OptionNode::SystemSettings);
    QVERIFY(panel->ShowsSummary());
    QVERIFY(panel->Summary()->text().contains(QStringLiteral("Number of sockets: <b>7</b>")));
    // The summary fits the panel's width and scrolls within it; the panel keeps its width.
    QWidget* area = panel->findChild<QWidget*>(QStringLiteral("summaryArea"));
    QVERIFY(window.PanelArea()->viewport()->rect().contains(RectIn(area, window.PanelArea()->viewport())));
    QVERIFY(panel->Summary()->width() <= area->width());
    // A link selects its node as a click on the tree would, and changes nothing.
    PressText(window.Tree(), OptionNode::ProtocolSettings);
    const bool modified = wizard.Modified();
    emit panel->Summary()->linkActivated(QStringLiteral("node:%1").arg(static_cast<int>(OptionNode::TCP)));
    QTRY_COMPARE(wizard.Tree().Selected(), std::optional<OptionNode>(OptionNode::TCP));
    QVERIFY(!panel->ShowsSummary());
    QCOMPARE(window.Tree()->currentItem(), window.Tree()->Item(OptionNode::TCP));
    QCOMPARE(panel->Control<QLabel>(C::Label1)->text(), QStringLiteral("TCP Window Size:"));
    QCOMPARE(wizard.Modified(), modified);
    QVERIFY(w.platform->unexpected.empty());
}

void DesktopWindowTest::sizeAndSplitterAreKept() {
    QSize size;
    QList<int> sizes;
    {
        auto w = StartWizard();
        MainWindow& window = w.app->Window();
        const QRect available = window.screen()->availableGeometry();
        window.resize((window.minimumSizeHint() + QSize(30, 30)).boundedTo(available.size()));
        QTRY_VERIFY(window.width() > window.minimumSizeHint().width());
        window.Splitter()->setSizes({window.Tree()->minimumWidth() + 20, 1000});
        size = window.size();
        sizes = window.Splitter()->sizes();
        QVERIFY(window.close());
    }
    auto again = StartWizard(true);
    QCOMPARE(again.app->Window().size(), size);
    QCOMPARE(again.app->Window().Splitter()->sizes(), sizes);
}

void DesktopWindowTest::titleAndStatusBarFollowAtOnce() {
    auto w = StartWizard();
    MainWindow& window = w.app->Window();
    auto* modified = window.findChild<QLabel*>(QStringLiteral("modifiedStatus"));
    auto* file = window.findChild<ElidedLabel*>(QStringLiteral("settingsFileStatus"));
    QVERIFY(!window.isWindowModified());
    PressImage(window.Tree(), OptionNode::UDP);
    QVERIFY(window.isWindowModified());
    QCOMPARE(modified->text(), QStringLiteral("Modified"));

    // A deep folder: the path is shortened in the middle and "Modified" keeps its place.
    QTemporaryDir dir;
    const QString deep = dir.path() + QStringLiteral("/a-folder-with-a-rather-long-name/and-another-one-below-it/"
                                                     "and-a-third-to-make-sure");
    QVERIFY(QDir().mkpath(deep));
    const QString path = deep + QStringLiteral("/settings.wp");
    w.platform->files = {path.toStdString()};
    window.MenuAction(MenuCommand::SaveAs)->trigger();
    QCOMPARE(window.windowTitle(), QStringLiteral("settings.wp[*] - Quillon"));
    QVERIFY(!window.isWindowModified());
    QCOMPARE(modified->text(), QString());
    QCOMPARE(file->toolTip(), QStringLiteral("Settings file: ") + path);
    QVERIFY(file->ShownText().contains(QChar(0x2026)));
    QVERIFY2(file->ShownText().endsWith(QStringLiteral("settings.wp")), qPrintable(file->ShownText() + QString::number(file->width())));
    // A short folder beside it stays whole: only the path that does not fit is shortened.
    auto* folder = window.findChild<ElidedLabel*>(QStringLiteral("projectFolderStatus"));
    w.platform->folders = {QDir::rootPath().toStdString()};
    window.MenuAction(MenuCommand::SelectProjectDirectory)->trigger();
    QCOMPARE(folder->ShownText(), folder->FullText());
    QVERIFY(file->ShownText().contains(QChar(0x2026)));
    QVERIFY(file->width() >= folder->width());

    // Typing marks the window modified at once, before any selection moves.
    PressText(window.Tree(), OptionNode::Sockets);
    TypeInto(window.Panel()->Control<QLineEdit>(C::Value1), QStringLiteral("4"));
    QVERIFY(window.isWindowModified());
    QCOMPARE(modified->text(), QStringLiteral("Modified"));
    QVERIFY(window.statusBar()->rect().contains(RectIn(modified, window.statusBar())));
    // The build's own store holds sample libraries, and the status bar says so.
    auto* notice = window.findChild<ElidedLabel*>(QStringLiteral("storeNoticeStatus"));
    QVERIFY(notice->isVisible());
    QCOMPARE(notice->FullText().toStdString(), std::string(kSampleLibrariesNotice));
    QVERIFY(window.statusBar()->rect().contains(RectIn(notice, window.statusBar())));

    // New asks about the unsaved change, then goes back to an untitled configuration.
    w.platform->choices = {Answer::No};
    window.MenuAction(MenuCommand::New)->trigger();
    QVERIFY(w.platform->choices.empty());
    QCOMPARE(window.windowTitle(), QStringLiteral("Untitled[*] - Quillon"));
    QCOMPARE(window.isWindowModified(), w.app->Wizard().Modified());
}

void DesktopWindowTest::filterFindsNodesByTheirLabels() {
    auto w = StartWizard();
    MainWindow& window = w.app->Window();
    OptionTreeView* tree = window.Tree();
    QTest::keySequence(&window, QKeySequence::Find);
    QVERIFY(window.Filter()->hasFocus());
    QTest::keyClicks(window.Filter(), QStringLiteral("window"));
    QVERIFY(!tree->Item(OptionNode::TCP)->isHidden());
    QVERIFY(!tree->Item(OptionNode::TransportLayer)->isHidden());
    QVERIFY(tree->Item(OptionNode::TransportLayer)->isExpanded());
    QVERIFY(tree->Item(OptionNode::UDP)->isHidden());
    QVERIFY(tree->Item(OptionNode::HardwareSettings)->isHidden());
    // Filtering changes no selection; Enter selects the first node found.
    QCOMPARE(w.app->Wizard().Tree().Selected(), OptionNode::HardwareSettings);
    QTest::keyClick(window.Filter(), Qt::Key_Return);
    QCOMPARE(w.app->Wizard().Tree().Selected(), OptionNode::TCP);
    QVERIFY(tree->hasFocus());
    QCOMPARE(window.Panel()->Control<QLabel>(C::Label1)->text(), QStringLiteral("TCP Window Size:"));
    QVERIFY(window.NoMatchLabel()->isHidden());

    // Enter on a word that pages mention too selects the node named by it.
    window.Filter()->setFocus();
    window.Filter()->clear();
    QTest::keyClicks(window.Filter(), QStringLiteral("sysclk"));
    QTest::keyClick(window.Filter(), Qt::Key_Return);
    QCOMPARE(w.app->Wizard().Tree().Selected(), OptionNode::SYSCLK);

    // Nothing found: the tree says so, and Enter leaves the selection where it was.
    window.Filter()->setFocus();
    window.Filter()->clear();
    QTest::keyClicks(window.Filter(), QStringLiteral("nothing like this"));
    QVERIFY(!window.NoMatchLabel()->isHidden());
    QCOMPARE(window.NoMatchLabel()->text(), QStringLiteral("No setting matches \"nothing like this\"."));
    QTest::keyClick(window.Filter(), Qt::Key_Return);
    QCOMPARE(w.app->Wizard().Tree().Selected(), OptionNode::SYSCLK);

    // A fold the user made survives the filter; Escape shows the whole tree again.
    window.Filter()->setFocus();
    QTest::keyClick(window.Filter(), Qt::Key_Escape);
    QVERIFY(window.Filter()->text().isEmpty());
    for (const NodeInfo& info : OptionNodeTable()) QVERIFY(!tree->Item(info.node)->isHidden());
    tree->Item(OptionNode::ApplicationLayer)->setExpanded(false);
    QTest::keyClicks(window.Filter(), QStringLiteral("server ip"));
    QVERIFY(tree->Item(OptionNode::ApplicationLayer)->isExpanded());
    QVERIFY(!tree->Item(OptionNode::SMTP)->isHidden());
    window.Filter()->clear();
    QVERIFY(!tree->Item(OptionNode::ApplicationLayer)->isExpanded());
    QVERIFY(!w.app->Wizard().Modified());
}

void DesktopWindowTest::openRecentOpensAndOffersToForgetMissingFiles() {
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.wp"));
    const QString b = dir.filePath(QStringLiteral("b.wp"));
    {
        auto w = StartWizard();
        w.platform->files = {a.toStdString()};
        w.app->Window().MenuAction(MenuCommand::SaveAs)->trigger();
        PressImage(w.app->Window().Tree(), OptionNode::UDP);
        w.platform->files = {b.toStdString()};
        w.app->Window().MenuAction(MenuCommand::SaveAs)->trigger();
        QVERIFY(w.platform->unexpected.empty());
    }
    auto w = StartWizard(true);
    QMenu* recent = w.app->Window().RecentMenu();
    emit recent->aboutToShow();
    QList<QAction*> entries = recent->actions();
    QCOMPARE(entries[0]->data().toString(), b);
    QCOMPARE(entries[1]->data().toString(), a);
    QCOMPARE(entries[0]->toolTip(), b);

    entries[0]->trigger();
    QVERIFY(w.platform->file_requests.empty());  // opened without a dialog
    QCOMPARE(w.app->Wizard().SettingsFileName(), b.toStdString());
    QVERIFY(w.app->Wizard().Tree().IsChecked(OptionNode::UDP));

    QVERIFY(QFile::remove(a));
    emit recent->aboutToShow();
    entries = recent->actions();
    QVERIFY(entries[1]->text().endsWith(QStringLiteral("(missing)")));
    w.platform->answers = {true};
    entries[1]->trigger();
    QCOMPARE(w.platform->questions.size(), 1u);
    QVERIFY(w.platform->questions[0].text.find("is no longer there") != std::string::npos);
    QCOMPARE(w.app->Wizard().SettingsFileName(), b.toStdString());
    const QList<QAction*> after = recent->actions();
    QCOMPARE(after[0]->data().toString(), b);
    QVERIFY(after[1]->isSeparator());
}

void DesktopWindowTest::f1OpensTheHelpAtTheNodeOnScreen() {
    auto w = StartWizard();
    MainWindow& window = w.app->Window();
    PressText(window.Tree(), OptionNode::TCP);
    QTest::keyClick(&window, Qt::Key_F1);
    HelpViewer* help = w.platform->Help();
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QCOMPARE(help->Browser()->source().fragment(), QStringLiteral("node-tcp"));
    QVERIFY(window.screen()->availableGeometry().contains(help->frameGeometry()));
    // The Help menu still opens the contents.
    window.MenuAction(MenuCommand::Help)->trigger();
    QCOMPARE(help->Browser()->source().fragment(), QString());
    QVERIFY(w.platform->messages.empty());
    // Escape closes it, with the focus in its text.
    help->activateWindow();
    help->Browser()->setFocus();
    QTest::keyClick(help->Browser(), Qt::Key_Escape);
    QTRY_VERIFY(!help->isVisible());
}

void DesktopWindowTest::toolTipsAndReadOnlyCodeSize() {
    auto w = StartWizard();
    MainWindow& window = w.app->Window();
    OptionTreeView* tree = window.Tree();
    tree->scrollToItem(tree->Item(OptionNode::UDP));
    const QString node_tip = ToolTipAt(tree->viewport(), tree->visualItemRect(tree->Item(OptionNode::UDP)).center());
    QVERIFY2(node_tip.startsWith(QStringLiteral("UDP\nOff.")), qPrintable(node_tip));

    PressText(tree, OptionNode::Sockets);
    QWidget* timeout = window.Panel()->ControlWidget(C::Value4);
    const QString field_tip = ToolTipAt(timeout, timeout->rect().center());
    QVERIFY2(field_tip.contains(QStringLiteral("In ticks of 10 ms")), qPrintable(field_tip));
    QVERIFY2(field_tip.contains(QStringLiteral("0 to 65535")), qPrintable(field_tip));
    // Inside an address control the tooltip is the control's.
    PressText(tree, OptionNode::IPAddresses);
    auto* address = window.Panel()->Control<AddressEdit>(C::Address1);
    QVERIFY(ToolTipAt(address->Field(2), QPoint(2, 2)).startsWith(QStringLiteral("An IPv4 address")));
    QToolTip::hideText();

    // The code-size boxes show a value: read-only, in the window's colour, never a keyboard stop.
    for (int id : {C::UsedSpace, C::FreeSpace}) {
        auto* box = window.Panel()->Control<QLineEdit>(id);
        QVERIFY(box->isReadOnly());
        QCOMPARE(box->focusPolicy(), Qt::NoFocus);
        QCOMPARE(box->palette().color(QPalette::Base), box->palette().color(QPalette::Window));
    }
    window.Filter()->setFocus();
    for (int i = 0; i < 40; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(QApplication::focusWidget() != window.Panel()->ControlWidget(C::UsedSpace));
        QVERIFY(QApplication::focusWidget() != window.Panel()->ControlWidget(C::FreeSpace));
    }
}

void DesktopWindowTest::exportedSessionReplaysThroughQuillonCli() {
    QTemporaryDir dir;
    const QString project = dir.filePath(QStringLiteral("project"));
    QVERIFY(QDir().mkpath(project));
    auto w = StartWizard();
    MainWindow& window = w.app->Window();
    OptionTreeView* tree = window.Tree();
    SettingsPanelView* panel = window.Panel();
    // A session as a user would make it: clicks, the keyboard, typing, addresses, MAC bytes,
    // the modem's page, the oscillator sheet, the filter and the File menu.
    PressImage(tree, OptionNode::HTTP);
    PressImage(tree, OptionNode::DHCP);
    PressImage(tree, OptionNode::Zintor);
    PressImage(tree, OptionNode::UsbFifoSupport);
    PressImage(tree, OptionNode::Vardex);
    PressImage(tree, OptionNode::CodeBankProject);
    PressText(tree, OptionNode::Sockets);
    TypeInto(panel->Control<QLineEdit>(C::Value1), QStringLiteral("6"));
    TypeInto(panel->Control<QLineEdit>(C::Value2), QStringLiteral("1024"));
    TypeInto(panel->Control<QLineEdit>(C::Value4), QStringLiteral("300"));
    PressText(tree, OptionNode::IPAddresses);
    auto* source = panel->Control<AddressEdit>(C::Address2);
    source->Field(0)->setFocus();
    source->Field(0)->selectAll();
    TypeAtFocus(QStringLiteral("10.1.2.3"));
    PressText(tree, OptionNode::MACAddresses);
    TypeInto(panel->Control<QLineEdit>(C::SrcMacFirst + 5), QStringLiteral("7e"));
    PressText(tree, OptionNode::ARP);
    QTest::mouseClick(panel->ControlWidget(C::ArpAutoUpdate), Qt::LeftButton, {}, QPoint(4, 4));
    TypeInto(panel->Control<QLineEdit>(C::Value4), QStringLiteral("8"));
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Down);
    QTest::keyClick(tree, Qt::Key_Down);
    QTest::keyClick(tree, Qt::Key_Down);
    QTest::keyClick(tree, Qt::Key_Space);  // UDP off
    QTest::keyClick(tree, Qt::Key_Space);  // and on again
    PressText(tree, OptionNode::SYSCLK);
    WhenSheetOpen([&](SheetDialog* sheet) {
        sheet->Tabs()->setCurrentIndex(3);
        auto* half = qobject_cast<QRadioButton*>(sheet->ControlWidget(3, 3835));
        QTRY_VERIFY(half->isVisible() && !half->geometry().isEmpty());
        QTest::mouseClick(half, Qt::LeftButton);
        sheet->Tabs()->setCurrentIndex(1);
        QTest::keyClick(sheet, Qt::Key_Enter);
    });
    QTest::mouseClick(panel->ControlWidget(C::ConfigureSysclk), Qt::LeftButton);
    PressImage(tree, OptionNode::Modara);
    PressText(tree, OptionNode::Modara);
    auto* country = panel->Control<QComboBox>(C::CountryCombo);
    country->setFocus();
    QTest::keyClick(country, Qt::Key_Home);
    TypeInto(panel->Control<QLineEdit>(C::Value4), QStringLiteral("5551234"));
    PressImage(tree, OptionNode::UsePassword);
    PressText(tree, OptionNode::UsePassword);
    TypeInto(panel->Control<QLineEdit>(C::Value1), QStringLiteral("  \"user\" "));
    QTest::keySequence(&window, QKeySequence::Find);
    QTest::keyClicks(window.Filter(), QStringLiteral("lease"));
    QTest::keyClick(window.Filter(), Qt::Key_Return);
    TypeInto(panel->Control<QLineEdit>(C::Value2), QStringLiteral("7200"));
    w.platform->folders = {project.toStdString()};
    window.MenuAction(MenuCommand::SelectProjectDirectory)->trigger();
    w.platform->files = {dir.filePath(QStringLiteral("session.wp")).toStdString()};
    window.MenuAction(MenuCommand::SaveAs)->trigger();
    window.Filter()->clear();
    PressImage(tree, OptionNode::PAP);
    QVERIFY(w.app->Wizard().Tree().IsChecked(OptionNode::PAP));
    QVERIFY(w.platform->unexpected.empty());
    QVERIFY2(w.app->Wizard().Session().Lines().size() >= 30,
             qPrintable(QString::number(w.app->Wizard().Session().Lines().size())));

    const QString script = dir.filePath(QStringLiteral("session.qs"));
    w.platform->files = {script.toStdString()};
    window.MenuAction(MenuCommand::ExportScript)->trigger();
    QVERIFY(QFileInfo::exists(script));

    std::ostringstream expected;
    cli::WriteRecordState(w.app->Wizard().Record(), expected);
    cli::WriteTreeState(w.app->Wizard().Tree(), expected);
    QFile file(script);
    QVERIFY(file.open(QIODevice::Append));
    file.write("show record\nshow tree\n");
    file.close();
    QProcess cli;
    cli.setWorkingDirectory(dir.path());
    cli.start(QStringLiteral(QUILLON_CLI), {QStringLiteral("script"), script});
    QVERIFY(cli.waitForFinished(30000));
    const QString err = QString::fromUtf8(cli.readAllStandardError());
    const QString out = QString::fromUtf8(cli.readAllStandardOutput());
    // The window still holds session.wp, so the replay's Save As is refused as the file in
    // use: reported, the script runs on to its end, and the run ends with status 1.
    QVERIFY2(out.contains(QStringLiteral("the file is in use by another program")), qPrintable(out));
    QCOMPARE(err, QStringLiteral("quillon-cli script: a settings file could not be opened or saved (1 time(s)); "
                                 "the script ran to its end\n"));
    QCOMPARE(cli.exitCode(), 1);
    QVERIFY2(out.endsWith(QString::fromStdString(expected.str())), qPrintable(out));
}

int RunDesktopWindowTests(int argc, char** argv) {
    DesktopWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "DesktopWindowTest.moc"
