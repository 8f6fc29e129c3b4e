// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "serverstore.h"

#include "centre/centreclient.h"
#include "centre/pg.h"

#include <QCollator>
#include <QHash>
#include <QLocale>

#include <algorithm>
#include <cstring>

#include <poll.h>

namespace zentrova {

namespace {

using Parameters = std::vector<std::optional<QByteArray>>;

QString text(const PGresult *result, int row, int column)
{
    return QString::fromUtf8(PQgetvalue(result, row, column), PQgetlength(result, row, column));
}

qint64 integer(const PGresult *result, int row, int column)
{
    return QByteArray(PQgetvalue(result, row, column)).toLongLong();
}

std::optional<int> optionalInteger(const PGresult *result, int row, int column)
{
    if (PQgetisnull(result, row, column))
        return std::nullopt;
    return int(integer(result, row, column));
}

QDateTime at(qint64 milliseconds, int utcOffset)
{
    return QDateTime::fromMSecsSinceEpoch(milliseconds, Qt::OffsetFromUTC, utcOffset);
}

QByteArray idArray(const QList<qint64> &ids)
{
    QByteArray array = "{";
    for (const qint64 id : ids)
        array += (array.size() > 1 ? "," : "") + QByteArray::number(id);
    return array + '}';
}

// A statement's text and its parameters, built up together.
struct Statement {
    QByteArray sql;
    Parameters parameters;

