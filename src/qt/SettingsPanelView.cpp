#include "qt/SettingsPanelView.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpacerItem>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

#include "config/StackBuild.h"
#include "qt/AddressEdit.h"
#include "qt/GuardedCall.h"
#include "qt/UpperCaseValidator.h"
#include "wizard/NodeSummary.h"

namespace quillon::qt {

namespace {

namespace C = ControlId;

QString FromStd(const std::string& text) { return QString::fromStdString(text); }

bool IsValueEdit(int id) { return id == C::Value1 || id == C::Value2 || id == C::Value3 || id == C::Value4; }

// The controls whose notes show in note place n (1 to 4), under their row.
std::vector<int> NoteSlotControls(int n) {
    std::vector<int> ids{SettingsPanel::ValueId(n), C::Address1 + n - 1};
    const int mac_first = n == 1 ? C::DestMacFirst : n == 2 ? C::SrcMacFirst : 0;
    for (int i = 0; mac_first != 0 && i < 6; ++i) ids.push_back(mac_first + i);
    return ids;
}

template <std::size_t N>
void FillCombo(QComboBox* combo, const std::array<TableEntry, N>& table) {
    for (const TableEntry& entry : table) {
        combo->addItem(QString::fromUtf8(entry.name.data(), static_cast<qsizetype>(entry.name.size())));
    }
}

// Hidden controls keep their space, so the rows stay where they are.
void RetainSizeWhenHidden(QWidget* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

// The summary's scroll area: it takes the room the controls leave and asks for none, since a
// stacked layout weighs the size hints of its pages whatever their size policies say.
class SummaryArea : public QScrollArea {
public:
    using QScrollArea::QScrollArea;
    QSize sizeHint() const override { return {0, 0}; }
    QSize minimumSizeHint() const override { return {0, 0}; }
};

// The panel's longest caption; the group is made wide enough for it, so that no caption is cut
// and the window does not change width when a longer one appears.
constexpr const char* kWidestCaption = "Buffer size for command line params (bytes):";

}  // namespace

SettingsPanelView::SettingsPanelView(WizardDialog& wizard, QWidget* parent) : QWidget(parent), wizard_(wizard) {
    setObjectName(QStringLiteral("settingsPanel"));
    for (const PanelControl& control : wizard_.Panel().Controls()) {
        QWidget* widget = Create(control);
        widget->setObjectName(QStringLiteral("control%1").arg(control.id));
        RetainSizeWhenHidden(widget);
        widgets_[control.id] = widget;
    }

    auto* settings = new QGroupBox(QStringLiteral("Settings"), this);
    settings->setObjectName(QStringLiteral("settingsGroup"));
    // The controls, or in their place the summary of a node whose page shows nothing. The
    // summary scrolls on its own and never sizes the group, so the panel keeps its shape.
    pages_ = new QStackedWidget(settings);
    pages_->setObjectName(QStringLiteral("settingsPages"));
    auto* controls_page = new QWidget(pages_);
    controls_page->setObjectName(QStringLiteral("controlsPage"));
    BuildSettingsGroup(controls_page);
    pages_->addWidget(controls_page);
    summary_area_ = new SummaryArea(pages_);
    summary_area_->setObjectName(QStringLiteral("summaryArea"));
    summary_area_->setFrameShape(QFrame::NoFrame);
    summary_area_->setWidgetResizable(true);
    summary_area_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    summary_ = new QLabel;
    summary_->setObjectName(QStringLiteral("nodeSummary"));
    summary_->setTextFormat(Qt::RichText);
    summary_->setWordWrap(true);
    summary_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    summary_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    summary_->setContentsMargins(2, 2, 2, 2);
    summary_area_->setWidget(summary_);
    pages_->addWidget(summary_area_);
    connect(summary_, &QLabel::linkActivated, this, [this](const QString& link) {
        if (!link.startsWith(QLatin1String("node:"))) return;
        bool ok = false;
        const int n = link.mid(5).toInt(&ok);
        if (!ok || n < 1 || n > kOptionNodeCount) return;
        const auto node = static_cast<OptionNode>(n);
        // After the label has finished with the click: the selection replaces its text.
        QMetaObject::invokeMethod(
            this, [this, node] { Guarded(wizard_.Ui(), [&] { wizard_.OnSelectionChange(node); }); },
            Qt::QueuedConnection);
    });
    auto* settings_layout = new QVBoxLayout(settings);
    settings_layout->addWidget(pages_);
    code_size_ = new QGroupBox(QStringLiteral("Code Size"), this);
    code_size_->setObjectName(QStringLiteral("codeSizeGroup"));
    BuildCodeSizeGroup(code_size_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(settings, 1);
    layout->addWidget(code_size_, 0);
    focus_serial_ = wizard_.FocusRequest().serial;
    SyncFromModel();
}

QWidget* SettingsPanelView::Create(const PanelControl& control) {
    const int id = control.id;
    switch (control.kind) {
    case PanelControlKind::Label: return new QLabel(this);
    case PanelControlKind::Edit: {
        auto* edit = new QLineEdit(this);
        if (control.read_only) {
            // Looks like what it is, a value shown, and is not a stop for the keyboard.
            edit->setReadOnly(true);
            edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            edit->setFocusPolicy(Qt::NoFocus);
            QPalette palette = edit->palette();
            palette.setBrush(QPalette::Base, palette.brush(QPalette::Window));
            edit->setPalette(palette);
        }
        if (IsValueEdit(id)) {
            connect(edit, &QLineEdit::textEdited, this, [this, id](const QString& text) {
                Guarded(wizard_.Ui(), [&] { wizard_.OnValueEdited(id, text.toStdString()); });
            });
            QAction* mark = edit->addAction(style()->standardIcon(QStyle::SP_MessageBoxWarning),
                                            QLineEdit::TrailingPosition);
            mark->setVisible(false);
            note_marks_[id] = mark;
        }
        return edit;
    }
    case PanelControlKind::Mac: {
        auto* edit = new QLineEdit(this);
        edit->setValidator(new UpperCaseValidator(edit));
        edit->setAlignment(Qt::AlignCenter);
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("WW")) + 14);
        connect(edit, &QLineEdit::textEdited, this, [this, id](const QString& text) {
            Guarded(wizard_.Ui(), [&] { wizard_.OnMacEdited(id, text.toStdString()); });
        });
        return edit;
    }
    case PanelControlKind::Address: {
        auto* address = new AddressEdit(this);
        connect(address, &AddressEdit::addressTyped, this, [this, id](const QString& dotted) {
            Guarded(wizard_.Ui(), [&] { wizard_.OnAddressTyped(id, dotted.toStdString()); });
        });
        return address;
    }
    case PanelControlKind::Combo: {
        auto* combo = new QComboBox(this);
        if (id == C::CountryCombo) FillCombo(combo, kCountryTable);
        if (id == C::ProtocolCombo) FillCombo(combo, kProtocolTable);
        combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        connect(combo, &QComboBox::activated, this, [this, id](int index) {
            Guarded(wizard_.Ui(), [&] { wizard_.OnComboChanged(id, index); });
        });
        return combo;
    }
    case PanelControlKind::Check: {
        auto* check = new QCheckBox(this);
        connect(check, &QCheckBox::clicked, this, [this](bool checked) {
            Guarded(wizard_.Ui(), [&] { wizard_.OnArpAutoUpdateClicked(checked); });
        });
        return check;
    }
    case PanelControlKind::Button: {
        auto* button = new QPushButton(this);
        button->setAutoDefault(false);
        // Some air around the caption; the style's own margin leaves it touching the frame.
        button->setMinimumWidth(button->fontMetrics().horizontalAdvance(QString::fromStdString(control.text)) + 32);
        connect(button, &QPushButton::clicked, this, [this, id] { OnButton(id); });
        return button;
    }
    }
    return new QWidget(this);
}

void SettingsPanelView::OnButton(int id) {
    Guarded(wizard_.Ui(), [&] {
        if (id == C::ConfigureSysclk) wizard_.OnConfigureSysclk();
        if (id == C::UpdateBaudRate) wizard_.OnUpdateUartBaudRate();
    });
}

void SettingsPanelView::BuildSettingsGroup(QWidget* group) {
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setColumnStretch(0, 1);
    grid->setVerticalSpacing(3);
    grid->setHorizontalSpacing(8);
    const auto w = [this](int id) { return widgets_.at(id); };
    // Controls that stand side by side share a row widget; a row is hidden while all its
    // controls are, so that it never covers the controls that share its place.
    const auto row_of = [&](const char* name, std::vector<int> ids, int spacing) {
        auto* row = new QWidget(group);
        row->setObjectName(QString::fromLatin1(name));
        auto* box = new QHBoxLayout(row);
        box->setContentsMargins(0, 0, 0, 0);
        box->setSpacing(spacing);
        for (int id : ids) box->addWidget(w(id), qobject_cast<QLineEdit*>(w(id)) && id == C::Value1 ? 1 : 0);
        RetainSizeWhenHidden(row);
        rows_.push_back({row, std::move(ids)});
        return row;
    };
    std::vector<int> dest_mac, src_mac;
    for (int i = 0; i < 6; ++i) {
        dest_mac.push_back(C::DestMacFirst + i);
        src_mac.push_back(C::SrcMacFirst + i);
    }
    // "Update UART Baud Rate" follows the baud rate; only that node shows it, and the first
    // value has the full width everywhere else.
    QSizePolicy button_policy = w(C::UpdateBaudRate)->sizePolicy();
    button_policy.setRetainSizeWhenHidden(false);
    w(C::UpdateBaudRate)->setSizePolicy(button_policy);
    QWidget* value1_row = row_of("value1Row", {C::Value1, C::UpdateBaudRate}, 8);
    QWidget* dest_mac_row = row_of("destMacRow", dest_mac, 4);
    QWidget* src_mac_row = row_of("srcMacRow", src_mac, 4);

    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    // Each label stands above its value and the value's note under it; the address controls,
    // the MAC rows, the combo boxes and "Configure SYSCLK" take the place of the value that
    // their node does not use. A note place takes room under each row that its page shows.
    grid->addWidget(w(C::Label1), 0, 0);
    grid->addWidget(value1_row, 1, 0);
    grid->addWidget(w(C::Address1), 1, 0, left);
    grid->addWidget(dest_mac_row, 1, 0, left);
    grid->addWidget(w(C::ConfigureSysclk), 1, 0, left);
    grid->addWidget(CreateNoteSlot(1, group), 2, 0);
    grid->addWidget(w(C::Label2), 3, 0);
    grid->addWidget(w(C::CountryLabel), 3, 0);
    grid->addWidget(w(C::Value2), 4, 0);
    grid->addWidget(w(C::Address2), 4, 0, left);
    grid->addWidget(src_mac_row, 4, 0, left);
    grid->addWidget(w(C::CountryCombo), 4, 0, left);
    grid->addWidget(CreateNoteSlot(2, group), 5, 0);
    grid->addWidget(w(C::Label3), 6, 0);
    grid->addWidget(w(C::ProtocolLabel), 6, 0);
    grid->addWidget(w(C::Value3), 7, 0);
    grid->addWidget(w(C::Address3), 7, 0, left);
    grid->addWidget(w(C::ProtocolCombo), 7, 0, left);
    grid->addWidget(CreateNoteSlot(3, group), 8, 0);
    grid->addWidget(w(C::Label4), 9, 0);
    grid->addWidget(w(C::Value4), 10, 0);
    grid->addWidget(w(C::Address4), 10, 0, left);
    grid->addWidget(CreateNoteSlot(4, group), 11, 0);
    grid->addWidget(w(C::Label5), 12, 0);
    grid->addWidget(w(C::ArpAutoUpdate), 13, 0);
    grid->setRowStretch(14, 1);

    for (int id : {C::Label1, C::Label2, C::Label3, C::Label4, C::Label5, C::CountryLabel, C::ProtocolLabel}) {
        // Captions never widen the window; the group's minimum width below fits the longest.
        auto* label = static_cast<QLabel*>(w(id));
        label->setSizePolicy(QSizePolicy::Ignored, label->sizePolicy().verticalPolicy());
    }
    static_cast<QLabel*>(w(C::Label5))->setWordWrap(true);
    // The rows under the values give their room back when their page does not use them, so
    // that the panel fits a small screen.
    for (int id : {C::ArpAutoUpdate}) {
        QSizePolicy policy = w(id)->sizePolicy();
        policy.setRetainSizeWhenHidden(false);
        w(id)->setSizePolicy(policy);
    }
    // Wide enough for the longest caption, a row of MAC bytes and the longest protocol name.
    const int widest = std::max({w(C::Label1)->fontMetrics().horizontalAdvance(QString::fromLatin1(kWidestCaption)),
                                 dest_mac_row->sizeHint().width(), w(C::ProtocolCombo)->sizeHint().width(),
                                 w(C::CountryCombo)->sizeHint().width()});
    // A strut rather than a minimum width on the group, which would override what the layout
    // itself needs (a row with the baud-rate button is wider still).
    grid->addItem(new QSpacerItem(widest + 8, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), 15, 0);
}

QWidget* SettingsPanelView::CreateNoteSlot(int n, QWidget* parent) {
    // A small box in the colours of a tooltip, which every style keeps readable: a warning
    // icon and the note, wrapped to the width of the panel.
    auto* slot = new QWidget(parent);
    slot->setObjectName(QStringLiteral("note%1").arg(n));
    slot->setAutoFillBackground(true);
    QPalette palette = slot->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::ToolTipBase));
    palette.setColor(QPalette::WindowText, palette.color(QPalette::ToolTipText));
    slot->setPalette(palette);
    auto* box = new QHBoxLayout(slot);
    box->setContentsMargins(4, 2, 4, 2);
    box->setSpacing(6);
    auto* icon = new QLabel(slot);
    icon->setObjectName(QStringLiteral("noteIcon%1").arg(n));
    const int size = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(size, size));
    icon->setAlignment(Qt::AlignTop);
    auto* text = new QLabel(slot);
    text->setObjectName(QStringLiteral("noteText%1").arg(n));
    text->setWordWrap(true);
    text->setTextFormat(Qt::PlainText);
    text->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    box->addWidget(icon, 0, Qt::AlignTop);
    box->addWidget(text, 1);
    RetainSizeWhenHidden(icon);
    icon->hide();
    slot->hide();
    note_icons_[static_cast<std::size_t>(n - 1)] = icon;
    note_slots_[static_cast<std::size_t>(n - 1)] = slot;
    note_texts_[static_cast<std::size_t>(n - 1)] = text;
    return slot;
}

