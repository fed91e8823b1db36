#include "qt/SheetDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include <numeric>
#include <set>

#include "qt/Artwork.h"
#include "qt/ClockSolveDialog.h"
#include "qt/ClockTreeView.h"
#include "qt/GuardedCall.h"
#include "qt/ScreenFit.h"
#include "qt/UpperCaseValidator.h"

namespace quillon::qt {

namespace {

QString FromStd(const std::string& text) { return QString::fromStdString(text); }

// Where the groups of a page split into two columns: the first `split` groups on the left.
// Small pages stay in one column; otherwise the split that evens out the heights wins, so the
// groups keep their template order reading down the left column and then the right one.
std::size_t ColumnSplit(const std::vector<GroupBox>& groups) {
    std::vector<std::size_t> heights;
    for (const GroupBox& g : groups) heights.push_back(g.rows.size() + 1);
    const std::size_t total = std::accumulate(heights.begin(), heights.end(), std::size_t{0});
    if (groups.size() < 2 || total <= 7) return groups.size();
    std::size_t best = 1, best_height = total;
    std::size_t left = 0;
    for (std::size_t k = 1; k < groups.size(); ++k) {
        left += heights[k - 1];
        const std::size_t tallest = std::max(left, total - left);
        if (tallest < best_height) {
            best_height = tallest;
            best = k;
        }
    }
    return best;
}

// Hidden warnings keep their space, so that showing one does not shift the page.
void RetainSizeWhenHidden(QWidget* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

// Buttons whose labels a page fills in later (the frequency-control bits) are as tall from the
// start as with their text, so that the rows stay put when they are relabelled.
void KeepTextHeight(QAbstractButton* button) {
    button->setText(QStringLiteral("Xg"));
    button->setMinimumHeight(button->sizeHint().height());
    button->setText(QString());
}

}  // namespace

SheetDialog::SheetDialog(SheetModel& sheet, Platform& ui, QWidget* parent)
    : QDialog(parent), sheet_(sheet), ui_(ui) {
    setObjectName(QStringLiteral("oscillatorSheet"));
    setWindowTitle(FromStd(sheet_.Caption()));
    setWindowIcon(AppIcon());
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("sheetTabs"));
    // Every tab caption in full: the sheet grows to fit them rather than scrolling the tabs.
    tabs_->setUsesScrollButtons(false);
    tabs_->setElideMode(Qt::ElideNone);
    widgets_.resize(sheet_.PageCount());
    for (std::size_t i = 0; i < sheet_.PageCount(); ++i) {
        tabs_->addTab(BuildPage(i), FromStd(sheet_.Page(i).Caption()));
    }
    connect(tabs_, &QTabWidget::currentChanged, this, &SheetDialog::OnTabChanged);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &SheetDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SheetDialog::reject);

    // The clock tree beside the pages, following every change on them.
    auto* pane = new QGroupBox(QStringLiteral("Clock Tree"), this);
    pane->setObjectName(QStringLiteral("clockTreePane"));
    tree_view_ = new ClockTreeView(pane);
    tree_view_->setObjectName(QStringLiteral("clockTree"));
    solve_ = new QPushButton(QStringLiteral("Solve..."), pane);
    solve_->setObjectName(QStringLiteral("solveButton"));
    solve_->setAutoDefault(false);
    solve_->setToolTip(QStringLiteral("Find the register settings that give a wanted SYSCLK"));
    auto* pane_layout = new QVBoxLayout(pane);
    pane_layout->addWidget(tree_view_, 1);
    auto* solve_row = new QHBoxLayout;
    solve_row->addStretch(1);
    solve_row->addWidget(solve_);
    pane_layout->addLayout(solve_row);
    connect(tree_view_, &ClockTreeView::PageRequested, this, &SheetDialog::OnPageRequested);
    connect(solve_, &QPushButton::clicked, this, &SheetDialog::OnSolve);

    // The pages and the clock tree scroll where the screen is smaller than they are; OK and
    // Cancel stay in view below them.
    auto* contents = new QWidget;
    contents->setObjectName(QStringLiteral("sheetContents"));
    auto* sides = new QHBoxLayout(contents);
    sides->setContentsMargins(0, 0, 0, 0);
    sides->addWidget(tabs_, 1);
    sides->addWidget(pane, 0);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new FittingScrollArea(contents, this), 1);
    layout->addWidget(buttons);
    SyncFromModel();
    FitDialog(this);
}

