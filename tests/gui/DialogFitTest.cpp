// Every dialog of the window on a laptop's screen, at whatever scale the environment sets (the
// tests run at 1x and 2x on 1366 x 768): the oscillator sheet of each family, Solve..., the
// preview of a generation, the file and folder dialogs, Help and About each lie on the screen
// with their buttons in view, and scroll what does not fit. A picture of each goes to the folder
// given as the first argument.
#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "GuiTestSupport.h"
#include "qt/AboutDialog.h"
#include "qt/ClockSolveDialog.h"
#include "qt/GenerationPreviewDialog.h"
#include "qt/HelpViewer.h"
#include "qt/MainWindow.h"
#include "qt/OptionTreeView.h"
#include "qt/SettingsPanelView.h"
#include "qt/SheetDialog.h"
#include "wizard/StoreBinding.h"

using namespace quillon;
using namespace quillon::qt;
using namespace quillon::qt::test;

namespace {

QString g_folder;

QRect Screen(const QWidget* w) { return w->screen()->availableGeometry(); }

// Where `w` lies in `top`, cut by every scroll area's viewport on the way up: what the user can
// see of it without scrolling.
QRect SeenIn(const QWidget* w, const QWidget* top) {
    QRect seen(w->mapTo(top, QPoint(0, 0)), w->size());
    for (const QWidget* p = w->parentWidget(); p && p != top; p = p->parentWidget()) {
        if (qobject_cast<const QAbstractScrollArea*>(p->parentWidget())) {
            seen &= QRect(p->mapTo(top, QPoint(0, 0)), p->size());
        }
    }
    return seen & top->rect();
}

// The dialog on the screen, no larger than it at its smallest, and its own buttons (those of
// its button boxes) whole in view.
void CheckFits(QWidget* dialog, const QString& name) {
    QApplication::processEvents();
    QVERIFY2(Screen(dialog).contains(dialog->frameGeometry()),
             qPrintable(QStringLiteral("%1 at %2,%3 %4x%5").arg(name).arg(dialog->x()).arg(dialog->y())
                            .arg(dialog->width()).arg(dialog->height())));
    QVERIFY2(dialog->minimumSize().width() <= Screen(dialog).width() &&
                 dialog->minimumSize().height() <= Screen(dialog).height(),
             qPrintable(name + QStringLiteral(": its minimum size is larger than the screen")));
    int buttons = 0;
    for (QDialogButtonBox* box : dialog->findChildren<QDialogButtonBox*>()) {
        if (!box->isVisibleTo(dialog) || box->window() != dialog) continue;
        for (QAbstractButton* button : box->buttons()) {
            if (!button->isVisibleTo(dialog)) continue;
            ++buttons;
            const QRect seen = SeenIn(button, dialog);
            QVERIFY2(seen.size() == button->size(),
                     qPrintable(QStringLiteral("%1: %2 is not whole in view").arg(name, button->text())));
        }
    }
    QVERIFY2(buttons > 0, qPrintable(name + QStringLiteral(": no buttons found")));
    if (!g_folder.isEmpty()) QVERIFY(dialog->grab().save(g_folder + QStringLiteral("/dialog-") + name + QStringLiteral(".png")));
}

// Runs `action` on the first modal dialog of type T, once it is up.
template <typename T>
void WhenModalOf(std::function<void(T*)> action) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action = std::move(action)] {
        auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!modal) return;
        timer->stop();
        timer->deleteLater();
        action(modal);
    });
    timer->start();
}

}  // namespace

class DialogFitTest : public QObject {
    Q_OBJECT

private slots:
    void sheetAndSolveOfEachFamily();
    void previewOfAGeneration();
    void fileAndFolderDialogs();
    void helpAndAbout();
};