    QByteArray bind(const QString &value)
    {
        parameters.push_back(value.toUtf8());
        return '$' + QByteArray::number(parameters.size());
    }
};

// The columns every listing reads, in this order.
const char *const Columns = "l.id, l.finished_ms, l.utc_offset, l.person_code, l.person_name, l.test_window, l.caption, "
                            "l.elapsed_minutes, l.verdict, coalesce(l.person_class, ''), l.damaged, l.seat_name, l.submitted_by, "
                            "CASE WHEN isfinite(l.received) THEN (extract(epoch FROM l.received) * 1000)::bigint END, "
                            "array_to_string(l.marks, ','), l.accepted_by IS NOT NULL, l.program_version, l.bank_sha256";
enum Column {
    Id,
    FinishedMs,
    UtcOffset,
    Code,
    Name,
    Window,
    Caption,
    Elapsed,
    Verdict,
    Group,
    Damaged,
    Seat,
    Login,
    ReceivedMs,
    Marks,
    Accepted,
    ProgramVersion,
    BankSha256
};

// The day a record was finished, as the calendar read where it was.
const char *const LocalDay = "(to_timestamp(l.finished_ms / 1000.0 + l.utc_offset) AT TIME ZONE 'UTC')::date";

// The filter as a condition on record_list l; sound: leave out rows that
// cannot be read as records.
QByteArray where(Statement &statement, const RecordFilter &filter, bool sound)
{
    QByteArray condition = sound ? "l.damaged IS NULL" : "true";
    if (!filter.test.isEmpty()) {
        const QByteArray test = statement.bind(filter.test);
        condition += " AND (l.test_window = " + test + " OR l.caption = " + test + ")";
    }
    if (filter.group)
        condition += " AND coalesce(l.person_class, '') = " + statement.bind(*filter.group);
    if (filter.range.since)
        condition += QByteArray(" AND ") + LocalDay + " >= " + statement.bind(filter.range.since->toString(Qt::ISODate)) + "::date";
    if (filter.range.until)
        condition += QByteArray(" AND ") + LocalDay + " <= " + statement.bind(filter.range.until->toString(Qt::ISODate)) + "::date";
    if (filter.person)
        condition += " AND l.person_code = " + statement.bind(*filter.person);
    return condition;
}

// What a listing sorts on, never NULL, so that a page can start after a row.
QByteArray sortKey(SummaryOrder order)
{
    switch (order) {
    case SummaryOrder::Person:
        return "coalesce(l.person_name, l.person_code)";
    case SummaryOrder::Test:
        return "l.caption";
    case SummaryOrder::Group:
        return "coalesce(l.person_class, '')";
    case SummaryOrder::Total:
        return "coalesce((SELECT substring(f.value FROM '^-?[0-9]+(?:[.][0-9]+)?')::numeric FROM zentrova.record_figures f "
               "WHERE f.record = l.id AND f.name = '总分' LIMIT 1), -1e18)";
    case SummaryOrder::Elapsed:
        return "coalesce(l.elapsed_minutes, -1)";
    case SummaryOrder::Finished:
        break;
    }
    // A damaged row has no time: it sorts as the newest, so it is seen.
    return "coalesce(l.finished_ms, 9223372036854775807)";
}

QString personOf(const PGresult *result, int row)
{
    if (PQgetisnull(result, row, Name))
        return CentreClient::unknownPerson(text(result, row, Code));
    return text(result, row, Name);
}

RecordSummary summaryOf(const PGresult *result, int row)
{
    RecordSummary summary;
    summary.id = integer(result, row, Id);
    summary.person = personOf(result, row);
    summary.personKey = text(result, row, Code);
    summary.group = text(result, row, Group);
    summary.provenance.seat = text(result, row, Seat);
    summary.provenance.login = text(result, row, Login);
    if (!PQgetisnull(result, row, ReceivedMs))
        summary.provenance.arrived = QDateTime::fromMSecsSinceEpoch(integer(result, row, ReceivedMs));
    if (!PQgetisnull(result, row, Damaged)) {
        summary.damage = QStringLiteral("已损坏的记录（编号 %1，无法读出：%2）").arg(summary.id).arg(text(result, row, Damaged));
        summary.caption = summary.resultLine = summary.damage;
        return summary;
    }
    summary.finished = at(integer(result, row, FinishedMs), int(integer(result, row, UtcOffset)));
    summary.window = text(result, row, Window);
    summary.caption = text(result, row, Caption);
    summary.elapsedMinutes = optionalInteger(result, row, Elapsed);
    summary.verdict = text(result, row, Verdict);
    // An accepted record counts as it stands.
    if (std::strcmp(PQgetvalue(result, row, Accepted), "t") != 0) {
        for (const QString &mark : text(result, row, Marks).split(u',', Qt::SkipEmptyParts))
            summary.marks << ServerStore::markSentence(mark);
    }
    return summary;
}

Record recordOf(const PGresult *result, int row)
{
    Record record;
    record.id = integer(result, row, Id);
    record.finished = at(integer(result, row, FinishedMs), int(integer(result, row, UtcOffset)));
    record.person = personOf(result, row);
    record.window = text(result, row, Window);
    record.caption = text(result, row, Caption);
    record.elapsedMinutes = optionalInteger(result, row, Elapsed);
    record.verdict = text(result, row, Verdict);
    record.group = text(result, row, Group);
    record.programVersion = text(result, row, ProgramVersion);
    record.bankSha256 = text(result, row, BankSha256);
    return record;
}

} // namespace

// The connection and the one way a statement is run on it: sent, then
// waited for in slices, cancelled on the server when the request is
// cancelled or its deadline passes.
class ServerStore::Session
{
public:
    Session(const QString &conninfo, const QString &password, std::chrono::milliseconds deadline)
        : m_conninfo(conninfo.toStdString())
        , m_password(password.toStdString())
        , m_deadline(deadline)
        , m_options("-c statement_timeout=" + std::to_string(deadline.count()))
    {
    }

    // The statement's result; nullptr with context failed where it failed.
    // A statement safe to repeat is repeated once on a new connection where
    // the old one was lost.
    pg::Result run(RequestContext &context, const QByteArray &sql, const Parameters &parameters = {}, bool repeatable = true)
    {
        for (int attempt = 0;; ++attempt) {
            if (!connected(context))
                return nullptr;
            pg::Result result = send(context, sql, parameters);
            if (result && pg::succeeded(result.get()))
                return result;
            const bool lost = PQstatus(m_db.get()) != CONNECTION_OK;
            if (lost)
                m_db.reset();
            if (lost && repeatable && attempt == 0 && !context.cancelled() && !m_timedOut)
                continue;
            context.fail(failure(result.get()));
            return nullptr;
        }
    }

