// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What the start-up benchmark's children share: they say when their first
// item has painted, with their peak memory, and end at once.
#pragma once

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace zentrova::bench {

// The peak resident set of this process so far, in kB.
inline long peakRssKb()
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
inline void reportAndExit()
{
    QTimer::singleShot(0, [] {
        std::printf("shown %ld\n", peakRssKb());
        std::fflush(stdout);
        std::_Exit(0);
    });
}

} // namespace zentrova::bench
