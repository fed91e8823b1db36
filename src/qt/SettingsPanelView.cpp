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
#include <QSignalBlocker>
#include <QSpacerItem>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

#include "config/StackBuild.h"
#include "qt/AddressEdit.h"
#include "qt/GuardedCall.h"
#include "qt/UpperCaseValidator.h"

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
    BuildSettingsGroup(settings);
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

void SettingsPanelView::BuildSettingsGroup(QGroupBox* group) {
    auto* grid = new QGridLayout(group);
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
    // their node does not use. A note place is hidden, and takes no room, while it is empty.
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
    slot->hide();
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

void SettingsPanelView::SyncNotes() {
    const SettingsPanel& panel = wizard_.Panel();
    for (int n = 1; n <= 4; ++n) {
        QStringList notes;
        for (int id : NoteSlotControls(n)) {
            const PanelControl& control = panel.Control(id);
            if (control.visible && !control.note.empty()) notes << FromStd(control.note);
        }
        QLabel* text = note_texts_[static_cast<std::size_t>(n - 1)];
        const QString joined = notes.join(QLatin1Char('\n'));
        if (text->text() != joined) text->setText(joined);
        QWidget* slot = note_slots_[static_cast<std::size_t>(n - 1)];
        if (slot->isHidden() == !notes.isEmpty()) slot->setVisible(!notes.isEmpty());
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
    TakeFocusRequest();
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