QLabel* SettingsPanelView::NoteLabel(int id) const {
    for (int n = 1; n <= 4; ++n) {
        const std::vector<int> ids = NoteSlotControls(n);
        if (std::find(ids.begin(), ids.end(), id) != ids.end()) return note_texts_[static_cast<std::size_t>(n - 1)];
    }
    return nullptr;
}

bool SettingsPanelView::NotesFit(const std::array<bool, 4>& in_use, int height) {
    // The room the panel is given (the viewport it scrolls in), against what it needs with a
    // free line under each field of the page.
    const QWidget* room = parentWidget() ? parentWidget() : this;
    const auto* grid = static_cast<QGridLayout*>(note_slots_[0]->parentWidget()->layout());
    int needed = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        if (in_use[i] && note_slots_[i]->isHidden()) needed += height + grid->verticalSpacing();
    }
    for (QWidget* w = note_slots_[0]->parentWidget(); w && w != this; w = w->parentWidget()) {
        if (w->layout()) w->layout()->invalidate();
        w->updateGeometry();
    }
    layout()->invalidate();
    return minimumSizeHint().height() + needed <= room->height();
}

void SettingsPanelView::SyncNotes() {
    const SettingsPanel& panel = wizard_.Panel();
    // Where the panel has the room, a note's line is kept free under every field of the page,
    // and a place that has grown for a longer note keeps its height while the page is shown: a
    // note that comes or goes while the user types never moves the fields below it from under
    // the mouse. Where it has not (a small screen at a large scale), a note takes its room when
    // it comes, rather than every page scrolling.
    const std::optional<OptionNode> selected = wizard_.Tree().Selected();
    const bool new_page = selected != notes_page_;
    notes_page_ = selected;
    const int icon_size = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    const int line = fontMetrics().lineSpacing();
    std::array<bool, 4> in_use{};
    std::array<QStringList, 4> notes;
    for (std::size_t i = 0; i < 4; ++i) {
        for (int id : NoteSlotControls(static_cast<int>(i) + 1)) {
            const PanelControl& control = panel.Control(id);
            in_use[i] = in_use[i] || control.visible;
            if (control.visible && !control.note.empty()) notes[i] << FromStd(control.note);
        }
    }
    if (new_page) {
        // Two lines hold most notes at a laptop's width; one where two do not fit.
        for (std::size_t i = 0; i < 4; ++i) {
            if (note_slots_[i]->isHidden() == !notes[i].isEmpty()) note_slots_[i]->setVisible(!notes[i].isEmpty());
        }
        reserved_height_ = 0;
        for (int lines : {2, 1}) {
            const int height = std::max(lines * line, icon_size) + 4;
            if (NotesFit(in_use, height)) {
                reserved_height_ = height;
                break;
            }
        }
    }
    for (std::size_t i = 0; i < 4; ++i) {
        QWidget* slot = note_slots_[i];
        const int grown = new_page || !slot->isVisible() ? 0 : slot->height();
        const int least = std::max({reserved_height_, grown, new_page ? 0 : slot->minimumHeight()});
        if (slot->minimumHeight() != least) slot->setMinimumHeight(least);
        const QString joined = notes[i].join(QLatin1Char('\n'));
        if (note_texts_[i]->text() != joined) note_texts_[i]->setText(joined);
        // An empty place is blank, not an empty box.
        const bool noted = !notes[i].isEmpty();
        if (slot->autoFillBackground() != noted) slot->setAutoFillBackground(noted);
        if (note_icons_[i]->isHidden() == noted) note_icons_[i]->setVisible(noted);
        const bool shown = reserved_height_ > 0 ? in_use[i] : noted;
        if (slot->isHidden() == shown) slot->setVisible(shown);
    }
    for (const auto& [id, mark] : note_marks_) {
        const bool noted = !panel.Control(id).note.empty();
        if (mark->isVisible() != noted) mark->setVisible(noted);
    }
}

