// The main window "Quillon": the File and Help menus, the option tree on the left, the settings
// panel and the code-size box on the right, and a status bar with the project folder and the
// settings file. It renders the WizardDialog's models after every view notification and sends
// every user action to the WizardDialog; it decides nothing itself.
#pragma once

#include <QMainWindow>

#include "wizard/WizardDialog.h"

class QAction;
class QLabel;

namespace quillon::qt {

class OptionTreeView;
class SettingsPanelView;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(WizardDialog& wizard, QWidget* parent = nullptr);
    ~MainWindow() override;

    OptionTreeView* Tree() const { return tree_; }
    SettingsPanelView* Panel() const { return panel_; }
    // The menu action of a MenuCommand id, or null.
    QAction* MenuAction(int command) const;

    // Re-reads every model: tree, panel, status bar.
    void SyncFromModel();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void RunMenuCommand(int command);

    WizardDialog& wizard_;
    OptionTreeView* tree_;
    SettingsPanelView* panel_;
    QLabel* folder_label_;
    QLabel* file_label_;
    QLabel* modified_label_;
    QLabel* reason_label_;
};

}  // namespace quillon::qt
