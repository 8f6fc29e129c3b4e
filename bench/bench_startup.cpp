// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Start-up as a user meets it: from launching the process to the first item of
// a test on screen, the test chosen from the menu as soon as the main window
// shows. The program (main window, splash above it, the self-control test)
// runs against a bare Qt program with the same menu and a dialog holding a
// Chinese label and four radio buttons. Each run is a fresh process on the
// offscreen platform, the two taking turns; the figures are medians, with the
// peak resident memory of each process.
//
// Then, in this process, the opening time of every test window: window
// created → its first item painted.

#include "framework/bankcatalog.h"
#include "framework/fonts.h"
#include "framework/messages.h"
#include "framework/questionbank.h"
#include "framework/strings.h"
#include "questionnaires/testwindows.h"
#include "shell/mainwindow.h"
#include "shell/splashwindow.h"
#include "shell/testcatalog.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
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

// The peak resident set of this process so far, in kB.
long peakRssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Calls onPaint when a widget that matches paints.
class PaintWatch : public QObject
{
public:
    PaintWatch(std::function<bool(QObject *)> matches, std::function<void()> onPaint)
        : m_matches(std::move(matches))
        , m_onPaint(std::move(onPaint))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_matches(watched))
            m_onPaint();
        return false;
    }

private:
    std::function<bool(QObject *)> m_matches;
    std::function<void()> m_onPaint;
};

// Once the first item has painted, says so with the peak memory and ends the
// process at once: what comes after the first item is not start-up.
void reportAndExit()
{
    QTimer::singleShot(0, [] {
        std::printf("shown %ld\n", peakRssKb());
        std::fflush(stdout);
        std::_Exit(0);
    });
}

// The child: start up one way and open a test as soon as the main window shows.
int startUp(int argc, char *argv[], bool program)
{
    QApplication app(argc, argv);
    std::unique_ptr<QMainWindow> window;
    std::unique_ptr<PaintWatch> watch;
    if (program) {
        setProgramFolder(QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/..")).absolutePath());
        installFontSubstitutions();
        // The self-control test shows its item in Label1 inside Frame1.
        watch = std::make_unique<PaintWatch>(
            [](QObject *o) { return o->objectName() == QLatin1String("Label1") && o->parent()->objectName() == QLatin1String("Frame1"); },
            reportAndExit);
        window = std::make_unique<MainWindow>();
        SplashWindow::present(window.get());
    } else {
        watch = std::make_unique<PaintWatch>([](QObject *o) { return o->objectName() == QLatin1String("item"); }, reportAndExit);
        window = std::make_unique<QMainWindow>();
        addBareMenus(window->menuBar(), testCatalog());
        window->showMaximized();
    }
    if (!QTest::qWaitForWindowExposed(window.get()))
        return 1;
    if (program) {
        window->findChild<QAction *>(QStringLiteral("mnuYizili1"))->trigger();
    } else {
        QDialog dialog(window.get());
        dialog.resize(633, 387);
        auto *item = new QLabel(QStringLiteral("你和同事一起完成的方案受到了上司表扬，你会怎么做？"), &dialog);
        item->setObjectName(QStringLiteral("item"));
        item->setGeometry(16, 16, 600, 60);
        for (int i = 0; i < 4; ++i)
            (new QRadioButton(QString(QChar(u'A' + i)), &dialog))->setGeometry(16 + 80 * i, 100, 60, 24);
        dialog.exec();
    }
    return 1; // the first paint ends the process before this
}

struct Launch {
    double ms;
    long peakKb;
};

Launch launch(const QString &mode)
{
    QProcess child;
    QElapsedTimer timer;
    timer.start();
    child.start(QCoreApplication::applicationFilePath(), {mode});
    child.waitForReadyRead(10000);
    const double ms = timer.nsecsElapsed() / 1e6;
    const QByteArray line = child.readAllStandardOutput().trimmed();
    child.waitForFinished(10000);
    return {ms, line.startsWith("shown ") ? line.mid(6).toLong() : -1};
}

template<typename T>
T median(std::vector<T> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Window created → the control showing its first item painted, in ms.
double openingMs(std::string_view name)
{
    const BankTable *table = bankTableForWindow(name);
    QString itemControl;
    if (!table)
        return -1;
    for (const FieldBinding &binding : table->bindings) {
        if (binding.field == "测试题目" || binding.field == "测试内容") {
            itemControl = toQString(binding.control);
            break;
        }
    }
    bool painted = false;
    const PaintWatch watch([&](QObject *o) { return o->objectName() == itemControl; }, [&] { painted = true; });

    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<QDialog> window(createTestWindow(name, nullptr));
    if (!window->findChild<QWidget *>(itemControl))
        return -1;
    window->show();
    while (!painted && timer.elapsed() < 5000)
        QCoreApplication::processEvents();
    const double ms = timer.nsecsElapsed() / 1e6;
    window->close();
    return painted ? ms : -1;
}

int openingTimes(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setProgramFolder(QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/..")).absolutePath());
    installFontSubstitutions();
    setMessageAnswerer([](const MessageRequest &) { return MessageAnswer::Ok; });
    std::printf("opening a test window (created → first item painted), median of 9:\n");
    for (const BankTable &table : bankTables()) {
        openingMs(table.window); // the first opening also loads what the windows share
        std::vector<double> samples;
        for (int i = 0; i < 9; ++i)
            samples.push_back(openingMs(table.window));
        std::printf("  %-24s %6.2f ms\n", std::string(table.window).c_str(), median(samples));
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "--program" || mode == "--bare")
        return startUp(argc, argv, mode == "--program");
    if (mode == "--windows")
        return openingTimes(argc, argv);

    {
        QCoreApplication app(argc, argv);
        std::vector<double> programMs, bareMs;
        std::vector<long> programKb, bareKb;
        for (int round = 0; round < 15; ++round) {
            const Launch p = launch(QStringLiteral("--program"));
            const Launch b = launch(QStringLiteral("--bare"));
            programMs.push_back(p.ms);
            programKb.push_back(p.peakKb);
            bareMs.push_back(b.ms);
            bareKb.push_back(b.peakKb);
        }
        const double pm = median(programMs), bm = median(bareMs);
        const long pk = median(programKb), bk = median(bareKb);
        std::printf("launch to first item on screen (15 pairs, medians):\n");
        std::printf("  program %.1f ms, bare Qt %.1f ms, ratio %.2f\n", pm, bm, pm / bm);
        std::printf("  peak RSS: program %.1f MB, bare Qt %.1f MB, ratio %.2f\n", pk / 1024.0, bk / 1024.0, double(pk) / bk);
    }
    return openingTimes(argc, argv);
}
