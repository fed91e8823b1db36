// The preview before Generate Project writes: the dialog on its own (order, diffs, buttons, a
// screenshot), and the window's Generate Project asking through it.
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "GuiTestSupport.h"
#include "qt/GenerationPreviewDialog.h"
#include "qt/MainWindow.h"
#include "wizard/GenerationMessages.h"

using namespace quillon;
using namespace quillon::qt;
using namespace quillon::qt::test;

namespace {

GenerationPreview SamplePreview() {
    GenerationPreview p;
    p.folder = "/home/user/firmware/web-project/";
    p.files = {{"zs_defs.h", "unchanged"},
               {"main.c", "merged"},
               {"zs_userconst.h", "conflict"},
               {"locatra.h", "created"},
               {"zs_stack_common_039.lib", "unchanged"}};
    static const std::vector<std::string> diffs = {
        "",
        "diff --git a/main.c b/main.c\n--- a/main.c\n+++ b/main.c\n@@ -1,3 +1,3 @@\n // main.c\n-#define N 3\n"
        "+#define N 4\n // my board\n",
        "diff --git a/zs_userconst.h.merge b/zs_userconst.h.merge\nnew file mode 100644\n--- /dev/null\n+++ "
        "b/zs_userconst.h.merge\n@@ -0,0 +1,7 @@\n+<<<<<<< zs_userconst.h (yours)\n+#define IP { 10, 0, 0, 9 }\n"
        "+||||||| zs_userconst.h (last generated)\n+#define IP { 10, 0, 0, 1 }\n+=======\n+#define IP { 10, 0, 0, 2 }\n"
        "+>>>>>>> zs_userconst.h (generated now)\n",
        "diff --git a/locatra.h b/locatra.h\nnew file mode 100644\n--- /dev/null\n+++ b/locatra.h\n@@ -0,0 +1 @@\n"
        "+#define STRING_A \"Pump\"\n",
        "",
    };
    p.diff = [](std::size_t i) { return diffs.at(i); };
    return p;
}

}  // namespace

class GenerationPreviewTest : public QObject {
    Q_OBJECT

public:
    explicit GenerationPreviewTest(QString screenshots) : screenshots_(std::move(screenshots)) {}

private slots:
    void filesNeedingTheUsersEyeComeFirstWithTheirDiffs();
    void windowWritesOnlyAfterGenerate();

private:
    QString screenshots_;
};

void GenerationPreviewTest::filesNeedingTheUsersEyeComeFirstWithTheirDiffs() {
    GenerationPreviewDialog dialog(SamplePreview());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTreeWidget* files = dialog.Files();
    QCOMPARE(files->topLevelItemCount(), 5);
    const QStringList order = {"zs_userconst.h", "main.c", "locatra.h", "zs_defs.h", "zs_stack_common_039.lib"};
    for (int i = 0; i < order.size(); ++i) QCOMPARE(files->topLevelItem(i)->text(0), order[i]);
    QCOMPARE(files->topLevelItem(0)->text(1), QStringLiteral("conflict"));

    // The first file is shown at once, with what its outcome means.
    QVERIFY(dialog.Diff()->toPlainText().contains(QStringLiteral("<<<<<<< zs_userconst.h (yours)")));
    const auto* meaning = dialog.findChild<QLabel*>(QStringLiteral("meaning"));
    QVERIFY(meaning && meaning->text().contains(QStringLiteral("zs_userconst.h.merge")));
    const auto* summary = dialog.findChild<QLabel*>(QStringLiteral("summary"));
    QVERIFY(summary && summary->text().contains(QStringLiteral("1 conflict, 1 merged, 1 created, 2 unchanged")));
    if (!screenshots_.isEmpty()) {
        QDir().mkpath(screenshots_);
        QVERIFY(dialog.grab().save(screenshots_ + QStringLiteral("/generation-preview.png")));
    }

    files->setCurrentItem(files->topLevelItem(1));
    QVERIFY(dialog.Diff()->toPlainText().contains(QStringLiteral("+#define N 4")));
    files->setCurrentItem(files->topLevelItem(3));
    QCOMPARE(dialog.Diff()->toPlainText(), QString());
    QVERIFY(meaning->text().contains(QStringLiteral("stays as it is")));

    QVERIFY(dialog.GenerateButton()->isDefault());
    QTest::mouseClick(dialog.GenerateButton(), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void GenerationPreviewTest::windowWritesOnlyAfterGenerate() {
    StartedWizard started = StartWizard();
    WizardDialog& wizard = started.app->Wizard();
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    wizard.OnOptionClick(OptionNode::HTTP);  // a web server: the defaults have no transport layer
    // Frame buffers that leave the web server's tables room in the 4 KB of XDATA.
    wizard.Record().xmit_buff_size = 1024;
    wizard.Record().recv_buff_size = 1024;
    wizard.SetProjectFolder(folder.path().toStdString());

    // Cancel: nothing is written, nothing is said.
    bool asked = false;
    WhenModal([&](QWidget* modal) {
        auto* preview = qobject_cast<GenerationPreviewDialog*>(modal);
        asked = preview != nullptr;
        QVERIFY(preview);
        QCOMPARE(preview->Files()->topLevelItem(0)->text(1), QStringLiteral("created"));
        // The diff of the first file, made by the generation on the spot.
        QVERIFY(preview->Diff()->toPlainText().startsWith(QStringLiteral("diff --git a/zs_stackconst.h b/zs_stackconst.h\n")));
        preview->reject();
    });
    wizard.OnGenerateProject();
    QVERIFY(asked);
    QVERIFY(QDir(folder.path()).isEmpty());
    QVERIFY(started.platform->messages.empty());

    // Generate: the project is written and the closing message lists every file.
    WhenModal([](QWidget* modal) {
        auto* preview = qobject_cast<GenerationPreviewDialog*>(modal);
        QVERIFY(preview);
        QTest::mouseClick(preview->GenerateButton(), Qt::LeftButton);
    });
    wizard.OnGenerateProject();
    QVERIFY(QFileInfo::exists(folder.filePath(QStringLiteral("main.c"))));
    QCOMPARE(started.platform->messages.size(), std::size_t{1});
    QVERIFY(started.platform->messages[0].text.starts_with(kGeneratedMessage));
    QVERIFY(!started.platform->messages[0].file_outcomes.empty());
    QCOMPARE(QString::fromStdString(started.platform->messages[0].file_outcomes[0]), QStringLiteral("created: zs_stackconst.h"));
    QVERIFY(started.platform->unexpected.empty());
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The screenshot folder, when given, comes first; the rest is for QtTest.
    QString screenshots;
    if (argc > 1 && argv[1][0] != '-') {
        screenshots = QString::fromLocal8Bit(argv[1]);
        --argc;
        ++argv;
    }
    GenerationPreviewTest test(screenshots);
    return QTest::qExec(&test, argc, argv);
}

#include "GenerationPreviewTest.moc"
