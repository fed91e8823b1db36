// A status bar field that never pushes its neighbours out: it asks for the room of its whole
// text, and a text too long for the room it gets is shortened in the middle
// ("/home/.../project.wp"); the whole text is its tooltip.
#pragma once

#include <QFrame>
#include <QList>
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

// A row of ElidedLabels that share the width fairly: each gets its whole text while all fit;
// otherwise the texts short enough to fit a common width stay whole and only the longer ones
// are shortened, to that width (never below their minimum). Hidden labels take no room.
class ElidedRow : public QWidget {
    Q_OBJECT
public:
    explicit ElidedRow(QWidget* parent = nullptr);

    void Add(ElidedLabel* label);
    static constexpr int kSpacing = 12;

    // The widths the shown labels get in `width`, in the order they were added (0: hidden).
    QList<int> Widths(int width) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Places the labels at once, for a caller that has just changed their texts.
    void Place();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:

    QList<ElidedLabel*> labels_;
};

}  // namespace quillon::qt