QWidget* SheetDialog::CreateControl(std::size_t page, const PageControl& control, QWidget* parent) {
    const int id = control.id;
    PropertyPage& model = sheet_.Page(page);
    const auto click = [this, &model, id] {
        Guarded(ui_, [&] { model.Click(id); });
        AfterEvent();
    };
    switch (control.kind) {
    case PageControlKind::Radio: {
        auto* radio = new QRadioButton(parent);
        // The page decides which button of a group is checked.
        radio->setAutoExclusive(false);
        KeepTextHeight(radio);
        connect(radio, &QRadioButton::clicked, this, click);
        return radio;
    }
    case PageControlKind::Check: {
        auto* check = new QCheckBox(parent);
        KeepTextHeight(check);
        connect(check, &QCheckBox::clicked, this, click);
        return check;
    }
    case PageControlKind::Edit: {
        if (control.multi_line) {
            auto* box = new QPlainTextEdit(parent);
            box->setReadOnly(true);
            box->setFixedHeight(box->fontMetrics().lineSpacing() * 4 + 10);
            box->setFocusPolicy(Qt::NoFocus);
            // What it shows are clock limits broken.
            QPalette palette = box->palette();
            palette.setColor(QPalette::Text, QColor(0xC6, 0x28, 0x28));
            box->setPalette(palette);
            return box;
        }
        auto* edit = new QLineEdit(parent);
        edit->setReadOnly(control.read_only);
        if (control.max_length > 0) edit->setMaxLength(static_cast<int>(control.max_length));
        if (control.digits_only) {
            edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
        } else if (control.upper_case) {
            edit->setValidator(new UpperCaseValidator(edit));
        }
        if (control.centred) edit->setAlignment(Qt::AlignCenter);
        const bool short_text = control.max_length > 0 && control.max_length <= 4;
        const QString sample = short_text ? QString(static_cast<qsizetype>(control.max_length) + 1, QLatin1Char('W'))
                                          : QStringLiteral("0000000000000");
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(sample) + 14);
        connect(edit, &QLineEdit::textEdited, this, [this, &model, id](const QString& text) {
            Guarded(ui_, [&] { model.EditText(id, text.toStdString()); });
            AfterEvent();
        });
        return edit;
    }
    case PageControlKind::Static: {
        auto* label = new QLabel(parent);
        label->setWordWrap(true);
        RetainSizeWhenHidden(label);
        return label;
    }
    }
    return new QWidget(parent);
}

QWidget* SheetDialog::BuildPage(std::size_t index) {
    const PropertyPage& model = sheet_.Page(index);
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("page%1").arg(index));
    std::map<int, QWidget*>& widgets = widgets_[index];
    for (const PageControl& control : model.Controls()) {
        QWidget* widget = CreateControl(index, control, page);
        widget->setObjectName(QStringLiteral("page%1_control%2").arg(index).arg(control.id));
        widgets[control.id] = widget;
    }

    std::set<int> placed;
    // A group is a grid: a row of one item spans it, the items of longer rows take one column
    // each, so that the rows "label, value, Hz" of a group line up.
    const auto build_group = [&](const GroupBox& group) {
        auto* box = new QGroupBox(FromStd(group.caption), page);
        auto* cells = new QGridLayout(box);
        int columns = 1;
        for (const std::vector<GroupItem>& row : group.rows) columns = std::max(columns, static_cast<int>(row.size()));
        for (int r = 0; r < static_cast<int>(group.rows.size()); ++r) {
            const std::vector<GroupItem>& row = group.rows[static_cast<std::size_t>(r)];
            for (int c = 0; c < static_cast<int>(row.size()); ++c) {
                const GroupItem& item = row[static_cast<std::size_t>(c)];
                QWidget* widget = nullptr;
                if (item.control_id == 0) {
                    widget = new QLabel(FromStd(item.label), box);
                } else if (const auto it = widgets.find(item.control_id); it != widgets.end()) {
                    widget = it->second;
                    placed.insert(item.control_id);
                } else {
                    continue;
                }
                const int span = row.size() == 1 ? columns + 1 : 1;
                // Buttons keep their own width: a click beside a button's text is not on it.
                const Qt::Alignment align =
                    qobject_cast<QAbstractButton*>(widget) ? Qt::AlignLeft | Qt::AlignVCenter : Qt::Alignment();
                cells->addWidget(widget, r, c, 1, span, align);
            }
        }
        cells->setColumnStretch(columns, 1);
        return box;
    };

    auto* grid = new QGridLayout(page);
    const std::vector<GroupBox>& groups = model.Groups();
    const std::size_t split = ColumnSplit(groups);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    for (std::size_t g = 0; g < groups.size(); ++g) (g < split ? left : right)->addWidget(build_group(groups[g]));
    left->addStretch(1);
    right->addStretch(1);
    grid->addLayout(left, 0, 0);
    if (split < groups.size()) {
        grid->addLayout(right, 0, 1);
        grid->setColumnStretch(0, 1);
        grid->setColumnStretch(1, 1);
    } else {
        delete right;
    }
    // Controls that belong to no group stand below the groups, the foot box last of all.
    auto* loose = new QVBoxLayout;
    for (const PageControl& control : model.Controls()) {
        if (placed.count(control.id) || control.id == model.FootBoxId()) continue;
        loose->addWidget(widgets[control.id]);
    }
    grid->addLayout(loose, 1, 0, 1, 2);
    grid->addWidget(widgets[model.FootBoxId()], 2, 0, 1, 2);
    grid->setRowStretch(0, 1);
    return page;
}

