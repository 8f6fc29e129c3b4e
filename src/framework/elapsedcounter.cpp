#include "elapsedcounter.h"

#include "clock.h"

#include <QLabel>
#include <QTimer>

#include <cmath>

namespace zentrova {

namespace {
constexpr float SecondsPerDay = 86400;
}

ElapsedCounter::ElapsedCounter(QLabel *label, QObject *parent)
    : QObject(parent)
    , m_label(label)
    , m_timer(new QTimer(label->window()))
{
    m_timer->setObjectName(QStringLiteral("Tmrcount"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &ElapsedCounter::tick);
}

void ElapsedCounter::arm()
{
    m_started = false;
    m_timer->start();
}

void ElapsedCounter::tick()
{
    const auto reading = float(secondsSinceMidnight());
    if (!m_started) {
        m_start = reading;
        m_started = true;
    }
    float elapsed = reading - m_start;
    // The clock starts again at midnight; the test has not gone back in time.
    if (elapsed < 0)
        elapsed += SecondsPerDay;
    m_minutes = minutesFor(elapsed);
    m_label->setText(QStringLiteral("测试共用%1分钟").arg(*m_minutes));
}

int ElapsedCounter::minutesFor(float elapsedSeconds)
{
    const float percentOfTenMinutes = elapsedSeconds * 100 / 600;
    const float minutes = percentOfTenMinutes * 600 / 6000;
    if (percentOfTenMinutes < 100)
        return int(std::floor(minutes));
    return qint16(std::nearbyint(minutes)); // the default rounding mode sends halves to even
}

} // namespace zentrova
