// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "serverstore.h"

#include "centre/serversession.h"
#include "framework/questionbank.h"

#include <QCollator>
#include <QHash>
#include <QLocale>

#include <algorithm>

namespace zentrova {

QString ServerStore::unknownPerson(const QString &code)
{
    return QStringLiteral("%1（名单中没有这个测评码）").arg(code);
}

namespace {

std::optional<int> optionalInteger(const ServerRows &rows, int row, int column)
{
    if (rows.isNull(row, column))
        return std::nullopt;
    return int(rows.integer(row, column));
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
    ServerParameters parameters;

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

Provenance provenanceOf(const ServerRows &rows, int row)
{
    Provenance provenance {rows.text(row, Seat), rows.text(row, Login), {}};
    if (!rows.isNull(row, ReceivedMs))
        provenance.arrived = QDateTime::fromMSecsSinceEpoch(rows.integer(row, ReceivedMs));
    return provenance;
}

bool accepted(const ServerRows &rows, int row)
{
    return rows.value(row, Accepted) == "t";
}

// The server's marks, in sentences; none once a counsellor accepted the
// record, which then counts as it stands.
QStringList serverMarks(const ServerRows &rows, int row)
{
    QStringList marks;
    if (accepted(rows, row))
        return marks;
    for (const QString &mark : rows.text(row, Marks).split(u',', Qt::SkipEmptyParts))
        marks << ServerStore::markSentence(mark);
    return marks;
}

QString personOf(const ServerRows &rows, int row)
{
    if (rows.isNull(row, Name))
        return ServerStore::unknownPerson(rows.text(row, Code));
    return rows.text(row, Name);
}

RecordSummary summaryOf(const ServerRows &rows, int row)
{
    RecordSummary summary;
    summary.id = rows.integer(row, Id);
    summary.person = personOf(rows, row);
    summary.personKey = rows.text(row, Code);
    summary.group = rows.text(row, Group);
    summary.provenance = provenanceOf(rows, row);
    if (!rows.isNull(row, Damaged)) {
        summary.damage = QStringLiteral("已损坏的记录（编号 %1，无法读出：%2）").arg(summary.id).arg(rows.text(row, Damaged));
        summary.caption = summary.resultLine = summary.damage;
        return summary;
    }
    summary.finished = at(rows.integer(row, FinishedMs), int(rows.integer(row, UtcOffset)));
    summary.window = rows.text(row, Window);
    summary.caption = rows.text(row, Caption);
    summary.elapsedMinutes = optionalInteger(rows, row, Elapsed);
    summary.verdict = rows.text(row, Verdict);
    summary.marks = serverMarks(rows, row);
    return summary;
}

Record recordOf(const ServerRows &rows, int row)
{
    Record record;
    record.id = rows.integer(row, Id);
    record.finished = at(rows.integer(row, FinishedMs), int(rows.integer(row, UtcOffset)));
    record.person = personOf(rows, row);
    record.window = rows.text(row, Window);
    record.caption = rows.text(row, Caption);
    record.elapsedMinutes = optionalInteger(rows, row, Elapsed);
    record.verdict = rows.text(row, Verdict);
    record.group = rows.text(row, Group);
    record.programVersion = rows.text(row, ProgramVersion);
    record.bankSha256 = rows.text(row, BankSha256);
    record.personKey = rows.text(row, Code);
    record.provenance = provenanceOf(rows, row);
    record.marks = serverMarks(rows, row);
    return record;
}

// A list of texts as a PostgreSQL array literal, each element quoted.
QByteArray textArray(const QStringList &texts)
{
    QByteArray array = "{";
    for (const QString &text : texts) {
        QByteArray element = text.toUtf8();
        element.replace('\\', "\\\\").replace('"', "\\\"");
        array += (array.size() > 1 ? ",\"" : "\"") + element + '"';
    }
    return array + '}';
}

QByteArray timestamp(const QDateTime &time)
{
    return time.toUTC().toString(Qt::ISODateWithMs).toUtf8();
}

// Where the module could not be loaded: every request says why.
class UnavailableSession : public ServerSession
{
public:
    explicit UnavailableSession(QString why)
        : m_why(std::move(why))
    {
    }
    std::unique_ptr<ServerRows> run(RequestContext &context, const QByteArray &, const ServerParameters &, bool) override
    {
        context.fail(m_why);
        return nullptr;
    }
    void end(bool) override {}
    QString transportProblem(bool) const override { return {}; }

private:
    QString m_why;
};

} // namespace

ServerStore::ServerStore(const QString &conninfo, const QString &password, bool insecureTransport, std::chrono::milliseconds deadline,
                         QObject *parent)
    : Store(parent)
    , m_conninfo(conninfo)
    , m_insecureTransport(insecureTransport)
    , m_deadline(deadline)
    , m_rescorer(bankPath())
{
    open(password);
}

void ServerStore::open(const QString &password)
{
    QString why;
    m_session = openServerSession(m_conninfo, password, m_deadline, &why);
    if (m_session)
        why = m_session->transportProblem(m_insecureTransport);
    if (!why.isEmpty())
        m_session = std::make_unique<UnavailableSession>(why);
}

template<typename T> StoreReply<T> *ServerStore::post(std::function<T(RequestContext &)> work)
{
    return m_worker.post<T>([this, work = std::move(work)](RequestContext &context) {
        T value = work(context);
        const std::optional<QString> &failure = context.failure();
        if (!failure || !failure->startsWith(ServerSession::passwordWanted()) || !m_ask || context.cancelled())
            return value;
        const std::optional<QString> password = m_ask(QStringLiteral("请输入测评中心服务器的密码（%1）：").arg(m_conninfo));
        if (!password)
            return value;
        open(*password);
        context.clearFailure();
        return work(context);
    });
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

void ServerStore::addDoubt(Record &record)
{
    if (const QString doubt = m_rescorer.doubt(record); !doubt.isEmpty())
        record.marks << doubt;
}

QString ServerStore::refusal(Action action) const
{
    switch (action) {
    case Action::Keep:
        return QStringLiteral("辅导员的电脑不保存测评结果：测评结果由测评室的座位送到测评中心的服务器。");
    case Action::RemoveAll:
        return QStringLiteral("测评中心的记录请在“查看测评记录”窗口中选中后删除。");
    case Action::Read:
    case Action::Remove:
    case Action::ReportResult:
    case Action::Accept:
    case Action::Sittings:
        break;
    }
    return {};
}

StoreReply<Kept> *ServerStore::keep(const Record &)
{
    return post<Kept>([message = refusal(Action::Keep)](RequestContext &context) {
        context.fail(message);
        return Kept {};
    });
}

StoreReply<int> *ServerStore::removeAll()
{
    return post<int>([message = refusal(Action::RemoveAll)](RequestContext &context) {
        context.fail(message);
        return 0;
    });
}

StoreReply<int> *ServerStore::count(const RecordFilter &filter)
{
    return post<int>([this, filter](RequestContext &context) {
        Statement statement;
        statement.sql = "SELECT count(*) FROM zentrova.record_list l WHERE " + where(statement, filter, false);
        const auto result = m_session->run(context, statement.sql, statement.parameters);
        return result ? int(result->integer(0, 0)) : 0;
    });
}

StoreReply<QList<RecordSummary>> *ServerStore::summaries(const SummaryQuery &query)
{
    return post<QList<RecordSummary>>([this, query](RequestContext &context) {
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
        const auto rows = m_session->run(context, statement.sql, statement.parameters);
        QList<RecordSummary> summaries;
        if (!rows)
            return summaries;
        QHash<qint64, qsizetype> sound;
        for (int i = 0; i < rows->count(); ++i) {
            summaries.append(summaryOf(*rows, i));
            if (summaries.last().damage.isEmpty())
                sound.insert(summaries.last().id, summaries.size() - 1);
        }
        if (sound.isEmpty())
            return summaries;
        // The figures of the page's records, for their result lines, and
        // their answers, to work their totals out again.
        const ServerParameters ofPage {idArray(sound.keys())};
        const auto figures = m_session->run(context,
            "SELECT record, name, value FROM zentrova.record_figures WHERE record = ANY($1::bigint[]) ORDER BY record, position", ofPage);
        const auto answers = figures ? m_session->run(context,
                                           "SELECT record, item, answer FROM zentrova.record_answers WHERE record = ANY($1::bigint[]) "
                                           "ORDER BY record, position",
                                           ofPage)
                                     : nullptr;
        if (!answers)
            return summaries;
        QHash<qint64, Record> shown;
        for (int i = 0; i < figures->count(); ++i)
            shown[figures->integer(i, 0)].figures.append({figures->text(i, 1), figures->text(i, 2)});
        for (int i = 0; i < answers->count(); ++i)
            shown[answers->integer(i, 0)].answers.append({answers->text(i, 1), answers->text(i, 2)});
        for (auto found = sound.cbegin(); found != sound.cend(); ++found) {
            RecordSummary &summary = summaries[*found];
            Record &record = shown[found.key()];
            record.window = summary.window;
            record.verdict = summary.verdict;
            record.bankSha256 = rows->text(int(*found), BankSha256);
            summary.setResult(record);
            if (!accepted(*rows, int(*found))) {
                if (const QString doubt = m_rescorer.doubt(record); !doubt.isEmpty())
                    summary.marks << doubt;
            }
        }
        return summaries;
    });
}

StoreReply<QList<TotalPoint>> *ServerStore::totals(const RecordFilter &filter)
{
    return post<QList<TotalPoint>>([this, filter](RequestContext &context) {
        Statement statement;
        statement.sql = QByteArray("SELECT ") + Columns
            + ", f.value FROM zentrova.record_list l JOIN zentrova.record_figures f ON f.record = l.id AND f.name = '总分' WHERE "
            + where(statement, filter, true) + " ORDER BY l.finished_ms, l.id";
        const auto rows = m_session->run(context, statement.sql, statement.parameters);
        QList<TotalPoint> points;
        for (int i = 0; rows && i < rows->count(); ++i) {
            const auto total = Record::numberShown(rows->text(i, BankSha256 + 1));
            if (!total)
                continue;
            points.append({rows->integer(i, Id), personOf(*rows, i), rows->text(i, Code),
                at(rows->integer(i, FinishedMs), int(rows->integer(i, UtcOffset))), *total});
        }
        return points;
    });
}

StoreReply<StoreFacets> *ServerStore::facets()
{
    return post<StoreFacets>([this](RequestContext &context) {
        StoreFacets facets;
        const auto tests = m_session->run(context,
            "SELECT test_window, caption FROM zentrova.record_list WHERE damaged IS NULL GROUP BY 1, 2 ORDER BY 1, 2");
        const auto people = tests ? m_session->run(context, "SELECT DISTINCT person_code FROM zentrova.record_list") : nullptr;
        const auto groups
            = people ? m_session->run(context, "SELECT DISTINCT coalesce(person_class, '') FROM zentrova.record_list") : nullptr;
        if (!groups)
            return facets;
        for (int i = 0; i < tests->count(); ++i)
            facets.tests.append({tests->text(i, 0), tests->text(i, 1)});
        for (int i = 0; i < people->count(); ++i)
            facets.people << people->text(i, 0);
        for (int i = 0; i < groups->count(); ++i) {
            const QString group = groups->text(i, 0);
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
    return post<Record>([this, id](RequestContext &context) {
        const auto rows = m_session->run(
            context, QByteArray("SELECT ") + Columns + " FROM zentrova.record_list l WHERE l.id = $1::bigint", {QByteArray::number(id)});
        if (!rows)
            return Record {};
        if (rows->count() == 0) {
            context.fail(QStringLiteral("测评中心的服务器上没有编号为 %1 的记录。").arg(id));
            return Record {};
        }
        if (!rows->isNull(0, Damaged)) {
            context.fail(summaryOf(*rows, 0).damage);
            return Record {};
        }
        Record record = recordOf(*rows, 0);
        const ServerParameters ofRecord {QByteArray::number(id)};
        const auto figures = m_session->run(
            context, "SELECT name, value FROM zentrova.record_figures WHERE record = $1::bigint ORDER BY position", ofRecord);
        const auto answers = figures ? m_session->run(context,
                                                 "SELECT item, answer FROM zentrova.record_answers WHERE record = $1::bigint "
                                                 "ORDER BY position",
                                                 ofRecord)
                                           : nullptr;
        if (!answers)
            return Record {};
        for (int i = 0; i < figures->count(); ++i)
            record.figures.append({figures->text(i, 0), figures->text(i, 1)});
        for (int i = 0; i < answers->count(); ++i)
            record.answers.append({answers->text(i, 0), answers->text(i, 1)});
        if (!accepted(*rows, 0))
            addDoubt(record);
        return record;
    });
}

StoreReply<int> *ServerStore::remove(const QList<qint64> &ids)
{
    return post<int>([this, ids](RequestContext &context) {
        // Not repeated on a new connection: the first may have gone through.
        const auto result = m_session->run(context, "SELECT zentrova.delete_records_v1($1::bigint[])", {idArray(ids)}, false);
        return result ? int(result->integer(0, 0)) : 0;
    });
}

StoreReply<qint64> *ServerStore::forEachRecord(const RecordFilter &filter, bool items, NamesVisitor names, RecordVisitor visit)
{
    return post<qint64>([this, filter, items, names, visit](RequestContext &context) -> qint64 {
        // One snapshot for the whole walk, a page at a time through a cursor.
        if (!m_session->run(context, "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"))
            return 0;
        qint64 visited = 0;
        auto walk = [&]() -> bool {
            Statement statement;
            const QByteArray condition = where(statement, filter, true);
            auto firstMet = [&](const char *column, const char *view) -> std::optional<QStringList> {
                const auto found = m_session->run(context,
                    QByteArray("SELECT ") + column + " FROM (SELECT d." + column
                        + ", row_number() OVER (ORDER BY l.finished_ms, l.id, d.position) AS n FROM zentrova.record_list l JOIN zentrova."
                        + view + " d ON d.record = l.id WHERE " + condition + ") AS met GROUP BY " + column + " ORDER BY min(n)",
                    statement.parameters, false);
                if (!found)
                    return std::nullopt;
                QStringList list;
                for (int i = 0; i < found->count(); ++i)
                    list << found->text(i, 0);
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
                const auto page = m_session->run(context, "FETCH " + QByteArray::number(PageSize) + " FROM walk", {}, false);
                if (!page)
                    return false;
                const int fetched = page->count();
                if (fetched == 0)
                    return true;
                QList<Record> records;
                QList<qint64> ids;
                QHash<qint64, qsizetype> index;
                for (int i = 0; i < fetched; ++i) {
                    records.append(recordOf(*page, i));
                    ids << records.last().id;
                    index.insert(ids.last(), i);
                }
                const auto figures = m_session->run(context,
                    "SELECT record, name, value FROM zentrova.record_figures WHERE record = ANY($1::bigint[]) ORDER BY record, position",
                    {idArray(ids)}, false);
                const auto answers = figures ? m_session->run(context,
                                                         "SELECT record, item, answer FROM zentrova.record_answers "
                                                         "WHERE record = ANY($1::bigint[]) ORDER BY record, position",
                                                         {idArray(ids)}, false)
                                                   : nullptr;
                if (!answers)
                    return false;
                for (int i = 0; i < figures->count(); ++i)
                    records[index.value(figures->integer(i, 0))].figures.append(
                        {figures->text(i, 1), figures->text(i, 2)});
                for (int i = 0; i < answers->count(); ++i)
                    records[index.value(answers->integer(i, 0))].answers.append(
                        {answers->text(i, 1), answers->text(i, 2)});
                for (int i = 0; i < fetched; ++i) {
                    if (!accepted(*page, i))
                        addDoubt(records[i]);
                    if (!visit(records[i]))
                        return false;
                    ++visited;
                }
            }
        };
        const bool whole = walk();
        m_session->end(whole);
        return visited;
    });
}

StoreReply<int> *ServerStore::accept(const QList<qint64> &ids)
{
    return m_worker.post<int>([this, ids](RequestContext &context) {
        // Not repeated on a new connection: each acceptance is logged once.
        const auto result = m_session->run(
            context, "SELECT count(*) FILTER (WHERE zentrova.accept_record_v1(id)) FROM unnest($1::bigint[]) AS id", {idArray(ids)}, false);
        return result ? int(result->integer(0, 0)) : 0;
    });
}

StoreReply<QList<Sitting>> *ServerStore::sittings()
{
    return m_worker.post<QList<Sitting>>([this](RequestContext &context) {
        const auto rows = m_session->run(context,
            "SELECT id, class, coalesce(tests, '{}'), (extract(epoch FROM opens) * 1000)::bigint, "
            "(extract(epoch FROM closes) * 1000)::bigint, opened_by, coalesce(closed_by, '') "
            "FROM zentrova.sitting_list ORDER BY opens DESC, id DESC");
        QList<Sitting> sittings;
        for (int i = 0; rows && i < rows->count(); ++i) {
            // The array's text form, {a,"b c"}; windows hold no quote, comma or brace.
            QString tests = rows->text(i, 2).mid(1);
            tests.chop(1);
            tests.remove(u'"');
            sittings.append({rows->integer(i, 0), rows->text(i, 1), tests.split(u',', Qt::SkipEmptyParts),
                QDateTime::fromMSecsSinceEpoch(rows->integer(i, 3)), QDateTime::fromMSecsSinceEpoch(rows->integer(i, 4)), rows->text(i, 5),
                rows->text(i, 6)});
        }
        return sittings;
    });
}

StoreReply<qint64> *ServerStore::openSitting(
    const QString &group, const QStringList &tests, const QDateTime &opens, const QDateTime &closes)
{
    return m_worker.post<qint64>([this, group, tests, opens, closes](RequestContext &context) {
        // Not repeated: a sitting opened twice would be two.
        const auto result = m_session->run(context, "SELECT zentrova.open_sitting_v1($1, $2::text[], $3::timestamptz, $4::timestamptz)",
            {group.toUtf8(), textArray(tests), timestamp(opens), timestamp(closes)}, false);
        return result ? result->integer(0, 0) : 0;
    });
}

StoreReply<bool> *ServerStore::closeSitting(qint64 id)
{
    return m_worker.post<bool>([this, id](RequestContext &context) {
        const auto result = m_session->run(context, "SELECT zentrova.close_sitting_v1($1::bigint)", {QByteArray::number(id)});
        const bool closed = result && result->value(0, 0) == "t";
        if (result && !closed)
            context.fail(QStringLiteral("测评中心的服务器上没有编号为 %1 的测评场次。").arg(id));
        return closed;
    });
}

} // namespace zentrova
