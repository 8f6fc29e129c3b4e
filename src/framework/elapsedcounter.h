// Shows how long a timed test has been running, in whole minutes, refreshed
// every second: "测试共用" + minutes + "分钟".
#pragma once

#include <QObject>

#include <optional>

class QLabel;
class QTimer;

namespace zentrova {

class ElapsedCounter : public QObject
{
    Q_OBJECT

public:
    // The timer (objectName "Tmrcount") is a child of the label's window.
    explicit ElapsedCounter(QLabel *label, QObject *parent);

    // Forgets the start time and starts ticking; the first tick takes the start.
    void arm();
    void tick();

    // The minutes on show; nullopt before the first tick has shown any.
    std::optional<int> minutes() const { return m_minutes; }

    // Minutes shown for the seconds elapsed: rounded down below 600 seconds,
    // to the nearest (a half to even) from then on, in single precision.
    static int minutesFor(float elapsedSeconds);

private:
    QLabel *m_label;
    QTimer *m_timer;
    float m_start = 0;
    bool m_started = false;
    std::optional<int> m_minutes;
};

} // namespace zentrova