void SettingsPanelView::TakeFocusRequest() {
    const WizardDialog::FieldFocus& focus = wizard_.FocusRequest();
    if (focus.serial == focus_serial_) return;
    focus_serial_ = focus.serial;
    QWidget* widget = ControlWidget(focus.control);
    if (!widget || !widget->isVisibleTo(this) || !widget->isEnabled()) return;
    widget->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->selectAll();
}

void SettingsPanelView::BuildCodeSizeGroup(QGroupBox* group) {
    auto* grid = new QGridLayout(group);
    const QMargins margins = grid->contentsMargins();
    grid->setContentsMargins(margins.left(), margins.top() / 2, margins.right(), margins.bottom() / 2);
    const auto w = [this](int id) { return widgets_.at(id); };
    const int number = w(C::UsedSpace)->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16;
    w(C::UsedSpace)->setFixedWidth(number);
    w(C::FreeSpace)->setFixedWidth(number);
    // One row, so that the box takes little of a small screen's height.
    grid->addWidget(w(C::UsedSpaceLabel), 0, 0);
    grid->addWidget(w(C::UsedSpace), 0, 1);
    grid->addWidget(w(C::UsedKbLabel), 0, 2);
    grid->setColumnMinimumWidth(3, 16);
    grid->addWidget(w(C::FreeSpaceLabel), 0, 4);
    grid->addWidget(w(C::FreeSpace), 0, 5);
    grid->addWidget(w(C::FreeKbLabel), 0, 6);
    grid->setColumnStretch(7, 1);
}

