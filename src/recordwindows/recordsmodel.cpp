// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "recordsmodel.h"

#include "framework/strings.h"
#include "reports/reportactions.h"

namespace zentrova {

namespace {

// Shown before the result of a record a centre has doubts about.
const QString MarkedSign = QStringLiteral("※");

// Where the record came from and why it is doubtful, for its row's tooltip.
QString rowNote(const RecordSummary &summary)
{
    QStringList lines;
    for (const QString &mark : summary.marks)
        lines << MarkedSign + QStringLiteral("存疑：") + mark;
    const Provenance &from = summary.provenance;
    if (!from.seat.isEmpty())
        lines << QStringLiteral("座位：") + from.seat;
    if (!from.login.isEmpty())
        lines << QStringLiteral("登录名：") + from.login;
    if (from.arrived.isValid())
        lines << QStringLiteral("送达时间：") + from.arrived.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    if (!summary.damage.isEmpty())
        lines << summary.damage;
    return lines.join(u'\n');
}

} // namespace

QString personText(const QString &person)
{
    return person.isEmpty() ? QStringLiteral("（未填写）") : displayedName(person);
}

QString recordName(const RecordSummary &summary)
{
    return QStringLiteral("%1 %2 %3")
        .arg(personText(summary.person), summary.finished.date().toString(QStringLiteral("yyyy年M月d日")), summary.caption);
}

QString deleteQuestion(const QList<RecordSummary> &records)
{
    if (records.size() == 1)
        return QStringLiteral("删除%1的记录？").arg(recordName(records.first()));
    constexpr int NamedAtMost = 3;
    QStringList named;
    for (const RecordSummary &record : records.mid(0, NamedAtMost))
        named << recordName(record);
    return QStringLiteral("删除这%1条记录？\n%2%3")
        .arg(records.size())
        .arg(named.join(u'\n'), records.size() > NamedAtMost ? QStringLiteral("\n……") : QString());
}

RecordsModel::RecordsModel(Store &store, QObject *parent, int pageSize)
    : QAbstractTableModel(parent)
    , m_store(store)
    , m_pageSize(pageSize)
{
}

RecordsModel::~RecordsModel()
{
    cancelRequests();
}

void RecordsModel::cancelRequests()
{
    for (QPointer<StoreRequest> *request : {&m_page, &m_counting}) {
        if (*request)
            (*request)->cancel();
        *request = nullptr;
    }
}

void RecordsModel::setFilter(const RecordFilter &filter)
{
    m_filter = filter;
    restart();
}

void RecordsModel::restart()
{
    cancelRequests();
    beginResetModel();
    m_rows.clear();
    m_atEnd = false;
    m_count.reset();
    endResetModel();
    Q_EMIT recordCountChanged();
    fetchMore({});
    auto *counting = m_store.count(m_filter);
    m_counting = counting;
    counting->then(this, [this](StoreReply<int> &reply) {
        m_counting = nullptr;
        if (!reply.error().isEmpty()) {
            Q_EMIT failed(reply.error());
            return;
        }
        m_count = reply.value();
        Q_EMIT recordCountChanged();
    });
}

bool RecordsModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && !m_atEnd && !m_page;
}

void RecordsModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    SummaryQuery query {m_filter, m_order, m_direction, std::nullopt, m_pageSize};
    if (!m_rows.isEmpty())
        query.after = m_rows.last().id;
    auto *page = m_store.summaries(query);
    m_page = page;
    // The page counts as asked until its rows are in: whoever hears of the
    // rows being inserted (a view, a model tester) may ask for more, and
    // must ask after them.
    page->then(this, [this](StoreReply<QList<RecordSummary>> &reply) {
        if (!reply.error().isEmpty()) {
            m_atEnd = true; // asking again would fail again
            m_page = nullptr;
            Q_EMIT failed(reply.error());
            Q_EMIT pageArrived();
            return;
        }
        const QList<RecordSummary> &rows = reply.value();
        m_atEnd = rows.size() < m_pageSize;
        if (!rows.isEmpty()) {
            beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + rows.size() - 1));
            m_rows += rows;
            endInsertRows();
        }
        m_page = nullptr;
        Q_EMIT pageArrived();
    });
}

SummaryOrder RecordsModel::orderOf(int column)
{
    switch (column) {
    case Person:
        return SummaryOrder::Person;
    case Group:
        return SummaryOrder::Group;
    case Test:
        return SummaryOrder::Test;
    case Result:
        return SummaryOrder::Total;
    case Elapsed:
        return SummaryOrder::Elapsed;
    default:
        return SummaryOrder::Finished;
    }
}

void RecordsModel::sort(int column, Qt::SortOrder order)
{
    if (orderOf(column) == m_order && order == m_direction)
        return; // a view sorts once as it is given the model
    m_order = orderOf(column);
    m_direction = order;
    restart();
}

int RecordsModel::rowOf(qint64 id) const
{
    for (qsizetype row = 0; row < m_rows.size(); ++row) {
        if (m_rows[row].id == id)
            return int(row);
    }
    return -1;
}

int RecordsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int RecordsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

// Views ask with indexes that are not there (Ctrl+C on an empty table):
// those have no data.
QVariant RecordsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this || index.row() >= m_rows.size() || index.column() >= ColumnCount)
        return {};
    const RecordSummary &summary = m_rows.at(index.row());
    switch (role) {
    case IdRole:
        return summary.id;
    case Qt::ToolTipRole: {
        const QString note = rowNote(summary);
        return note.isEmpty() ? QVariant() : QVariant(note);
    }
    case Qt::DisplayRole:
        break;
    default:
        return {};
    }
    switch (index.column()) {
    case Finished:
        return summary.finished.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    case Person:
        return personText(summary.person);
    case Group:
        return displayedName(summary.group);
    case Test:
        return summary.caption;
    case Result: {
        const QString shown = summary.damage.isEmpty() ? summary.resultLine : summary.damage;
        return summary.marks.isEmpty() ? shown : MarkedSign + shown;
    }
    case Elapsed:
        return summary.elapsedMinutes ? QStringLiteral("%1分钟").arg(*summary.elapsedMinutes) : QString();
    }
    return {};
}

QVariant RecordsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    static const QString captions[] = {QStringLiteral("完成时间"), QStringLiteral("受测者"), QStringLiteral("小组"),
                                       QStringLiteral("测评"),     QStringLiteral("结果"),   QStringLiteral("用时")};
    if (role == Qt::DisplayRole)
        return captions[section];
    if (role == Qt::ToolTipRole)
        return QStringLiteral("单击按此列排序，再次单击反向；在表格中按 Shift+F10 亦可排序");
    return {};
}

} // namespace zentrova
