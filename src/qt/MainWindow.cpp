#include "qt/MainWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QStyle>
#include <QStatusBar>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>

#include "qt/Artwork.h"
#include "qt/ElidedLabel.h"
#include "qt/GuardedCall.h"
#include "qt/OptionTreeView.h"
#include "qt/QtPlatform.h"
#include "qt/ScreenFit.h"
#include "qt/SettingsPanelView.h"
#include "wizard/NodeFilter.h"
#include "wizard/ToolTips.h"

namespace quillon::qt {

namespace {

struct MenuEntry {
    int command;  // 0: a separator; kRecentMenu: the Open Recent submenu
    const char* text;
    QKeySequence shortcut;
};

constexpr int kRecentMenu = -1;

// What the program keeps between runs: the window's size, the splitter, the recent files.
QSettings KeptState() { return QSettings(QStringLiteral("quillon"), QStringLiteral("quillon")); }

const QString kGeometryKey = QStringLiteral("MainWindow/geometry");
const QString kSplitterKey = QStringLiteral("MainWindow/splitter");
const QString kRecentKey = QStringLiteral("RecentFiles/files");

QString FromStd(const std::string& text) { return QString::fromStdString(text); }

// A path as a menu shows it: the home folder as "~".
QString ShortPath(const QString& path) {
    const QString home = QDir::homePath();
    if (!home.isEmpty() && home != QLatin1String("/") && path.startsWith(home + QLatin1Char('/'))) {
        return QLatin1Char('~') + path.mid(home.size());
    }
    return path;
}

}  // namespace

MainWindow::MainWindow(WizardDialog& wizard, QtPlatform& platform, QWidget* parent)
    : QMainWindow(parent), wizard_(wizard), platform_(platform) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowIcon(AppIcon());

    // Left: the filter above the tree.
    auto* tree_side = new QWidget(this);
    tree_side->setObjectName(QStringLiteral("treeSide"));
    filter_ = new QLineEdit(tree_side);
    filter_->setObjectName(QStringLiteral("findFilter"));
    filter_->setPlaceholderText(QStringLiteral("Find a setting (Ctrl+F)"));
    filter_->setClearButtonEnabled(true);
    filter_->installEventFilter(this);
    tree_ = new OptionTreeView(wizard_, tree_side);
    tree_->setMinimumWidth(tree_->fontMetrics().horizontalAdvance(QStringLiteral("Custom Ethernet Device")) + 110);
    auto* tree_layout = new QVBoxLayout(tree_side);
    tree_layout->setContentsMargins(0, 0, 0, 0);
    tree_layout->setSpacing(4);
    tree_layout->addWidget(filter_);
    // Said above the tree when the filter hides every row, so that an empty tree is not taken
    // for a broken one.
    no_match_label_ = new QLabel(tree_side);
    no_match_label_->setObjectName(QStringLiteral("findNoMatch"));
    no_match_label_->setWordWrap(true);
    no_match_label_->setVisible(false);
    tree_layout->addWidget(no_match_label_);
    tree_layout->addWidget(tree_, 1);

    // Right: the settings, scrolling only when the window is smaller than they are, and the
    // code-size box below them, always in view.
    auto* panel_side = new QWidget(this);
    panel_side->setObjectName(QStringLiteral("panelSide"));
    panel_ = new SettingsPanelView(wizard_);
    QGroupBox* code_size = panel_->CodeSizeGroup();
    panel_->layout()->removeWidget(code_size);
    panel_area_ = new QScrollArea(panel_side);
    panel_area_->setObjectName(QStringLiteral("panelArea"));
    panel_area_->setFrameShape(QFrame::NoFrame);
    panel_area_->setWidgetResizable(true);
    panel_area_->setWidget(panel_);
    // The splitter never squeezes the panel below the width its captions need.
    panel_area_->setMinimumWidth(panel_->minimumSizeHint().width() +
                                 panel_area_->verticalScrollBar()->sizeHint().width());
    auto* panel_layout = new QVBoxLayout(panel_side);
    panel_layout->setContentsMargins(0, 0, 0, 0);
    panel_layout->setSpacing(4);
    panel_layout->addWidget(panel_area_, 1);
    panel_layout->addWidget(code_size, 0);

