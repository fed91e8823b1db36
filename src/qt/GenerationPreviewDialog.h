// "Generate Project": what a generation is about to do, before anything is written. The files
// with their outcomes on the left (conflicts first), the diff of the selected file on the
// right, Generate and Cancel below. It shows the window's GenerationPreview and decides nothing.
#pragma once

#include <QDialog>

#include "wizard/Platform.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace quillon::qt {

class GenerationPreviewDialog : public QDialog {
    Q_OBJECT
public:
    GenerationPreviewDialog(const GenerationPreview& preview, QWidget* parent = nullptr);

    QTreeWidget* Files() const { return files_; }
    QPlainTextEdit* Diff() const { return diff_; }
    QPushButton* GenerateButton() const { return generate_; }

private:
    void ShowFile(int index);

    GenerationPreview preview_;
    std::vector<int> order_;  // row -> index into preview_.files
    QLabel* summary_;
    QLabel* meaning_;
    QTreeWidget* files_;
    QPlainTextEdit* diff_;
    QPushButton* generate_;
};

// "3 created, 1 merged, 1 conflict, 14 unchanged": how many files of each outcome, conflicts first.
QString OutcomeSummary(const GenerationPreview& preview);

}  // namespace quillon::qt
