// The main window: the File and Help menus, the filter above the option tree on the left, the
// settings panel (scrolling when the window is too small for it) and the code-size box on the
// right, the two sides in a splitter, and a status bar with the project folder, the settings
// file and the modified state. It renders the WizardDialog's models after every view
// notification and after every user action, and sends every user action to the WizardDialog;
// it decides nothing itself. Its size and the splitter are kept between runs.
#pragma once

#include <QMainWindow>

#include "wizard/RecentFiles.h"
#include "wizard/WizardDialog.h"

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QScrollArea;
class QSplitter;

namespace quillon::qt {

class ElidedLabel;
class ElidedRow;
class OptionTreeView;
class QtPlatform;
class SettingsPanelView;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(WizardDialog& wizard, QtPlatform& platform, QWidget* parent = nullptr);
    ~MainWindow() override;

    OptionTreeView* Tree() const { return tree_; }
    SettingsPanelView* Panel() const { return panel_; }
    QLineEdit* Filter() const { return filter_; }
    QLabel* NoMatchLabel() const { return no_match_label_; }
    QSplitter* Splitter() const { return splitter_; }
    QScrollArea* PanelArea() const { return panel_area_; }
    QMenu* RecentMenu() const { return recent_menu_; }
    // The menu action of a MenuCommand id, or null.
    QAction* MenuAction(int command) const;

    // Re-reads every model: tree, panel, title, status bar.
    void SyncFromModel();
    // The title and the status bar alone: after every user action.
    void SyncWindowState();

    // Opens `path` through the window's own Open command, its dialog answered with it.
    void OpenFile(const QString& path);

    // Where the window goes when nothing is kept: most of the available screen (no less than
    // the tree's rows and the panel at their natural size), centred on it.
    QRect DefaultGeometry() const;
    // Size and splitter from the settings kept by the last run, fitted into the screen.
    void RestoreWindowState();
    void SaveWindowState() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    void BuildRecentMenu();
    void RunMenuCommand(int command);
    void ApplyFilter();
    void RememberSettingsFile();

    WizardDialog& wizard_;
    QtPlatform& platform_;
    OptionTreeView* tree_;
    SettingsPanelView* panel_;
    QLineEdit* filter_;
    QLabel* no_match_label_;
    QSplitter* splitter_;
    QScrollArea* panel_area_;
    QMenu* recent_menu_ = nullptr;
    ElidedLabel* folder_label_;
    ElidedLabel* file_label_;
    ElidedLabel* notice_label_;
    QLabel* modified_label_;
    ElidedLabel* reason_label_;
    ElidedRow* status_fields_;
    RecentFiles recent_;
    std::string remembered_file_;
};

}  // namespace quillon::qt
