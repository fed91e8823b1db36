// The desktop window driven through its real widgets, offscreen: presses on the tree, typing
// into the panel, the address control, the oscillator sheet, the menus and Exit.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include "GuiTestSupport.h"
#include "qt/AboutDialog.h"
#include "wizard/StoreBinding.h"
#include "qt/AddressEdit.h"
#include "qt/Artwork.h"
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

// Replaces an edit's text the way a user does: select everything, then type.
void TypeInto(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void windowHasItsMenusAndShortcuts();
    void pressOnImageTogglesAndUpdatesCodeSize();
    void pressOnTextOnlySelects();
    void keyboardMovesSelectionAndSpaceClicks();
    void doubleClickNeitherExpandsNorCollapses();
    void socketsShowsRecordValuesAndTypingWritesBack();
    void macEditsTakeCapitalsAndGreyOutWithoutEthernet();
    void addressControlWritesBackAndModaraCombos();
    void sheetCancelChangesNothingAndOkConfirms();
    void sheetKeepsAPageWithABadNumberAndAsksThroughThePlatform();
    void exitAsksOnlyWithChanges();
    void settingsFileNamedAtStartOpens();
    void aboutAndHelp();
};

void WindowTest::windowHasItsMenusAndShortcuts() {
    auto w = StartWizard();
    MainWindow& window = w.app->Window();
    QCOMPARE(window.windowTitle(), QStringLiteral("Untitled[*] - Quillon"));
    const QList<QAction*> menus = window.menuBar()->actions();
    QCOMPARE(menus.size(), 2);
    QCOMPARE(menus[0]->text(), QStringLiteral("&File"));
    QCOMPARE(menus[1]->text(), QStringLiteral("&Help"));
    QStringList file;
    for (QAction* a : menus[0]->menu()->actions()) file << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(file, (QStringList{"&New (Reset Options)", "&Open...", "Open &Recent", "&Save", "Save &As...",
                                "&Export Script...", "-", "Select Project Directory...", "&Generate Project...", "-",
                                "E&xit"}));
    QStringList help;
    for (QAction* a : menus[1]->menu()->actions()) help << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(help, (QStringList{"&Help...", "Help on the &Selection", "-", "&About..."}));
    QCOMPARE(window.MenuAction(MenuCommand::New)->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));
    QCOMPARE(window.MenuAction(MenuCommand::Open)->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    QCOMPARE(window.MenuAction(MenuCommand::Save)->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    QCOMPARE(window.MenuAction(MenuCommand::SaveAs)->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    QCOMPARE(window.MenuAction(MenuCommand::GenerateProject)->shortcut(), QKeySequence(QStringLiteral("Ctrl+G")));
    QCOMPARE(window.MenuAction(MenuCommand::ContextHelp)->shortcut(), QKeySequence(QStringLiteral("F1")));
    // The start state of the panel: "Hardware Settings" selected, code size filled in.
    QCOMPARE(w.app->Wizard().Tree().Selected(), OptionNode::HardwareSettings);
    QCOMPARE(window.Tree()->currentItem(), window.Tree()->Item(OptionNode::HardwareSettings));
    auto* used = window.Panel()->Control<QLineEdit>(C::UsedSpace);
    QVERIFY(used->isReadOnly());
    QCOMPARE(used->text().toStdString(), w.app->Wizard().Panel().Control(C::UsedSpace).text);
    QVERIFY(w.platform->messages.empty());
}

void WindowTest::pressOnImageTogglesAndUpdatesCodeSize() {
    auto w = StartWizard();
    WizardDialog& wizard = w.app->Wizard();
    OptionTreeView* tree = w.app->Window().Tree();
    auto* used = w.app->Window().Panel()->Control<QLineEdit>(C::UsedSpace);
    auto* free = w.app->Window().Panel()->Control<QLineEdit>(C::FreeSpace);
    // With UDP chosen, TCP decides between two libraries of different sizes.
    PressImage(tree, OptionNode::UDP);
    QVERIFY(!wizard.Tree().IsChecked(OptionNode::TCP));
    const QString used_without_tcp = used->text();

    PressImage(tree, OptionNode::TCP);
    QVERIFY(wizard.Tree().IsChecked(OptionNode::TCP));
    QVERIFY(wizard.Record().option_bits & OptionBit::TCP);
    QVERIFY(wizard.Modified());
    QCOMPARE(tree->Item(OptionNode::TCP)->icon(0).cacheKey(), TreeImageIcon(TreeImage::On).cacheKey());
    QCOMPARE(used->text().toStdString(), wizard.Panel().Control(C::UsedSpace).text);
    QCOMPARE(free->text().toStdString(), wizard.Panel().Control(C::FreeSpace).text);
    QVERIFY2(used->text() != used_without_tcp, "TCP adds to the stack's code size");
    // The press also selects the item, which shows its page.
    QCOMPARE(wizard.Tree().Selected(), OptionNode::TCP);
    QCOMPARE(tree->currentItem(), tree->Item(OptionNode::TCP));
    QCOMPARE(w.app->Window().Panel()->Control<QLabel>(C::Label1)->text(), QStringLiteral("TCP Window Size:"));

    PressImage(tree, OptionNode::TCP);
    QVERIFY(!wizard.Tree().IsChecked(OptionNode::TCP));
    QCOMPARE(used->text(), used_without_tcp);
    QCOMPARE(tree->Item(OptionNode::TCP)->icon(0).cacheKey(), TreeImageIcon(TreeImage::Off).cacheKey());
}

void WindowTest::pressOnTextOnlySelects() {
    auto w = StartWizard();
    WizardDialog& wizard = w.app->Wizard();
    OptionTreeView* tree = w.app->Window().Tree();
    const ConfigRecord before = wizard.Record();
    PressText(tree, OptionNode::HTTP);
    QCOMPARE(wizard.Tree().Selected(), OptionNode::HTTP);
    QCOMPARE(tree->currentItem(), tree->Item(OptionNode::HTTP));
    QVERIFY(!wizard.Tree().IsChecked(OptionNode::HTTP));
    QVERIFY(!wizard.Modified());
    QVERIFY(wizard.Record() == before);
    QCOMPARE(w.app->Window().Panel()->Control<QLabel>(C::Label1)->text(),
             QStringLiteral("Size of HTTP buffer (bytes):"));
    // A press on a category's picture only selects too: groups have no state.
    PressImage(tree, OptionNode::TransportLayer);
    QCOMPARE(wizard.Tree().Selected(), OptionNode::TransportLayer);
    QVERIFY(wizard.Record() == before);
}

void WindowTest::keyboardMovesSelectionAndSpaceClicks() {
    auto w = StartWizard();
    WizardDialog& wizard = w.app->Wizard();
    OptionTreeView* tree = w.app->Window().Tree();
    PressText(tree, OptionNode::TransportLayer);
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Down);
    QCOMPARE(wizard.Tree().Selected(), OptionNode::TCP);
    QCOMPARE(w.app->Window().Panel()->Control<QLabel>(C::Label1)->text(), QStringLiteral("TCP Window Size:"));
    QVERIFY(!wizard.Modified());
    QTest::keyClick(tree, Qt::Key_Space);
    QVERIFY(wizard.Tree().IsChecked(OptionNode::TCP));
    QTest::keyClick(tree, Qt::Key_Space);
    QVERIFY(!wizard.Tree().IsChecked(OptionNode::TCP));
    QTest::keyClick(tree, Qt::Key_Up);
    QCOMPARE(wizard.Tree().Selected(), OptionNode::TransportLayer);
}

void WindowTest::doubleClickNeitherExpandsNorCollapses() {
    auto w = StartWizard();
    MainWindow& window = w.app->Window();
    OptionTreeView* tree = window.Tree();
    // Through the window, so that the double click arrives as a platform delivers it: press,
    // release, a second press and the double click.
    const auto double_click = [&](QPoint in_viewport) {
        QTest::mouseDClick(window.windowHandle(), Qt::LeftButton, {}, tree->viewport()->mapTo(&window, in_viewport));
    };
    QTreeWidgetItem* category = tree->Item(OptionNode::CommunicationAdapter);
    QVERIFY(category->isExpanded());
    const QRect item = tree->visualItemRect(category);
    double_click(QPoint(tree->ImageRect(OptionNode::CommunicationAdapter).right() + 12, item.center().y()));
    QVERIFY(category->isExpanded());
    QCOMPARE(w.app->Wizard().Tree().Selected(), OptionNode::CommunicationAdapter);
    QVERIFY(!w.app->Wizard().Modified());
    // On a box, both presses count: a quick double click switches the option on and off again.
    tree->scrollToItem(tree->Item(OptionNode::UDP));
    double_click(tree->ImageRect(OptionNode::UDP).center());
    QVERIFY(!w.app->Wizard().Tree().IsChecked(OptionNode::UDP));
    QCOMPARE(w.app->Wizard().Tree().Selected(), OptionNode::UDP);
    QVERIFY(w.app->Wizard().Modified());
    QVERIFY(tree->Item(OptionNode::TransportLayer)->isExpanded());
}

void WindowTest::socketsShowsRecordValuesAndTypingWritesBack() {
    auto w = StartWizard();
    WizardDialog& wizard = w.app->Wizard();
    SettingsPanelView* panel = w.app->Window().Panel();
    PressText(w.app->Window().Tree(), OptionNode::Sockets);
    const ConfigRecord& r = wizard.Record();
    const std::pair<int, unsigned> expected[] = {{C::Value1, r.num_sockets},
                                                 {C::Value2, r.xmit_buff_size},
                                                 {C::Value3, r.recv_buff_size},
                                                 {C::Value4, r.socket_wait_ticks}};
    for (const auto& [id, value] : expected) {
        auto* edit = panel->Control<QLineEdit>(id);
        QVERIFY(edit->isVisible());
        QCOMPARE(edit->text(), QString::number(value));
        QCOMPARE(edit->maxLength(), 35);
    }
    QCOMPARE(panel->Control<QLabel>(C::Label1)->text(), QStringLiteral("Number of sockets:"));
    QVERIFY(!panel->Control<AddressEdit>(C::Address1)->isVisible());

    TypeInto(panel->Control<QLineEdit>(C::Value1), QStringLiteral("5"));
    QCOMPARE(r.num_sockets, 5);
    QVERIFY(wizard.Modified());
    // The socket count is an 8-bit field: typed a key at a time, 30 is stored and 300, which
    // does not fit, is not; the field keeps 30.
    TypeInto(panel->Control<QLineEdit>(C::Value1), QStringLiteral("300"));
    QCOMPARE(r.num_sockets, 30);
    TypeInto(panel->Control<QLineEdit>(C::Value4), QStringLiteral("250"));
    QCOMPARE(r.socket_wait_ticks, 250);
    // The edit keeps the text as typed; leaving and coming back shows the stored value.
    QCOMPARE(panel->Control<QLineEdit>(C::Value1)->text(), QStringLiteral("300"));
    PressText(w.app->Window().Tree(), OptionNode::SystemSettings);
    QVERIFY(!panel->Control<QLineEdit>(C::Value1)->isVisible());
    PressText(w.app->Window().Tree(), OptionNode::Sockets);
    QCOMPARE(panel->Control<QLineEdit>(C::Value1)->text(), QStringLiteral("30"));
    // No more than 35 characters go into a value.
    TypeInto(panel->Control<QLineEdit>(C::Value2), QString(40, QLatin1Char('9')));
    QCOMPARE(panel->Control<QLineEdit>(C::Value2)->text().size(), 35);
}

void WindowTest::macEditsTakeCapitalsAndGreyOutWithoutEthernet() {
    auto w = StartWizard();
    WizardDialog& wizard = w.app->Wizard();
    SettingsPanelView* panel = w.app->Window().Panel();
    OptionTreeView* tree = w.app->Window().Tree();
    PressText(tree, OptionNode::MACAddresses);
    auto* first_src = panel->Control<QLineEdit>(C::SrcMacFirst + 1);
    QVERIFY(first_src->isVisible());
    QVERIFY(first_src->isEnabled());
    QCOMPARE(first_src->text(), QStringLiteral("0B"));
    QCOMPARE(first_src->maxLength(), 2);
    TypeInto(first_src, QStringLiteral("ab"));
    QCOMPARE(first_src->text(), QStringLiteral("AB"));
    QCOMPARE(wizard.Record().eth_src_hw_addr[1], 0xAB);

    // The modem as the adapter leaves no Ethernet: the twelve bytes are shown greyed out.
    PressImage(tree, OptionNode::Modara);
    QVERIFY(!(wizard.Record().option_bits & OptionBit::Ethernet));
    PressText(tree, OptionNode::MACAddresses);
    for (int id = C::DestMacFirst; id < C::DestMacFirst + 12; ++id) {
        QVERIFY(panel->ControlWidget(id)->isVisible());
        QVERIFY(!panel->ControlWidget(id)->isEnabled());
    }
}

void WindowTest::addressControlWritesBackAndModaraCombos() {
    auto w = StartWizard();
    WizardDialog& wizard = w.app->Wizard();
    SettingsPanelView* panel = w.app->Window().Panel();
    OptionTreeView* tree = w.app->Window().Tree();
    PressText(tree, OptionNode::IPAddresses);
    auto* source = panel->Control<AddressEdit>(C::Address2);
    QVERIFY(source->isVisible());
    QVERIFY(panel->Control<AddressEdit>(C::Address4)->isVisible());
    QVERIFY(!panel->Control<QLineEdit>(C::Value2)->isVisible());
    source->Field(0)->setFocus();
    source->Field(0)->selectAll();
    TypeAtFocus(QStringLiteral("10.0.0.7"));
    QCOMPARE(source->Address(), (Ip4{10, 0, 0, 7}));
    QCOMPARE(wizard.Record().ip_src_addr, (Ip4{10, 0, 0, 7}));
    QVERIFY(wizard.Modified());

    // Without Ethernet only destination and source are shown.
    PressImage(tree, OptionNode::Modara);
    PressText(tree, OptionNode::IPAddresses);
    QVERIFY(panel->Control<AddressEdit>(C::Address2)->isVisible());
    QVERIFY(!panel->Control<AddressEdit>(C::Address3)->isVisible());
    QVERIFY(!panel->Control<AddressEdit>(C::Address4)->isVisible());

    // The modem's page: the combos start on their construction entries and write back.
    PressText(tree, OptionNode::Modara);
    auto* country = panel->Control<QComboBox>(C::CountryCombo);
    auto* protocol = panel->Control<QComboBox>(C::ProtocolCombo);
    QVERIFY(country->isVisible());
    QCOMPARE(country->count(), kCountryCount);
    QCOMPARE(country->currentText(), QStringLiteral("United States"));
    QCOMPARE(protocol->currentText(), QStringLiteral("V.90 with automatic fallback"));
    // The modem is the adapter, so the baud rate and its button are greyed out.
    QVERIFY(!panel->ControlWidget(C::Value1)->isEnabled());
    QVERIFY(!panel->ControlWidget(C::UpdateBaudRate)->isEnabled());
    country->setFocus();
    QTest::keyClick(country, Qt::Key_Home);
    QCOMPARE(wizard.Record().country_index, 0);
    QCOMPARE(wizard.Record().country_code, std::string(kCountryTable[0].code));
}

void WindowTest::sheetCancelChangesNothingAndOkConfirms() {
    auto w = StartWizard();
    WizardDialog& wizard = w.app->Wizard();
    SettingsPanelView* panel = w.app->Window().Panel();
    PressText(w.app->Window().Tree(), OptionNode::SYSCLK);
    auto* configure = panel->Control<QPushButton>(C::ConfigureSysclk);
    QVERIFY(configure->isVisible());
    QCOMPARE(configure->text(), QStringLiteral("Configure SYSCLK"));
    const ConfigRecord before = wizard.Record();

    QStringList tabs;
    WhenSheetOpen([&](SheetDialog* sheet) {
        for (int i = 0; i < sheet->Tabs()->count(); ++i) tabs << sheet->Tabs()->tabText(i);
        // Change something on the last page, then cancel.
        sheet->Tabs()->setCurrentIndex(3);
        qobject_cast<QRadioButton*>(sheet->ControlWidget(3, 3835))->click();
        sheet->reject();
    });
    QTest::mouseClick(configure, Qt::LeftButton);
    QCOMPARE(tabs, (QStringList{"Internal Oscillator", "External Oscillator", "PLL Setup", "SYSCLK Select"}));
    QVERIFY(wizard.Record() == before);
    QVERIFY(!wizard.Modified());

    QString divided;
    WhenSheetOpen([&](SheetDialog* sheet) {
        QCOMPARE(sheet->windowTitle(), QStringLiteral("Oscillators"));
        sheet->Tabs()->setCurrentIndex(3);
        auto* half = qobject_cast<QRadioButton*>(sheet->ControlWidget(3, 3835));
        // The page is laid out when it is first shown.
        QTRY_VERIFY(half->isVisible() && !half->geometry().isEmpty());
        QTest::mouseClick(half, Qt::LeftButton);
        QVERIFY(half->isChecked());
        QVERIFY(!qobject_cast<QRadioButton*>(sheet->ControlWidget(3, 3833))->isChecked());
        divided = qobject_cast<QLineEdit*>(sheet->ControlWidget(3, 3410))->text();
        QTest::keyClick(sheet, Qt::Key_Enter);
    });
    QTest::mouseClick(configure, Qt::LeftButton);
    QCOMPARE(divided, QStringLiteral("49000000"));
    QCOMPARE(wizard.Record().clock.sysclk_hz, 49000000u);
    QCOMPARE(wizard.Record().clock_confirmed, 1u);
    QVERIFY(wizard.Modified());
    QVERIFY(w.platform->unexpected.empty());
}

void WindowTest::sheetKeepsAPageWithABadNumberAndAsksThroughThePlatform() {
    auto w = StartWizard();
    PressText(w.app->Window().Tree(), OptionNode::SYSCLK);
    bool ran = false;
    WhenSheetOpen([&](SheetDialog* sheet) {
        QTabWidget* tabs = sheet->Tabs();
        // A frequency beyond 32 bits cannot be taken: the page stays until it is corrected.
        tabs->setCurrentIndex(1);
        auto* frequency = qobject_cast<QLineEdit*>(sheet->ControlWidget(1, 3409));
        QTRY_VERIFY(frequency->isVisible());
        TypeInto(frequency, QStringLiteral("99999999999"));
        tabs->setCurrentIndex(2);
        QCOMPARE(tabs->currentIndex(), 1);
        QCOMPARE(w.platform->messages.size(), 1u);
        QCOMPARE(w.platform->messages[0].text, std::string("Please enter a positive integer."));
        TypeInto(frequency, QStringLiteral("22118400"));
        tabs->setCurrentIndex(0);
        QCOMPARE(tabs->currentIndex(), 0);

        // The pages' questions come through the Platform, without a caption of their own.
        auto* enable = qobject_cast<QCheckBox*>(sheet->ControlWidget(0, 3399));
        QTRY_VERIFY(enable->isVisible() && !enable->geometry().isEmpty());
        QVERIFY(enable->isChecked());
        QTest::mouseClick(enable, Qt::LeftButton);
        QVERIFY(!enable->isChecked());
        tabs->setCurrentIndex(3);
        w.platform->answers = {true};
        auto* internal = qobject_cast<QRadioButton*>(sheet->ControlWidget(3, 3813));
        QTRY_VERIFY(internal->isVisible() && !internal->geometry().isEmpty());
        QTest::mouseClick(internal, Qt::LeftButton);
        QCOMPARE(w.platform->questions.size(), 1u);
        QVERIFY(w.platform->questions[0].text.rfind("Do you want to enable the Internal Oscillator?", 0) == 0);
        QCOMPARE(w.platform->questions[0].caption, std::string());
        QCOMPARE(w.platform->questions[0].icon, MessageIcon::Question);
        QVERIFY(internal->isChecked());
        // Yes enabled the oscillator, which its page shows when it is active again.
        tabs->setCurrentIndex(0);
        QVERIFY(enable->isChecked());
        ran = true;
    });
    QTest::mouseClick(w.app->Window().Panel()->ControlWidget(C::ConfigureSysclk), Qt::LeftButton);
    QVERIFY(ran);
    QVERIFY(w.platform->unexpected.empty());
}

void WindowTest::exitAsksOnlyWithChanges() {
    {
        auto w = StartWizard();
        // Enter and Escape do not end the window.
        QTest::keyClick(&w.app->Window(), Qt::Key_Escape);
        QTest::keyClick(&w.app->Window(), Qt::Key_Return);
        QVERIFY(w.app->Window().isVisible());
        QVERIFY(w.app->Window().close());
        QVERIFY(w.platform->questions.empty());
    }
    auto w = StartWizard();
    PressImage(w.app->Window().Tree(), OptionNode::UDP);
    // No ends without saving.
    w.platform->answers = {false};
    w.app->Window().MenuAction(MenuCommand::Exit)->trigger();
    QCOMPARE(w.platform->questions.size(), 1u);
    QCOMPARE(w.platform->questions[0].text, std::string("Do you want to save your settings? They are a new configuration, not saved to a file yet."));
    QCOMPARE(w.platform->questions[0].icon, MessageIcon::Question);
    QVERIFY(!w.app->Window().isVisible());

    // Yes saves first, through the save dialog; the close box asks the same question.
    auto again = StartWizard();
    PressImage(again.app->Window().Tree(), OptionNode::UDP);
    QTemporaryDir dir;
    const std::string path = (dir.path() + QStringLiteral("/exit.wp")).toStdString();
    again.platform->answers = {true};
    again.platform->files = {path};
    QVERIFY(again.app->Window().close());
    QCOMPARE(again.platform->questions.size(), 1u);
    QVERIFY(QFileInfo::exists(QString::fromStdString(path)));
    QVERIFY(!again.app->Wizard().Modified());
}

void WindowTest::settingsFileNamedAtStartOpens() {
    QTemporaryDir dir;
    const std::string path = (dir.path() + QStringLiteral("/start.wp")).toStdString();
    {
        auto w = StartWizard();
        PressImage(w.app->Window().Tree(), OptionNode::UDP);
        w.platform->files = {path};
        w.app->Window().MenuAction(MenuCommand::SaveAs)->trigger();
        QVERIFY(w.platform->unexpected.empty());
        QVERIFY(!w.app->Wizard().Modified());
    }
    auto w = StartWizard();
    QVERIFY(!w.app->Wizard().Tree().IsChecked(OptionNode::UDP));
    w.app->OpenAtStart(path);
    QVERIFY(w.platform->file_requests.empty());  // answered without a dialog
    QVERIFY(w.app->Wizard().Tree().IsChecked(OptionNode::UDP));
    QCOMPARE(w.app->Window().Tree()->Item(OptionNode::UDP)->icon(0).cacheKey(),
             TreeImageIcon(TreeImage::On).cacheKey());
    QVERIFY(w.app->Window().findChild<ElidedLabel*>(QStringLiteral("settingsFileStatus"))->FullText().contains(QStringLiteral("start.wp")));
    // The answer was for that one dialog only.
    w.app->Window().MenuAction(MenuCommand::Open)->trigger();
    QCOMPARE(w.platform->unexpected, (std::vector<std::string>{"open dialog"}));
}

void WindowTest::aboutAndHelp() {
    AboutDialog about;
    QCOMPARE(about.windowTitle(), QStringLiteral("About Quillon"));
    QCOMPARE(about.findChild<QLabel*>(QStringLiteral("aboutVersion"))->text(), QStringLiteral("Quillon Version 3.23"));
    QVERIFY(!about.findChild<QLabel*>(QStringLiteral("aboutIcon"))->pixmap().isNull());
    QVERIFY(!about.findChild<QLabel*>(QStringLiteral("aboutNotice")));
    AboutDialog samples(AboutBox{AboutVersionLine(), {kSampleLibrariesNotice}});
    QCOMPARE(samples.findChild<QLabel*>(QStringLiteral("aboutNotice"))->text(), QString(kSampleLibrariesNotice));

    auto w = StartWizard();
    w.app->Window().MenuAction(MenuCommand::Help)->trigger();
    QVERIFY2(w.platform->messages.empty(),
             w.platform->messages.empty() ? "" : w.platform->messages[0].text.c_str());
    HelpViewer* help = w.platform->Help();
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QVERIFY(help->Browser()->toPlainText().contains(QStringLiteral("The option tree")));
    QVERIFY(help->Browser()->source().toLocalFile().endsWith(QStringLiteral("help/index.html")));
}

int RunWidgetPartsTests(int argc, char** argv);
int RunDesktopWindowTests(int argc, char** argv);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    WindowTest window;
    int failed = QTest::qExec(&window, argc, argv);
    failed += RunWidgetPartsTests(argc, argv);
    failed += RunDesktopWindowTests(argc, argv);
    return failed;
}

#include "WindowTest.moc"
