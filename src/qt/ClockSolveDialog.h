// "Solve...": the wanted SYSCLK (and the external oscillator that is fitted) typed in, the
// ranked register settings that reach it listed, and the one picked clicked into the sheet's
// pages by the clock layer, as the user would click it.
#pragma once

#include <QDialog>

#include <vector>

#include "clock/ClockSolver.h"
#include "clock/SheetModel.h"
#include "wizard/Platform.h"

class QLineEdit;
class QListWidget;
class QPushButton;
class QLabel;

namespace quillon::qt {

class ClockSolveDialog : public QDialog {
    Q_OBJECT
public:
    ClockSolveDialog(SheetModel& sheet, Platform& ui, QWidget* parent = nullptr);

    QLineEdit* Target() const { return target_; }
    QLineEdit* External() const { return external_; }
    QListWidget* Solutions() const { return list_; }
    QPushButton* ApplyButton() const { return apply_; }

    // Lists the solutions for the typed target.
    void Find();

public slots:
    // Applies the chosen solution to the sheet and closes.
    void accept() override;

private:
    void OnSelectionChanged();

    SheetModel& sheet_;
    Platform& ui_;
    QLineEdit* target_;
    QLineEdit* external_;
    QListWidget* list_;
    QLabel* note_;
    QPushButton* apply_;
    std::vector<ClockSolution> solutions_;
};

}  // namespace quillon::qt
