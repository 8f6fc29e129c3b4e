// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "centreclient.h"

#include <QHash>

namespace zentrova {

namespace {

// A text[] literal of names and values in turn: {"总分","23"}.
QByteArray pairsArray(const auto &pairs, auto first, auto second)
{
    QByteArray literal = "{";
    auto add = [&](const QString &text) {
        if (literal.size() > 1)
            literal += ',';
        QByteArray element = text.toUtf8();
        element.replace('\\', "\\\\").replace('"', "\\\"");
        literal += '"' + element + '"';
    };
    for (const auto &pair : pairs) {
        add(pair.*first);
        add(pair.*second);
    }
    return literal + '}';
}

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

QDateTime finishedAt(qint64 milliseconds, int utcOffset)
{
    return QDateTime::fromMSecsSinceEpoch(milliseconds, Qt::OffsetFromUTC, utcOffset);
}

QString personOf(const PGresult *result, int row, int codeColumn, int nameColumn)
{
    if (PQgetisnull(result, row, nameColumn))
        return CentreClient::unknownPerson(text(result, row, codeColumn));
    return text(result, row, nameColumn);
}

// The list's columns, the finishing time as milliseconds since 1970.
const char *const ListColumns = "l.id, (extract(epoch FROM l.finished) * 1000)::bigint, l.utc_offset, l.person_code, "
                                "l.person_name, l.test_window, l.caption, l.elapsed_minutes, l.verdict, coalesce(l.person_class, '')";

} // namespace

CentreClient::CentreClient(QString conninfo, QString password)
    : m_conninfo(std::move(conninfo))
    , m_password(std::move(password))
{
}

QString CentreClient::unknownPerson(const QString &code)
{
    return QStringLiteral("%1（名单中没有这个测评码）").arg(code);
}

bool CentreClient::connected()
{
    m_error.clear();
    m_needsPassword = false;
    if (m_db && PQstatus(m_db.get()) == CONNECTION_OK)
        return true;
    const QByteArray password = m_password.toUtf8();
    m_db = pg::connect(m_conninfo.toStdString(), m_password.isEmpty() ? nullptr : password.constData());
    if (PQstatus(m_db.get()) == CONNECTION_OK)
        return true;
    m_needsPassword = PQconnectionNeedsPassword(m_db.get()) || (PQconnectionUsedPassword(m_db.get()) && !m_password.isEmpty());
    m_error = QStringLiteral("无法连接测评中心的服务器：%1").arg(QString::fromStdString(pg::lastError(m_db.get())));
    m_db.reset();
    return false;
}

pg::Result CentreClient::run(const QByteArray &sql, const std::vector<std::optional<QByteArray>> &parameters)
{
    // An empty text is '', never NULL: only nullopt is.
    std::vector<const char *> values;
    for (const std::optional<QByteArray> &parameter : parameters)
        values.push_back(parameter ? (parameter->isNull() ? "" : parameter->constData()) : nullptr);
    return pg::Result(PQexecParams(m_db.get(), sql.constData(), int(values.size()), nullptr, values.data(), nullptr, nullptr, 0));
}

bool CentreClient::failed(const PGresult *result)
{
    const std::string state = pg::sqlState(result);
    const QString why = QString::fromStdString(pg::lastError(m_db.get()));
    if (state == "42501")
        m_error = QStringLiteral("测评中心的服务器不允许这个登录名这样做：%1").arg(why);
    else
        m_error = QStringLiteral("测评中心的服务器没有完成这个操作：%1").arg(why);
    if (PQstatus(m_db.get()) != CONNECTION_OK)
        m_db.reset();
    return false;
}

bool CentreClient::submit(const QUuid &uuid, const Record &record, const QString &seatName)
{
    if (!connected())
        return false;
    const pg::Result result = run("SELECT zentrova.submit_record_v1($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13)",
        {uuid.toString(QUuid::WithoutBraces).toUtf8(), record.window.toUtf8(), record.caption.toUtf8(),
            record.finished.toString(Qt::ISODateWithMs).toUtf8(), QByteArray::number(record.finished.offsetFromUtc()),
            record.elapsedMinutes ? std::optional(QByteArray::number(*record.elapsedMinutes)) : std::nullopt, record.verdict.toUtf8(),
            record.person.toUtf8(), seatName.toUtf8(), record.programVersion.toUtf8(), record.bankSha256.toUtf8(),
            pairsArray(record.figures, &ShownResult::Figure::name, &ShownResult::Figure::value),
            pairsArray(record.answers, &ShownResult::Answer::item, &ShownResult::Answer::answer)});
    return pg::succeeded(result.get()) || failed(result.get());
}

std::optional<QList<RecordSummary>> CentreClient::summaries()
{
    if (!connected())
        return std::nullopt;
    // One pass: a record's row comes once per figure, its figures in order.
    const pg::Result rows = run(QByteArray("SELECT ") + ListColumns
        + ", f.name, f.value FROM zentrova.record_list l "
          "LEFT JOIN zentrova.record_figures f ON f.record = l.id "
          "ORDER BY l.finished DESC, l.id DESC, f.position");
    if (!pg::succeeded(rows.get())) {
        failed(rows.get());
        return std::nullopt;
    }
    const PGresult *r = rows.get();
    QList<RecordSummary> summaries;
    Record shown; // figures and verdict of the last summary, for its result line
    auto finishLast = [&] {
        if (!summaries.isEmpty())
            summaries.last().setResult(shown);
    };
    for (int i = 0; i < PQntuples(r); ++i) {
        const qint64 id = integer(r, i, 0);
        if (summaries.isEmpty() || summaries.last().id != id) {
            finishLast();
            // The group is the class the centre's roster gives.
            RecordSummary summary;
            summary.id = id;
            summary.finished = finishedAt(integer(r, i, 1), int(integer(r, i, 2)));
            summary.person = personOf(r, i, 3, 4);
            summary.personKey = summary.person;
            summary.window = text(r, i, 5);
            summary.caption = text(r, i, 6);
            summary.elapsedMinutes = optionalInteger(r, i, 7);
            summary.group = text(r, i, 9);
            summaries.append(summary);
            shown.figures.clear();
            shown.window = text(r, i, 5);
            shown.verdict = text(r, i, 8);
        }
        if (!PQgetisnull(r, i, 10))
            shown.figures.append({text(r, i, 10), text(r, i, 11)});
    }
    finishLast();
    return summaries;
}

std::optional<QList<Record>> CentreClient::withDetails(const pg::Result &rows)
{
    if (!pg::succeeded(rows.get())) {
        failed(rows.get());
        return std::nullopt;
    }
    QList<Record> records;
    QHash<qint64, qsizetype> index;
    QByteArray ids = "{";
    const PGresult *r = rows.get();
    for (int i = 0; i < PQntuples(r); ++i) {
        Record record;
        record.id = integer(r, i, 0);
        record.finished = finishedAt(integer(r, i, 1), int(integer(r, i, 2)));
        record.person = personOf(r, i, 3, 4);
        record.window = text(r, i, 5);
        record.caption = text(r, i, 6);
        record.elapsedMinutes = optionalInteger(r, i, 7);
        record.verdict = text(r, i, 8);
        record.group = text(r, i, 9);
        record.programVersion = text(r, i, 10);
        record.bankSha256 = text(r, i, 11);
        index.insert(record.id, records.size());
        ids += (ids.size() > 1 ? "," : "") + QByteArray::number(record.id);
        records.append(record);
    }
    if (records.isEmpty())
        return records;
    const pg::Result figures = run(
        "SELECT record, name, value FROM zentrova.record_figures WHERE record = ANY($1::bigint[]) ORDER BY record, position", {ids + '}'});
    const pg::Result answers = run(
        "SELECT record, item, answer FROM zentrova.record_answers WHERE record = ANY($1::bigint[]) ORDER BY record, position", {ids + '}'});
    for (const pg::Result *result : {&figures, &answers}) {
        if (!pg::succeeded(result->get())) {
            failed(result->get());
            return std::nullopt;
        }
    }
    for (int i = 0; i < PQntuples(figures.get()); ++i) {
        const auto found = index.constFind(integer(figures.get(), i, 0));
        if (found != index.cend())
            records[*found].figures.append({text(figures.get(), i, 1), text(figures.get(), i, 2)});
    }
    for (int i = 0; i < PQntuples(answers.get()); ++i) {
        const auto found = index.constFind(integer(answers.get(), i, 0));
        if (found != index.cend())
            records[*found].answers.append({text(answers.get(), i, 1), text(answers.get(), i, 2)});
    }
    return records;
}

bool CentreClient::forEachRecord(const std::function<bool(const QStringList &, const QStringList &)> &names,
                                 const std::function<bool(const Record &)> &visit, const QString &test, bool items)
{
    if (!connected())
        return false;
    // One snapshot for the whole walk; the records come a page at a time
    // through a cursor, so that memory does not grow with their number.
    const pg::Result begun = run("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
    if (!pg::succeeded(begun.get()))
        return failed(begun.get());
    auto stop = [this](const PGresult *result) {
        if (result)
            failed(result);
        if (m_db)
            pg::exec(m_db.get(), "ROLLBACK");
        return false;
    };
    // The test as a literal: the cursor's query takes no parameters.
    QByteArray ofTest;
    if (!test.isEmpty()) {
        const QByteArray name = test.toUtf8();
        char *literal = PQescapeLiteral(m_db.get(), name.constData(), size_t(name.size()));
        if (!literal)
            return stop(nullptr);
        ofTest = QByteArray(" WHERE (l.test_window = ") + literal + " OR l.caption = " + literal + ")";
        PQfreemem(literal);
    }
    // A detail view's column in the order first met.
    const auto firstMet = [&](const char *column, const char *view) -> std::optional<QStringList> {
        const pg::Result found = run(QByteArray("SELECT ") + column + " FROM (SELECT d." + column
            + ", row_number() OVER (ORDER BY l.finished, l.id, d.position) AS n FROM zentrova.record_list l JOIN zentrova." + view
            + " d ON d.record = l.id" + ofTest + ") AS met GROUP BY " + column + " ORDER BY min(n)");
        if (!pg::succeeded(found.get())) {
            stop(found.get());
            return std::nullopt;
        }
        QStringList list;
        for (int i = 0; i < PQntuples(found.get()); ++i)
            list << text(found.get(), i, 0);
        return list;
    };
    const auto figureNames = firstMet("name", "record_figures");
    const auto itemNames = items && figureNames ? firstMet("item", "record_answers") : QStringList();
    if (!figureNames || !itemNames)
        return false;
    if (!names(*figureNames, *itemNames))
        return stop(nullptr);
    const pg::Result declared = run(QByteArray("DECLARE walk NO SCROLL CURSOR FOR SELECT ") + ListColumns
        + ", l.program_version, l.bank_sha256 FROM zentrova.record_list l" + ofTest + " ORDER BY l.finished, l.id");
    if (!pg::succeeded(declared.get()))
        return stop(declared.get());
    for (;;) {
        const auto page = withDetails(run("FETCH " + QByteArray::number(PageSize) + " FROM walk"));
        if (!page)
            return stop(nullptr);
        if (page->isEmpty())
            break;
        for (const Record &record : *page) {
            if (!visit(record))
                return stop(nullptr);
        }
    }
    const pg::Result committed = run("COMMIT");
    return pg::succeeded(committed.get()) || failed(committed.get());
}

std::optional<Record> CentreClient::record(qint64 id)
{
    if (!connected())
        return std::nullopt;
    const auto found = withDetails(run(QByteArray("SELECT ") + ListColumns
            + ", l.program_version, l.bank_sha256 FROM zentrova.record_list l WHERE l.id = $1",
        {QByteArray::number(id)}));
    if (!found)
        return std::nullopt;
    if (found->isEmpty()) {
        m_error = QStringLiteral("测评中心的服务器上没有编号为 %1 的记录。").arg(id);
        return std::nullopt;
    }
    return found->first();
}

bool CentreClient::remove(const QList<qint64> &ids)
{
    if (!connected())
        return false;
    QByteArray array = "{";
    for (const qint64 id : ids)
        array += (array.size() > 1 ? "," : "") + QByteArray::number(id);
    const pg::Result result = run("SELECT zentrova.delete_records_v1($1::bigint[])", {array + '}'});
    return pg::succeeded(result.get()) || failed(result.get());
}

} // namespace zentrova
