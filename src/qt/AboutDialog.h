// "About Quillon": the program icon, the version line, a line on what the program is, OK.
#pragma once

#include <QDialog>
#include <QString>

#include "wizard/Platform.h"

namespace quillon::qt {

// "Quillon Version 3.23"
QString VersionLine();

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
    // With the lines the wizard adds under the version (the sample-library notice).
    explicit AboutDialog(const AboutBox& about, QWidget* parent = nullptr);
};

}  // namespace quillon::qt