    PGconn *connection() const { return m_db.get(); }

private:
    bool connected(RequestContext &context)
    {
        if (m_db && PQstatus(m_db.get()) == CONNECTION_OK)
            return true;
        m_db = pg::connect(m_conninfo, m_password.empty() ? nullptr : m_password.c_str(), m_options.c_str());
        if (PQstatus(m_db.get()) == CONNECTION_OK)
            return true;
        context.fail(QStringLiteral("无法连接测评中心的服务器：%1").arg(QString::fromStdString(pg::lastError(m_db.get()))));
        m_db.reset();
        return false;
    }

    pg::Result send(RequestContext &context, const QByteArray &sql, const Parameters &parameters)
    {
        m_timedOut = false;
        m_cancelled = false;
        std::vector<const char *> values;
        for (const auto &parameter : parameters)
            values.push_back(parameter ? (parameter->isNull() ? "" : parameter->constData()) : nullptr);
        PGconn *db = m_db.get();
        if (!PQsendQueryParams(db, sql.constData(), int(values.size()), nullptr, values.data(), nullptr, nullptr, 0))
            return nullptr;
        const auto deadline = std::chrono::steady_clock::now() + m_deadline;
        bool cancelSent = false;
        while (PQisBusy(db)) {
            if (!cancelSent && (context.cancelled() || std::chrono::steady_clock::now() >= deadline)) {
                m_cancelled = context.cancelled();
                m_timedOut = !m_cancelled;
                if (PGcancel *cancel = PQgetCancel(db)) {
                    char why[256];
                    PQcancel(cancel, why, sizeof why);
                    PQfreeCancel(cancel);
                }
                cancelSent = true;
            }
            pollfd wait {PQsocket(db), POLLIN, 0};
            // Slices short enough that a cancel is noticed at once; after a
            // cancel the server answers at once too, or the line is gone
            // (tcp_user_timeout and the keepalives end it).
            if (::poll(&wait, 1, 100) < 0 || !PQconsumeInput(db))
                break;
        }
        pg::Result last;
        while (PGresult *result = PQgetResult(db)) {
            // The first failure is the one to tell; later results add nothing.
            if (!last || pg::succeeded(last.get()))
                last.reset(result);
            else
                PQclear(result);
        }
        return last;
    }

    QString failure(const PGresult *result) const
    {
        if (m_cancelled)
            return QStringLiteral("请求已取消。");
        if (m_timedOut)
            return QStringLiteral("测评中心的服务器在 %1 秒内没有回答，这次操作已取消。").arg(m_deadline.count() / 1000.0);
        const QString why = QString::fromStdString(pg::lastError(m_db.get()));
        if (!m_db)
            return QStringLiteral("与测评中心服务器的连接断了：%1").arg(why);
        if (pg::sqlState(result) == "42501")
            return QStringLiteral("测评中心的服务器不允许这个登录名这样做：%1").arg(why);
        return QStringLiteral("测评中心的服务器没有完成这个操作：%1").arg(why);
    }

