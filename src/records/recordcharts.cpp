// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "recordcharts.h"

#include "framework/numbers.h"

#include <QDateTime>
#include <QMap>
#include <QPainter>

#include <algorithm>

namespace zentrova {

namespace {

const QColor LineColours[] = {QColor(0, 128, 128), QColor(0xc0, 0x39, 0x2b), QColor(0x29, 0x80, 0xb9), QColor(0x8e, 0x44, 0xad),
    QColor(0xd3, 0x8b, 0x00), QColor(0x27, 0xae, 0x60)};
const QColor Axis(0xb0, 0xb0, 0xb0);

QString personName(const QString &person)
{
    return person.isEmpty() ? QStringLiteral("未填写") : person;
}

void drawTitle(QPainter &painter, const QRect &area, const QString &title)
{
    QFont bold = painter.font();
    bold.setBold(true);
    painter.save();
    painter.setFont(bold);
    painter.setPen(QColor(0, 96, 96));
    painter.drawText(area, Qt::AlignLeft | Qt::AlignTop, title);
    painter.restore();
}

} // namespace

TotalsChart::TotalsChart(QWidget *parent)
    : QWidget(parent)
{
    setMinimumSize(220, 150);
}

void TotalsChart::setPoints(QList<Point> points)
{
    m_points = std::move(points);
    update();
}

void TotalsChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), Qt::white);
    const QFontMetrics metrics = fontMetrics();
    const QRect inner = rect().adjusted(6, 4, -8, -4);
    drawTitle(painter, inner, QStringLiteral("总分变化"));
    if (m_points.size() < 2)
        return;

    // A line for each of the people with the most records, as many as there
    // are colours; the person filter shows anyone else.
    QMap<QString, int> counts;
    for (const Point &point : m_points)
        ++counts[point.person];
    QList<QString> people = counts.keys();
    std::stable_sort(people.begin(), people.end(), [&](const QString &a, const QString &b) { return counts[a] > counts[b]; });
    const qsizetype others = std::max<qsizetype>(0, people.size() - qsizetype(std::size(LineColours)));
    people.resize(people.size() - others);

    // The legend, right of the title.
    int legendRight = inner.right();
    if (others > 0) {
        const QString more = QStringLiteral("另%1人").arg(others);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRect(inner.left(), inner.top(), inner.width(), metrics.height()), Qt::AlignRight, more);
        legendRight -= metrics.horizontalAdvance(more) + 10;
    }
    for (qsizetype i = people.size() - 1; i >= 0; --i) {
        const QString name = personName(people[i]);
        const int width = metrics.horizontalAdvance(name);
        painter.setPen(LineColours[i]);
        painter.drawText(QRect(legendRight - width, inner.top(), width, metrics.height()), Qt::AlignLeft, name);
        painter.fillRect(
            QRect(legendRight - width - 14, inner.top() + metrics.height() / 2 - 1, 10, 3), LineColours[i % std::size(LineColours)]);
        legendRight -= width + 22;
    }

    const auto [lowest, highest]
        = std::minmax_element(m_points.begin(), m_points.end(), [](const Point &a, const Point &b) { return a.total < b.total; });
    const auto [earliest, latest]
        = std::minmax_element(m_points.begin(), m_points.end(), [](const Point &a, const Point &b) { return a.finished < b.finished; });
    double low = lowest->total, high = highest->total;
    if (low == high) {
        low -= 1;
        high += 1;
    }
    qint64 first = earliest->finished, last = latest->finished;
    if (first == last) {
        first -= 43'200'000;
        last += 43'200'000;
    }

    const QString lowText = plainNumber(low), highText = plainNumber(high);
    const int labelWidth = std::max(metrics.horizontalAdvance(lowText), metrics.horizontalAdvance(highText)) + 6;
    const QRect plot = inner.adjusted(labelWidth, metrics.height() + 8, -4, -metrics.height() - 4);
    const auto at = [&](const Point &point) {
        return QPointF(plot.left() + double(point.finished - first) / double(last - first) * plot.width(),
            plot.bottom() - (point.total - low) / (high - low) * plot.height());
    };

    painter.setPen(Axis);
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.topLeft(), plot.bottomLeft());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(inner.left(), plot.top() - metrics.height() / 2, labelWidth - 4, metrics.height()), Qt::AlignRight, highText);
    painter.drawText(QRect(inner.left(), plot.bottom() - metrics.height() / 2, labelWidth - 4, metrics.height()), Qt::AlignRight, lowText);
    const QRect dates(plot.left(), plot.bottom() + 2, plot.width(), metrics.height());
    const QString dateFormat = QStringLiteral("yyyy-MM-dd");
    painter.drawText(dates, Qt::AlignLeft, QDateTime::fromMSecsSinceEpoch(earliest->finished).toString(dateFormat));
    painter.drawText(dates, Qt::AlignRight, QDateTime::fromMSecsSinceEpoch(latest->finished).toString(dateFormat));

    for (qsizetype i = 0; i < people.size(); ++i) {
        QList<Point> own;
        std::copy_if(m_points.begin(), m_points.end(), std::back_inserter(own), [&](const Point &p) { return p.person == people[i]; });
        std::sort(own.begin(), own.end(), [](const Point &a, const Point &b) { return a.finished < b.finished; });
        // Points that fall on one column of pixels are drawn as their mean:
        // the cost stays with the chart's width, not with the records.
        QPolygonF line;
        int inColumn = 0;
        for (const Point &point : own) {
            const QPointF here = at(point);
            if (!line.isEmpty() && int(line.last().x()) == int(here.x())) {
                line.last().ry() += (here.y() - line.last().y()) / ++inColumn;
            } else {
                line << here;
                inColumn = 1;
            }
        }
        const QColor colour = LineColours[i];
        painter.setPen(QPen(colour, 2));
        // Segment by segment: a long zigzag stroked as one path costs far more.
        for (qsizetype j = 1; j < line.size(); ++j)
            painter.drawLine(line[j - 1], line[j]);
        if (line.size() * 6 > plot.width())
            continue; // dots only where they stand apart
        painter.setBrush(colour);
        for (const QPointF &dot : line)
            painter.drawEllipse(dot, 2.5, 2.5);
        painter.setBrush(Qt::NoBrush);
    }
}

