// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "groupreport.h"

#include "framework/numbers.h"
#include "framework/strings.h"
#include "records/record.h"
#include "records/safesave.h"
#include "reportpainter.h"

#include <QPainter>
#include <QPicture>

#include <algorithm>
#include <limits>
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

QString groupReportTitle(const GroupReport &report)
{
    return QStringLiteral("%1　%2").arg(report.caption, groupText(report.request.group));
}

QString twoPlaces(double value)
{
    return QString::number(value, 'f', 2);
}

QString percent(int count, int of)
{
    return of > 0 ? QString::number(100.0 * count / of, 'f', 1) + u'%' : QString();
}

bool overlap(const DateRange &a, const DateRange &b)
{
    const auto later = [](const std::optional<QDate> &x, const std::optional<QDate> &y) { return !x ? y : !y ? x : std::max(*x, *y); };
    const auto earlier = [](const std::optional<QDate> &x, const std::optional<QDate> &y) { return !x ? y : !y ? x : std::min(*x, *y); };
    const std::optional<QDate> from = later(a.since, b.since), to = earlier(a.until, b.until);
    return !from || !to || *from <= *to;
}

// The caption of the test named by caption or window name, as records give it.
QString captionOf(const QList<RecordSummary> &records, const QString &test)
{
    const auto found
        = std::find_if(records.begin(), records.end(), [&](const RecordSummary &r) { return r.window == test || r.caption == test; });
    return found == records.end() ? test : found->caption;
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
// count and the percentage beside it, and under it what the class means
// where the test says so.
double bars(QPainter &painter, double y, const QList<std::pair<QString, int>> &counts, int of, const QStringList &meanings = {})
{
    constexpr double RowHeight = 68, LabelWidth = 420, FigureWidth = 330;
    const double width = page().width() - 2 * margin();
    const double barRoom = width - LabelWidth - FigureWidth - 20;
    const double top = y;
    for (qsizetype i = 0; i < counts.size(); ++i) {
        const auto &[name, count] = counts[i];
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
        if (const QString meaning = meanings.value(i); !meaning.isEmpty()) {
            painter.setFont(song(9));
            painter.setPen(grey());
            const QRectF room(left, y - 8, width - LabelWidth, page().height());
            const QRectF used = painter.boundingRect(room, Qt::TextWordWrap, meaning);
            painter.drawText(room, Qt::TextWordWrap, meaning);
            y += used.height();
        }
    }
    return y - top + 30;
}

// A table with a header row; cells drawn in equal columns after the first;
// left and width where it is not the page's, rows and text smaller where
// given.
double table(QPainter &painter, double y, const QStringList &header, const QList<QStringList> &rows, double firstWidth,
    std::optional<double> left = {}, std::optional<double> tableWidth = {}, double rowHeight = 58, double points = 10)
{
    const double x = left.value_or(margin());
    const double width = tableWidth.value_or(page().width() - 2 * margin());
    const double cell = header.size() > 1 ? (width - firstWidth) / (header.size() - 1) : 0;
    const auto draw = [&](const QStringList &cells, double top, bool bold) {
        painter.setFont(song(points, bold));
        for (qsizetype i = 0; i < cells.size(); ++i) {
            const QRectF box
                = i == 0 ? QRectF(x, top, firstWidth, rowHeight) : QRectF(x + firstWidth + (i - 1) * cell, top, cell, rowHeight);
            painter.drawText(box.adjusted(10, 0, -10, 0), (i == 0 ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter,
                QFontMetricsF(painter.font()).elidedText(cells[i], Qt::ElideRight, box.width() - 20));
        }
    };
    painter.setPen(Qt::NoPen);
    painter.setBrush(paleTeal());
    painter.drawRect(QRectF(x, y, width, rowHeight));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(ink());
    draw(header, y, true);
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const double top = y + (r + 1) * rowHeight;
        painter.setPen(QPen(paleTeal(), 2));
        painter.drawLine(QPointF(x, top + rowHeight), QPointF(x + width, top + rowHeight));
        painter.setPen(ink());
        draw(rows[r], top, false);
    }
    return (rows.size() + 1) * rowHeight + 30;
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

// The follow-up list from entry first on: count entries, or where none is
// given as many as fit between y and the footer, in narrower rows and then
// side by side in two or three tables before any is left for the next page,
// which a line then names. Sets *listed to how many it drew.
double followUpTable(
    QPainter &painter, double y, const GroupReport &report, qsizetype first, std::optional<qsizetype> count, qsizetype *listed)
{
    const qsizetype left = report.followUp.size() - first;
    const auto fitting = [&](double room, int columns, double height) {
        return std::min(left, std::max<qsizetype>(0, qsizetype((room - 30) / height) - 1) * columns);
    };
    double room = footerTop() - 60 - y;
    int columns = 1;
    double rowHeight = 58;
    for (const auto &[c, height] : {std::pair {1, 58.0}, {1, 46.0}, {2, 46.0}, {2, 38.0}, {3, 38.0}}) {
        columns = c;
        rowHeight = height;
        if (fitting(room, c, height) >= count.value_or(left))
            break;
    }
    if (!count) {
        if (fitting(room, columns, rowHeight) < left)
            room -= 70; // for the line that says the list goes on
        count = std::max<qsizetype>(1, fitting(room, columns, rowHeight));
    }
    *listed = *count;
    const qsizetype perColumn = (*count + columns - 1) / columns;
    const double gap = 30, columnWidth = (page().width() - 2 * margin() - (columns - 1) * gap) / columns;
    double used = 0;
    for (int c = 0; c < columns && c * perColumn < *count; ++c) {
        QList<QStringList> rows;
        for (const FollowUpEntry &entry : report.followUp.mid(first + c * perColumn, std::min(perColumn, *count - c * perColumn)))
            rows << QStringList {entry.person, entry.total.isEmpty() ? QStringLiteral("—") : entry.total, entry.result,
                entry.previous.isEmpty() ? QStringLiteral("—") : entry.previous};
        const QStringList header {QStringLiteral("受测者"), QStringLiteral("总分"), QStringLiteral("本次结果"), QStringLiteral("上次结果")};
        used = std::max(used,
            table(painter, y, header, rows, columnWidth * 0.3, margin() + c * (columnWidth + gap), columnWidth, rowHeight,
                columns > 1 ? 8.5 : 10));
    }
    if (first + *count < report.followUp.size())
        used += note(painter, y + used, QStringLiteral("名单未完，另有%1人列在下一页。").arg(report.followUp.size() - first - *count));
    return used;
}

double followUp(QPainter &painter, double y, const GroupReport &report, std::optional<qsizetype> count, qsizetype *listed)
{
    const double top = y;
    *listed = 0;
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
    return y + followUpTable(painter, y, report, 0, count, listed) - top;
}

QString twoPlaces(const std::optional<double> &value)
{
    return value ? twoPlaces(*value) : QStringLiteral("—");
}

// α with its interval and, per item, how it goes with the rest: the items
// that go least with the others first, as many as fit above the footer and
// at most most of them (room left for a follow-up list below).
double itemAnalysisSection(QPainter &painter, double y, const GroupReport &report, qsizetype most)
{
    const double top = y;
    y += heading(painter, y, QStringLiteral("题目分析"));
    if (!report.itemAnalysis) {
        y += note(painter, y, QStringLiteral("这项测试的题目不单独计分，没有题目分析。"));
        return y - top;
    }
    const GroupItemAnalysis &analysis = *report.itemAnalysis;
    const ItemAnalysis &f = analysis.figures;
    QString said = f.alpha ? QStringLiteral("计入%1人、%2道题：克隆巴赫 α = %3，95%置信区间 %4 至 %5（Feldt）。")
                                 .arg(f.n)
                                 .arg(f.items)
                                 .arg(twoPlaces(*f.alpha), twoPlaces(f.alphaInterval->first), twoPlaces(f.alphaInterval->second))
                           : QStringLiteral("计入%1人、%2道题：人数或题目太少，或者大家的总分全都一样，算不出 α。").arg(f.n).arg(f.items);
    if (f.n < FewPeopleForItemAnalysis)
        said += QStringLiteral("人数少于%1，这些数字很不稳定，仅供参考。").arg(FewPeopleForItemAnalysis);
    if (analysis.incomplete > 0)
        said += QStringLiteral("另有%1人的答案不全，没有计入。").arg(analysis.incomplete);
    y += note(painter, y, said);
    QList<qsizetype> order;
    for (qsizetype i = 0; i < analysis.items.size(); ++i)
        order << i;
    const auto fit = [&](qsizetype i) { return f.perItem[i].correctedItemTotal.value_or(2); };
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) { return fit(a) < fit(b); });
    constexpr double RowHeight = 58;
    const qsizetype room = std::clamp<qsizetype>(qsizetype((footerTop() - 140 - y) / RowHeight) - 1, 1, most);
    QList<QStringList> rows;
    for (qsizetype i : order.mid(0, room)) {
        const ItemFigures &item = f.perItem[i];
        rows << QStringList {analysis.items[i] + QStringLiteral("　") + analysis.texts[i],
            item.constant ? QStringLiteral("无变异") : twoPlaces(item.correctedItemTotal), twoPlaces(item.alphaIfDeleted)};
    }
    y += table(painter, y,
        {QStringLiteral("题目（与其余题目最不一致的在前）"), QStringLiteral("校正题总相关"), QStringLiteral("删除该题后的 α")}, rows, 1100);
    if (order.size() > room)
        y += note(painter, y, QStringLiteral("另有%1道题未列出，全部题目见 --item-analysis 导出的 CSV 文件。").arg(order.size() - room));
    return y - top;
}

