// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Two small charts of one test's records, drawn with QPainter: the totals
// over time, a line per person, and how many records fall in each band.
#pragma once

#include <QList>
#include <QWidget>

namespace zentrova {

class TotalsChart : public QWidget
{
    Q_OBJECT

public:
    struct Point {
        qint64 finished; // milliseconds since the epoch
        QString person; // empty when no name was set
        double total;
    };

    explicit TotalsChart(QWidget *parent = nullptr);

    // Worth drawing from two points on.
    void setPoints(QList<Point> points);
    const QList<Point> &points() const { return m_points; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<Point> m_points;
};

class BandCountChart : public QWidget
{
    Q_OBJECT

public:
    struct Bar {
        QString band; // as the test words it, "7－15分"
        int count;
    };

    explicit BandCountChart(QWidget *parent = nullptr);

    void setBars(QList<Bar> bars);
    const QList<Bar> &bars() const { return m_bars; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<Bar> m_bars;
};

} // namespace zentrova
