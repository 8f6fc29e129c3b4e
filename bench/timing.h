// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The one way the record benchmarks time their work.
#pragma once

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTableView>

#include <algorithm>
#include <functional>
#include <vector>

// Lets a window's store answer: events until table lists a row.
inline void untilListed(const QTableView *table)
{
    while (table->model()->rowCount() == 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// The median milliseconds of work over rounds.
inline double medianMs(int rounds, const std::function<void()> &work)
{
    std::vector<double> samples;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        samples.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}
