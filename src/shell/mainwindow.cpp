// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "mainwindow.h"

#include "framework/strings.h"
#include "framework/testwindow.h"
#include "questionnaires/testwindows.h"
#include "recordkeeping.h"
#include "splashwindow.h"
#include "testcatalog.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QDialog>
#include <QMenuBar>
#include <QScreen>

namespace zentrova {

namespace {

// The client area the labels were laid out for: 11580 × 8190 twips.
constexpr QSize DesignClientSize(772, 546);

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::MainWindow>())
{
    ui->setupUi(this);
    QPalette teal = ui->centralwidget->palette();
    teal.setColor(QPalette::Window, QColor(0, 128, 128));
    ui->centralwidget->setPalette(teal);
    addEntries(menuBar(), testCatalog());
    m_records = new RecordKeeping(this);

    // Record the design layout before the window takes the whole screen;
    // every resize of the client area from then on rescales it.
    ui->centralwidget->resize(DesignClientSize);
    m_scaler.resizeInit(ui->centralwidget);
    ui->centralwidget->installEventFilter(this);

    fitToScreen();
}

MainWindow::~MainWindow() = default;

void MainWindow::addEntries(QWidget *menu, std::span<const MenuEntry> entries)
{
    for (const MenuEntry &entry : entries) {
        auto *action = new QAction(toQString(entry.caption), menu);
        action->setObjectName(toQString(entry.name));
        switch (entry.action) {
        case MenuAction::Submenu: {
            auto *submenu = new QMenu(toQString(entry.caption), menu);
            submenu->setObjectName(toQString(entry.name));
            action = submenu->menuAction();
            action->setObjectName(toQString(entry.name));
            addEntries(submenu, entry.children);
            break;
        }
        case MenuAction::OpenTest:
            connect(action, &QAction::triggered, this, [this, window = entry.window] { openTest(window); });
            break;
        case MenuAction::Exit:
            connect(action, &QAction::triggered, qApp, &QCoreApplication::quit);
            break;
        case MenuAction::About:
            connect(action, &QAction::triggered, this, &MainWindow::showAbout);
            break;
        }
        menu->addAction(action);
    }
}

void MainWindow::openTest(std::string_view window)
{
    // A fresh instance each time: reopening a test starts it afresh.
    std::unique_ptr<QDialog> dialog(createTestWindow(window, this));
    if (!dialog)
        return;
    auto *test = qobject_cast<TestWindow *>(dialog.get());
    if (test && !m_records->watch(test, toQString(testCaption(window))))
        return;
    dialog->exec();
}

void MainWindow::showAbout()
{
    SplashWindow::present(this)->setCountdown(SplashWindow::AboutCountdownMs);
}

// The whole window, frame included, covers the screen. A window manager adds
// its frame only after the window is shown, so the fit is made again, once,
// when the frame first shows in the window's geometry.
void MainWindow::fitToScreen()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect window = geometry();
    const QRect frame = frameGeometry();
    const QMargins margins(window.left() - frame.left(), window.top() - frame.top(), frame.right() - window.right(),
                           frame.bottom() - window.bottom());
    if (!margins.isNull())
        m_frameFitted = true;
    move(screen->geometry().topLeft()); // a window's position is its frame's
    resize(screen->size().shrunkBy(margins));
}

bool MainWindow::event(QEvent *event)
{
    const bool handled = QMainWindow::event(event);
    const QEvent::Type type = event->type();
    const bool frameMayShow = type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize;
    if (frameMayShow && !m_frameFitted && windowState() == Qt::WindowNoState && frameGeometry() != geometry())
        fitToScreen();
    return handled;
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->centralwidget && event->type() == QEvent::Resize)
        m_scaler.resizeForm(ui->centralwidget);
    return QMainWindow::eventFilter(watched, event);
}

} // namespace zentrova