BandCountChart::BandCountChart(QWidget *parent)
    : QWidget(parent)
{
    setMinimumSize(220, 150);
}

void BandCountChart::setBars(QList<Bar> bars)
{
    m_bars = std::move(bars);
    update();
}

void BandCountChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const QFontMetrics metrics = fontMetrics();
    const QRect inner = rect().adjusted(6, 4, -8, -4);
    drawTitle(painter, inner, QStringLiteral("各分数段人次"));
    if (m_bars.isEmpty())
        return;

    int most = 1;
    for (const Bar &bar : m_bars)
        most = std::max(most, bar.count);
    const QRect plot = inner.adjusted(0, 2 * metrics.height() + 6, 0, -metrics.height() - 4);
    const double slot = double(plot.width()) / m_bars.size();
    for (qsizetype i = 0; i < m_bars.size(); ++i) {
        const Bar &bar = m_bars[i];
        const int height = int(double(bar.count) / most * plot.height());
        const QRectF column(plot.left() + i * slot + slot * 0.15, plot.bottom() - height, slot * 0.7, height);
        painter.fillRect(column, QColor(0x7f, 0xbf, 0xbf));
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRectF(column.left() - slot * 0.15, column.top() - metrics.height() - 2, slot, metrics.height()), Qt::AlignCenter,
            QString::number(bar.count));
        painter.drawText(QRectF(plot.left() + i * slot, plot.bottom() + 2, slot, metrics.height()), Qt::AlignCenter,
            metrics.elidedText(bar.band, Qt::ElideRight, int(slot) - 2));
    }
    painter.setPen(Axis);
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
}

} // namespace zentrova
