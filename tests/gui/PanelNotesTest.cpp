// The notes of the settings panel, offscreen: a typed value that is not stored as typed shows
// its note under the field, a MAC byte refuses what is no hexadecimal digit, and a refused
// generation brings the field of its finding to the front with the keyboard focus. Screenshots
// of the notes go to the folder given as the first argument.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "GuiTestSupport.h"
#include "qt/MainWindow.h"
#include "qt/OptionTreeView.h"
#include "qt/SettingsPanelView.h"

using namespace quillon;
using namespace quillon::qt;
using namespace quillon::qt::test;

namespace {

namespace C = ControlId;

QString g_folder;

void TypeInto(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

// Where a widget lies in the main window.
QRect InWindow(QWidget* widget, QWidget* window) { return {widget->mapTo(window, QPoint(0, 0)), widget->size()}; }

bool Shot(QWidget* window, const QString& name) {
    QApplication::processEvents();
    const QString path = g_folder + QLatin1Char('/') + name + QStringLiteral(".png");
    return window->grab().save(path, "PNG");
}

}  // namespace

class PanelNotesTest : public QObject {
    Q_OBJECT

private slots:
    void notesShowUnderTheirField();
    void refusedGenerationFocusesTheField();
};

void PanelNotesTest::notesShowUnderTheirField() {
    auto w = StartWizard();
    MainWindow& window = w.app->Window();
    SettingsPanelView* panel = window.Panel();
    PressText(window.Tree(), OptionNode::Sockets);
    auto* tx = panel->Control<QLineEdit>(C::Value2);
    QLabel* note = panel->NoteLabel(C::Value2);
    const QRect label3_before = InWindow(panel->ControlWidget(C::Label3), &window);
    // On a laptop's screen at 1x the panel has the room to keep a note's place free under each
    // field; at 2x it has not, and a note makes its room when it comes.
    const bool kept_free = !panel->findChild<QWidget*>(QStringLiteral("note2"))->isHidden();
    if (qgetenv("QT_SCALE_FACTOR") == "1") QVERIFY(kept_free);

    TypeInto(tx, QStringLiteral("99999"));
    // Typed a key at a time: 9999 was the last number that fitted, and the field keeps it.
    const QString expected = QStringLiteral("99999 does not fit: not stored; the value stays 9999 (range 64 to 65535)");
    QVERIFY(note->isVisible());
    QCOMPARE(note->text(), expected);
    QCOMPARE(tx->toolTip(), expected);
    QCOMPARE(tx->text(), QStringLiteral("99999"));
    QCOMPARE(tx->palette().color(QPalette::Text), QColor(0xC0, 0x00, 0x00));
    QVERIFY(tx->actions().front()->isVisible());  // the warning mark at the end of the field
    // Under its field, whole, and above the next caption, which stays where the mouse left it
    // where the place was kept free.
    QApplication::processEvents();
    const QRect place = InWindow(note->parentWidget(), &window);
    QVERIFY(place.top() >= InWindow(tx, &window).bottom());
    QVERIFY(InWindow(panel->ControlWidget(C::Label3), &window).top() > place.bottom());
    QVERIFY(note->heightForWidth(note->width()) <= note->height());
    if (kept_free) QCOMPARE(InWindow(panel->ControlWidget(C::Label3), &window), label3_before);
    QVERIFY(Shot(&window, QStringLiteral("panel-note-typed-value")));

    // A number stored as typed takes the note away; the caption stays, or goes back, to its place.
    TypeInto(tx, QStringLiteral("1500"));
    QApplication::processEvents();
    QVERIFY(note->text().isEmpty());
    QCOMPARE(note->parentWidget()->isVisible(), kept_free);
    QVERIFY(!tx->actions().front()->isVisible());
    QVERIFY(tx->palette().color(QPalette::Text) != QColor(0xC0, 0x00, 0x00));
    QTRY_COMPARE(InWindow(panel->ControlWidget(C::Label3), &window), label3_before);

    // A MAC byte does not take a character that is no hexadecimal digit.
    PressText(window.Tree(), OptionNode::MACAddresses);
    auto* byte = panel->Control<QLineEdit>(C::SrcMacFirst + 1);
    TypeInto(byte, QStringLiteral("z"));
    QCOMPARE(byte->text(), QStringLiteral("0B"));
    QCOMPARE(panel->NoteLabel(C::SrcMacFirst + 1)->text(),
             QStringLiteral("\"Z\" is not a hexadecimal digit (0-9, A-F); the byte stays 0B"));
    QVERIFY(panel->NoteLabel(C::SrcMacFirst + 1)->isVisible());
    QVERIFY(Shot(&window, QStringLiteral("panel-note-mac-byte")));
}

void PanelNotesTest::refusedGenerationFocusesTheField() {
    auto w = StartWizard();
    MainWindow& window = w.app->Window();
    SettingsPanelView* panel = window.Panel();
    PressImage(window.Tree(), OptionNode::TCP);
    PressText(window.Tree(), OptionNode::Sockets);
    TypeInto(panel->Control<QLineEdit>(C::Value3), QStringLiteral("100"));
    PressText(window.Tree(), OptionNode::IPAddresses);

    window.MenuAction(MenuCommand::GenerateProject)->trigger();
    QApplication::processEvents();
    QCOMPARE(w.platform->messages.size(), std::size_t{1});
    QCOMPARE(w.platform->messages[0].text, std::string("TCP window is too large for RX buffers"));
    QCOMPARE(w.app->Wizard().Tree().Selected(), std::optional<OptionNode>(OptionNode::TCP));
    auto* window_edit = panel->Control<QLineEdit>(C::Value1);
    QVERIFY(window_edit->isVisible());
    QCOMPARE(window.focusWidget(), window_edit);
    QCOMPARE(window_edit->selectedText(), QStringLiteral("512"));
    QVERIFY(Shot(&window, QStringLiteral("panel-refusal-focus")));
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    g_folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    if (!QDir().mkpath(g_folder)) return 2;
    PanelNotesTest test;
    // The folder is ours, not a QtTest option.
    return QTest::qExec(&test, QStringList{QString::fromLocal8Bit(argv[0])});
}

#include "PanelNotesTest.moc"
