#include "qt/MainWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

#include "qt/Artwork.h"
#include "qt/GuardedCall.h"
#include "qt/OptionTreeView.h"
#include "qt/SettingsPanelView.h"

namespace quillon::qt {

namespace {

struct MenuEntry {
    int command;  // 0: a separator
    const char* text;
    QKeySequence shortcut;
};

}  // namespace

MainWindow::MainWindow(WizardDialog& wizard, QWidget* parent) : QMainWindow(parent), wizard_(wizard) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QString::fromUtf8(kAppCaption));
    setWindowIcon(AppIcon());

    auto* central = new QWidget(this);
    tree_ = new OptionTreeView(wizard_, central);
    panel_ = new SettingsPanelView(wizard_, central);
    auto* layout = new QHBoxLayout(central);
    layout->addWidget(tree_, 1);
    layout->addWidget(panel_, 0);
    setCentralWidget(central);
    tree_->setMinimumWidth(tree_->fontMetrics().horizontalAdvance(QStringLiteral("Custom Ethernet Device")) + 110);

    BuildMenus();

    folder_label_ = new QLabel(this);
    folder_label_->setObjectName(QStringLiteral("projectFolderStatus"));
    file_label_ = new QLabel(this);
    file_label_->setObjectName(QStringLiteral("settingsFileStatus"));
    modified_label_ = new QLabel(this);
    modified_label_->setObjectName(QStringLiteral("modifiedStatus"));
    // Why the selected option is as it is (or why a click on it changed nothing).
    reason_label_ = new QLabel(this);
    reason_label_->setObjectName(QStringLiteral("reasonStatus"));
    reason_label_->setWordWrap(true);
    statusBar()->addWidget(reason_label_, 2);
    statusBar()->addWidget(folder_label_, 1);
    statusBar()->addWidget(file_label_, 1);
    statusBar()->addPermanentWidget(modified_label_);

    wizard_.SetViewListener([this] { SyncFromModel(); });
    SyncFromModel();
    // Room for the tree's widest branch without scrolling sideways, and for most of its rows.
    resize(sizeHint().expandedTo(QSize(tree_->minimumWidth() + panel_->sizeHint().width() + 40, 540)));
    tree_->setFocus();
}

MainWindow::~MainWindow() { wizard_.SetViewListener({}); }

void MainWindow::BuildMenus() {
    namespace M = MenuCommand;
    const MenuEntry file_menu[] = {
        {M::New, "&New (Reset Options)", QKeySequence(Qt::CTRL | Qt::Key_N)},
        {M::Open, "&Open...", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {M::Save, "&Save", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {M::SaveAs, "Save &As...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {0, nullptr, {}},
        {M::SelectProjectDirectory, "Select Project Directory...", {}},
        {M::GenerateProject, "&Generate Project...", QKeySequence(Qt::CTRL | Qt::Key_G)},
        {0, nullptr, {}},
        {M::Exit, "E&xit", {}},
    };
    const MenuEntry help_menu[] = {
        {M::Help, "&Help...", QKeySequence(Qt::Key_F1)},
        {0, nullptr, {}},
        {M::About, "&About...", {}},
    };
    const auto fill = [this](QMenu* menu, const auto& entries) {
        for (const MenuEntry& entry : entries) {
            if (entry.command == 0) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(QString::fromUtf8(entry.text));
            action->setObjectName(QStringLiteral("menu%1").arg(entry.command));
            action->setData(entry.command);
            action->setShortcut(entry.shortcut);
            const int command = entry.command;
            connect(action, &QAction::triggered, this, [this, command] { RunMenuCommand(command); });
        }
    };
    fill(menuBar()->addMenu(QStringLiteral("&File")), file_menu);
    fill(menuBar()->addMenu(QStringLiteral("&Help")), help_menu);
}

QAction* MainWindow::MenuAction(int command) const {
    return findChild<QAction*>(QStringLiteral("menu%1").arg(command));
}

void MainWindow::RunMenuCommand(int command) {
    // Exit is the close box's road too: closeEvent asks the save question once for both.
    if (command == MenuCommand::Exit) {
        close();
        return;
    }
    Guarded(wizard_.Ui(), [&] { wizard_.OnMenuCommand(command); });
    SyncFromModel();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    bool closes = false;
    if (!Guarded(wizard_.Ui(), [&] { closes = wizard_.OnExit(); })) {
        // Exit itself failed; let the user leave anyway rather than trap them.
        Message question;
        question.text = "Close Quillon without saving?";
        question.icon = MessageIcon::Question;
        Guarded(wizard_.Ui(), [&] { closes = wizard_.Ui().AskYesNo(question); });
    }
    if (!closes) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void MainWindow::SyncFromModel() {
    tree_->SyncFromModel();
    panel_->SyncFromModel();
    const QString folder = QString::fromStdString(wizard_.ProjectFolder());
    const QString file = QString::fromStdString(wizard_.SettingsFileName());
    folder_label_->setText(QStringLiteral("Project folder: %1").arg(folder.isEmpty() ? QStringLiteral("(none)") : folder));
    file_label_->setText(QStringLiteral("Settings file: %1").arg(file.isEmpty() ? QStringLiteral("(none)") : file));
    modified_label_->setText(wizard_.Modified() ? QStringLiteral("Modified") : QString());
    // A reason takes the whole bar while it is there.
    reason_label_->setText(QString::fromStdString(wizard_.SelectionReason()));
    const bool reason = !reason_label_->text().isEmpty();
    reason_label_->setVisible(reason);
    folder_label_->setVisible(!reason);
    file_label_->setVisible(!reason);
}

}  // namespace quillon::qt