    // The panel takes the room the window gains; the tree keeps the width it needs.
    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName(QStringLiteral("mainSplitter"));
    splitter_->addWidget(tree_side);
    splitter_->addWidget(panel_side);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setChildrenCollapsible(false);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->addWidget(splitter_);
    setCentralWidget(central);

    BuildMenus();
    auto* find = new QAction(QStringLiteral("Find"), this);
    find->setObjectName(QStringLiteral("findAction"));
    find->setShortcut(QKeySequence::Find);
    connect(find, &QAction::triggered, this, [this] {
        filter_->setFocus(Qt::ShortcutFocusReason);
        filter_->selectAll();
    });
    addAction(find);
    connect(filter_, &QLineEdit::textChanged, this, [this] { ApplyFilter(); });
    connect(filter_, &QLineEdit::returnPressed, this, [this] {
        const NodeFilterResult found = FilterNodes(filter_->text().toStdString());
        if (!found.best) return;
        const OptionNode first = *found.best;
        if (wizard_.Tree().Selected() != first) Guarded(wizard_.Ui(), [&] { wizard_.OnSelectionChange(first); });
        tree_->SyncFromModel();
        tree_->setFocus(Qt::OtherFocusReason);
    });

    folder_label_ = new ElidedLabel(this);
    folder_label_->setObjectName(QStringLiteral("projectFolderStatus"));
    file_label_ = new ElidedLabel(this);
    file_label_->setObjectName(QStringLiteral("settingsFileStatus"));
    // What the library store warns of (sample libraries), beside the state of the file.
    notice_label_ = new ElidedLabel(this, Qt::ElideRight);
    notice_label_->setObjectName(QStringLiteral("storeNoticeStatus"));
    QStringList notices;
    for (const std::string& notice : StoreNotices(wizard_.Store())) notices << FromStd(notice);
    notice_label_->SetText({}, notices.join(QStringLiteral("; ")));
    notice_label_->setVisible(!notices.isEmpty());
    modified_label_ = new QLabel(this);
    modified_label_->setObjectName(QStringLiteral("modifiedStatus"));
    // Always the room for the word, so that nothing moves when it comes and goes.
    modified_label_->setMinimumWidth(modified_label_->fontMetrics().horizontalAdvance(QStringLiteral("Modified")) + 8);
    // Why the selected option is as it is (or why a click on it changed nothing), in the room
    // of the folder and the file while it is shown. One line: a long reason is shortened at its
    // end and whole in its tooltip, so the bar keeps its height.
    reason_label_ = new ElidedLabel(this, Qt::ElideRight);
    reason_label_->setObjectName(QStringLiteral("reasonStatus"));
    // No fixed shares: each field gets its whole text while all fit, and only the texts too
    // long for a fair share are shortened.
    status_fields_ = new ElidedRow(this);
    status_fields_->setObjectName(QStringLiteral("statusFields"));
    for (ElidedLabel* label : {reason_label_, folder_label_, file_label_, notice_label_}) status_fields_->Add(label);
    statusBar()->addWidget(status_fields_, 1);
    statusBar()->addPermanentWidget(modified_label_);

    // Tooltips are made when asked for, so that they tell what the field holds now.
    for (const PanelControl& control : wizard_.Panel().Controls()) {
        if (QWidget* widget = panel_->ControlWidget(control.id)) {
            widget->setProperty("quillonControl", control.id);
            widget->installEventFilter(this);
        }
    }

    std::vector<std::string> kept;
    for (const QString& path : KeptState().value(kRecentKey).toStringList()) kept.push_back(path.toStdString());
    recent_ = RecentFiles(kept);
    BuildRecentMenu();

    wizard_.SetViewListener([this] { SyncFromModel(); });
    wizard_.Session().SetActionListener([this] { SyncWindowState(); });
    SyncFromModel();
    RestoreWindowState();
    tree_->setFocus();
}

MainWindow::~MainWindow() {
    wizard_.SetViewListener({});
    wizard_.Session().SetActionListener({});
}

