// The "Oscillators" sheet: one tab per page model, each built from the page's group boxes and
// controls, the clock tree beside them with "Solve...", and OK and Cancel. Changing tabs, clicks and edits go to the SheetModel and its
// pages; after each, the widgets are filled again from the models. The pages' own questions
// and messages arrive through the window's dialogs like every other box. Each page's foot box
// lists the clock limits broken that are fixed on that page.
#pragma once

#include <QDialog>

#include <map>
#include <vector>

#include "clock/SheetModel.h"
#include "wizard/Platform.h"

class QPushButton;
class QShowEvent;
class QTabWidget;

namespace quillon::qt {

class ClockTreeView;

class SheetDialog : public QDialog {
    Q_OBJECT
public:
    SheetDialog(SheetModel& sheet, Platform& ui, QWidget* parent = nullptr);

    // Runs the sheet modally; true when it ended with OK.
    bool Run();

    QTabWidget* Tabs() const { return tabs_; }
    ClockTreeView* TreeView() const { return tree_view_; }
    QPushButton* SolveButton() const { return solve_; }
    // The widget of control `id` on page `page` (object name "pageN_controlNNNN"), or null.
    QWidget* ControlWidget(std::size_t page, int id) const;

    // Fills every tab's widgets from its page model.
    void SyncFromModel();

public slots:
    void accept() override;
    void reject() override;

protected:
    // Sized to its pages once they are laid out, within the screen.
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildPage(std::size_t index);
    QWidget* CreateControl(std::size_t page, const PageControl& control, QWidget* parent);
    void OnTabChanged(int index);
    void OnPageRequested(const QString& caption);
    void OnSolve();
    void SyncPage(std::size_t index);
    void AfterEvent();

    SheetModel& sheet_;
    Platform& ui_;
    QTabWidget* tabs_;
    ClockTreeView* tree_view_;
    QPushButton* solve_;
    std::vector<std::map<int, QWidget*>> widgets_;
    bool syncing_ = false;
};

}  // namespace quillon::qt
