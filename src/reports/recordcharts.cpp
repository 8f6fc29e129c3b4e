// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "recordcharts.h"

#include "framework/bankcatalog.h"
#include "framework/numbers.h"

#include <QAccessibleWidget>
#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QPainter>
#include <QPainterPath>
#include <QSet>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace zentrova {

namespace {

// On white, each of these is at least 4.5:1 as legend text, and so also as
// a line or a marker (WCAG 2.1); the axes 5:1, the band edges 3.4:1.
const QColor PersonColours[] = {QColor(0x0b, 0x5c, 0xad), QColor(0xb3, 0x26, 0x1e), QColor(0x1b, 0x7a, 0x3a), QColor(0x7b, 0x3f, 0xa0),
    QColor(0x9a, 0x5b, 0x00), QColor(0x00, 0x6d, 0x77), QColor(0xc0, 0x17, 0x6b), QColor(0x5d, 0x6b, 0x00)};
constexpr int Shapes = 5; // circle, square, triangle, diamond, triangle down
const QColor Text(0x33, 0x33, 0x33);
const QColor Axis(0x6e, 0x6e, 0x6e);
const QColor BandEdge(0x8a, 0x8a, 0x8a);
const QColor Grid(0xe4, 0xe4, 0xe4);
const QColor TitleColour(0, 96, 96);
const QColor BarColour(0x00, 0x79, 0x6b);
const QColor FocusColour(0x0b, 0x5c, 0xad);
constexpr int Marker = 7;
constexpr int LegendRows = 2;

QString chartTitle(const QString &what, const QString &caption)
{
    return caption.isEmpty() ? what : what + QStringLiteral("：") + caption;
}

// A screen reader hears the charts as charts, not as empty fillers, and
// their descriptions are worded only when it asks.
template<typename Chart> class ChartAccessible : public QAccessibleWidget
{
public:
    explicit ChartAccessible(Chart *chart)
        : QAccessibleWidget(chart, QAccessible::Chart)
    {
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Description)
            return static_cast<const Chart *>(widget())->description();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *chartAccessible(const QString &className, QObject *object)
{
    if (!object->isWidgetType())
        return nullptr;
    if (className == QLatin1String("zentrova::TotalsChart"))
        return new ChartAccessible<TotalsChart>(static_cast<TotalsChart *>(object));
    if (className == QLatin1String("zentrova::BandCountChart"))
        return new ChartAccessible<BandCountChart>(static_cast<BandCountChart *>(object));
    return nullptr;
}

// Tells a screen reader, where one listens, that the chart shows another thing.
void announceChange(QWidget *chart, const QString &name)
{
    chart->setAccessibleName(name);
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent changed(chart, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&changed);
}

void beAccessible(QWidget *chart)
{
    static const bool installed = (QAccessible::installFactory(chartAccessible), true);
    Q_UNUSED(installed);
    chart->setFocusPolicy(Qt::StrongFocus);
}

QString personName(const QString &person)
{
    return person.isEmpty() ? QStringLiteral("未填写") : person;
}

// A person's colour and marker follow from the name alone (FNV-1a, the same
// on every machine and in every run), so that a person looks the same in
// every test's chart.
struct Style {
    int colour, shape;
    friend bool operator==(const Style &, const Style &) = default;
};

Style styleFor(const QString &person)
{
    quint32 hash = 2166136261u;
    for (const QChar c : person) {
        hash ^= c.unicode();
        hash *= 16777619u;
    }
    const int colours = int(std::size(PersonColours));
    return {int(hash % colours), int(hash / colours % Shapes)};
}

// Styles for the people of one chart: each their own, where two would
// otherwise look alike the later name (in name order) takes the next shape.
QMap<QString, Style> stylesFor(const QList<QString> &people)
{
    QMap<QString, Style> styles;
    QList<Style> taken;
    QList<QString> sorted = people;
    std::sort(sorted.begin(), sorted.end());
    const int colours = int(std::size(PersonColours));
    for (const QString &person : sorted) {
        Style style = styleFor(person);
        for (int step = 0; step < colours * Shapes && taken.contains(style); ++step)
            style = style.shape + 1 < Shapes ? Style {style.colour, style.shape + 1} : Style {(style.colour + 1) % colours, 0};
        taken << style;
        styles[person] = style;
    }
    return styles;
}

void drawMarker(QPainter &painter, const QPointF &at, const Style &style)
{
    const QColor colour = PersonColours[style.colour];
    painter.setPen(QPen(colour, 1));
    painter.setBrush(colour);
    const double r = Marker / 2.0;
    switch (style.shape) {
    case 0:
        painter.drawEllipse(at, r, r);
        break;
    case 1:
        painter.drawRect(QRectF(at.x() - r * 0.85, at.y() - r * 0.85, r * 1.7, r * 1.7));
        break;
    case 2:
        painter.drawPolygon(QPolygonF {at + QPointF(0, -r), at + QPointF(r, r * 0.8), at + QPointF(-r, r * 0.8)});
        break;
    case 3:
        painter.drawPolygon(QPolygonF {at + QPointF(0, -r * 1.15), at + QPointF(r, 0), at + QPointF(0, r * 1.15), at + QPointF(-r, 0)});
        break;
    default:
        painter.drawPolygon(QPolygonF {at + QPointF(0, r), at + QPointF(r, -r * 0.8), at + QPointF(-r, -r * 0.8)});
        break;
    }
    painter.setBrush(Qt::NoBrush);
}

QRect titleRect(const QWidget *chart)
{
    QFont bold = chart->font();
    bold.setBold(true);
    return QRect(6, 4, chart->width() - 14, QFontMetrics(bold).height());
}

void drawTitle(QPainter &painter, const QWidget *chart, const QString &title)
{
    QFont bold = chart->font();
    bold.setBold(true);
    painter.save();
    painter.setFont(bold);
    painter.setPen(TitleColour);
    const QRect area = titleRect(chart);
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, QFontMetrics(bold).elidedText(title, Qt::ElideRight, area.width()));
    painter.restore();
}

void drawFocus(QPainter &painter, const QWidget *chart)
{
    if (!chart->hasFocus())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(FocusColour, 2));
    painter.drawRect(chart->rect().adjusted(1, 1, -1, -1));
    painter.restore();
}