void DialogFitTest::sheetAndSolveOfEachFamily() {
    auto w = StartWizard();
    OptionTreeView* tree = w.app->Window().Tree();
    for (OptionNode family : {OptionNode::Vardex, OptionNode::Pelmar, OptionNode::Zintor}) {
        if (!w.app->Wizard().Tree().IsChecked(family)) PressImage(tree, family);
        const QString name = QString::fromUtf8(InfoOf(family).text.data()).toLower();
        PressText(tree, OptionNode::SYSCLK);
        bool checked = false;
        WhenSheetOpen([&](SheetDialog* sheet) {
            // Every page, the largest included.
            for (int i = 0; i < sheet->Tabs()->count(); ++i) {
                sheet->Tabs()->setCurrentIndex(i);
                CheckFits(sheet, QStringLiteral("sheet-%1-%2").arg(name).arg(i + 1));
                if (QTest::currentTestFailed()) return;
            }
            // The pages scroll to every control of theirs.
            auto* area = sheet->findChild<QScrollArea*>(QStringLiteral("fittingScrollArea"));
            QVERIFY(area);
            QWidget* last = sheet->Tabs()->currentWidget();
            area->ensureWidgetVisible(last, 0, 0);
            auto* solve = sheet->findChild<QPushButton*>(QStringLiteral("solveButton"));
            area->ensureWidgetVisible(solve, 0, 0);
            QApplication::processEvents();
            QCOMPARE(SeenIn(solve, sheet).size(), solve->size());
            WhenModalOf<ClockSolveDialog>([&](ClockSolveDialog* dialog) {
                CheckFits(dialog, QStringLiteral("solve-") + name);
                dialog->reject();
            });
            QTest::mouseClick(solve, Qt::LeftButton);
            checked = true;
        });
        QTest::mouseClick(w.app->Window().Panel()->ControlWidget(ControlId::ConfigureSysclk), Qt::LeftButton);
        if (QTest::currentTestFailed()) return;
        QVERIFY2(checked, qPrintable(name + QStringLiteral(": the sheet did not open")));
    }
}

void DialogFitTest::previewOfAGeneration() {
    GenerationPreview preview;
    preview.folder = "/home/user/firmware/a-project-folder-with-a-long-name/and-below-it/";
    for (int i = 0; i < 40; ++i) preview.files.push_back({"file-" + std::to_string(i) + ".c", i % 3 ? "unchanged" : "merged"});
    preview.diff = [](std::size_t) { return std::string("--- a\n+++ b\n@@ -1 +1 @@\n-old line\n+new line\n"); };
    auto w = StartWizard();
    GenerationPreviewDialog dialog(preview, &w.app->Window());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    CheckFits(&dialog, QStringLiteral("preview"));
}

void DialogFitTest::fileAndFolderDialogs() {
    auto w = StartWizard();
    QtPlatform real;
    real.SetParentWidget(&w.app->Window());
    const auto check = [](const QString& name) {
        WhenModalOf<QFileDialog>([name](QFileDialog* dialog) {
            CheckFits(dialog, name);
            dialog->reject();
        });
    };
    FileDialogRequest request;
    request.filter = "Settings Files (*.wp)|*.wp|All Files (*.*)|*.*|";
    request.default_extension = "wp";
    request.initial_folder = QDir::tempPath().toStdString();
    check(QStringLiteral("save"));
    QVERIFY(!real.SaveFileDialog(request));
    check(QStringLiteral("open"));
    QVERIFY(!real.OpenFileDialog(request));
    check(QStringLiteral("folder"));
    QVERIFY(!real.BrowseForFolder("Select Project Directory", QDir::tempPath().toStdString()));
}

void DialogFitTest::helpAndAbout() {
    auto w = StartWizard();
    MainWindow& window = w.app->Window();
    window.MenuAction(MenuCommand::Help)->trigger();
    HelpViewer* help = w.platform->Help();
    QVERIFY(help);
    QVERIFY(QTest::qWaitForWindowExposed(help));
    QVERIFY(Screen(help).contains(help->frameGeometry()));
    help->close();
    AboutDialog about(AboutBox{AboutVersionLine(), {kSampleLibrariesNotice}}, &window);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    CheckFits(&about, QStringLiteral("about"));
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    g_folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (!g_folder.isEmpty() && !QDir().mkpath(g_folder)) return 2;
    DialogFitTest test;
    // The folder is ours, not a QtTest option.
    return QTest::qExec(&test, QStringList{QString::fromLocal8Bit(argv[0])});
}

#include "DialogFitTest.moc"
