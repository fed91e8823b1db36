// The oscillator sheet's clock tree and "Solve...", driven through their widgets offscreen: the
// tree follows a click on a page at once, a click on a part shows its page, the foot box of a
// page lists the limits it fixes, and a solution picked in "Solve..." lands on the pages. With
// QUILLON_CLOCK_SHOTS set to a folder, each family's sheet is also rendered there at its
// defaults and with a limit broken, and the solve dialog once.
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include <functional>
#include <memory>

#include "GuiTestSupport.h"
#include "clock/ClockLimits.h"
#include "config/ClockDefaults.h"
#include "qt/ClockSolveDialog.h"
#include "qt/ClockTreeView.h"
#include "qt/SheetDialog.h"
#include "wizard/PlatformSheetUi.h"

using namespace quillon;
using namespace quillon::qt;

namespace {

std::uint32_t BitOf(Family family) {
    return family == Family::Vardex ? DeviceBit::Vardex : family == Family::Pelmar ? DeviceBit::Pelmar : DeviceBit::Zintor;
}

// A family's sheet at its defaults in the default project (Lanvik, Ethernet), shown.
struct ShownSheet {
    explicit ShownSheet(Family family) : sheet(DefaultClock(family), family, bridge) {
        ClockContext context;
        context.device_bits = BitOf(family) | DeviceBit::Lanvik;
        context.option_bits = kDefaultOptionBits;
        sheet.SetContext(context);
        sheet.Open();
        dialog = std::make_unique<SheetDialog>(sheet, platform);
        dialog->show();
        exposed = QTest::qWaitForWindowExposed(dialog.get());
        // The pages and the tree scroll in an area of their own, laid out by its posted events.
        QApplication::processEvents();
    }
    const ClockTreeNode& Node(ClockPart part) const { return *dialog->TreeView()->Tree().Find(part); }
    std::size_t IndexOf(ClockPart part) const {
        const auto& nodes = dialog->TreeView()->Tree().nodes;
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            if (nodes[i].part == part) return i;
        }
        return nodes.size();
    }
    void Click(std::size_t page, int id) {
        dialog->Tabs()->setCurrentIndex(static_cast<int>(page));
        QTest::mouseClick(dialog->ControlWidget(page, id), Qt::LeftButton, {}, QPoint(6, 6));
    }
    void Type(std::size_t page, int id, const QString& text) {
        dialog->Tabs()->setCurrentIndex(static_cast<int>(page));
        auto* edit = qobject_cast<QLineEdit*>(dialog->ControlWidget(page, id));
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    test::RecordingPlatform platform;
    PlatformSheetUi bridge{platform};
    SheetModel sheet;
    std::unique_ptr<SheetDialog> dialog;
    bool exposed = false;
};

// Drives each family's sheet into a broken limit, on the page where it is fixed.
void BreakALimit(ShownSheet& s, Family family) {
    switch (family) {
    case Family::Vardex:  // a 25 MHz crystal under "f <= 32kHz", the PLL x 16 from it
        s.Click(1, 3417);
        s.Type(1, 3409, QStringLiteral("25000000"));
        s.Click(2, 3817);
        s.Type(2, 3819, QStringLiteral("10"));
        break;
    case Family::Pelmar:  // the crystal changed to 4 MHz, its range left at "6.7MHz  < f"
        s.Type(1, 3409, QStringLiteral("4000000"));
        break;
    default:  // SYSCLK from a clock multiplier that is disabled
        s.Click(2, 6720);
        break;
    }
}

const char* Name(Family family) {
    return family == Family::Vardex ? "vardex" : family == Family::Pelmar ? "pelmar" : "zintor";
}

}  // namespace

class ClockTreeTest : public QObject {
    Q_OBJECT

private slots:
    void treeFollowsThePagesAtOnce() {
        ShownSheet s(Family::Vardex);
        QVERIFY(s.exposed);
        QCOMPARE(s.Node(ClockPart::Sysclk).value, std::string("98 MHz"));
        s.Click(0, 3397);  // internal oscillator / 2: the PLL's output halves
        QCOMPARE(s.Node(ClockPart::InternalDivider).value, std::string("12.25 MHz"));
        QCOMPARE(s.Node(ClockPart::Sysclk).value, std::string("49 MHz"));
        QVERIFY(s.dialog->TreeView()->Tree().violations.empty());
        QVERIFY(s.dialog->TreeView()->isVisible());
    }

    void clickingAPartShowsItsPage() {
        ShownSheet s(Family::Zintor);
        ClockTreeView* view = s.dialog->TreeView();
        const QRect box = view->NodeRect(s.IndexOf(ClockPart::Multiplier));
        QVERIFY(view->rect().contains(box));
        QTest::mouseClick(view, Qt::LeftButton, {}, box.center());
        QCOMPARE(s.dialog->Tabs()->tabText(s.dialog->Tabs()->currentIndex()), QStringLiteral("Clock Multiplier"));
        QCOMPARE(s.sheet.ActivePage().Caption(), std::string("Clock Multiplier"));
    }