// About count steps of 1, 2 or 5 times a power of ten across span.
double niceStep(double span, int count)
{
    const double rough = span / std::max(1, count);
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= rough)
            return std::max(1.0, factor * power);
    }
    return std::max(1.0, 10 * power);
}

// A legend entry per person, as many as two rows hold, and then the count
// of everyone charted.
struct LegendEntry {
    QString person, shown;
    QRect box;
};

struct Legend {
    QList<LegendEntry> entries;
    QString more;
    QRect moreBox, bounds;
};

Legend legendFor(const QFontMetrics &metrics, const QRect &area, const QList<QString> &people)
{
    Legend legend;
    const int longest = std::max(metrics.horizontalAdvance(QStringLiteral("中")) * 6, area.width() / 3);
    int x = area.left(), row = 0;
    for (const QString &person : people) {
        const QString shown = metrics.elidedText(personName(person), Qt::ElideRight, longest);
        const int width = Marker + 4 + metrics.horizontalAdvance(shown);
        if (x > area.left() && x + width > area.right()) {
            if (++row == LegendRows) {
                legend.more = QStringLiteral("等%1人").arg(people.size());
                break;
            }
            x = area.left();
        }
        legend.entries.append({person, shown, QRect(x, area.top() + row * metrics.height(), width, metrics.height())});
        x += width + 12;
    }
    // The count takes the place of the last entries it needs.
    if (!legend.more.isEmpty()) {
        const int width = metrics.horizontalAdvance(legend.more);
        while (!legend.entries.isEmpty() && legend.entries.last().box.right() + 12 + width > area.right())
            legend.entries.removeLast();
        const QRect last = legend.entries.isEmpty() ? QRect(area.left() - 12, area.top(), 0, metrics.height()) : legend.entries.last().box;
        legend.moreBox = QRect(last.right() + 12, last.top(), width, metrics.height());
    }
    for (const LegendEntry &entry : legend.entries)
        legend.bounds |= entry.box;
    legend.bounds |= legend.moreBox;
    return legend;
}

