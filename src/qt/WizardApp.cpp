#include "qt/WizardApp.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

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
    window_ = std::make_unique<MainWindow>(*wizard_, *platform_);
    platform_->SetParentWidget(window_.get());
}

WizardApp::~WizardApp() {
    // The window goes first: it stops listening to the wizard it renders.
    window_.reset();
    wizard_.reset();
}

void WizardApp::OpenAtStart(const std::string& path) { window_->OpenFile(QString::fromStdString(path)); }

namespace {

void DescribeCommandLine(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral("%1: configuration wizard for an embedded TCP/IP stack")
                                         .arg(VersionLine()));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("settings"), QStringLiteral("A settings file (*.wp) to open."),
                                 QStringLiteral("[SETTINGS.wp]"));
}

// Writes `text` to stdout; false, after a message on stderr, when it could not be written.
bool Print(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    errno = 0;
    if (std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout) ==
            static_cast<std::size_t>(bytes.size()) &&
        std::fflush(stdout) == 0) {
        return true;
    }
    std::fprintf(stderr, "quillon: cannot write the output: %s\n", errno ? std::strerror(errno) : "write error");
    return false;
}

bool AsksForHelpOrVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") return false;
        if (arg == "-h" || arg == "--help" || arg == "-?" || arg == "--help-all" || arg == "-v" || arg == "--version")
            return true;
    }
    return false;
}

// --help and --version answered without a display: they need no window, so a core
// application is enough, and they work on a server or in CI.
int AnswerWithoutDisplay(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quillon"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLON_VERSION_TEXT));
    QCommandLineParser parser;
    DescribeCommandLine(parser);
    parser.parse(QCoreApplication::arguments());  // a mistake beside --help does not matter here
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        return Print(parser.helpText()) ? 0 : 1;
    }
    QString text = QStringLiteral("quillon %1\n").arg(QStringLiteral(QUILLON_VERSION_TEXT));
    StoreBinding store;
    const WizardOptions options = WizardOptionsFor(QCoreApplication::applicationDirPath());
    store.Load(StoreBinding::DefaultCandidates(options.program_dir, options.install_prefix));
    for (const std::string& notice : StoreNotices(store)) text += QString::fromStdString(notice) + QLatin1Char('\n');
    return Print(text) ? 0 : 1;
}

}  // namespace

int WizardApp::Main(int argc, char** argv) {
    if (AsksForHelpOrVersion(argc, argv)) return AnswerWithoutDisplay(argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLON_VERSION_TEXT));
    QApplication::setWindowIcon(AppIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("quillon"));

    QCommandLineParser parser;
    DescribeCommandLine(parser);
    // A mistake on the command line is a usage error (status 2), reported before any window.
    if (!parser.parse(QApplication::arguments())) {
        std::fprintf(stderr, "quillon: %s (see quillon --help)\n", qPrintable(parser.errorText()));
        return 2;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "quillon: one settings file at a time (see quillon --help)\n");
        return 2;
    }

    WizardApp wizard(WizardOptionsFor(QCoreApplication::applicationDirPath()));
    wizard.Window().show();
    if (!files.isEmpty()) {
        const std::string path = QFileInfo(files.constFirst()).absoluteFilePath().toStdString();
        // Once the window is on screen, so that any message of Open stands over it.
        QTimer::singleShot(0, &wizard.Window(), [&wizard, path] { wizard.OpenAtStart(path); });
    }
    return QApplication::exec();
}

}  // namespace quillon::qt
