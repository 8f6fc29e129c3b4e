// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "clock.h"

#include <QTime>

namespace zentrova {

namespace {

Clock &installedClock()
{
    static Clock clock;
    return clock;
}

} // namespace

double secondsSinceMidnight()
{
    if (const Clock &clock = installedClock())
        return clock();
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

Clock setClock(Clock clock)
{
    return std::exchange(installedClock(), std::move(clock));
}

} // namespace zentrova
