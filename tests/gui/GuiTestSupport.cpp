#include "GuiTestSupport.h"

#include <QApplication>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include "qt/MainWindow.h"
#include "qt/OptionTreeView.h"
#include "qt/SheetDialog.h"

namespace quillon::qt::test {

bool RecordingPlatform::AskYesNo(const Message& question) {
    questions.push_back(question);
    if (answers.empty()) {
        unexpected.push_back("question: " + question.text);
        return false;
    }
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

Answer RecordingPlatform::AskYesNoCancel(const Message& question) {
    if (!choices.empty()) {
        questions.push_back(question);
        const Answer answer = choices.front();
        choices.pop_front();
        return answer;
    }
    if (answers.empty()) {
        questions.push_back(question);
        unexpected.push_back("question: " + question.text);
        return Answer::Cancel;
    }
    return AskYesNo(question) ? Answer::Yes : Answer::No;
}

std::optional<std::string> RecordingPlatform::NextFile(const FileDialogRequest& request, const char* what) {
    file_requests.push_back(request);
    if (files.empty()) {
        unexpected.push_back(what);
        return std::nullopt;
    }
    auto answer = files.front();
    files.pop_front();
    return answer;
}

std::optional<std::string> RecordingPlatform::ChooseFileToOpen(const FileDialogRequest& request) {
    return NextFile(request, "open dialog");
}

std::optional<std::string> RecordingPlatform::SaveFileDialog(const FileDialogRequest& request) {
    return NextFile(request, "save dialog");
}

std::optional<std::string> RecordingPlatform::BrowseForFolder(const std::string& title, const std::string&) {
    if (folders.empty()) {
        unexpected.push_back("folder dialog: " + title);
        return std::nullopt;
    }
    auto answer = folders.front();
    folders.pop_front();
    return answer;
}

void ForgetKeptState() { QSettings(QStringLiteral("quillon"), QStringLiteral("quillon")).clear(); }

StartedWizard StartWizard(bool keep_state) {
    if (!keep_state) ForgetKeptState();
    auto platform = std::make_unique<RecordingPlatform>();
    RecordingPlatform* raw = platform.get();
    auto app = std::make_unique<WizardApp>(WizardOptionsFor(QStringLiteral(QUILLON_BIN_DIR)), std::move(platform));
    app->Window().show();
    if (!QTest::qWaitForWindowExposed(&app->Window())) qWarning("the main window was not exposed");
    return {raw, std::move(app)};
}

void PressImage(OptionTreeView* tree, OptionNode node) {
    tree->scrollToItem(tree->Item(node));
    const QRect image = tree->ImageRect(node);
    if (image.isEmpty()) qWarning("the image of node %d is not shown", static_cast<int>(node));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, image.center());
}

void PressText(OptionTreeView* tree, OptionNode node) {
    tree->scrollToItem(tree->Item(node));
    const QRect item = tree->visualItemRect(tree->Item(node));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(tree->ImageRect(node).right() + 12, item.center().y()));
}

void TypeAtFocus(const QString& text) {
    for (QChar c : text) {
        QWidget* focus = QApplication::focusWidget();
        if (!focus) {
            qWarning("no widget has the focus");
            return;
        }
        QTest::keyClick(focus, c.toLatin1());
    }
}

void WhenModal(std::function<void(QWidget*)> action) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action = std::move(action)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        timer->stop();
        timer->deleteLater();
        action(modal);
    });
    timer->start();
}

void WhenSheetOpen(std::function<void(SheetDialog*)> action) {
    WhenModal([action = std::move(action)](QWidget* modal) {
        auto* sheet = qobject_cast<SheetDialog*>(modal);
        if (!sheet) {
            qWarning("a %s came up instead of the oscillator sheet", modal->metaObject()->className());
            modal->close();
            return;
        }
        action(sheet);
        if (sheet->isVisible()) sheet->reject();
    });
}

}  // namespace quillon::qt::test