void MainWindow::BuildMenus() {
    namespace M = MenuCommand;
    const MenuEntry file_menu[] = {
        {M::New, "&New (Reset Options)", QKeySequence(Qt::CTRL | Qt::Key_N)},
        {M::Open, "&Open...", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {kRecentMenu, "Open &Recent", {}},
        {M::Save, "&Save", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {M::SaveAs, "Save &As...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {M::ExportScript, "&Export Script...", {}},
        {0, nullptr, {}},
        {M::SelectProjectDirectory, "Select Project Directory...", {}},
        {M::GenerateProject, "&Generate Project...", QKeySequence(Qt::CTRL | Qt::Key_G)},
        {0, nullptr, {}},
        {M::Exit, "E&xit", {}},
    };
    const MenuEntry help_menu[] = {
        {M::Help, "&Help...", {}},
        {M::ContextHelp, "Help on the &Selection", QKeySequence(Qt::Key_F1)},
        {0, nullptr, {}},
        {M::About, "&About...", {}},
    };
    const auto fill = [this](QMenu* menu, const auto& entries) {
        for (const MenuEntry& entry : entries) {
            if (entry.command == 0) {
                menu->addSeparator();
                continue;
            }
            if (entry.command == kRecentMenu) {
                recent_menu_ = menu->addMenu(QString::fromUtf8(entry.text));
                recent_menu_->setObjectName(QStringLiteral("recentMenu"));
                recent_menu_->setToolTipsVisible(true);
                // Files may have gone since the menu was built.
                connect(recent_menu_, &QMenu::aboutToShow, this, &MainWindow::BuildRecentMenu);
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

void MainWindow::BuildRecentMenu() {
    recent_menu_->clear();
    const std::vector<std::string>& entries = recent_.Entries();
    if (entries.empty()) {
        recent_menu_->addAction(QStringLiteral("No Recent Files"))->setEnabled(false);
        return;
    }
    const QFontMetrics metrics = recent_menu_->fontMetrics();
    const int room = metrics.horizontalAdvance(QLatin1Char('x')) * 60;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const QString path = FromStd(entries[i]);
        const bool missing = !QFileInfo(path).isFile();
        QString text = QStringLiteral("&%1 %2").arg((i + 1) % 10).arg(metrics.elidedText(ShortPath(path), Qt::ElideMiddle, room));
        if (missing) text += QStringLiteral(" (missing)");
        QAction* action = recent_menu_->addAction(text);
        action->setToolTip(path);
        action->setData(path);
        connect(action, &QAction::triggered, this, [this, path, missing] {
            if (!missing) {
                OpenFile(path);
                return;
            }
            Message question;
            question.text = "The settings file \"" + path.toStdString() +
                            "\" is no longer there. Remove it from the recent files?";
            question.icon = MessageIcon::Question;
            bool remove = false;
            Guarded(wizard_.Ui(), [&] { remove = wizard_.Ui().AskYesNo(question); });
            if (!remove) return;
            recent_.Remove(path.toStdString());
            QStringList kept;
            for (const std::string& p : recent_.Entries()) kept << FromStd(p);
            KeptState().setValue(kRecentKey, kept);
            BuildRecentMenu();
        });
    }
    recent_menu_->addSeparator();
    QAction* clear = recent_menu_->addAction(QStringLiteral("&Clear Menu"));
    connect(clear, &QAction::triggered, this, [this] {
        recent_.Clear();
        KeptState().remove(kRecentKey);
        BuildRecentMenu();
    });
}

void MainWindow::RememberSettingsFile() {
    const std::string& file = wizard_.SettingsFileName();
    if (file == remembered_file_) return;
    remembered_file_ = file;
    if (file.empty()) return;
    recent_.Add(file);
    QStringList kept;
    for (const std::string& p : recent_.Entries()) kept << FromStd(p);
    KeptState().setValue(kRecentKey, kept);
    BuildRecentMenu();
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

void MainWindow::OpenFile(const QString& path) {
    platform_.PreAnswerOpenDialog(QFileInfo(path).absoluteFilePath().toStdString());
    Guarded(wizard_.Ui(), [&] { wizard_.OnMenuCommand(MenuCommand::Open); });
    // Whatever Open did, the answer is not left waiting for a later dialog.
    platform_.ForgetPreAnsweredOpen();
    SyncFromModel();
}

void MainWindow::ApplyFilter() {
    const QString text = filter_->text();
    const NodeFilterResult found = FilterNodes(text.toStdString());
    const bool filtering = !text.trimmed().isEmpty();
    tree_->ApplyFilter(found, filtering);
    const bool none = filtering && found.matches.empty();
    no_match_label_->setText(none ? QString::fromStdString(NoMatchText(text.toStdString())) : QString());
    no_match_label_->setVisible(none);
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
    SaveWindowState();
    QMainWindow::closeEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == filter_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape && !filter_->text().isEmpty()) {
            filter_->clear();
            return true;
        }
        if (key == Qt::Key_Down) {
            tree_->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    if (event->type() == QEvent::ToolTip) {
        const QVariant id = watched->property("quillonControl");
        if (id.isValid()) {
            auto* help = static_cast<QHelpEvent*>(event);
            const QString text = FromStd(ControlToolTip(wizard_, id.toInt()));
            if (text.isEmpty()) {
                QToolTip::hideText();
            } else {
                QToolTip::showText(help->globalPos(), text, static_cast<QWidget*>(watched));
            }
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::SyncFromModel() {
    tree_->SyncFromModel();
    panel_->SyncFromModel();
    SyncWindowState();
}

void MainWindow::SyncWindowState() {
    const QString file = FromStd(wizard_.SettingsFileName());
    const QString name = file.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(file).fileName();
    setWindowTitle(name + QStringLiteral("[*] - ") + QString::fromUtf8(kAppCaption));
    setWindowModified(wizard_.Modified());
    const QString folder = FromStd(wizard_.ProjectFolder());
    folder_label_->SetText(QStringLiteral("Project folder: "), folder.isEmpty() ? QStringLiteral("(none)") : folder);
    file_label_->SetText(QStringLiteral("Settings file: "), file.isEmpty() ? QStringLiteral("(none)") : file);
    modified_label_->setText(wizard_.Modified() ? QStringLiteral("Modified") : QString());
    // A reason takes the whole bar while it is there.
    const QString why = FromStd(wizard_.SelectionReason());
    reason_label_->SetText({}, why);
    const bool reason = !why.isEmpty();
    reason_label_->setVisible(reason);
    folder_label_->setVisible(!reason);
    file_label_->setVisible(!reason);
    status_fields_->Place();
    RememberSettingsFile();
}

QRect MainWindow::DefaultGeometry() const {
    const QRect available = screen()->availableGeometry();
    const int margins = 4 + 4 + splitter_->handleWidth();
    const QSize panel = panel_->sizeHint();
    const QSize code = panel_->CodeSizeGroup()->sizeHint();
    // The panel gets some room beyond its captions, for the values typed into it.
    const int width = tree_->minimumWidth() + panel_area_->minimumWidth() + panel.width() / 3 + margins;
    const int content = std::max(filter_->sizeHint().height() + 4 + tree_->ContentHeight(), panel.height() + 4 + code.height());
    const int height = menuBar()->sizeHint().height() + statusBar()->sizeHint().height() + 4 + content;
    // A window manager's frame comes on top of the window; leave it room.
    const int title = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    const QSize room(available.width() - 8, available.height() - title - 8);
    // Most of a laptop's screen, so that the panel has room for what a node holds; on a large
    // screen no more than a comfortable size.
    const QSize share(std::min(available.width() * 4 / 5, 1400), std::min(available.height() * 7 / 8, 1000));
    const QSize size =
        QSize(width, height).expandedTo(share).boundedTo(room).expandedTo(minimumSizeHint()).boundedTo(available.size());
    QRect frame(QPoint(0, 0), size);
    frame.moveCenter(available.center());
    return FitInto(frame, available);
}

void MainWindow::RestoreWindowState() {
    QSettings kept = KeptState();
    const QByteArray kept_geometry = kept.value(kGeometryKey).toByteArray();
    if (kept_geometry.isEmpty() || !restoreGeometry(kept_geometry)) {
        setGeometry(DefaultGeometry());
    } else {
        // Kept at another scale or on a larger screen: fit it into this one.
        const QRect available = screen()->availableGeometry();
        setGeometry(FitInto(geometry(), available));
    }
    const QByteArray splitter = kept.value(kSplitterKey).toByteArray();
    if (splitter.isEmpty() || !splitter_->restoreState(splitter)) {
        // The tree gets a share of a wide window too, for its deeper rows.
        const int tree = std::max(tree_->minimumWidth(), width() * 3 / 10);
        splitter_->setSizes({tree, std::max(1, width() - tree)});
    }
}

void MainWindow::SaveWindowState() const {
    QSettings kept = KeptState();
    kept.setValue(kGeometryKey, saveGeometry());
    kept.setValue(kSplitterKey, splitter_->saveState());
}

}  // namespace quillon::qt
