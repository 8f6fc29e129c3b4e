// Start-up, from launching the process to its first shown main window, of the
// program (main window with its splash above it) against a bare Qt program
// whose window has the same menu. Each run is a fresh process on the offscreen
// platform; the figures are medians.

#include "framework/fonts.h"
#include "framework/strings.h"
#include "shell/mainwindow.h"
#include "shell/splashwindow.h"
#include "shell/testcatalog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace zentrova;

namespace {

void addBareMenus(QWidget *menu, std::span<const MenuEntry> entries)
{
    for (const MenuEntry &entry : entries) {
        const QString caption = toQString(entry.caption);
        if (entry.action == MenuAction::Submenu) {
            auto *submenu = new QMenu(caption, menu);
            addBareMenus(submenu, entry.children);
            menu->addAction(submenu->menuAction());
        } else {
            menu->addAction(new QAction(caption, menu));
        }
    }
}

// The child: start up one way, say "shown" once the main window is exposed.
int startUp(int argc, char *argv[], bool program)
{
    QApplication app(argc, argv);
    std::unique_ptr<QMainWindow> window;
    if (program) {
        installFontSubstitutions();
        window = std::make_unique<MainWindow>();
        SplashWindow::present(window.get());
    } else {
        window = std::make_unique<QMainWindow>();
        addBareMenus(window->menuBar(), testCatalog());
        window->showMaximized();
    }
    if (!QTest::qWaitForWindowExposed(window.get()))
        return 1;
    std::puts("shown");
    std::fflush(stdout);
    return 0;
}

double medianLaunchMs(const QString &mode)
{
    std::vector<double> samples;
    for (int round = 0; round < 21; ++round) {
        QProcess child;
        QElapsedTimer timer;
        timer.start();
        child.start(QCoreApplication::applicationFilePath(), {mode});
        child.waitForReadyRead(10000);
        samples.push_back(timer.nsecsElapsed() / 1e6);
        child.waitForFinished(10000);
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "--program" || mode == "--bare")
        return startUp(argc, argv, mode == "--program");

    QCoreApplication app(argc, argv);
    const double program = medianLaunchMs(QStringLiteral("--program"));
    const double bare = medianLaunchMs(QStringLiteral("--bare"));
    std::printf("launch to shown main window: program %.1f ms, bare window with the same menu %.1f ms, ratio %.2f\n", program, bare, program / bare);
    return 0;
}
