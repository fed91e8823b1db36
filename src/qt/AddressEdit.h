// An IPv4 address control: four fields of 0 to 255 in one frame, separated by dots. Typing a
// dot or a field's third digit moves on to the next field, Backspace at the start of a field
// moves back into the previous one, and the arrow keys cross field borders. Only the user's
// edits emit addressTyped, with the four fields as typed (an octet of 300 included: the window
// decides what is stored); SetAddress is silent.
#pragma once

#include <QFrame>

#include <array>

#include "config/ConfigRecord.h"

class QLineEdit;

namespace quillon::qt {

class AddressEdit : public QFrame {
    Q_OBJECT
public:
    explicit AddressEdit(QWidget* parent = nullptr);

    // The address the fields hold, each held to 255; Text() is what they show.
    Ip4 Address() const;
    QString Text() const;
    void SetAddress(const Ip4& address);

    // Field 0 to 3, for tests and focus handling.
    QLineEdit* Field(int index) const { return fields_[static_cast<std::size_t>(index)]; }

signals:
    void addressTyped(const QString& dotted);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int IndexOf(QObject* field) const;
    void FocusField(int index, bool cursor_at_end);
    void OnFieldEdited(int index);

    std::array<QLineEdit*, 4> fields_{};
    // The last key filled a field and moved the focus on.
    bool just_advanced_ = false;
};

}  // namespace quillon::qt
