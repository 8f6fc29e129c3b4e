// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Two small charts of one test's records, drawn with QPainter: every record's
// total over time, a line and a marker shape per person, and how many records
// fall in each band. Each names its test, takes the keyboard focus and tells
// a screen reader what it shows: worded when the reader asks, not on every
// change, for a chart of thousands of records.
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
        int utcOffset = 0; // seconds east of UTC where it was finished: its dates are read there
    };
    // Where the parts of the chart go, for the widget's present size.
    struct Layout {
        QRect title, legend, plot;
    };

    explicit TotalsChart(QWidget *parent = nullptr);

    // The test charted: its caption names the chart, and the bands of its
    // window (the objectName) mark the y-axis.
    void setTest(const QString &caption, const QString &window);
    // Worth drawing from one point on: a single record shows its point.
    void setPoints(QList<Point> points);
    const QList<Point> &points() const { return m_points; }

    Layout layout() const;
    // The centre of a point's marker, where the chart draws it.
    QPointF position(const Point &point) const;

    // What a screen reader says of the chart: each person's totals with
    // their dates, the latest fifty of each.
    QString description() const;
    // Everyone charted, the legend's order: the tooltip names them all where
    // the legend has no room.
    QString everyone() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    struct Scale;
    Scale scale() const;
    QRect legendArea() const;

    QList<Point> m_points;
    QString m_caption;
    QList<double> m_bandEdges; // totals where one band gives way to the next
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

    void setTest(const QString &caption);
    // The bars in the order drawn: the bands from the lowest totals up.
    void setBars(QList<Bar> bars);
    const QList<Bar> &bars() const { return m_bars; }

    // What a screen reader says: each band's count.
    QString description() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:

    QList<Bar> m_bars;
    QString m_caption;
};

} // namespace zentrova