// The people with the most records first, so that the legend names them.
QList<QString> peopleOf(const QList<TotalsChart::Point> &points)
{
    QMap<QString, int> counts;
    for (const TotalsChart::Point &point : points)
        ++counts[point.person];
    QList<QString> people = counts.keys();
    std::stable_sort(people.begin(), people.end(), [&](const QString &a, const QString &b) { return counts[a] > counts[b]; });
    return people;
}

// Each person's points in time order.
QHash<QString, QList<TotalsChart::Point>> byPerson(const QList<TotalsChart::Point> &points)
{
    QHash<QString, QList<TotalsChart::Point>> people;
    for (const TotalsChart::Point &point : points)
        people[point.person].append(point);
    for (QList<TotalsChart::Point> &own : people)
        std::stable_sort(own.begin(), own.end(), [](const auto &a, const auto &b) { return a.finished < b.finished; });
    return people;
}

QString dateText(qint64 msecs, const QString &format)
{
    return QDateTime::fromMSecsSinceEpoch(msecs).toString(format);
}

// A point's date as read where it was finished: plain arithmetic on UTC,
// never the local time zone's rules for each of thousands of dates.
QString pointDate(const TotalsChart::Point &point, const QString &format)
{
    return QDateTime::fromMSecsSinceEpoch(point.finished + qint64(point.utcOffset) * 1000, Qt::UTC).toString(format);
}

} // namespace

struct TotalsChart::Scale {
    Layout layout;
    double low = 0, high = 1;
    qint64 first = 0, last = 1;
    int labelWidth = 0;
};

TotalsChart::TotalsChart(QWidget *parent)
    : QWidget(parent)
{
    setMinimumSize(220, 150);
    beAccessible(this);
    announceChange(this, chartTitle(QStringLiteral("总分变化"), m_caption));
}

void TotalsChart::setTest(const QString &caption, const QString &window)
{
    m_caption = caption;
    m_bandEdges.clear();
    if (const BankTable *table = bankTableForWindow(window.toStdString())) {
        for (const ScoreBand &band : table->scoring.bands) {
            // A total is a whole number: the edge lies between the steps.
            if (band.low)
                m_bandEdges << *band.low - 0.5;
        }
    }
    std::sort(m_bandEdges.begin(), m_bandEdges.end());
    announceChange(this, chartTitle(QStringLiteral("总分变化"), m_caption));
    update();
}

void TotalsChart::setPoints(QList<Point> points)
{
    m_points = std::move(points);
    announceChange(this, chartTitle(QStringLiteral("总分变化"), m_caption));
    update();
}

QString TotalsChart::everyone() const
{
    QStringList names;
    for (const QString &person : peopleOf(m_points))
        names << personName(person);
    return names.isEmpty() ? QString() : QStringLiteral("受测者（%1人）：%2").arg(names.size()).arg(names.join(QStringLiteral("、")));
}

bool TotalsChart::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const QString names = everyone();
        if (names.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), names, this);
        return true;
    }
    return QWidget::event(event);
}

QRect TotalsChart::legendArea() const
{
    return QRect(6, titleRect(this).bottom() + 4, width() - 14, LegendRows * fontMetrics().height());
}

TotalsChart::Layout TotalsChart::layout() const
{
    const QFontMetrics metrics = fontMetrics();
    Layout layout;
    layout.title = titleRect(this);
    layout.legend = legendFor(metrics, legendArea(), peopleOf(m_points)).bounds;
    const int plotTop = (layout.legend.isNull() ? layout.title.bottom() : layout.legend.bottom()) + metrics.height() / 2 + 6;
    layout.plot = QRect(QPoint(6, plotTop), QPoint(width() - 12, height() - metrics.height() - 8));
    return layout;
}

