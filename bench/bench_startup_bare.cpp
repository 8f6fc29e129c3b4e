// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The floor the program's start-up is measured against: a plain Qt Widgets
// program that draws the program's first screens from the same layouts
// (uic, with plain Qt widgets for the program's own), in the same faces (the
// program's font table, which is plain Qt) and with the same picture: the
// main window with the program's menus, the splash above it, then the
// self-control test. It links nothing else of the program's, opens no bank
// and keeps no records. It prints "shown" and its peak memory when the
// test's first item paints, and ends.
//
//   bench_startup_bare MENUS ITEM
//
// MENUS holds a caption a line, a submenu's entries after it indented by a
// tab more (bench_startup writes it from the program's catalogue). ITEM holds
// the test's first item as the program shows it: a control's name, a tab and
// its text a line, a line break in the text written "\n".

#include "startupwatch.h"

#include "framework/fonts.h"
#include "ui_mainwindow.h"
#include "ui_selfcontrolwindow.h"
#include "ui_splashwindow.h"

#include <QApplication>
#include <QImageReader>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

using namespace zentrova::bench;

namespace {

// Adds the menus of lines from index on, at depth tabs; returns the index
// after them.
qsizetype addMenus(QWidget *menu, const QList<QByteArray> &lines, qsizetype index, int depth)
{
    while (index < lines.size()) {
        const QByteArray &line = lines[index];
        const int tabs = int(line.size() - line.trimmed().size());
        if (line.trimmed().isEmpty() || tabs < depth)
            return index;
        const QString caption = QString::fromUtf8(line.trimmed());
        ++index;
        if (index < lines.size() && lines[index].size() - lines[index].trimmed().size() > tabs) {
            auto *submenu = new QMenu(caption, menu);
            index = addMenus(submenu, lines, index, tabs + 1);
            menu->addAction(submenu->menuAction());
        } else {
            menu->addAction(caption);
        }
    }
    return index;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QFile menus(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString());
    QFile item(argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString());
    if (!menus.open(QIODevice::ReadOnly) || !item.open(QIODevice::ReadOnly))
        return 2;
    zentrova::installFontSubstitutions();
    // The test shows its first item in Label1 inside Frame1.
    const PaintWatch watch(
        [](QObject *o) { return o->objectName() == QLatin1String("Label1") && o->parent()->objectName() == QLatin1String("Frame1"); },
        reportAndExit);

    QMainWindow window;
    Ui::MainWindow mainLayout;
    mainLayout.setupUi(&window);
    addMenus(window.menuBar(), menus.readAll().split('\n'), 0, 0);
    window.showMaximized();

    QWidget splash(nullptr, Qt::Window | Qt::FramelessWindowHint);
    Ui::SplashWindow splashLayout;
    splashLayout.setupUi(&splash);
    QImageReader picture(QStringLiteral(":/images/splash.jpg"));
    picture.setScaledSize(splashLayout.Image1->size());
    splashLayout.Image1->setPixmap(QPixmap::fromImage(picture.read()));
    splash.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;

    QDialog test(&window);
    Ui::SelfControlWindow testLayout;
    testLayout.setupUi(&test);
    for (const QByteArray &line : item.readAll().split('\n')) {
        const qsizetype tab = line.indexOf('\t');
        if (tab < 0)
            continue;
        auto *label = test.findChild<QLabel *>(QString::fromUtf8(line.left(tab)));
        if (!label)
            return 2;
        label->setText(QString::fromUtf8(line.mid(tab + 1)).replace(QLatin1String("\\n"), QLatin1String("\n")));
    }
    test.exec();
    return 1; // the first paint ends the process before this
}
