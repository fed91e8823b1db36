#include "qt/WizardApp.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include "qt/AboutDialog.h"
#include "qt/Artwork.h"
#include "qt/GuardedCall.h"
#include "qt/MainWindow.h"
#include "qt/QtPlatform.h"

namespace quillon::qt {

WizardOptions WizardOptionsFor(const QString& program_dir) {
    WizardOptions options;
    const QString dir = QDir::cleanPath(program_dir);
    options.program_dir = dir.toStdString();
    if (QFileInfo(dir).fileName() == QLatin1String("bin")) {
        options.install_prefix = QFileInfo(dir).absolutePath().toStdString();
    }
    return options;
}

WizardApp::WizardApp(WizardOptions options, std::unique_ptr<QtPlatform> platform)
    : platform_(platform ? std::move(platform) : std::make_unique<QtPlatform>()),
      wizard_(std::make_unique<WizardDialog>(*platform_, std::move(options))) {
    Guarded(*platform_, [&] { wizard_->Initialise(); });
    window_ = std::make_unique<MainWindow>(*wizard_);
    platform_->SetParentWidget(window_.get());
}

WizardApp::~WizardApp() {
    // The window goes first: it stops listening to the wizard it renders.
    window_.reset();
    wizard_.reset();
}

void WizardApp::OpenAtStart(const std::string& path) {
    platform_->PreAnswerOpenDialog(path);
    Guarded(*platform_, [&] { wizard_->OnFileOpen(); });
    // Whatever Open did, the answer is not left waiting for a later dialog.
    platform_->ForgetPreAnsweredOpen();
    window_->SyncFromModel();
}

int WizardApp::Main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLON_VERSION_TEXT));
    QApplication::setWindowIcon(AppIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("quillon"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("%1: configuration wizard for an embedded TCP/IP stack")
                                         .arg(VersionLine()));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("settings"), QStringLiteral("A settings file (*.wp) to open."),
                                 QStringLiteral("[SETTINGS.wp]"));
    parser.process(app);

    WizardApp wizard(WizardOptionsFor(QCoreApplication::applicationDirPath()));
    wizard.Window().show();
    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty()) {
        const std::string path = QFileInfo(files.constFirst()).absoluteFilePath().toStdString();
        // Once the window is on screen, so that any message of Open stands over it.
        QTimer::singleShot(0, &wizard.Window(), [&wizard, path] { wizard.OpenAtStart(path); });
    }
    return QApplication::exec();
}

}  // namespace quillon::qt
