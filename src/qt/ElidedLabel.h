// A status bar field that never pushes its neighbours out: a text too long for the room it gets
// is shortened in the middle ("/home/.../project.wp"), and the whole text is its tooltip.
#pragma once

#include <QFrame>
#include <QString>

namespace quillon::qt {

class ElidedLabel : public QFrame {
    Q_OBJECT
public:
    // `mode`: where the text is shortened (a path in the middle, a sentence at its end).
    explicit ElidedLabel(QWidget* parent = nullptr, Qt::TextElideMode mode = Qt::ElideMiddle);

    // `prefix` stays whole ("Settings file: "); `text` is shortened when there is no room.
    void SetText(const QString& prefix, const QString& text);
    QString FullText() const { return prefix_ + text_; }
    // What is painted now.
    QString ShownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::TextElideMode mode_;
    QString prefix_;
    QString text_;
};

}  // namespace quillon::qt
