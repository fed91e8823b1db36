// The help window: a browser over the HTML help pages that ship beside the program, with the
// usual Back, Forward and Contents buttons. One window, reused by every Help command.
#pragma once

#include <QUrl>
#include <QWidget>

class QTextBrowser;

namespace quillon::qt {

class HelpViewer : public QWidget {
    Q_OBJECT
public:
    explicit HelpViewer(QWidget* parent = nullptr);

    // Shows `path` at its anchor `section` (the top when empty) and brings the window to the
    // front, on the screen of the window it belongs to; false when the file cannot be read or
    // holds nothing to show.
    bool ShowFile(const QString& path, const QString& section = {});

    QTextBrowser* Browser() const { return browser_; }

protected:
    // Escape closes the help as it closes a dialog, wherever the focus is in it.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void PlaceOnScreen();

    QTextBrowser* browser_;
    QUrl home_;
};

}  // namespace quillon::qt
