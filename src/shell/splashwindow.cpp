// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "splashwindow.h"

#include "ui_splashwindow.h"

#include <QImageReader>
#include <QScreen>
#include <QTimer>

// The splash picture lives in the core library's resources.
static void initShellResources()
{
    Q_INIT_RESOURCE(shell);
}

namespace zentrova {

QPointer<SplashWindow> SplashWindow::s_instance;

// A window of its own rather than the main window's child: while it counts
// down it keeps the program running, even with the main window closed.
SplashWindow::SplashWindow()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint)
    , ui(std::make_unique<Ui::SplashWindow>())
    , m_timer(new QTimer(this))
{
    initShellResources();
    ui->setupUi(this);
    // The layout's version line, with this program's version in it.
    ui->Label2->setText(QStringLiteral("版本：  ") + QStringLiteral(ZENTROVA_VERSION));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(size());

    // The picture is stored at 694 × 449 and shown smaller: decoding it at the
    // size shown costs a fraction of a full decode and a rescale.
    QImageReader picture(QStringLiteral(":/images/splash.jpg"));
    picture.setScaledSize(ui->Image1->size() * devicePixelRatio());
    QPixmap shown = QPixmap::fromImage(picture.read());
    shown.setDevicePixelRatio(devicePixelRatio());
    ui->Image1->setPixmap(shown);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());

    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &SplashWindow::timeUp);
}

SplashWindow::~SplashWindow() = default;

SplashWindow *SplashWindow::present(QWidget *mainWindow)
{
    if (!s_instance) {
        s_instance = new SplashWindow;
        mainWindow->show();
        s_instance->m_timer->start(StartCountdownMs);
    }
    s_instance->show();
    s_instance->raise();
    return s_instance;
}

SplashWindow *SplashWindow::instance()
{
    return s_instance;
}

void SplashWindow::setCountdown(int milliseconds)
{
    m_timer->start(milliseconds);
}

void SplashWindow::timeUp()
{
    close();
}

} // namespace zentrova
