#include "splashwindow.h"

#include "ui_splashwindow.h"

#include <QScreen>
#include <QTimer>

// The splash picture lives in the core library's resources.
static void initShellResources()
{
    Q_INIT_RESOURCE(shell);
}

namespace zentrova {

QPointer<SplashWindow> SplashWindow::s_instance;

SplashWindow::SplashWindow(QWidget *mainWindow)
    : QWidget(mainWindow, Qt::Window | Qt::FramelessWindowHint)
    , ui(std::make_unique<Ui::SplashWindow>())
    , m_timer(new QTimer(this))
{
    initShellResources();
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(size());
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
        s_instance = new SplashWindow(mainWindow);
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