void SettingsPanelView::MarkUnstored(QWidget* widget, bool unstored) {
    // A text the record does not hold is drawn in red, so that it cannot pass for the value
    // the project gets; the note under it says what the record keeps.
    if (widget->property("unstored").toBool() == unstored) return;
    widget->setProperty("unstored", unstored);
    QList<QLineEdit*> edits = widget->findChildren<QLineEdit*>();
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) edits << edit;
    for (QLineEdit* edit : edits) {
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Text, unstored ? QColor(0xC0, 0x00, 0x00) : QApplication::palette(edit).color(QPalette::Text));
        edit->setPalette(palette);
    }
}

QWidget* SettingsPanelView::ControlWidget(int id) const {
    const auto it = widgets_.find(id);
    return it == widgets_.end() ? nullptr : it->second;
}

void SettingsPanelView::SyncFromModel() {
    for (const PanelControl& control : wizard_.Panel().Controls()) {
        QWidget* widget = ControlWidget(control.id);
        if (!widget) continue;
        const QSignalBlocker block(widget);
        Sync(control, widget);
    }
    for (const auto& [row, ids] : rows_) {
        const bool shown = std::any_of(ids.begin(), ids.end(), [this](int id) { return wizard_.Panel().Control(id).visible; });
        if (row->isHidden() == shown) row->setVisible(shown);
    }
    SyncNotes();
    SyncXdata();
    SyncSummary();
    TakeFocusRequest();
}