QWidget* SheetDialog::ControlWidget(std::size_t page, int id) const {
    if (page >= widgets_.size()) return nullptr;
    const auto it = widgets_[page].find(id);
    return it == widgets_[page].end() ? nullptr : it->second;
}

void SheetDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    for (int level = 0; level < 4; ++level) QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    FitDialog(this);
}

bool SheetDialog::Run() {
    Guarded(ui_, [&] { sheet_.Open(); });
    SyncFromModel();
    exec();
    return sheet_.Outcome() == SheetOutcome::Ok;
}

void SheetDialog::OnTabChanged(int index) {
    if (syncing_ || index < 0) return;
    Guarded(ui_, [&] { sheet_.Activate(static_cast<std::size_t>(index)); });
    // A refusal keeps the old page, and the tab goes back to it in the sync.
    AfterEvent();
}

void SheetDialog::OnPageRequested(const QString& caption) {
    if (const auto index = sheet_.FindPage(caption.toStdString())) {
        Guarded(ui_, [&] { sheet_.Activate(*index); });
    }
    AfterEvent();
}

void SheetDialog::OnSolve() {
    ClockSolveDialog solve(sheet_, ui_, this);
    solve.exec();
    AfterEvent();
}

void SheetDialog::AfterEvent() {
    SyncFromModel();
    if (sheet_.Outcome() == SheetOutcome::Cancelled && isVisible()) QDialog::reject();
}

void SheetDialog::accept() {
    bool ok = false;
    Guarded(ui_, [&] { ok = sheet_.Ok(); });
    if (ok) {
        QDialog::accept();
    } else if (sheet_.Outcome() == SheetOutcome::Cancelled) {
        QDialog::reject();
    } else {
        // The active page cannot be left yet; it said why.
        SyncFromModel();
    }
}

void SheetDialog::reject() {
    Guarded(ui_, [&] { sheet_.Cancel(); });
    QDialog::reject();
}

void SheetDialog::SyncFromModel() {
    syncing_ = true;
    {
        const QSignalBlocker block(tabs_);
        const int active = static_cast<int>(sheet_.ActiveIndex());
        if (tabs_->currentIndex() != active) tabs_->setCurrentIndex(active);
    }
    for (std::size_t i = 0; i < sheet_.PageCount(); ++i) SyncPage(i);
    tree_view_->SetTree(sheet_.Tree());
    syncing_ = false;
    // The scroll area breaks the chain of layouts: the new sizes of the pages and the clock
    // tree reach the sheet's own layout only through their posted layout requests, one level at
    // a time. Taken now, the sheet is laid out whole before anyone looks at it.
    for (int level = 0; level < 4; ++level) QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    // A page that has just been filled in (longer labels after a relabelling) may need more
    // room than the sheet had when it opened: the sheet grows, it never squeezes its controls.
    if (QLayout* top = layout()) {
        top->activate();
        const QSize wanted = sizeHint();
        if (isVisible() && (wanted.width() > width() || wanted.height() > height())) {
            resize(size().expandedTo(wanted).boundedTo(DialogRoom(this).expandedTo(size())));
        }
    }
}

void SheetDialog::SyncPage(std::size_t index) {
    const PropertyPage& page = sheet_.Page(index);
    // The foot box, which the pages leave empty, shows the limits broken that this page fixes.
    QString broken;
    for (const ClockViolation& v : sheet_.PageViolations(index)) {
        if (!broken.isEmpty()) broken += QLatin1Char('\n');
        broken += FromStd(v.Text());
    }
    for (const PageControl& control : page.Controls()) {
        QWidget* widget = ControlWidget(index, control.id);
        if (!widget) continue;
        const QSignalBlocker block(widget);
        QString text = FromStd(control.text);
        if (control.id == page.FootBoxId() && text.isEmpty()) text = broken;
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            if (button->text() != text) button->setText(text);
            button->setChecked(control.checked);
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            // An equal text is left alone, so that typing keeps its cursor.
            if (edit->text() != text) edit->setText(text);
        } else if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
            if (box->toPlainText() != text) box->setPlainText(text);
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            if (label->text() != text) label->setText(text);
        }
        widget->setEnabled(control.enabled);
        if (widget->isHidden() == control.visible) widget->setVisible(control.visible);
    }
}

}  // namespace quillon::qt