TotalsChart::Scale TotalsChart::scale() const
{
    Scale scale;
    scale.layout = layout();
    if (m_points.isEmpty())
        return scale;
    const auto [lowest, highest]
        = std::minmax_element(m_points.begin(), m_points.end(), [](const Point &a, const Point &b) { return a.total < b.total; });
    const auto [earliest, latest]
        = std::minmax_element(m_points.begin(), m_points.end(), [](const Point &a, const Point &b) { return a.finished < b.finished; });
    // The bands' edges stay in sight, so that a total reads against them.
    scale.low = lowest->total;
    scale.high = highest->total;
    if (!m_bandEdges.isEmpty()) {
        scale.low = std::min(scale.low, std::floor(m_bandEdges.first()));
        scale.high = std::max(scale.high, std::ceil(m_bandEdges.last()));
    }
    if (scale.low == scale.high) {
        scale.low -= 1;
        scale.high += 1;
    }
    scale.first = earliest->finished;
    scale.last = latest->finished;
    if (scale.first == scale.last) { // a day either side
        scale.first -= 86'400'000;
        scale.last += 86'400'000;
    }
    const QFontMetrics metrics = fontMetrics();
    scale.labelWidth = std::max(metrics.horizontalAdvance(plainNumber(scale.low)), metrics.horizontalAdvance(plainNumber(scale.high))) + 6;
    scale.layout.plot.setLeft(scale.layout.plot.left() + scale.labelWidth);
    // Room for half a marker at either end.
    scale.layout.plot.adjust(Marker, 0, -Marker, 0);
    return scale;
}

QPointF TotalsChart::position(const Point &point) const
{
    const Scale s = scale();
    const QRect &plot = s.layout.plot;
    return QPointF(plot.left() + double(point.finished - s.first) / double(s.last - s.first) * plot.width(),
        plot.bottom() - (point.total - s.low) / (s.high - s.low) * plot.height());
}

void TotalsChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), Qt::white);
    drawTitle(painter, this, chartTitle(QStringLiteral("总分变化"), m_caption));
    drawFocus(painter, this);
    if (m_points.isEmpty())
        return;

    const Scale s = scale();
    const QRect &plot = s.layout.plot;
    const QFontMetrics metrics = fontMetrics();
    const QList<QString> people = peopleOf(m_points);
    const QMap<QString, Style> styles = stylesFor(people);
    const auto y = [&](double total) { return plot.bottom() - (total - s.low) / (s.high - s.low) * plot.height(); };
    const auto x = [&](qint64 at) { return plot.left() + double(at - s.first) / double(s.last - s.first) * plot.width(); };

    // The legend under the title.
    const Legend legend = legendFor(metrics, legendArea(), people);
    for (const LegendEntry &entry : legend.entries) {
        drawMarker(painter, QPointF(entry.box.left() + Marker / 2.0, entry.box.center().y() + 0.5), styles[entry.person]);
        painter.setPen(PersonColours[styles[entry.person].colour]);
        painter.drawText(entry.box.adjusted(Marker + 4, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, entry.shown);
    }
    painter.setPen(Text);
    painter.drawText(legend.moreBox, Qt::AlignLeft | Qt::AlignVCenter, legend.more);

    // The y-axis: ticks at round totals, and the bands' edges dashed.
    const double step = niceStep(s.high - s.low, std::max(2, plot.height() / (2 * metrics.height())));
    for (double tick = std::ceil(s.low / step) * step; tick <= s.high + 1e-9; tick += step) {
        painter.setPen(Grid);
        painter.drawLine(QPointF(plot.left() - Marker, y(tick)), QPointF(plot.right() + Marker, y(tick)));
        painter.setPen(Text);
        painter.drawText(QRectF(6, y(tick) - metrics.height() / 2.0, s.labelWidth - 4, metrics.height()), Qt::AlignRight | Qt::AlignVCenter,
            plainNumber(tick));
    }
    painter.setPen(QPen(BandEdge, 1, Qt::DashLine));
    for (const double edge : m_bandEdges) {
        if (edge > s.low && edge < s.high)
            painter.drawLine(QPointF(plot.left() - Marker, y(edge)), QPointF(plot.right() + Marker, y(edge)));
    }

    // The x-axis: date ticks a day, a week or months apart, as many as fit.
    const QString format = s.last - s.first > 300LL * 86'400'000 ? QStringLiteral("yyyy-MM") : QStringLiteral("M月d日");
    const int labelWidth = metrics.horizontalAdvance(QStringLiteral("2026-12")) + 16;
    const int fits = std::max(1, plot.width() / labelWidth);
    const double spanDays = double(s.last - s.first) / 86'400'000;
    QList<qint64> ticks;
    const QDate firstDay = QDateTime::fromMSecsSinceEpoch(s.first).date();
    if (spanDays / fits <= 14) {
        int days = 1;
        for (const int candidate : {1, 2, 7, 14}) {
            days = candidate;
            if (spanDays / candidate <= fits)
                break;
        }
        for (QDate day = firstDay.addDays(1); day.startOfDay().toMSecsSinceEpoch() <= s.last; day = day.addDays(days))
            ticks << day.startOfDay().toMSecsSinceEpoch();
    } else {
        int months = 1;
        for (const int candidate : {1, 2, 3, 6, 12, 24, 60}) {
            months = candidate;
            if (spanDays / 30.4 / candidate <= fits)
                break;
        }
        for (QDate day = QDate(firstDay.year(), firstDay.month(), 1).addMonths(1); day.startOfDay().toMSecsSinceEpoch() <= s.last;
             day = day.addMonths(months))
            ticks << day.startOfDay().toMSecsSinceEpoch();
    }
    if (ticks.isEmpty()) // a record or a few within one day
        ticks << (s.first + s.last) / 2;
    painter.setPen(Axis);
    painter.drawLine(QPointF(plot.left() - Marker, plot.bottom() + Marker), QPointF(plot.right() + Marker, plot.bottom() + Marker));
    painter.drawLine(QPointF(plot.left() - Marker, plot.top()), QPointF(plot.left() - Marker, plot.bottom() + Marker));
    for (const qint64 tick : ticks) {
        painter.setPen(Axis);
        painter.drawLine(QPointF(x(tick), plot.bottom() + Marker), QPointF(x(tick), plot.bottom() + Marker + 3));
        painter.setPen(Text);
        const QString label = dateText(tick, format);
        const int w = metrics.horizontalAdvance(label);
        const double left = std::clamp(x(tick) - w / 2.0, 6.0, double(width() - 8 - w));
        painter.drawText(QRectF(left, plot.bottom() + Marker + 3, w, metrics.height()), Qt::AlignCenter, label);
    }

    // Every record at its own total, a line through each person's records
    // in time order. A marker is drawn once per spot it covers, so that the
    // cost stays with the chart's size, not with the records.
    const QHash<QString, QList<Point>> points = byPerson(m_points);
    // Crowded, the smoothing costs more than it shows.
    const bool crowded = m_points.size() > plot.width();
    painter.setRenderHint(QPainter::Antialiasing, !crowded);
    for (const QString &person : people) {
        const QList<Point> &own = points[person];
        const Style style = styles[person];
        painter.setPen(QPen(PersonColours[style.colour], crowded ? 1 : 1.5));
        QPointF previous;
        QSet<quint64> spots;
        QList<QPointF> markers;
        for (qsizetype i = 0; i < own.size(); ++i) {
            const QPointF here(x(own[i].finished), y(own[i].total));
            if (i > 0 && (here - previous).manhattanLength() >= 1)
                painter.drawLine(previous, here);
            previous = here;
            const quint64 spot = quint64(quint32(qRound(here.x()))) << 32 | quint32(qRound(here.y()));
            if (!spots.contains(spot)) {
                spots.insert(spot);
                markers << here;
            }
        }
        // One marker drawn, then stamped: thousands of records cost blits.
        const qreal ratio = devicePixelRatioF();
        QImage stamp(QSize(Marker + 4, Marker + 4) * ratio, QImage::Format_ARGB32_Premultiplied);
        stamp.setDevicePixelRatio(ratio);
        stamp.fill(Qt::transparent);
        QPainter stamping(&stamp);
        stamping.setRenderHint(QPainter::Antialiasing);
        drawMarker(stamping, QPointF(Marker + 4, Marker + 4) / 2, style);
        stamping.end();
        for (const QPointF &at : markers)
            painter.drawImage((at - QPointF(Marker + 4, Marker + 4) / 2).toPoint(), stamp);
    }
}