bool SettingsPanelView::ShowsSummary() const { return pages_->currentWidget() == summary_area_; }

void SettingsPanelView::SyncSummary() {
    const std::optional<OptionNode> selected = wizard_.Tree().Selected();
    const bool summary = selected && wizard_.Panel().ShowsNothing();
    if (summary) {
        const QString html = SummaryHtml(*selected);
        if (summary_->text() != html) summary_->setText(html);
    }
    QWidget* page = summary ? static_cast<QWidget*>(summary_area_) : pages_->widget(0);
    if (pages_->currentWidget() != page) pages_->setCurrentWidget(page);
}

QString SettingsPanelView::SummaryHtml(OptionNode node) const {
    const auto escaped = [](std::string_view text) {
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toHtmlEscaped();
    };
    const auto link = [&](OptionNode n) {
        return QStringLiteral("<a href=\"node:%1\">%2</a>").arg(static_cast<int>(n)).arg(escaped(InfoOf(n).text));
    };
    const int indent = fontMetrics().horizontalAdvance(QStringLiteral("MM"));
    const auto block = [&](int depth, const QString& body, int space_above = 0) {
        return QStringLiteral("<p style=\"margin-left:%1px; margin-top:%2px; margin-bottom:0px\">%3</p>")
            .arg(depth * indent)
            .arg(space_above)
            .arg(body);
    };
    const std::vector<SummaryEntry> entries = SummaryOf(node, wizard_.Tree(), wizard_.Record());
    QString html;
    for (const SummaryEntry& e : entries) {
        QString line;
        if (e.depth == 0) {
            line = QStringLiteral("<b>%1</b>").arg(escaped(InfoOf(e.node).text));
        } else {
            line = link(e.node);
        }
        if (!e.state.empty()) line += QStringLiteral(": ") + escaped(e.state);
        // A category starts a paragraph of its own, so that a long summary reads in blocks.
        const bool heading = e.depth > 0 && InfoOf(e.node).kind != NodeKind::Option && InfoOf(e.node).kind != NodeKind::Page;
        html += block(e.depth, line, heading ? fontMetrics().height() / 2 : 0);
        if (e.depth == 0) {
            // Why the node is as it is and what choosing it would cost, as its tooltip says.
            const std::string why = TooltipText(wizard_.Explain(e.node));
            if (!why.empty()) html += block(0, escaped(why).replace(QLatin1Char('\n'), QStringLiteral("<br>")));
        }
        for (const PanelValueText& value : e.values) {
            html += block(e.depth + 1, escaped(value.caption) + QStringLiteral(": <b>") + escaped(value.value) +
                                           QStringLiteral("</b>"));
        }
    }
    return html;
}