    std::string m_conninfo, m_password;
    std::chrono::milliseconds m_deadline;
    std::string m_options;
    pg::Connection m_db;
    bool m_timedOut = false;
    bool m_cancelled = false;
};

ServerStore::ServerStore(const QString &conninfo, const QString &password, std::chrono::milliseconds deadline, QObject *parent)
    : Store(parent)
    , m_session(std::make_unique<Session>(conninfo, password, deadline))
{
}

ServerStore::~ServerStore() = default;

QString ServerStore::markSentence(const QString &mark)
{
    if (mark == QLatin1String("not_on_roster"))
        return QStringLiteral("名单中没有这个测评码");
    if (mark == QLatin1String("outside_sitting"))
        return QStringLiteral("不是在开放的测评场次内完成的");
    if (mark == QLatin1String("not_in_class"))
        return QStringLiteral("测评码不在这个测评场次的班级中");
    if (mark == QLatin1String("second_in_sitting"))
        return QStringLiteral("同一测评场次中这个测评码的第二份结果");
    return mark;
}

QString ServerStore::refusal(Action action) const
{
    switch (action) {
    case Action::Keep:
        return QStringLiteral("辅导员的电脑不保存测评结果：测评结果由测评室的座位送到测评中心的服务器。");
    case Action::RemoveAll:
        return QStringLiteral("测评中心的记录只能选定后删除，不能一次全部删除。");
    case Action::Read:
    case Action::Remove:
    case Action::ReportResult:
        break;
    }
    return {};
}

StoreReply<Kept> *ServerStore::keep(const Record &)
{
    return m_worker.post<Kept>([message = refusal(Action::Keep)](RequestContext &context) {
        context.fail(message);
        return Kept {};
    });
}

StoreReply<int> *ServerStore::removeAll()
{
    return m_worker.post<int>([message = refusal(Action::RemoveAll)](RequestContext &context) {
        context.fail(message);
        return 0;
    });
}

StoreReply<int> *ServerStore::count(const RecordFilter &filter)
{
    return m_worker.post<int>([this, filter](RequestContext &context) {
        Statement statement;
        statement.sql = "SELECT count(*) FROM zentrova.record_list l WHERE " + where(statement, filter, false);
        const pg::Result result = m_session->run(context, statement.sql, statement.parameters);
        return result ? int(integer(result.get(), 0, 0)) : 0;
    });
}

StoreReply<QList<RecordSummary>> *ServerStore::summaries(const SummaryQuery &query)
{
    return m_worker.post<QList<RecordSummary>>([this, query](RequestContext &context) {
        Statement statement;
        const QByteArray key = sortKey(query.order);
        const QByteArray direction = query.direction == Qt::AscendingOrder ? " ASC" : " DESC";
        statement.sql = QByteArray("SELECT ") + Columns + " FROM zentrova.record_list l WHERE " + where(statement, query.filter, false);
        if (query.after) {
            const QByteArray after = statement.bind(QString::number(*query.after));
            statement.sql += " AND (" + key + ", l.id) " + (query.direction == Qt::AscendingOrder ? ">" : "<") + " (SELECT " + key
                + ", l.id FROM zentrova.record_list l WHERE l.id = " + after + "::bigint)";
        }
        statement.sql += " ORDER BY " + key + direction + ", l.id" + direction;
        if (query.limit > 0)
            statement.sql += " LIMIT " + QByteArray::number(query.limit);
        const pg::Result rows = m_session->run(context, statement.sql, statement.parameters);
        QList<RecordSummary> summaries;
        if (!rows)
            return summaries;
        QHash<qint64, qsizetype> sound;
        for (int i = 0; i < PQntuples(rows.get()); ++i) {
            summaries.append(summaryOf(rows.get(), i));
            if (summaries.last().damage.isEmpty())
                sound.insert(summaries.last().id, summaries.size() - 1);
        }
        if (sound.isEmpty())
            return summaries;
        // The figures of the page's records, for their result lines.
        const pg::Result figures = m_session->run(context,
            "SELECT record, name, value FROM zentrova.record_figures WHERE record = ANY($1::bigint[]) ORDER BY record, position",
            {idArray(sound.keys())});
        if (!figures)
            return summaries;
        QHash<qint64, Record> shown;
        for (int i = 0; i < PQntuples(figures.get()); ++i)
            shown[integer(figures.get(), i, 0)].figures.append({text(figures.get(), i, 1), text(figures.get(), i, 2)});
        for (auto found = sound.cbegin(); found != sound.cend(); ++found) {
            RecordSummary &summary = summaries[*found];
            Record &record = shown[found.key()];
            record.window = summary.window;
            record.verdict = summary.verdict;
            summary.setResult(record);
        }
        return summaries;
    });
}

StoreReply<QList<TotalPoint>> *ServerStore::totals(const RecordFilter &filter)
{
    return m_worker.post<QList<TotalPoint>>([this, filter](RequestContext &context) {
        Statement statement;
        statement.sql = QByteArray("SELECT ") + Columns
            + ", f.value FROM zentrova.record_list l JOIN zentrova.record_figures f ON f.record = l.id AND f.name = '总分' WHERE "
            + where(statement, filter, true) + " ORDER BY l.finished_ms, l.id";
        const pg::Result rows = m_session->run(context, statement.sql, statement.parameters);
        QList<TotalPoint> points;
        for (int i = 0; rows && i < PQntuples(rows.get()); ++i) {
            const auto total = Record::numberShown(text(rows.get(), i, BankSha256 + 1));
            if (!total)
                continue;
            points.append({integer(rows.get(), i, Id), personOf(rows.get(), i), text(rows.get(), i, Code),
                at(integer(rows.get(), i, FinishedMs), int(integer(rows.get(), i, UtcOffset))), *total});
        }
        return points;
    });
}

StoreReply<StoreFacets> *ServerStore::facets()
{
    return m_worker.post<StoreFacets>([this](RequestContext &context) {
        StoreFacets facets;
        const pg::Result tests = m_session->run(context,
            "SELECT test_window, caption FROM zentrova.record_list WHERE damaged IS NULL GROUP BY 1, 2 ORDER BY 1, 2");
        const pg::Result people = tests ? m_session->run(context, "SELECT DISTINCT person_code FROM zentrova.record_list") : nullptr;
        const pg::Result groups
            = people ? m_session->run(context, "SELECT DISTINCT coalesce(person_class, '') FROM zentrova.record_list") : nullptr;
        if (!groups)
            return facets;
        for (int i = 0; i < PQntuples(tests.get()); ++i)
            facets.tests.append({text(tests.get(), i, 0), text(tests.get(), i, 1)});
        for (int i = 0; i < PQntuples(people.get()); ++i)
            facets.people << text(people.get(), i, 0);
        for (int i = 0; i < PQntuples(groups.get()); ++i) {
            const QString group = text(groups.get(), i, 0);
            if (group.isEmpty())
                facets.ungrouped = true;
            else
                facets.groups << group;
        }
        QCollator pinyin {QLocale(QLocale::Chinese, QLocale::China)};
        std::sort(facets.people.begin(), facets.people.end(), pinyin);
        std::sort(facets.groups.begin(), facets.groups.end(), pinyin);
        return facets;
    });
}

StoreReply<Record> *ServerStore::record(qint64 id)
{
    return m_worker.post<Record>([this, id](RequestContext &context) {
        const pg::Result rows = m_session->run(
            context, QByteArray("SELECT ") + Columns + " FROM zentrova.record_list l WHERE l.id = $1::bigint", {QByteArray::number(id)});
        if (!rows)
            return Record {};
        if (PQntuples(rows.get()) == 0) {
            context.fail(QStringLiteral("测评中心的服务器上没有编号为 %1 的记录。").arg(id));
            return Record {};
        }
        if (!PQgetisnull(rows.get(), 0, Damaged)) {
            context.fail(summaryOf(rows.get(), 0).damage);
            return Record {};
        }
        Record record = recordOf(rows.get(), 0);
        const Parameters ofRecord {QByteArray::number(id)};
        const pg::Result figures = m_session->run(
            context, "SELECT name, value FROM zentrova.record_figures WHERE record = $1::bigint ORDER BY position", ofRecord);
        const pg::Result answers = figures ? m_session->run(context,
                                                 "SELECT item, answer FROM zentrova.record_answers WHERE record = $1::bigint "
                                                 "ORDER BY position",
                                                 ofRecord)
                                           : nullptr;
        if (!answers)
            return Record {};
        for (int i = 0; i < PQntuples(figures.get()); ++i)
            record.figures.append({text(figures.get(), i, 0), text(figures.get(), i, 1)});
        for (int i = 0; i < PQntuples(answers.get()); ++i)
            record.answers.append({text(answers.get(), i, 0), text(answers.get(), i, 1)});
        return record;
    });
}

StoreReply<int> *ServerStore::remove(const QList<qint64> &ids)
{
    return m_worker.post<int>([this, ids](RequestContext &context) {
        // Not repeated on a new connection: the first may have gone through.
        const pg::Result result = m_session->run(context, "SELECT zentrova.delete_records_v1($1::bigint[])", {idArray(ids)}, false);
        return result ? int(integer(result.get(), 0, 0)) : 0;
    });
}

StoreReply<qint64> *ServerStore::forEachRecord(const RecordFilter &filter, bool items, NamesVisitor names, RecordVisitor visit)
{
    return m_worker.post<qint64>([this, filter, items, names, visit](RequestContext &context) -> qint64 {
        // One snapshot for the whole walk, a page at a time through a cursor.
        if (!m_session->run(context, "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"))
            return 0;
        qint64 visited = 0;
        auto walk = [&]() -> bool {
            Statement statement;
            const QByteArray condition = where(statement, filter, true);
            auto firstMet = [&](const char *column, const char *view) -> std::optional<QStringList> {
                const pg::Result found = m_session->run(context,
                    QByteArray("SELECT ") + column + " FROM (SELECT d." + column
                        + ", row_number() OVER (ORDER BY l.finished_ms, l.id, d.position) AS n FROM zentrova.record_list l JOIN zentrova."
                        + view + " d ON d.record = l.id WHERE " + condition + ") AS met GROUP BY " + column + " ORDER BY min(n)",
                    statement.parameters, false);
                if (!found)
                    return std::nullopt;
                QStringList list;
                for (int i = 0; i < PQntuples(found.get()); ++i)
                    list << text(found.get(), i, 0);
                return list;
            };
            const auto figureNames = firstMet("name", "record_figures");
            const auto itemNames = items && figureNames ? firstMet("item", "record_answers") : std::optional(QStringList());
            if (!figureNames || !itemNames || !names(*figureNames, *itemNames))
                return false;
            if (!m_session->run(context,
                    QByteArray("DECLARE walk NO SCROLL CURSOR FOR SELECT ") + Columns + " FROM zentrova.record_list l WHERE " + condition
                        + " ORDER BY l.finished_ms, l.id",
                    statement.parameters, false))
                return false;
            for (;;) {
                if (context.cancelled())
                    return false;
                const pg::Result page = m_session->run(context, "FETCH 1000 FROM walk", {}, false);
                if (!page)
                    return false;
                const int rows = PQntuples(page.get());
                if (rows == 0)
                    return true;
                QList<Record> records;
                QList<qint64> ids;
                QHash<qint64, qsizetype> index;
                for (int i = 0; i < rows; ++i) {
                    records.append(recordOf(page.get(), i));
                    ids << records.last().id;
                    index.insert(ids.last(), i);
                }
                const pg::Result figures = m_session->run(context,
                    "SELECT record, name, value FROM zentrova.record_figures WHERE record = ANY($1::bigint[]) ORDER BY record, position",
                    {idArray(ids)}, false);
                const pg::Result answers = figures ? m_session->run(context,
                                                         "SELECT record, item, answer FROM zentrova.record_answers "
                                                         "WHERE record = ANY($1::bigint[]) ORDER BY record, position",
                                                         {idArray(ids)}, false)
                                                   : nullptr;
                if (!answers)
                    return false;
                for (int i = 0; i < PQntuples(figures.get()); ++i)
                    records[index.value(integer(figures.get(), i, 0))].figures.append(
                        {text(figures.get(), i, 1), text(figures.get(), i, 2)});
                for (int i = 0; i < PQntuples(answers.get()); ++i)
                    records[index.value(integer(answers.get(), i, 0))].answers.append(
                        {text(answers.get(), i, 1), text(answers.get(), i, 2)});
                for (const Record &record : std::as_const(records)) {
                    if (!visit(record))
                        return false;
                    ++visited;
                }
            }
        };
        const bool whole = walk();
        if (m_session->connection())
            pg::Result(PQexec(m_session->connection(), whole ? "COMMIT" : "ROLLBACK"));
        return visited;
    });
}

} // namespace zentrova
