#include "qt/ClockSolveDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "clock/ClockMath.h"
#include "clock/ClockSolver.h"
#include "qt/Artwork.h"
#include "qt/GuardedCall.h"
#include "qt/ScreenFit.h"

namespace quillon::qt {

namespace {

constexpr int kMaxSolutions = 20;

// A frequency as typed, "50 MHz" as much as "50000000"; nothing for anything else.
std::optional<std::uint32_t> Hz(const QString& text) { return ParseFrequencyWithUnit(text.toStdString()); }

QLineEdit* FrequencyEdit(QWidget* parent, const QString& name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,10}(\\.[0-9]{0,7})? ?([kKmM]?[hH]?[zZ]?)")), edit));
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000000000 MHz")) + 16);
    return edit;
}

}  // namespace

ClockSolveDialog::ClockSolveDialog(SheetModel& sheet, Platform& ui, QWidget* parent)
    : QDialog(parent), sheet_(sheet), ui_(ui) {
    setObjectName(QStringLiteral("clockSolveDialog"));
    setWindowTitle(QStringLiteral("Solve for SYSCLK"));
    setWindowIcon(AppIcon());

    target_ = FrequencyEdit(this, QStringLiteral("solveTarget"));
    target_->setText(QString::number(sheet_.Working().sysclk_hz));
    external_ = FrequencyEdit(this, QStringLiteral("solveExternal"));
    external_->setPlaceholderText(QStringLiteral("as the sheet runs it"));
    const ClockBlock& c = sheet_.Working();
    if (((c.oscxcn >> 4) & 0x07) != 0 && c.ext_osc_hz > 0) external_->setText(QString::number(c.ext_osc_hz));
    auto* find = new QPushButton(QStringLiteral("Find"), this);
    find->setObjectName(QStringLiteral("solveFind"));
    find->setAutoDefault(false);

    auto* form = new QFormLayout;
    auto* target_row = new QHBoxLayout;
    target_row->addWidget(target_);
    target_row->addWidget(new QLabel(QStringLiteral("Hz"), this));
    target_row->addStretch(1);
    target_row->addWidget(find);
    form->addRow(QStringLiteral("Wanted SYSCLK:"), target_row);
    auto* external_row = new QHBoxLayout;
    external_row->addWidget(external_);
    external_row->addWidget(new QLabel(QStringLiteral("Hz"), this));
    external_row->addStretch(1);
    form->addRow(QStringLiteral("External oscillator fitted:"), external_row);

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("solveSolutions"));
    // Some lines at the least; the dialog asks for more below.
    list_->setMinimumSize(list_->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 30,
                          list_->fontMetrics().height() * 4);
    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("solveNote"));
    note_->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    apply_ = buttons->button(QDialogButtonBox::Ok);
    apply_->setText(QStringLiteral("Apply"));
    apply_->setObjectName(QStringLiteral("solveApply"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    // Enter never applies a setting: in the edits it finds, elsewhere it does nothing, so that
    // a result that is not exact is applied only by a deliberate click.
    for (QPushButton* button : buttons->findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(external_, &QLineEdit::returnPressed, this, &ClockSolveDialog::Find);
    connect(buttons, &QDialogButtonBox::accepted, this, &ClockSolveDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ClockSolveDialog::reject);
    connect(find, &QPushButton::clicked, this, &ClockSolveDialog::Find);
    connect(target_, &QLineEdit::returnPressed, this, &ClockSolveDialog::Find);
    connect(list_, &QListWidget::currentRowChanged, this, &ClockSolveDialog::OnSelectionChanged);
    connect(list_, &QListWidget::itemDoubleClicked, this, &ClockSolveDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(new QLabel(QStringLiteral("Register settings within the limits, best first:"), this));
    layout->addWidget(list_, 1);
    layout->addWidget(note_);
    layout->addWidget(buttons);
    Find();
    // Wide enough for a line with a PLL's whole way to SYSCLK and a dozen of them where the
    // screen has the room; the list scrolls where it has not.
    const QFontMetrics metrics = list_->fontMetrics();
    const QSize list_wanted(metrics.horizontalAdvance(QStringLiteral(
                                "23.75 MHz · off by 250000 Hz · 4 changes · PLL from Crystal Oscillator "
                                "of 25 MHz, / 5 x 19; SYSCLK / 2")) +
                                64,
                            metrics.height() * 12);
    FitDialog(this, sizeHint() + (list_wanted - list_->sizeHint()).expandedTo(QSize(0, 0)));
}

void ClockSolveDialog::Find() {
    list_->clear();
    solutions_.clear();
    const auto target = Hz(target_->text());
    if (!target) {
        note_->setText(QStringLiteral("Type the wanted SYSCLK in Hz, from 1 to 4294967295."));
        OnSelectionChanged();
        return;
    }
    ClockSolveRequest request = SheetSolveRequest(sheet_, *target, kMaxSolutions * 10);
    request.ext_osc_hz = Hz(external_->text());
    Guarded(ui_, [&] { solutions_ = BestPerFrequency(SolveClock(request), kMaxSolutions); });
    for (const ClockSolution& s : solutions_) {
        QStringList registers;
        for (const auto& [name, value] : ClockRegisters(sheet_.SheetFamily(), s.clock)) {
            const QString hex = QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
            registers << QStringLiteral("%1=0x%2").arg(QLatin1String(name), hex);
        }
        // The registers on a line of their own, as the command line prints them.
        QString text = QStringLiteral("%1 · %2 · %3 change%4 · %5\n    %6")
                           .arg(QString::fromStdString(FormatMHz(s.clock.sysclk_hz)))
                           .arg(s.Exact() ? QStringLiteral("exact")
                                          : QStringLiteral("off by %1 Hz").arg(static_cast<qulonglong>(s.error_hz)))
                           .arg(s.changes)
                           .arg(s.changes == 1 ? QString() : QStringLiteral("s"))
                           .arg(QString::fromStdString(s.description))
                           .arg(registers.join(QLatin1Char(' ')));
        auto* item = new QListWidgetItem(text, list_);
        item->setToolTip(registers.join(QLatin1Char(' ')));
    }
    if (solutions_.empty()) {
        note_->setText(QStringLiteral("No register setting reaches %1 Hz within the limits.").arg(*target));
    } else {
        note_->setText(solutions_.front().Exact() ? QString()
                                                  : QStringLiteral("No setting gives %1 Hz exactly; the nearest come first.")
                                                        .arg(*target));
        list_->setCurrentRow(0);
    }
    OnSelectionChanged();
}

void ClockSolveDialog::OnSelectionChanged() {
    const int row = list_->currentRow();
    apply_->setEnabled(row >= 0 && row < static_cast<int>(solutions_.size()));
}

void ClockSolveDialog::accept() {
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(solutions_.size())) return;
    Guarded(ui_, [&] { ApplyClockSolution(sheet_, solutions_[static_cast<std::size_t>(row)].clock); });
    QDialog::accept();
}

}  // namespace quillon::qt