    void brokenLimitsShowOnTheirPagesAndInRed() {
        ShownSheet s(Family::Vardex);
        BreakALimit(s, Family::Vardex);
        QCOMPARE(s.Node(ClockPart::Sysclk).value, std::string("400 MHz"));
        QVERIFY(!s.Node(ClockPart::PllOutput).violations.empty());
        QVERIFY(!s.Node(ClockPart::ExternalOscillator).violations.empty());
        auto* pll_foot = qobject_cast<QPlainTextEdit*>(s.dialog->ControlWidget(2, 3367));
        QVERIFY(pll_foot->toPlainText().startsWith(QStringLiteral("PLL output frequency is 400000000 Hz")));
        auto* internal_foot = qobject_cast<QPlainTextEdit*>(s.dialog->ControlWidget(0, 3367));
        QCOMPARE(internal_foot->toPlainText(), QString());
        QVERIFY(s.platform.messages.empty());
    }

    void solvingPutsTheChosenSettingsOnThePages() {
        ShownSheet s(Family::Vardex);
        BreakALimit(s, Family::Vardex);
        ClockSolveDialog solve(s.sheet, s.platform, s.dialog.get());
        solve.Target()->setText(QStringLiteral("50000000"));
        solve.Find();
        QVERIFY(solve.Solutions()->count() > 0);
        QVERIFY(solve.Solutions()->item(0)->text().startsWith(QStringLiteral("50 MHz · exact")));
        QVERIFY(solve.ApplyButton()->isEnabled());
        QTest::mouseClick(solve.ApplyButton(), Qt::LeftButton);
        s.dialog->SyncFromModel();
        QCOMPARE(s.sheet.Working().sysclk_hz, 50000000u);
        QCOMPARE(s.Node(ClockPart::Sysclk).value, std::string("50 MHz"));
        QVERIFY(s.dialog->TreeView()->Tree().violations.empty());
        QCOMPARE(s.dialog->Tabs()->tabText(s.dialog->Tabs()->currentIndex()), QStringLiteral("SYSCLK Select"));
        QVERIFY(s.platform.messages.empty());
    }

    // Renders the sheets for a person to look at, and checks what a picture cannot be trusted
    // to show: every part lies inside the view and none covers another.
    void screenshots() {
        const QString folder = qEnvironmentVariable("QUILLON_CLOCK_SHOTS");
        if (folder.isEmpty()) QSKIP("QUILLON_CLOCK_SHOTS is not set");
        QVERIFY(QDir().mkpath(folder));
        const auto save = [&](QWidget* widget, const QString& name) {
            QApplication::processEvents();
            QVERIFY(widget->grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"), "PNG"));
        };
        const auto check_parts = [](ClockTreeView* view) {
            const auto& nodes = view->Tree().nodes;
            for (std::size_t i = 0; i < nodes.size(); ++i) {
                const QRect a = view->NodeRect(i);
                QVERIFY2(view->rect().contains(a), qPrintable(QString::fromStdString(nodes[i].name) + QStringLiteral(" %1,%2 %3x%4 in %5x%6 hint %7x%8").arg(a.x()).arg(a.y()).arg(a.width()).arg(a.height()).arg(view->width()).arg(view->height()).arg(view->sizeHint().width()).arg(view->sizeHint().height())));
                for (std::size_t j = i + 1; j < nodes.size(); ++j) {
                    QVERIFY2(!a.intersects(view->NodeRect(j)), (nodes[i].name + " / " + nodes[j].name).c_str());
                }
            }
        };
        for (Family family : {Family::Vardex, Family::Pelmar, Family::Zintor}) {
            ShownSheet s(family);
            check_parts(s.dialog->TreeView());
            save(s.dialog.get(), QStringLiteral("clock-%1-default").arg(QLatin1String(Name(family))));
            BreakALimit(s, family);
            check_parts(s.dialog->TreeView());
            QVERIFY(!s.dialog->TreeView()->Tree().violations.empty());
            save(s.dialog.get(), QStringLiteral("clock-%1-violation").arg(QLatin1String(Name(family))));
            if (family == Family::Vardex) {
                ClockSolveDialog solve(s.sheet, s.platform, s.dialog.get());
                solve.Target()->setText(QStringLiteral("24000000"));
                solve.Find();
                solve.show();
                QVERIFY(QTest::qWaitForWindowExposed(&solve));
                save(&solve, QStringLiteral("clock-solve-dialog"));
            }
        }
    }
};

QTEST_MAIN(ClockTreeTest)
#include "ClockTreeTest.moc"
