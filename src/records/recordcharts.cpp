// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "recordcharts.h"

#include "framework/numbers.h"

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

    // One colour per person, in order of their first record.
    QList<QString> people;
    for (const Point &point : m_points) {
        if (!people.contains(point.person))
            people << point.person;
    }
    // The legend, right of the title.
    int legendRight = inner.right();
    for (qsizetype i = people.size() - 1; i >= 0; --i) {
        const QString name = personName(people[i]);
        const int width = metrics.horizontalAdvance(name);
        painter.setPen(LineColours[i % std::size(LineColours)]);
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
    qint64 first = earliest->finished.toMSecsSinceEpoch(), last = latest->finished.toMSecsSinceEpoch();
    if (first == last) {
        first -= 43'200'000;
        last += 43'200'000;
    }

    const QString lowText = plainNumber(low), highText = plainNumber(high);
    const int labelWidth = std::max(metrics.horizontalAdvance(lowText), metrics.horizontalAdvance(highText)) + 6;
    const QRect plot = inner.adjusted(labelWidth, metrics.height() + 8, -4, -metrics.height() - 4);
    const auto at = [&](const Point &point) {
        return QPointF(plot.left() + double(point.finished.toMSecsSinceEpoch() - first) / double(last - first) * plot.width(),
            plot.bottom() - (point.total - low) / (high - low) * plot.height());
    };

    painter.setPen(Axis);
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.topLeft(), plot.bottomLeft());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(inner.left(), plot.top() - metrics.height() / 2, labelWidth - 4, metrics.height()), Qt::AlignRight, highText);
    painter.drawText(QRect(inner.left(), plot.bottom() - metrics.height() / 2, labelWidth - 4, metrics.height()), Qt::AlignRight, lowText);
    const QRect dates(plot.left(), plot.bottom() + 2, plot.width(), metrics.height());
    painter.drawText(dates, Qt::AlignLeft, earliest->finished.toString(QStringLiteral("yyyy-MM-dd")));
    painter.drawText(dates, Qt::AlignRight, latest->finished.toString(QStringLiteral("yyyy-MM-dd")));

    for (qsizetype i = 0; i < people.size(); ++i) {
        QList<Point> own;
        std::copy_if(m_points.begin(), m_points.end(), std::back_inserter(own), [&](const Point &p) { return p.person == people[i]; });
        std::sort(own.begin(), own.end(), [](const Point &a, const Point &b) { return a.finished < b.finished; });
        const QColor colour = LineColours[i % std::size(LineColours)];
        QPolygonF line;
        for (const Point &point : own)
            line << at(point);
        painter.setPen(QPen(colour, 2));
        painter.drawPolyline(line);
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
