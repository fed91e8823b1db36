#include "qt/AddressEdit.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QStyleOptionFrame>

namespace quillon::qt {

namespace {

int FieldValue(const QString& text) { return std::min(text.toInt(), 255); }

}  // namespace

AddressEdit::AddressEdit(QWidget* parent) : QFrame(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(0);
    auto* validator = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this);
    for (int i = 0; i < 4; ++i) {
        auto* field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("field%1").arg(i));
        field->setFrame(false);
        field->setAlignment(Qt::AlignCenter);
        field->setMaxLength(3);
        field->setValidator(validator);
        field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 6);
        field->installEventFilter(this);
        connect(field, &QLineEdit::textEdited, this, [this, i] { OnFieldEdited(i); });
        fields_[static_cast<std::size_t>(i)] = field;
        if (i > 0) {
            auto* dot = new QLabel(QStringLiteral("."), this);
            dot->setAlignment(Qt::AlignCenter);
            layout->addWidget(dot);
        }
        layout->addWidget(field);
    }
    setFocusProxy(fields_[0]);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    SetAddress({0, 0, 0, 0});
}

Ip4 AddressEdit::Address() const {
    Ip4 out{};
    for (std::size_t i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(FieldValue(fields_[i]->text()));
    return out;
}

QString AddressEdit::Text() const {
    QStringList parts;
    for (const QLineEdit* field : fields_) parts << field->text();
    return parts.join(QLatin1Char('.'));
}

void AddressEdit::SetAddress(const Ip4& address) {
    for (std::size_t i = 0; i < 4; ++i) {
        const QString text = QString::number(address[i]);
        // Leave an equal field alone, so that a refresh while the user types keeps the cursor.
        if (fields_[i]->text() != text) fields_[i]->setText(text);
    }
}

int AddressEdit::IndexOf(QObject* field) const {
    for (int i = 0; i < 4; ++i) {
        if (fields_[static_cast<std::size_t>(i)] == field) return i;
    }
    return -1;
}

void AddressEdit::FocusField(int index, bool cursor_at_end) {
    QLineEdit* field = fields_[static_cast<std::size_t>(index)];
    field->setFocus(Qt::OtherFocusReason);
    field->deselect();
    field->setCursorPosition(cursor_at_end ? static_cast<int>(field->text().size()) : 0);
}

void AddressEdit::OnFieldEdited(int index) {
    QLineEdit* field = fields_[static_cast<std::size_t>(index)];
    if (field->text().size() == 3 && field->cursorPosition() == 3 && index < 3) {
        // A full field hands over to the next one, ready to be overtyped.
        QLineEdit* next = fields_[static_cast<std::size_t>(index + 1)];
        next->setFocus(Qt::OtherFocusReason);
        next->selectAll();
        just_advanced_ = true;
    }
    emit addressTyped(Text());
}

bool AddressEdit::eventFilter(QObject* watched, QEvent* event) {
    const int index = IndexOf(watched);
    if (index < 0 || event->type() != QEvent::KeyPress) return QFrame::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    QLineEdit* field = fields_[static_cast<std::size_t>(index)];
    const bool at_start = field->cursorPosition() == 0 && !field->hasSelectedText();
    const bool at_end = field->cursorPosition() == field->text().size() && !field->hasSelectedText();
    // A full field has moved on by itself; the dot that a user types after the third digit
    // all the same ("192.168...") must not skip the next field.
    const bool after_advance = just_advanced_;
    just_advanced_ = false;
    if (key->text() == QLatin1String(".")) {
        // The dot is never part of a field; in a field with digits it moves on.
        if (!after_advance && !field->text().isEmpty() && index < 3) {
            QLineEdit* next = fields_[static_cast<std::size_t>(index + 1)];
            next->setFocus(Qt::OtherFocusReason);
            next->selectAll();
        }
        return true;
    }
    switch (key->key()) {
    case Qt::Key_Backspace:
        if (at_start && index > 0) {
            FocusField(index - 1, true);
            return true;
        }
        break;
    case Qt::Key_Left:
        if (at_start && index > 0 && key->modifiers() == Qt::NoModifier) {
            FocusField(index - 1, true);
            return true;
        }
        break;
    case Qt::Key_Right:
        if (at_end && index < 3 && key->modifiers() == Qt::NoModifier) {
            FocusField(index + 1, false);
            return true;
        }
        break;
    default: break;
    }
    return QFrame::eventFilter(watched, event);
}

void AddressEdit::paintEvent(QPaintEvent*) {
    // The frame and background of a line edit, so that the four fields read as one control.
    QPainter painter(this);
    QStyleOptionFrame option;
    option.initFrom(this);
    option.rect = rect();
    option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    if (!isEnabled()) option.state &= ~QStyle::State_Enabled;
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);
}

void AddressEdit::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) update();
    QFrame::changeEvent(event);
}

}  // namespace quillon::qt
