// Start-up of the desktop wizard: the Qt Platform, the WizardDialog with the options that say
// where the program lives, its initialisation, and the main window over it. The program, the
// start-up benchmark and the GUI tests all start the wizard through this one class.
#pragma once

#include <QString>

#include <memory>
#include <string>

#include "qt/QtPlatform.h"
#include "wizard/WizardDialog.h"

namespace quillon::qt {

class MainWindow;

// The store and the help are looked for beside the program; when the program sits in a bin/
// folder, the installed copies under its parent are the fallback.
WizardOptions WizardOptionsFor(const QString& program_dir);

class WizardApp {
public:
    // `platform` may be a test double derived from QtPlatform; null gives the real one.
    explicit WizardApp(WizardOptions options, std::unique_ptr<QtPlatform> platform = nullptr);
    ~WizardApp();
    WizardApp(const WizardApp&) = delete;
    WizardApp& operator=(const WizardApp&) = delete;

    QtPlatform& Ui() { return *platform_; }
    WizardDialog& Wizard() { return *wizard_; }
    MainWindow& Window() { return *window_; }

    // Opens a settings file through the window's own Open command, with the file dialog
    // answered by `path`.
    void OpenAtStart(const std::string& path);

    // The program: `quillon [SETTINGS.wp]`.
    static int Main(int argc, char** argv);

private:
    std::unique_ptr<QtPlatform> platform_;
    std::unique_ptr<WizardDialog> wizard_;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace quillon::qt