QString TotalsChart::description() const
{
    if (m_points.isEmpty())
        return QStringLiteral("没有可画的总分。");
    QStringList people;
    const QHash<QString, QList<Point>> points = byPerson(m_points);
    for (const QString &person : peopleOf(m_points)) {
        const QList<Point> &own = points[person];
        QStringList totals;
        const qsizetype from = std::max<qsizetype>(0, own.size() - 50);
        for (qsizetype i = from; i < own.size(); ++i)
            totals << pointDate(own[i], QStringLiteral("yyyy年M月d日 HH:mm")) + QStringLiteral(" 总分") + plainNumber(own[i].total);
        QString line = personName(person) + QStringLiteral("（%1条）：").arg(own.size());
        if (from > 0)
            line += QStringLiteral("最近50条，");
        people << line + totals.join(QStringLiteral("，"));
    }
    return people.join(QStringLiteral("；")) + QStringLiteral("。");
}

BandCountChart::BandCountChart(QWidget *parent)
    : QWidget(parent)
{
    setMinimumSize(220, 150);
    beAccessible(this);
    announceChange(this, chartTitle(QStringLiteral("各分数段人次"), m_caption));
}

void BandCountChart::setTest(const QString &caption)
{
    m_caption = caption;
    announceChange(this, chartTitle(QStringLiteral("各分数段人次"), m_caption));
    update();
}

void BandCountChart::setBars(QList<Bar> bars)
{
    m_bars = std::move(bars);
    announceChange(this, chartTitle(QStringLiteral("各分数段人次"), m_caption));
    update();
}

void BandCountChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    drawTitle(painter, this, chartTitle(QStringLiteral("各分数段人次"), m_caption));
    drawFocus(painter, this);
    if (m_bars.isEmpty())
        return;

    const QFontMetrics metrics = fontMetrics();
    int most = 1;
    for (const Bar &bar : m_bars)
        most = std::max(most, bar.count);
    const QRect plot
        = QRect(QPoint(6, titleRect(this).bottom() + metrics.height() + 8), QPoint(width() - 8, height() - metrics.height() - 8));
    const double slot = double(plot.width()) / m_bars.size();
    for (qsizetype i = 0; i < m_bars.size(); ++i) {
        const Bar &bar = m_bars[i];
        const int height = int(double(bar.count) / most * plot.height());
        const QRectF column(plot.left() + i * slot + slot * 0.15, plot.bottom() - height, slot * 0.7, height);
        painter.fillRect(column, BarColour);
        painter.setPen(Text);
        painter.drawText(QRectF(column.left() - slot * 0.15, column.top() - metrics.height() - 2, slot, metrics.height()), Qt::AlignCenter,
            QString::number(bar.count));
        painter.drawText(QRectF(plot.left() + i * slot, plot.bottom() + 3, slot, metrics.height()), Qt::AlignCenter,
            metrics.elidedText(bar.band, Qt::ElideRight, int(slot) - 2));
    }
    painter.setPen(Axis);
    painter.drawLine(plot.bottomLeft() + QPoint(0, 1), plot.bottomRight() + QPoint(0, 1));
}

QString BandCountChart::description() const
{
    QStringList bands;
    for (const Bar &bar : m_bars)
        bands << QStringLiteral("%1：%2人次").arg(bar.band).arg(bar.count);
    return bands.isEmpty() ? QStringLiteral("没有可数的总分。") : bands.join(QStringLiteral("；")) + QStringLiteral("。");
}

} // namespace zentrova
