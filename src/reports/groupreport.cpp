// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "groupreport.h"

#include "framework/numbers.h"
#include "framework/strings.h"
#include "reportpainter.h"
#include "records/safesave.h"

#include <QPainter>

#include <algorithm>
#include <map>

namespace zentrova {

namespace {

using namespace reportstyle;

const QString FollowUpKey = QStringLiteral("groupReport/followUp");
const QString FollowUpBandsKey = QStringLiteral("groupReport/followUpBands/");
const QColor Bar(0x7f, 0xbf, 0xbf);

QString dayText(const QDate &day)
{
    return day.toString(QStringLiteral("yyyy年M月d日"));
}

QString rangeText(const DateRange &range)
{
    if (range.isOpen())
        return QStringLiteral("全部日期");
    return QStringLiteral("%1至%2").arg(
        range.since ? dayText(*range.since) : QStringLiteral("最早"), range.until ? dayText(*range.until) : QStringLiteral("最近"));
}

QString groupText(const std::optional<QString> &group)
{
    if (!group)
        return QStringLiteral("全部小组");
    return group->isEmpty() ? QStringLiteral("（未分组）") : *group;
}

QString twoPlaces(double value)
{
    return QString::number(value, 'f', 2);
}

QString percent(int count, int of)
{
    return of > 0 ? QString::number(100.0 * count / of, 'f', 1) + u'%' : QString();
}

// The latest record per person of the test and group, within range.
QList<RecordSummary> sitting(const QList<RecordSummary> &records, const QString &window, const std::optional<QString> &group,
                             const DateRange &range)
{
    const RecordFilter filter {window, group, range};
    QList<RecordSummary> taken;
    std::copy_if(records.begin(), records.end(), std::back_inserter(taken), [&](const RecordSummary &r) { return filter.accepts(r); });
    return latestPerPerson(taken);
}

// Name and value in a line, the names lined up.
double facts(QPainter &painter, double y, const QList<std::pair<QString, QString>> &lines)
{
    const QFont label = song(11);
    const double labelWidth = QFontMetricsF(label).horizontalAdvance(QStringLiteral("测评人数：")) + 10;
    for (const auto &[name, value] : lines) {
        painter.setFont(label);
        painter.setPen(grey());
        painter.drawText(QRectF(margin(), y, labelWidth, 60), Qt::AlignLeft | Qt::AlignVCenter, name + u'：');
        painter.setPen(ink());
        painter.drawText(
            QRectF(margin() + labelWidth, y, page().width() - 2 * margin() - labelWidth, 60), Qt::AlignLeft | Qt::AlignVCenter, value);
        y += 60;
    }
    return lines.size() * 60.0 + 30;
}

// A bar per class, its length the share of the people counted, with the
// count and the percentage beside it.
double bars(QPainter &painter, double y, const QList<std::pair<QString, int>> &counts, int of)
{
    constexpr double RowHeight = 68, LabelWidth = 420, FigureWidth = 330;
    const double width = page().width() - 2 * margin();
    const double barRoom = width - LabelWidth - FigureWidth - 20;
    for (const auto &[name, count] : counts) {
        const QRectF row(margin(), y, width, RowHeight);
        painter.setFont(song(11));
        painter.setPen(ink());
        painter.drawText(QRectF(row.left(), row.top(), LabelWidth - 20, RowHeight), Qt::AlignRight | Qt::AlignVCenter, name);
        const double left = row.left() + LabelWidth;
        painter.setPen(Qt::NoPen);
        painter.setBrush(paleTeal());
        painter.drawRect(QRectF(left, row.top() + 12, barRoom, RowHeight - 24));
        painter.setBrush(Bar);
        painter.drawRect(QRectF(left, row.top() + 12, of > 0 ? barRoom * count / of : 0, RowHeight - 24));
        painter.setBrush(Qt::NoBrush);
        painter.setPen(ink());
        painter.setFont(song(11, true));
        painter.drawText(QRectF(left + barRoom + 20, row.top(), FigureWidth, RowHeight), Qt::AlignLeft | Qt::AlignVCenter,
            QStringLiteral("%1人　%2").arg(count).arg(percent(count, of)));
        y += RowHeight;
    }
    return counts.size() * RowHeight + 30;
}

// A table with a header row; cells drawn in equal columns after the first.
double table(QPainter &painter, double y, const QStringList &header, const QList<QStringList> &rows, double firstWidth)
{
    constexpr double RowHeight = 58;
    const double width = page().width() - 2 * margin();
    const double cell = header.size() > 1 ? (width - firstWidth) / (header.size() - 1) : 0;
    const auto draw = [&](const QStringList &cells, double top, bool bold) {
        painter.setFont(song(10, bold));
        for (qsizetype i = 0; i < cells.size(); ++i) {
            const QRectF box = i == 0 ? QRectF(margin(), top, firstWidth, RowHeight)
                                      : QRectF(margin() + firstWidth + (i - 1) * cell, top, cell, RowHeight);
            painter.drawText(box.adjusted(10, 0, -10, 0), (i == 0 ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter,
                QFontMetricsF(painter.font()).elidedText(cells[i], Qt::ElideRight, box.width() - 20));
        }
    };
    painter.setPen(Qt::NoPen);
    painter.setBrush(paleTeal());
    painter.drawRect(QRectF(margin(), y, width, RowHeight));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(ink());
    draw(header, y, true);
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const double top = y + (r + 1) * RowHeight;
        painter.setPen(QPen(paleTeal(), 2));
        painter.drawLine(QPointF(margin(), top + RowHeight), QPointF(margin() + width, top + RowHeight));
        painter.setPen(ink());
        draw(rows[r], top, false);
    }
    return (rows.size() + 1) * RowHeight + 30;
}

// A summary of totals as a table row under SummaryHeader.
const QStringList SummaryHeader {QStringLiteral("项目"), QStringLiteral("人数 n"), QStringLiteral("平均"), QStringLiteral("标准差"),
    QStringLiteral("中位数"), QStringLiteral("最低"), QStringLiteral("最高")};
constexpr double SummaryFirstColumn = 300;
const QString SdNote = QStringLiteral("标准差按 n − 1 计算；只有一人时不计标准差。");

QStringList summaryCells(const QString &name, const TotalsSummary &t)
{
    return {name, QString::number(t.n), twoPlaces(t.mean), t.sd ? twoPlaces(*t.sd) : QStringLiteral("—"), plainNumber(t.median),
        plainNumber(t.lowest), plainNumber(t.highest)};
}

double note(QPainter &painter, double y, const QString &text)
{
    return paragraph(painter, y, text, song(10), grey()) + 20;
}

// The classes in the order to show them: the bands in the catalogue's order,
// or the verdicts by name; a result in none last.
QStringList classOrder(const GroupReport &report)
{
    QStringList order;
    for (const ScoreBand &band : report.bands)
        order << toQString(band.text);
    if (order.isEmpty()) {
        for (const auto &[moved, count] : report.compared->moves) {
            for (const QString &name : {moved.first, moved.second}) {
                if (!name.isEmpty() && !order.contains(name))
                    order << name;
            }
        }
        order.sort();
    }
    for (const auto &[moved, count] : report.compared->moves) {
        if ((moved.first.isEmpty() || moved.second.isEmpty()) && !order.contains(QString())) {
            order << QString();
            break;
        }
    }
    return order;
}

double comparison(QPainter &painter, double y, const GroupReport &report)
{
    const SittingsCompared &compared = *report.compared;
    const double top = y;
    y += heading(painter, y, QStringLiteral("两次测评比较"));
    QString said = QStringLiteral("前次：%1；本次：%2。两次都参加的共%3人")
                       .arg(rangeText(*report.request.earlier), rangeText(report.request.range))
                       .arg(compared.n);
    if (compared.meanChange)
        said += QStringLiteral("，总分平均变化 %1%2分（本次减前次）")
                    .arg(*compared.meanChange > 0 ? QStringLiteral("+") : QString(), twoPlaces(*compared.meanChange));
    said += u'。';
    y += note(painter, y, said);
    if (compared.n == 0)
        return y - top;
    const QStringList order = classOrder(report);
    const auto shown = [](const QString &name) { return name.isEmpty() ? QStringLiteral("（无）") : name; };
    QStringList header {QStringLiteral("前次＼本次")};
    for (const QString &name : order)
        header << shown(name);
    QList<QStringList> rows;
    for (const QString &from : order) {
        QStringList row {shown(from)};
        for (const QString &to : order) {
            const auto found = compared.moves.find({from, to});
            row << QString::number(found == compared.moves.end() ? 0 : found->second);
        }
        rows << row;
    }
    y += table(painter, y, header, rows, 300);
    return y - top;
}

double followUp(QPainter &painter, double y, const GroupReport &report)
{
    const double top = y;
    y += heading(painter, y, QStringLiteral("建议关注"));
    const QStringList &marked = report.request.markedBands;
    if (marked.isEmpty())
        return y + note(painter, y, QStringLiteral("这项测评还没有标记需要关注的分数段。")) - top;
    y += note(painter, y,
        QStringLiteral("以下受测者最近一次的结果落在标记的分数段（%1）。这只是一个提示：不妨找他们聊一聊、了解近况。"
                       "这些问卷是自评问卷，不是临床量表，结果不能作为诊断。")
            .arg(marked.join(QStringLiteral("、"))));
    if (report.followUp.isEmpty())
        return y + note(painter, y, QStringLiteral("没有受测者的最近一次结果落在这些分数段。")) - top;
    // As many as fit above the footer; the rest said in a line.
    constexpr double RowHeight = 58;
    const int fit = std::max(1, int((footerTop() - 140 - y) / RowHeight) - 1);
    QList<QStringList> rows;
    for (const FollowUpEntry &entry : report.followUp.mid(0, fit))
        rows << QStringList {entry.person, entry.total.isEmpty() ? QStringLiteral("—") : entry.total, entry.result,
            entry.previous.isEmpty() ? QStringLiteral("—") : entry.previous};
    y += table(
        painter, y, {QStringLiteral("受测者"), QStringLiteral("总分"), QStringLiteral("本次结果"), QStringLiteral("上次结果")}, rows, 400);
    if (report.followUp.size() > fit)
        y += note(painter, y, QStringLiteral("另有%1人未列出，可导出记录查看。").arg(report.followUp.size() - fit));
    return y - top;
}

} // namespace

std::optional<GroupReport> makeGroupReport(const QList<RecordSummary> &records, const GroupReportRequest &request, QString *error)
{
    GroupReport report;
    report.request = request;
    const RecordFilter filter {request.test, request.group, request.range};
    const RecordFilter anyDay {request.test, request.group, {}};
    QList<RecordSummary> taken, history, sound;
    std::map<QString, int> why;
    for (const RecordSummary &record : records) {
        const bool doubtful = !record.marks.isEmpty() || !record.damage.isEmpty();
        if (!doubtful)
            sound << record;
        if (!anyDay.accepts(record))
            continue;
        if (doubtful) {
            if (filter.accepts(record)) {
                ++report.leftOut;
                for (const QString &mark : record.damage.isEmpty() ? record.marks : QStringList {record.damage})
                    ++why[mark];
            }
            continue;
        }
        history << record;
        if (filter.accepts(record))
            taken << record;
    }
    for (const auto &[mark, count] : why)
        report.leftOutWhy.append({mark, count});
    if (taken.isEmpty() && report.leftOut > 0) {
        *error = QStringLiteral("%1在%2的“%3”测评记录都有疑问（%4条），没有可以计入的记录")
                     .arg(groupText(request.group), rangeText(request.range), request.test)
                     .arg(report.leftOut);
        return std::nullopt;
    }
    if (taken.isEmpty()) {
        *error = QStringLiteral("%1在%2没有“%3”的测评记录").arg(groupText(request.group), rangeText(request.range), request.test);
        return std::nullopt;
    }
    report.window = taken.first().window;
    report.caption = taken.first().caption;
    report.records = int(taken.size());
    for (const RecordSummary &record : std::as_const(taken)) {
        const QDate day = record.finished.date();
        report.first = report.first.isValid() ? std::min(report.first, day) : day;
        report.last = std::max(report.last, day);
    }
    if (const BankTable *table = bankTableForWindow(report.window.toStdString()))
        report.bands = table->scoring.bands;

    const QList<RecordSummary> latest = latestPerPerson(taken);
    report.tested = int(latest.size());
    QList<double> totals;
    for (const RecordSummary &record : latest) {
        if (record.total)
            totals << *record.total;
    }
    report.totals = summarise(totals);
    if (!report.bands.empty())
        report.bandCounts = countBands(report.bands, totals);
    else if (!report.totals)
        report.verdicts = countClasses(latest, report.bands);
    if (!report.totals && report.verdicts.isEmpty())
        report.figures = summariseFigures(latest);
    if (request.earlier)
        report.compared = compareSittings(sitting(sound, report.window, request.group, *request.earlier), latest, report.bands);
    if (request.followUp)
        report.followUp = followUpList(latest, history, report.bands, request.markedBands);
    return report;
}

void paintGroupReport(QPainter &painter, const QRectF &target, const GroupReport &report)
{
    painter.save();
    fitPage(painter, target);
    const double width = page().width() - 2 * margin();
    double y = margin();
    painter.setFont(song(9));
    painter.setPen(grey());
    painter.drawText(QRectF(margin(), y, width, 50), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Zentrova　小组报告"));
    y += 60;
    painter.setPen(QPen(teal(), 6));
    painter.drawLine(QPointF(margin(), y), QPointF(margin() + width, y));
    y += 50;
    y += paragraph(painter, y, report.caption, song(20, true), ink()) + 40;

    const QString days
        = report.first == report.last ? dayText(report.first) : QStringLiteral("%1至%2").arg(dayText(report.first), dayText(report.last));
    y += facts(painter, y,
        {{QStringLiteral("小组"), groupText(report.request.group)},
            {QStringLiteral("日期"), days},
            {QStringLiteral("测评人数"), QStringLiteral("%1人（共%2条记录）").arg(report.tested).arg(report.records)}});

    if (!report.bands.empty()) {
        y += heading(painter, y, QStringLiteral("分数段分布"));
        QList<std::pair<QString, int>> counts;
        for (std::size_t i = 0; i < report.bands.size(); ++i)
            counts.append({toQString(report.bands[i].text), report.bandCounts.counts.value(qsizetype(i))});
        if (report.bandCounts.outside > 0)
            counts.append({QStringLiteral("不在任何分数段"), report.bandCounts.outside});
        y += bars(painter, y, counts, report.tested);
    } else if (!report.verdicts.isEmpty()) {
        y += heading(painter, y, QStringLiteral("结论分布"));
        y += bars(painter, y, report.verdicts, report.tested);
    }
    if (report.totals) {
        y += heading(painter, y, QStringLiteral("总分统计"));
        y += table(painter, y, SummaryHeader, {summaryCells(QStringLiteral("总分"), *report.totals)}, SummaryFirstColumn);
        y += note(painter, y, SdNote);
    } else if (!report.figures.isEmpty()) {
        y += heading(painter, y, QStringLiteral("各项得分"));
        QList<QStringList> rows;
        for (const auto &[name, t] : report.figures)
            rows << summaryCells(name, t);
        y += table(painter, y, SummaryHeader, rows, SummaryFirstColumn);
        y += note(painter, y, SdNote);
    }
    const int earlier = report.records - report.tested;
    y += note(painter, y,
        earlier > 0 ? QStringLiteral("同一受测者有多条本测评记录时，只计最近一次：本页没有计入较早的%1条记录。").arg(earlier)
                    : QStringLiteral("同一受测者有多条本测评记录时，只计最近一次。"));
    if (report.leftOut > 0) {
        QStringList reasons;
        for (const auto &[mark, count] : report.leftOutWhy)
            reasons << QStringLiteral("%1（%2条）").arg(mark).arg(count);
        y += note(painter, y,
            QStringLiteral("有疑问的%1条记录没有计入：%2。辅导员核对并认可后才计入。").arg(report.leftOut).arg(reasons.join(u'；')));
    }
    if (report.compared)
        y += comparison(painter, y, report);
    if (report.request.followUp)
        followUp(painter, y, report);
    footer(painter);
    painter.restore();
}

bool writeGroupReport(const GroupReport &report, const QString &path, QString *error)
{
    QStringList names;
    for (const FollowUpEntry &entry : report.followUp)
        names << entry.person;
    return writePageFile(
        path, QStringLiteral("%1　%2").arg(report.caption, groupText(report.request.group)),
        [&](QPainter &painter, const QRectF &page) { paintGroupReport(painter, page, report); }, names, error);
}

bool followUpEnabled()
{
    return settings().value(FollowUpKey, false).toBool();
}

QStringList followUpBands(const QString &window)
{
    return settings().value(FollowUpBandsKey + window).toStringList();
}

void setFollowUp(bool enabled)
{
    settings().setValue(FollowUpKey, enabled);
}

void setFollowUpBands(const QString &window, const QStringList &bands)
{
    settings().setValue(FollowUpBandsKey + window, bands);
}

} // namespace zentrova
