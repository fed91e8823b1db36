// Start-up to a shown window: constructs the wizard (store binding, tree, defaults, panel),
// shows its window, lets the event loop paint it, and prints the elapsed time. The first run
// includes creating the QApplication; the others measure the wizard alone.
#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "qt/MainWindow.h"
#include "qt/WizardApp.h"

namespace {

double ShowOnce() {
    QElapsedTimer timer;
    timer.start();
    quillon::qt::WizardApp wizard(quillon::qt::WizardOptionsFor(QCoreApplication::applicationDirPath()));
    wizard.Window().show();
    while (!wizard.Window().windowHandle() || !wizard.Window().windowHandle()->isExposed()) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        if (timer.elapsed() > 10000) break;
    }
    QApplication::processEvents();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    QElapsedTimer cold;
    cold.start();
    QApplication app(argc, argv);
    const double app_ms = static_cast<double>(cold.nsecsElapsed()) / 1e6;
    const double first = ShowOnce() + app_ms;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) times.push_back(ShowOnce());
    std::sort(times.begin(), times.end());
    std::printf("quillon start-up to a shown window (%s):\n", qPrintable(QGuiApplication::platformName()));
    std::printf("  first run, QApplication included: %.1f ms\n", first);
    std::printf("  %d further runs: min %.1f ms, median %.1f ms, max %.1f ms\n", runs, times.front(),
                times[times.size() / 2], times.back());
    return 0;
}