// The page's head: the program's line and the test's caption.
double pageHead(QPainter &painter, const GroupReport &report)
{
    const double width = page().width() - 2 * margin();
    double y = margin();
    painter.setFont(song(9));
    painter.setPen(grey());
    painter.drawText(QRectF(margin(), y, width, 50), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Zentrova　小组报告"));
    y += 60;
    painter.setPen(QPen(teal(), 6));
    painter.drawLine(QPointF(margin(), y), QPointF(margin() + width, y));
    y += 50;
    return y + paragraph(painter, y, report.caption, song(20, true), ink()) + 40;
}

// The first page, naming count of the follow-up list (as many as fit
// where none is given); returns how many it named.
qsizetype paintFirstPage(QPainter &painter, const GroupReport &report, std::optional<qsizetype> count)
{
    double y = pageHead(painter, report);
    const QString days
        = report.first == report.last ? dayText(report.first) : QStringLiteral("%1至%2").arg(dayText(report.first), dayText(report.last));
    y += facts(painter, y,
        {{QStringLiteral("小组"), groupText(report.request.group)}, {QStringLiteral("日期"), days},
            {QStringLiteral("测评人数"), QStringLiteral("%1人（共%2条记录）").arg(report.tested).arg(report.records)}});

    if (!report.bands.empty()) {
        y += heading(painter, y, QStringLiteral("分数段分布"));
        QList<std::pair<QString, int>> counts;
        QStringList meanings;
        for (std::size_t i = 0; i < report.bands.size(); ++i) {
            counts.append({toQString(report.bands[i].text), report.bandCounts.counts.value(qsizetype(i))});
            meanings << bandMeaning(report.window, counts.last().first);
        }
        if (report.bandCounts.outside > 0)
            counts.append({QStringLiteral("不在任何分数段"), report.bandCounts.outside});
        y += bars(painter, y, counts, report.tested, meanings);
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
    // The item analysis keeps its worst items only where a follow-up list
    // needs the room below it.
    if (report.request.itemAnalysis)
        y += itemAnalysisSection(painter, y, report, report.request.followUp ? 8 : std::numeric_limits<qsizetype>::max());
    qsizetype listed = 0;
    if (report.request.followUp)
        followUp(painter, y, report, count, &listed);
    footer(painter);
    return listed;
}

// A page of the follow-up list that the first could not hold.
qsizetype paintContinuation(QPainter &painter, const GroupReport &report, qsizetype first, std::optional<qsizetype> count)
{
    double y = pageHead(painter, report);
    y += heading(painter, y, QStringLiteral("建议关注（续）"));
    qsizetype listed = 0;
    followUpTable(painter, y, report, first, count, &listed);
    footer(painter);
    return listed;
}

// Where each page's share of the follow-up list starts, the list's end
// last: laid out once off the page, so that every page draws its share
// whatever the device does to the text's measures.
QList<qsizetype> followUpShares(const GroupReport &report)
{
    QPicture scratch;
    QPainter painter(&scratch);
    QList<qsizetype> starts {0, paintFirstPage(painter, report, std::nullopt)};
    while (starts.last() < report.followUp.size())
        starts << starts.last() + paintContinuation(painter, report, starts.last(), std::nullopt);
    return starts;
}
} // namespace

RecordFilter itemAnalysisFilter(const GroupReport &report)
{
    return {report.window, report.request.group, report.request.range};
}

void setItemAnalysis(GroupReport &report, const QList<GroupItemAnalysis> &analyses)
{
    report.itemAnalysis.reset();
    if (!analyses.isEmpty())
        report.itemAnalysis = analyses.first();
    report.request.itemAnalysis = true;
}

bool addItemAnalysis(GroupReport &report, Store &store, QString *error)
{
    const auto analyses = analyseItemsOf(store, itemAnalysisFilter(report), false, error);
    if (!analyses)
        return false;
    setItemAnalysis(report, *analyses);
    return true;
}

std::optional<GroupReport> makeGroupReport(const QList<RecordSummary> &records, const GroupReportRequest &asked, QString *error)
{
    GroupReportRequest request = asked;
    // Compared with everything up to a day, this sitting starts the day after.
    if (request.earlier && request.earlier->until && !request.range.since
        && (!request.range.until || *request.earlier->until < *request.range.until))
        request.range.since = request.earlier->until->addDays(1);
    for (const auto &[range, which] :
        {std::pair {std::optional(request.range), QStringLiteral("本次")}, {request.earlier, QStringLiteral("前次")}}) {
        if (range && range->since && range->until && *range->since > *range->until) {
            *error = QStringLiteral("%1测评的开始日期（%2）晚于结束日期（%3），请改正日期")
                         .arg(which, dayText(*range->since), dayText(*range->until));
            return std::nullopt;
        }
    }
    if (request.earlier && overlap(*request.earlier, request.range)) {
        *error = QStringLiteral("前次（%1）和本次（%2）的日期有重叠，同一条记录会被算作两次测评；请让前次在本次开始之前结束")
                     .arg(rangeText(*request.earlier), rangeText(request.range));
        return std::nullopt;
    }
    GroupReport report;
    const RecordFilter filter {request.test, request.group, request.range};
    const RecordFilter anyDay {request.test, request.group, {}};
    // Doubtful records (marked, or damaged) are counted apart, never in a figure.
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
                     .arg(groupText(request.group), rangeText(request.range), captionOf(records, request.test))
                     .arg(report.leftOut);
        return std::nullopt;
    }
    if (taken.isEmpty()) {
        *error = QStringLiteral("%1在%2没有“%3”的测评记录")
                     .arg(groupText(request.group), rangeText(request.range), captionOf(records, request.test));
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
    if (request.followUp && !report.bands.empty()) {
        // A band as the test writes it, "75-99" for "75－99" too; one that
        // is none of the test's would make the list say nobody falsely.
        QStringList bandNames;
        for (const ScoreBand &band : report.bands)
            bandNames << toQString(band.text);
        const auto plain = [](QString band) { return band.replace(u'－', u'-').remove(u' ').remove(u'　'); };
        for (QString &marked : request.markedBands) {
            const auto found
                = std::find_if(bandNames.begin(), bandNames.end(), [&](const QString &band) { return plain(band) == plain(marked); });
            if (found == bandNames.end()) {
                *error = QStringLiteral("“%1”不是“%2”的分数段；它的分数段是：%3")
                             .arg(marked, report.caption, bandNames.join(QStringLiteral("、")));
                return std::nullopt;
            }
            marked = *found;
        }
    }
    report.request = request;

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

int groupReportPages(const GroupReport &report)
{
    return std::max(1, int(followUpShares(report).size()) - 1);
}

void paintGroupReport(QPainter &painter, const QRectF &target, const GroupReport &report, int page)
{
    const QList<qsizetype> shares = followUpShares(report);
    const qsizetype first = shares.value(page), count = shares.value(page + 1, first) - first;
    painter.save();
    fitPage(painter, target);
    if (page == 0)
        paintFirstPage(painter, report, count);
    else
        paintContinuation(painter, report, first, count);
    painter.restore();
}

QByteArray groupReportPdf(const GroupReport &report)
{
    return documentPdf(groupReportTitle(report), groupReportPages(report),
        [&](QPainter &painter, const QRectF &target, int page) { paintGroupReport(painter, target, report, page); });
}

bool writeGroupReport(const GroupReport &report, const QString &path, QString *error)
{
    return writeDocumentFile(
        path, groupReportTitle(report), groupReportPages(report),
        [&](QPainter &painter, const QRectF &target, int page) { paintGroupReport(painter, target, report, page); }, error);
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