void SettingsPanelView::SyncXdata() {
    // What the firmware built from source takes of the family's external RAM goes into the
    // box's title: a row of its own would cost a small screen its height, a column its width.
    const XdataUse use = EstimateXdata(wizard_.Record());
    const bool fits = use.used <= use.available;
    const QString title = fits ? QStringLiteral("Code Size, XDATA %1 of %2 bytes").arg(use.used).arg(use.available)
                               : QStringLiteral("Code Size, XDATA %1 of %2 bytes: too much").arg(use.used).arg(use.available);
    if (code_size_->title() != title) code_size_->setTitle(title);
    QString tip = QStringLiteral("External data memory (XDATA) the firmware takes, of %1 bytes:").arg(use.available);
    for (const XdataPart& part : use.parts) tip += QStringLiteral("\n%1: %2").arg(FromStd(part.what)).arg(part.bytes);
    code_size_->setToolTip(tip);
}

void SettingsPanelView::Sync(const PanelControl& control, QWidget* widget) {
    const QString text = FromStd(control.text);
    switch (control.kind) {
    case PanelControlKind::Label: {
        auto* label = static_cast<QLabel*>(widget);
        if (label->text() != text) label->setText(text);
        break;
    }
    case PanelControlKind::Edit:
    case PanelControlKind::Mac: {
        auto* edit = static_cast<QLineEdit*>(widget);
        const int limit = control.limit > 0 ? static_cast<int>(control.limit) : 32767;
        if (edit->maxLength() != limit) edit->setMaxLength(limit);
        // An equal text is left alone: a refresh while the user types keeps the cursor.
        if (edit->text() != text) edit->setText(text);
        const QString note = FromStd(control.note);
        if (edit->toolTip() != note) edit->setToolTip(note);
        MarkUnstored(widget, control.unstored);
        break;
    }
    case PanelControlKind::Address:
        // The typed text stays in front of the user while the record does not hold it.
        if (!control.unstored) static_cast<AddressEdit*>(widget)->SetAddress(control.address);
        MarkUnstored(widget, control.unstored);
        break;
    case PanelControlKind::Combo: {
        auto* combo = static_cast<QComboBox*>(widget);
        if (combo->currentIndex() != control.selection) combo->setCurrentIndex(control.selection);
        break;
    }
    case PanelControlKind::Check: {
        auto* check = static_cast<QCheckBox*>(widget);
        if (check->text() != text) check->setText(text);
        check->setChecked(control.checked);
        break;
    }
    case PanelControlKind::Button: {
        auto* button = static_cast<QPushButton*>(widget);
        if (button->text() != text) button->setText(text);
        break;
    }
    }
    widget->setEnabled(control.enabled);
    if (widget->isHidden() == control.visible) widget->setVisible(control.visible);
}

}  // namespace quillon::qt
