// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Start-up as a user meets it: from launching the process to the first item of
// a test on screen, the test chosen from the menu as soon as the main window
// shows. The program (as main() starts it in personal use: translations,
// fonts, focus rings, its store; the main window, the splash above it, the
// self-control test) runs against bench_startup_bare, a plain Qt program
// that draws the same layouts in the same faces, the test's first item from
// the bank in it. Each run is a fresh process on the offscreen platform, the
// two taking turns; the figures are medians, with the peak resident memory of
// each process.
//
// Then, in this process, the opening time of every test window: window
// created → its first item painted.
//
//   bench_startup [ROUNDS]    (15 launches of each and 9 openings by default)

#include "startupwatch.h"

#include "framework/bankcatalog.h"
#include "framework/focusrings.h"
#include "framework/fonts.h"
#include "framework/messages.h"
#include "framework/questionbank.h"
#include "framework/strings.h"
#include "framework/translations.h"
#include "questionnaires/testwindows.h"
#include "shell/commandline.h"
#include "shell/mainwindow.h"
#include "shell/splashwindow.h"
#include "shell/testcatalog.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

using namespace zentrova;
using namespace zentrova::bench;

namespace {

// The menus as bench_startup_bare reads them: a caption a line, a
// submenu's entries indented by a tab more.
void writeMenus(QByteArray &lines, std::span<const MenuEntry> entries, int depth)
{
    for (const MenuEntry &entry : entries) {
        lines += QByteArray(depth, '\t') + toQString(entry.caption).toUtf8() + '\n';
        if (entry.action == MenuAction::Submenu)
            writeMenus(lines, entry.children, depth + 1);
    }
}

// The self-control test's first item as the program shows it from the bank,
// a control's name and its text a line (a line break in a text as "\\n"), so
// that the bare program paints the same words and not an empty item. Says
// what went wrong, else nothing.
QString writeFirstItem(QByteArray &lines)
{
    const BankTable *table = bankTableForWindow("frm意志力");
    if (!table)
        return QStringLiteral("the bank has no self-control test");
    QStringList fields;
    for (std::string_view field : table->fields())
        fields << toQString(field);
    RecordCursor cursor;
    QString error;
    if (!cursor.open(bankPath(), toQString(table->table), fields, &error))
        return error;
    for (const FieldBinding &binding : table->bindings) {
        const QString text = cursor.value(toQString(binding.field)).replace(u'\n', QLatin1String("\\n"));
        lines += toQString(binding.control).toUtf8() + '\t' + text.toUtf8() + '\n';
    }
    return {};
}

// The child: start up as the program does and open a test as soon as the
// main window shows.
int startUp(int argc, char *argv[])
{
    setApplicationIdentity();
    QApplication app(argc, argv);
    installQtTranslations();
    setProgramFolder(QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/..")).absolutePath());
    installFontSubstitutions();
    installFocusRings();
    if (!useCentre(parseCommandLine({QCoreApplication::applicationFilePath()})).isEmpty())
        return 1;
    // The self-control test shows its item in Label1 inside Frame1.
    const PaintWatch watch(
        [](QObject *o) { return o->objectName() == QLatin1String("Label1") && o->parent()->objectName() == QLatin1String("Frame1"); },
        reportAndExit);
    MainWindow window;
    SplashWindow::present(&window);
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    window.findChild<QAction *>(QStringLiteral("mnuYizili1"))->trigger();
    return 1; // the first paint ends the process before this
}

struct Launch {
    double ms;
    long peakKb;
};

Launch launch(const QString &program, const QStringList &arguments)
{
    QProcess child;
    QElapsedTimer timer;
    timer.start();
    child.start(program, arguments);
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

int openingTimes(int argc, char *argv[], int rounds)
{
    QApplication app(argc, argv);
    setProgramFolder(QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/..")).absolutePath());
    installFontSubstitutions();
    setMessageAnswerer([](const MessageRequest &) { return MessageAnswer::Ok; });
    std::printf("opening a test window (created → first item painted), median of %d:\n", rounds);
    for (const BankTable &table : bankTables()) {
        openingMs(table.window); // the first opening also loads what the windows share
        std::vector<double> samples;
        for (int i = 0; i < rounds; ++i)
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
    if (mode == "--program")
        return startUp(argc, argv);
    const int rounds = std::max(1, argc > 1 ? std::atoi(argv[1]) : 15);

    {
        QCoreApplication app(argc, argv);
        setProgramFolder(QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/..")).absolutePath());
        // The bare program's menus, from the program's own catalogue, and
        // its test's first item, from the program's bank.
        QTemporaryDir dir;
        QByteArray menus, firstItem;
        writeMenus(menus, testCatalog(), 0);
        if (const QString problem = writeFirstItem(firstItem); !problem.isEmpty()) {
            std::fprintf(stderr, "bench_startup: %s\n", qUtf8Printable(problem));
            return 1;
        }
        const QString menusPath = dir.filePath(QStringLiteral("menus.txt"));
        const QString itemPath = dir.filePath(QStringLiteral("item.txt"));
        for (const auto &[path, contents] : {std::pair(menusPath, menus), std::pair(itemPath, firstItem)}) {
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
                return 1;
        }
        std::vector<double> programMs, bareMs;
        std::vector<long> programKb, bareKb;
        for (int round = 0; round < rounds; ++round) {
            const Launch p = launch(QCoreApplication::applicationFilePath(), {QStringLiteral("--program")});
            const Launch b = launch(QStringLiteral(ZENTROVA_BARE_PROGRAM), {menusPath, itemPath});
            if (p.peakKb < 0 || b.peakKb < 0) {
                std::fprintf(stderr, "bench_startup: the %s did not show its first item\n", p.peakKb < 0 ? "program" : "bare program");
                return 1;
            }
            programMs.push_back(p.ms);
            programKb.push_back(p.peakKb);
            bareMs.push_back(b.ms);
            bareKb.push_back(b.peakKb);
        }
        const double pm = median(programMs), bm = median(bareMs);
        const long pk = median(programKb), bk = median(bareKb);
        std::printf("launch to first item on screen (%d pairs, medians):\n", rounds);
        std::printf("  program %.1f ms, bare Qt %.1f ms, ratio %.2f\n", pm, bm, pm / bm);
        std::printf("  peak RSS: program %.1f MB, bare Qt %.1f MB, ratio %.2f\n", pk / 1024.0, bk / 1024.0, double(pk) / bk);
    }
    return openingTimes(argc, argv, std::min(rounds, 9));
}
