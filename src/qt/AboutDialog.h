// "About Quillon": the program icon, the version line, a line on what the program is, OK.
#pragma once

#include <QDialog>
#include <QString>

namespace quillon::qt {

// "Quillon Version 3.23"
QString VersionLine();

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace quillon::qt
