// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A centre's server as seats and counsellors meet it, on a real PostgreSQL
// server of the test's own: what a seat may hand in and never read, that
// nothing is lost or doubled, and what a counsellor sees and deletes.

#include "drive.h"
#include "pgserver.h"
#include "shell/subject.h"
#include "testsupport.h"

#include "centre/centreclient.h"
#include "centre/centrefile.h"
#include "centre/personcode.h"
#include "centre/seatstore.h"
#include "centre/serversession.h"
#include "centre/serverstore.h"
#include "framework/questionbank.h"
#include "records/groupstats.h"
#include "records/localstore.h"
#include "records/recordexport.h"
#include "records/recordstore.h"
#include "records/statfiles.h"
#include "recordwindows/recordsmodel.h"
#include "recordwindows/recordswindow.h"
#include "recordwindows/sittingswindow.h"
#include "reports/groupreport.h"
#include "reports/reportactions.h"
#include "shell/mainwindow.h"
#include "shell/recordkeeping.h"

#include <QDateTimeEdit>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QTimer>

#include <sqlite3.h>

#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <numeric>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace zentrova;
using namespace zentrova::testing;

namespace {

Record sampleRecord(const QString &person, int total)
{
    Record record;
    record.window = QStringLiteral("frm意志力");
    record.caption = QStringLiteral("你有几分克制能力？");
    record.finished = QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53, 589), Qt::OffsetFromUTC, 8 * 3600);
    record.figures = {{QStringLiteral("总分"), QString::number(total)}, {QStringLiteral("说明"), QStringLiteral("带\"引号\"和\\")}};
    record.verdict = QStringLiteral("7－15分");
    record.elapsedMinutes = 7;
    // As many answers as the test has items, as the server requires.
    for (int item = 1; item <= 8; ++item)
        record.answers.append({QString::number(item), item % 2 ? QStringLiteral("是") : QStringLiteral("否")});
    record.person = person;
    record.programVersion = QStringLiteral("1.1");
    record.bankSha256 = QStringLiteral("ab12");
    return record;
}

// An exam-anxiety record that answers A throughout (a total of 99 by the
// bank), showing total.
Record anxietyRecord(const QString &code, const QString &total, const QDateTime &finished)
{
    Record record;
    record.window = QStringLiteral("frm考试焦虑");
    record.caption = QStringLiteral("考试焦虑度测试");
    record.finished = finished;
    record.figures = {{QStringLiteral("总分"), total}};
    for (int item = 1; item <= 33; ++item)
        record.answers.append({QString::number(item), QStringLiteral("A：很符合自己的情况")});
    record.person = code;
    record.programVersion = QStringLiteral("1.2");
    record.bankSha256 = fileSha256(bankPath());
    return record;
}

// Every column of an exported file as R reads it (read.csv, or haven for
// .sav and .dta): its label (the CSV's header), then its values joined by |,
// a time as UTC.
const char *const ColumnsInR = R"R(
f <- commandArgs(TRUE)[1]
d <- if (grepl("[.]csv$", f)) read.csv(f, fileEncoding = "UTF-8-BOM", check.names = FALSE, colClasses = "character") else
     if (grepl("[.]dta$", f)) haven::read_dta(f) else haven::read_sav(f)
for (n in names(d)) {
  x <- d[[n]]
  l <- attr(x, "label")
  v <- if (inherits(x, "POSIXct")) format(x, "%Y-%m-%dT%H:%M:%SZ", tz = "UTC") else as.character(as.vector(unclass(x)))
  writeLines(enc2utf8(paste0(if (is.null(l)) n else l, "=", paste(v, collapse = "|"))), useBytes = TRUE)
}
)R";

QMap<QString, QStringList> columnsInR(const QString &path)
{
    QProcess r;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    r.setProcessEnvironment(environment);
    r.start(QStringLiteral("Rscript"), {QStringLiteral("-e"), QString::fromUtf8(ColumnsInR), path});
    QMap<QString, QStringList> columns;
    if (!r.waitForFinished(120000) || r.exitCode() != 0) {
        qWarning("%s", r.readAllStandardError().constData());
        return columns;
    }
    for (const QString &line : QString::fromUtf8(r.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts))
        columns.insert(line.section(u'=', 0, 0), line.section(u'=', 1).split(u'|'));
    return columns;
}
// The counsellor's store, each answer waited for, as the command line waits.
class Counsellor
{
public:
    explicit Counsellor(const QString &conninfo)
        : m_store(conninfo)
    {
    }
    std::optional<QList<RecordSummary>> summaries() { return wait(m_store.summaries({})); }
    std::optional<Record> record(qint64 id) { return wait(m_store.record(id)); }
    bool remove(const QList<qint64> &ids) { return wait(m_store.remove(ids)).has_value(); }
    // False where the store failed or visit stopped the walk.
    bool forEachRecord(const Store::NamesVisitor &names, const Store::RecordVisitor &visit)
    {
        bool stopped = false;
        const auto walked = wait(m_store.forEachRecord(
            {}, false, [&](const QStringList &figures, const QStringList &items) { return !(stopped = !names(figures, items)); },
            [&](const Record &record) { return !(stopped = !visit(record)); }));
        return walked && !stopped;
    }
    const QString &error() const { return m_error; }

private:
    template<typename T> std::optional<T> wait(StoreReply<T> *reply)
    {
        reply->waitForDone();
        m_error = reply->error();
        return m_error.isEmpty() ? std::optional(reply->value()) : std::nullopt;
    }

    ServerStore m_store;
    QString m_error;
};

} // namespace

class CentreTest : public QObject
{
    Q_OBJECT

private:
    PgServer m_server;
    QTemporaryDir m_files;

    // The first column of the first row of a query run as the superuser.
    QString scalar(const QString &sql)
    {
        const auto db = pg::connect(m_server.conninfo(QStringLiteral("postgres")).toStdString());
        const pg::Result result = pg::exec(db.get(), sql.toUtf8().constData());
        if (!pg::succeeded(result.get()) || PQntuples(result.get()) < 1)
            return QStringLiteral("failed: ") + QString::fromStdString(pg::lastError(db.get()));
        return QString::fromUtf8(PQgetvalue(result.get(), 0, 0));
    }

    // zentrova-centre's exit code; its standard error in errors.
    int tool(const QStringList &arguments, QString *errors = nullptr)
    {
        QProcess process;
        // Without a controlling terminal, as a script runs it: nothing is asked.
        process.setChildProcessModifier([] { ::setsid(); });
        process.start(qEnvironmentVariable("ZENTROVA_CENTRE_TOOL"), arguments);
        if (!process.waitForFinished(60000))
            return -1;
        if (errors)
            *errors = QString::fromUtf8(process.readAllStandardError() + process.readAllStandardOutput());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QString csv(const QString &name, const QByteArray &text)
    {
        QFile file(m_files.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            return {};
        return file.fileName();
    }

    // submit_record_v1 called by hand, as a student holding a seat's login
    // could: the thirteen parameters as text, one of them (binary) sent in
    // binary form, so that it may hold a NUL. The SQLSTATE of the refusal,
    // or "t"/"f" for a record taken as new or as known.
    QString forge(const QList<QByteArray> &values, int binary = -1)
    {
        const auto db = pg::connect(m_server.conninfo(QStringLiteral("seat12")).toStdString());
        std::vector<const char *> data;
        std::vector<int> lengths, formats;
        for (int i = 0; i < values.size(); ++i) {
            data.push_back(values[i].isNull() ? nullptr : values[i].constData());
            lengths.push_back(int(values[i].size()));
            formats.push_back(i == binary ? 1 : 0);
        }
        const pg::Result result(PQexecParams(db.get(),
            "SELECT zentrova.submit_record_v1($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13)", int(data.size()), nullptr,
            data.data(), lengths.data(), formats.data(), 0));
        if (!pg::succeeded(result.get()))
            return QString::fromStdString(pg::sqlState(result.get()));
        return QString::fromUtf8(PQgetvalue(result.get(), 0, 0));
    }

    // A store reply's value once it came; nullopt (said) where it failed.
    template<typename T> std::optional<T> answerOf(StoreReply<T> *reply)
    {
        reply->waitForDone();
        const QString error = reply->error();
        std::optional<T> value;
        if (error.isEmpty())
            value = reply->value();
        else
            qWarning("%s", qPrintable(error));
        // The reply deletes itself once its answer is delivered.
        return value;
    }

    // A submission of the exam-anxiety test that the server takes.
    static QList<QByteArray> validSubmission()
    {
        QByteArray answers = "{";
        for (int item = 1; item <= 33; ++item)
            answers += (item > 1 ? "," : "") + QByteArray::number(item) + ",\"A：很符合自己的情况\"";
        return {QUuid::createUuid().toString(QUuid::WithoutBraces).toUtf8(), "frm考试焦虑", "考试焦虑度测试",
            "2026-11-30T09:00:00+08:00", "28800", "12", "", "12345672", "101", "1.2", "ab12", "{总分,99}", answers + '}'};
    }

private slots:
    void init() { zentrova::testing::failOnThreadWarnings(); }
    void initTestCase()
    {
        setServerModule(qEnvironmentVariable("ZENTROVA_SERVER_MODULE"));
        QVERIFY2(m_server.start(), qPrintable(m_server.error()));
        const QString admin = m_server.conninfo(QStringLiteral("postgres"));
        QCOMPARE(tool({"init", admin}), 0);
        // Again: nothing applied twice.
        QCOMPARE(tool({"init", admin}), 0);
        QCOMPARE(tool({"upgrade", admin}), 0);
        QCOMPARE(scalar("SELECT count(*) = max(step) FROM zentrova.schema_version"), QStringLiteral("t"));
        QString roles;
        for (int seat = 1; seat <= 20; ++seat)
            roles += QStringLiteral("CREATE ROLE seat%1 LOGIN IN ROLE zentrova_seat;").arg(seat);
        QVERIFY2(m_server.exec(roles + "CREATE ROLE teacher LOGIN IN ROLE zentrova_counsellor;"), qPrintable(m_server.error()));
    }

    // The module that links libpq is loaded when the first counsellor's
    // store is made, not before; where it is missing, every request says so.
    void serverModuleLoadsOnDemand()
    {
        auto mapped = [] {
            QFile maps(QStringLiteral("/proc/self/maps"));
            return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("zentrova-server.so");
        };
        QVERIFY(!mapped());
        setServerModule(m_files.filePath(QStringLiteral("missing/zentrova-server.so")));
        {
            ServerStore store(m_server.conninfo(QStringLiteral("teacher")));
            auto *reply = store.count({});
            reply->waitForDone();
            QVERIFY2(reply->error().startsWith(QStringLiteral("无法载入连接测评中心服务器的模块")), qPrintable(reply->error()));
        }
        QVERIFY(!mapped());
        setServerModule(qEnvironmentVariable("ZENTROVA_SERVER_MODULE"));
        ServerStore store(m_server.conninfo(QStringLiteral("teacher")));
        QVERIFY(mapped());
        QVERIFY(answerOf(store.count({})));

        // A counsellor's login never goes over TCP to a server it has not
        // verified, unless the centre file says the network is trusted.
        for (const bool trusted : {false, true}) {
            ServerStore plain(QStringLiteral("host=127.0.0.1 port=1 dbname=centre sslmode=disable connect_timeout=2"), {}, trusted);
            auto *reply = plain.count({});
            reply->waitForDone();
            QVERIFY2(reply->error().contains(QStringLiteral("sslmode")) != trusted, qPrintable(reply->error()));
        }
    }

    // Two administrators setting up one database at once: each step once.
    // It is a second centre on the server, so it has roles of its own.
    void initTwiceAtOnce()
    {
        QVERIFY(m_server.exec(QStringLiteral("CREATE DATABASE second")));
        const QString second = QStringLiteral("host=%1 user=postgres dbname=second").arg(m_server.socketFolder());
        QString errors;
        QCOMPARE(tool({"init", second}, &errors), 1);
        QVERIFY2(errors.contains(QStringLiteral("--roles")), qPrintable(errors));
        QProcess first, other;
        for (QProcess *init : {&first, &other})
            init->start(qEnvironmentVariable("ZENTROVA_CENTRE_TOOL"), {"init", second, "--roles", "second"});
        for (QProcess *init : {&first, &other}) {
            QVERIFY(init->waitForFinished(60000));
            QVERIFY2(init->exitCode() == 0, init->readAllStandardError().constData());
        }
        const auto db = pg::connect(second.toStdString());
        const pg::Result steps = pg::exec(db.get(), "SELECT count(*) = max(step) FROM zentrova.schema_version");
        QCOMPARE(QByteArray(PQgetvalue(steps.get(), 0, 0)), QByteArray("t"));
    }

    void personCode_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("valid");
        QTest::newRow("identity number, X") << "11010519491231002X" << true;
        QTest::newRow("lower-case x") << "11010519491231002x" << true;
        QTest::newRow("one digit changed") << "11010519491231003X" << false;
        QTest::newRow("two digits swapped") << "11010591491231002X" << false;
        QTest::newRow("digit check") << "12345672" << true;
        QTest::newRow("digit check wrong") << "12345670" << false;
        QTest::newRow("letters") << "12A45678" << false;
        QTest::newRow("too short") << "1230" << false;
        QTest::newRow("made") << QString::fromStdString(newPersonCode()) << true;
    }
    void personCode()
    {
        QFETCH(QString, code);
        QFETCH(bool, valid);
        QCOMPARE(isPersonCode(code.toStdString()), valid);
    }

    void sameRecordTwiceIsOneRow()
    {
        CentreClient seat(m_server.conninfo(QStringLiteral("seat1")));
        const QUuid uuid = QUuid::createUuid();
        const Record record = sampleRecord(QStringLiteral("36464828"), 12);
        QVERIFY2(seat.submit(uuid, record, QStringLiteral("101")), qPrintable(seat.error()));
        // The answer to the first was lost: the seat sends again.
        QVERIFY2(seat.submit(uuid, record, QStringLiteral("101")), qPrintable(seat.error()));
        const QString id = QStringLiteral("'%1'").arg(uuid.toString(QUuid::WithoutBraces));
        QCOMPARE(scalar("SELECT count(*) FROM zentrova.records WHERE uuid = " + id), QStringLiteral("1"));
        QCOMPARE(scalar("SELECT count(*) FROM zentrova.figures JOIN zentrova.records r ON r.id = record WHERE uuid = " + id),
            QStringLiteral("2"));
    }

    void seatReadsAndChangesNothing_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("records") << "SELECT * FROM zentrova.records";
        QTest::newRow("figures") << "SELECT * FROM zentrova.figures";
        QTest::newRow("answers") << "SELECT * FROM zentrova.answers";
        QTest::newRow("roster") << "SELECT * FROM zentrova.roster";
        QTest::newRow("counsellors' list") << "SELECT * FROM zentrova.record_list";
        QTest::newRow("delete") << "DELETE FROM zentrova.records";
        QTest::newRow("update") << "UPDATE zentrova.records SET person_code = ''";
        QTest::newRow("insert") << "INSERT INTO zentrova.roster VALUES ('1', '2', '3')";
        QTest::newRow("delete function") << "SELECT zentrova.delete_records_v1('{1}')";
        QTest::newRow("tests") << "UPDATE zentrova.tests SET answers = 2";
        QTest::newRow("open a sitting") << "SELECT zentrova.open_sitting_v1('x', NULL, now(), now() + interval '1 day')";
        QTest::newRow("accept a record") << "SELECT zentrova.accept_record_v1(1)";
        QTest::newRow("roster log") << "SELECT * FROM zentrova.roster_log";
        QTest::newRow("temporary table") << "CREATE TEMPORARY TABLE t (x int)";
    }
    void seatReadsAndChangesNothing()
    {
        QFETCH(QString, sql);
        const auto db = pg::connect(m_server.conninfo(QStringLiteral("seat2")).toStdString());
        QCOMPARE(PQstatus(db.get()), CONNECTION_OK);
        const pg::Result result = pg::exec(db.get(), sql.toUtf8().constData());
        QCOMPARE(pg::sqlState(result.get()), std::string("42501"));
    }

    void seatIsStampedWithItsOwnLogin()
    {
        CentreClient seat(m_server.conninfo(QStringLiteral("seat3")));
        const QUuid uuid = QUuid::createUuid();
        QVERIFY2(seat.submit(uuid, sampleRecord(QStringLiteral("1"), 3), QStringLiteral("seat4")), qPrintable(seat.error()));
        QCOMPARE(scalar(QStringLiteral("SELECT submitted_by || ' ' || seat_name || ' ' || (now() - received < '1 minute') "
                                       "FROM zentrova.records WHERE uuid = '%1'")
                            .arg(uuid.toString(QUuid::WithoutBraces))),
            QStringLiteral("seat3 seat4 true"));
    }

    void twentySeatsAtOnceLoseNothing()
    {
        const QString before = scalar("SELECT count(*) FROM zentrova.records");
        std::atomic<int> confirmed = 0;
        std::vector<std::thread> seats;
        for (int n = 1; n <= 20; ++n) {
            seats.emplace_back([&, n] {
                CentreClient seat(m_server.conninfo(QStringLiteral("seat%1").arg(n)));
                for (int i = 0; i < 25; ++i)
                    confirmed += seat.submit(QUuid::createUuid(), sampleRecord(QString::number(n), i), QString::number(n));
            });
        }
        for (std::thread &seat : seats)
            seat.join();
        QCOMPARE(confirmed.load(), 500);
        QCOMPARE(scalar("SELECT count(*) FROM zentrova.records").toInt() - before.toInt(), 500);
        QCOMPARE(scalar("SELECT count(DISTINCT submitted_by) FROM zentrova.records WHERE seat_name = person_code "
                        "AND submitted_by = 'seat' || seat_name"),
            QStringLiteral("20"));
    }

    void counsellorListsReadsAndDeletes()
    {
        const QString teacher = m_server.conninfo(QStringLiteral("teacher"));
        const QString roster = csv("class.csv", "\xEF\xBB\xBF测评码,姓名,班级\r\n11010519491231002X,张三,初二（3）班\r\n");
        QCOMPARE(tool({"roster", "import", teacher, roster}), 0);
        CentreClient seat(m_server.conninfo(QStringLiteral("seat5")));
        const Record known = sampleRecord(QStringLiteral("11010519491231002X"), 40);
        const Record unknown = sampleRecord(QStringLiteral("52"), 41);
        QVERIFY(seat.submit(QUuid::createUuid(), known, QStringLiteral("105")));
        QVERIFY(seat.submit(QUuid::createUuid(), unknown, QStringLiteral("105")));

        Counsellor counsellor(teacher);
        const auto summaries = counsellor.summaries();
        QVERIFY2(summaries, qPrintable(counsellor.error()));
        QStringList people;
        qint64 knownId = 0;
        for (const RecordSummary &summary : *summaries) {
            people << summary.person;
            if (summary.person == QStringLiteral("张三")) {
                knownId = summary.id;
                QCOMPARE(summary.total, 40.0);
                QCOMPARE(summary.finished, known.finished);
            }
        }
        QVERIFY(people.contains(ServerStore::unknownPerson(QStringLiteral("52"))));
        QVERIFY(!people.contains(QStringLiteral("11010519491231002X")));

        const auto record = counsellor.record(knownId);
        QVERIFY2(record, qPrintable(counsellor.error()));
        QCOMPARE(record->figures, known.figures);
        QCOMPARE(record->answers, known.answers);
        QCOMPARE(record->finished.offsetFromUtc(), 8 * 3600);
        QCOMPARE(record->elapsedMinutes, 7);

        QVERIFY2(counsellor.remove({knownId}), qPrintable(counsellor.error()));
        QVERIFY(!counsellor.record(knownId));
        QCOMPARE(scalar("SELECT deleted_by || ' ' || (what LIKE '%11010519491231002X%') FROM zentrova.deletion_log"),
            QStringLiteral("teacher true"));
        // Nobody rewrites the log, not even the one it names.
        const auto db = pg::connect(teacher.toStdString());
        const pg::Result tamper = pg::exec(db.get(), "DELETE FROM zentrova.deletions");
        QCOMPARE(pg::sqlState(tamper.get()), std::string("42501"));
    }

    void recordFileOfVersionOneGainsTheOutbox()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("records.db"));
        RecordStore store(path);
        QVERIFY(store.add(sampleRecord(QStringLiteral("甲"), 5)));
        // As the first release left it.
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, AsFirstReleaseLeftIt, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);

        const auto none = store.outbox();
        QVERIFY2(none && none->isEmpty(), qPrintable(store.error()));
        const QUuid uuid = QUuid::createUuid();
        QVERIFY2(store.add(sampleRecord(QStringLiteral("9"), 6), uuid), qPrintable(store.error()));
        QCOMPARE(store.summaries()->size(), 2);
        const auto waiting = store.outbox();
        QCOMPARE(waiting->size(), 1);
        QCOMPARE(waiting->first().uuid, uuid);
        QCOMPARE(waiting->first().record.total(), 6.0);

        // A key that only damage writes is said, and the result stays.
        QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, "UPDATE outbox SET uuid = 'x'", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        QVERIFY(!store.outbox());
        QVERIFY2(store.error().contains(QStringLiteral("已损坏")), qPrintable(store.error()));
        QCOMPARE(store.summaries()->size(), 2);
    }

    // The program's own command line at a seat and at a counsellor's.
    void commandLineActsByRole_data()
    {
        QTest::addColumn<QString>("centre"); // the centre file's [centre] lines; empty: none
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said"); // on stdout or stderr
        const QString seat = QStringLiteral("connection=%1 user=seat8\nrole=seat\nname=108");
        const QString counsellor = QStringLiteral("connection=%1 user=teacher\nrole=counsellor");
        QTest::newRow("seat lists") << seat << QStringList {"--list-records"} << 1 << seatRefusal();
        QTest::newRow("seat exports") << seat << QStringList {"--export-records", "out.csv"} << 1 << seatRefusal();
        QTest::newRow("seat reports") << seat << QStringList {"--report", "1", "out.pdf"} << 1 << seatRefusal();
        QTest::newRow("unknown role") << "connection=%1\nrole=teacher" << QStringList {"--list-records"} << 1
                                      << "“teacher”不是 seat 或 counsellor";
        QTest::newRow("no server") << "role=seat" << QStringList {"--list-records"} << 1 << "没有写明服务器";
        QTest::newRow("counsellor lists") << counsellor << QStringList {"--list-records"} << 0 << "张三";
        QTest::newRow("counsellor exports") << counsellor << QStringList {"--export-records", "out.csv"} << 0 << QString();
        QTest::newRow("personal sync") << QString() << QStringList {"--sync-records"} << 1 << "不是测评中心的座位";
    }
    void commandLineActsByRole()
    {
        QFETCH(QString, centre);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString roster = csv("one.csv", "测评码,姓名,班级\n11010519491231002X,张三,初二（3）班\n");
        QCOMPARE(tool({"roster", "import", m_server.conninfo(QStringLiteral("teacher")), roster}), 0);
        QVERIFY(CentreClient(m_server.conninfo(QStringLiteral("seat9")))
                    .submit(QUuid::createUuid(), sampleRecord(QStringLiteral("11010519491231002X"), 9), QStringLiteral("109")));
        const QString records = dir.filePath(QStringLiteral("records.db"));
        // No centre file but the one given: none from the user's or the system's folders.
        QStringList command = {"--records", records};
        if (!centre.isEmpty()) {
            const QString file = dir.filePath(QStringLiteral("centre.conf"));
            QFile conf(file);
            QVERIFY(conf.open(QIODevice::WriteOnly));
            conf.write(("[centre]\n" + centre.replace(QStringLiteral("%1"), "host=" + m_server.socketFolder() + " dbname=centre") + u'\n')
                           .toUtf8());
            conf.close();
            command << "--centre" << file;
        }
        QProcess program;
        program.setWorkingDirectory(dir.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
        program.setProcessEnvironment(environment);
        program.start(qEnvironmentVariable("ZENTROVA_PROGRAM"), command + arguments);
        QVERIFY(program.waitForFinished(30000));
        const QString output = QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError());
        QVERIFY2(program.exitCode() == exitCode, qPrintable(output));
        QVERIFY2(output.contains(said), qPrintable(output));
        if (arguments.contains("--export-records") && exitCode == 0) {
            QFile exported(dir.filePath(QStringLiteral("out.csv")));
            QVERIFY(exported.open(QIODevice::ReadOnly));
            QVERIFY(QString::fromUtf8(exported.readAll()).contains(QStringLiteral("张三")));
        }
    }

    // A counsellor's export walks the server's records a page at a time:
    // every record once, oldest first, each with its own figures and
    // answers across the pages' seams; a walk stopped early leaves the
    // connection usable.
    void counsellorWalksEveryPage()
    {
        CentreClient seat(m_server.conninfo(QStringLiteral("seat6")));
        const QString code = QStringLiteral("page-walk");
        const QDateTime later(QDate(2025, 1, 1), QTime(8, 0), Qt::OffsetFromUTC, 8 * 3600);
        for (int i = ServerStore::PageSize; i >= 0; --i) {
            Record record = sampleRecord(code, i);
            record.finished = later.addSecs(60 * i);
            record.answers.last().answer = QString::number(i);
            QVERIFY2(seat.submit(QUuid::createUuid(), record, QStringLiteral("106")), qPrintable(seat.error()));
        }
        Counsellor counsellor(m_server.conninfo(QStringLiteral("teacher")));
        QStringList names;
        QList<int> totals;
        const bool walked = counsellor.forEachRecord(
            [&](const QStringList &figureNames, const QStringList &) {
                names = figureNames;
                return true;
            },
            [&](const Record &record) {
                if (record.person.startsWith(code)) {
                    totals << int(record.total().value_or(-1));
                    if (record.answers.size() != 8 || record.answers.last().answer != QString::number(totals.last()))
                        totals << -1;
                }
                return true;
            });
        QVERIFY2(walked, qPrintable(counsellor.error()));
        QVERIFY(names.contains(QStringLiteral("总分")));
        QList<int> expected(ServerStore::PageSize + 1);
        std::iota(expected.begin(), expected.end(), 0);
        QCOMPARE(totals, expected);

        int visited = 0;
        QVERIFY(!counsellor.forEachRecord([](const QStringList &, const QStringList &) { return true; }, [&](const Record &) { return ++visited < 2; }));
        QCOMPARE(visited, 2);
        QVERIFY(counsellor.error().isEmpty());
        QVERIFY2(counsellor.summaries(), qPrintable(counsellor.error()));
    }

    // The records window of a counsellor's computer shows the centre's
    // records and deletes them on the server, noted in its log.
    void counsellorWindowDeletesOnTheServer()
    {
        const QString roster = csv("one.csv", "测评码,姓名,班级\n23456781,李雷,初三（1）班\n");
        QCOMPARE(tool({"roster", "import", m_server.conninfo(QStringLiteral("teacher")), roster}), 0);
        const QUuid uuid = QUuid::createUuid();
        QVERIFY(CentreClient(m_server.conninfo(QStringLiteral("seat11"))).submit(uuid, sampleRecord(QStringLiteral("23456781"), 33), {}));
        {
            ServerStore store(m_server.conninfo(QStringLiteral("teacher")));
            RecordsWindow window(store);
            QVERIFY(settled(window));
            auto *table = window.findChild<QTableView *>();
            QTRY_VERIFY(table->model()->rowCount() > 0);
            int row = -1;
            for (int i = 0; i < table->model()->rowCount(); ++i) {
                for (int column = 0; column < table->model()->columnCount(); ++column) {
                    if (table->model()->index(i, column).data().toString() == QStringLiteral("李雷"))
                        row = i;
                }
            }
            QVERIFY(row >= 0);
            // Marked in the table, and in its tooltip why and whence.
            const QModelIndex result = table->model()->index(row, RecordsModel::Result);
            QVERIFY2(result.data().toString().startsWith(u'※'), qPrintable(result.data().toString()));
            const QString note = result.data(Qt::ToolTipRole).toString();
            QVERIFY2(note.contains(QStringLiteral("存疑：") + ServerStore::markSentence("outside_sitting")) && note.contains("seat11"),
                     qPrintable(note));
            table->selectRow(row);
            QVERIFY(settled(window));
            QCOMPARE(window.shownRecord()->figures.first().value, QStringLiteral("33"));
            const qint64 deleted = window.shownRecord()->id;

            // Accepted, it counts as it stands: the mark goes, from the
            // table and from the record on show.
            {
                ScriptedAnswers accepting({MessageAnswer::Yes});
                window.acceptSelected();
                QVERIFY(settled(window));
                QCOMPARE(accepting.asked().size(), 1);
            }
            const auto rowOf = [&](qint64 id) {
                for (int i = 0; i < table->model()->rowCount(); ++i) {
                    if (table->model()->index(i, 0).data(RecordsModel::IdRole).toLongLong() == id)
                        return i;
                }
                return -1;
            };
            QVERIFY(rowOf(deleted) >= 0);
            QVERIFY(!table->model()->index(rowOf(deleted), RecordsModel::Result).data().toString().startsWith(u'※'));
            table->selectRow(rowOf(deleted));
            QVERIFY(settled(window));
            QCOMPARE(window.shownRecord()->id, deleted);
            QVERIFY(window.shownRecord()->marks.isEmpty());
            QVERIFY(window.showSittings());
            ScriptedAnswers answers({MessageAnswer::Yes});
            window.deleteSelected();
            QVERIFY(settled(window));
            QCOMPARE(answers.asked().size(), 1);
            QVERIFY(!window.shownRecord() || window.shownRecord()->id != deleted);
        }
        QCOMPARE(scalar(QStringLiteral("SELECT deleted_by FROM zentrova.deletion_log WHERE record_uuid = '%1'")
                            .arg(uuid.toString(QUuid::WithoutBraces))),
            QStringLiteral("teacher"));
    }

    // A counsellor's computer keeps no results: one taken there is written
    // nowhere, and the counsellor is told so over the test window, whose
    // report can still be saved.
    void counsellorIsToldResultsAreNotKept()
    {
        useShippedBank();
        const QString recordFile = m_files.filePath(QStringLiteral("counsellor-records.db"));
        RecordStore::setDefaultPath(recordFile);
        Centre centre;
        centre.connection = m_server.conninfo(QStringLiteral("teacher"));
        centre.role = Centre::Role::Counsellor;
        setCurrentCentre({centre, {}, {}});
        {
            MainWindow main;
            ScriptedAnswers answers;
            QVERIFY(openFromMenu(main, QStringLiteral("frm考试焦虑"), [&](QDialog *window) {
                answerItems(window, [](int) { return 0; }, pressesToFinish(QStringLiteral("frm考试焦虑")));
                QVERIFY(showResult(window));
                QVERIFY(!window->findChildren<ReportActions *>().isEmpty());
                QTRY_COMPARE(int(answers.asked().size()), 1);
                QCOMPARE(answers.asked().first().parent, window);
                QVERIFY2(answers.asked().first().text.startsWith(QStringLiteral("辅导员的电脑不保存测评结果"))
                             && answers.asked().first().text.contains(QStringLiteral("保存报告")),
                    qPrintable(answers.asked().first().text));
                window->reject();
            }));
        }
        QVERIFY(!QFileInfo::exists(recordFile));
        setCurrentCentre({});
        RecordStore::setDefaultPath({});
    }

    // What a seat can send by hand: each forgery refused with the SQLSTATE
    // that tells the seat to set it aside, the valid one beside them kept.
    void forgedSubmissionsAreRefused_data()
    {
        QTest::addColumn<int>("field"); // the parameter replaced
        QTest::addColumn<QByteArray>("forged");
        QTest::addColumn<bool>("binary");
        QTest::addColumn<QString>("state"); // empty: taken
        const QByteArray future = QDateTime::currentDateTimeUtc().addDays(3).toString(Qt::ISODate).toUtf8();
        QTest::newRow("valid") << 1 << QByteArray("frm考试焦虑") << false << QString();
        QTest::newRow("infinity") << 3 << QByteArray("infinity") << false << "22008";
        QTest::newRow("far past") << 3 << QByteArray("1970-01-01T00:00:00Z") << false << "22008";
        QTest::newRow("far future") << 3 << future << false << "22008";
        QTest::newRow("no time") << 3 << QByteArray() << false << "22008";
        QTest::newRow("10 MB caption") << 2 << QByteArray(10 << 20, 'x') << false << "22001";
        QTest::newRow("10 MB figure") << 11 << "{总分," + QByteArray(10 << 20, '9') + '}' << false << "22001";
        QTest::newRow("long code") << 7 << QByteArray(33, '1') << false << "22001";
        QTest::newRow("unknown test") << 1 << QByteArray("frm不存在") << false << "23503";
        QTest::newRow("too few answers") << 12 << QByteArray("{1,A,2,B}") << false << "22023";
        QTest::newRow("figures not in pairs") << 11 << QByteArray("{总分}") << false << "22023";
        QTest::newRow("offset of 27777 hours") << 4 << QByteArray("99997200") << false << "22003";
        QTest::newRow("offset of 15 hours") << 4 << QByteArray("54000") << false << "22003";
        QTest::newRow("minutes beyond a week") << 5 << QByteArray("20000") << false << "22003";
        QTest::newRow("line break in the code") << 7 << QByteArray("1234\n5672") << false << "22021";
        QTest::newRow("NUL in the code") << 7 << QByteArray("1234\0" "5672", 9) << true << "22021";
    }
    void forgedSubmissionsAreRefused()
    {
        QFETCH(int, field);
        QFETCH(QByteArray, forged);
        QFETCH(bool, binary);
        QFETCH(QString, state);
        QList<QByteArray> values = validSubmission();
        values[field] = forged;
        const QString before = scalar("SELECT count(*) FROM zentrova.records");
        QCOMPARE(forge(values, binary ? field : -1), state.isEmpty() ? QStringLiteral("t") : state);
        QCOMPARE(scalar("SELECT count(*) FROM zentrova.records").toInt(), before.toInt() + (state.isEmpty() ? 1 : 0));
        // The seat may send it again after a lost reply: known, not doubled.
        if (state.isEmpty())
            QCOMPARE(forge(values), QStringLiteral("f"));
    }

    // Rows from before the checks (put in as the owner, past them) cannot
    // stop a counsellor's listing: each is listed as damaged with its id,
    // the sound records beside them as ever.
    void listingSurvivesOldBadRows()
    {
        CentreClient seat(m_server.conninfo(QStringLiteral("seat13")));
        QVERIFY2(seat.submit(QUuid::createUuid(), sampleRecord(QStringLiteral("sound-13"), 13), QStringLiteral("113")), qPrintable(seat.error()));
        QVERIFY2(m_server.exec(QStringLiteral(R"(
            DO $$
            DECLARE
                definitions text[];
            BEGIN
                SELECT array_agg(format('ALTER TABLE %s ADD CONSTRAINT %I %s', conrelid::regclass, conname, pg_get_constraintdef(oid)))
                INTO definitions FROM pg_constraint WHERE contype = 'c' AND connamespace = 'zentrova'::regnamespace;
                ALTER TABLE zentrova.records DROP CONSTRAINT records_finished, DROP CONSTRAINT records_utc_offset,
                    DROP CONSTRAINT records_texts;
                INSERT INTO zentrova.records (uuid, test_window, caption, finished, utc_offset, verdict, person_code, seat_name,
                                              program_version, bank_sha256, submitted_by, received)
                VALUES (gen_random_uuid(), 'frm意志力', 'old', 'infinity', 0, '', 'bad-1', '', '', '', 'old', now()),
                       (gen_random_uuid(), 'frm意志力', 'old', now(), 99997200, '', 'bad-2', '', '', '', 'old', now()),
                       (gen_random_uuid(), 'frm意志力', repeat('x', 10000000), now(), 0, '', 'bad-3', '', '', '', 'old', now());
                EXECUTE 'ALTER TABLE zentrova.records DROP CONSTRAINT records_elapsed';
                FOR i IN 1 .. cardinality(definitions) LOOP
                    IF definitions[i] LIKE 'ALTER TABLE zentrova.records %' THEN
                        EXECUTE definitions[i];
                    END IF;
                END LOOP;
            END
            $$)")),
            qPrintable(m_server.error()));
        // The checks are back.
        QCOMPARE(scalar("SELECT count(*) FROM pg_constraint WHERE conname LIKE 'records\\_%' AND contype = 'c'"), QStringLiteral("4"));
        Counsellor counsellor(m_server.conninfo(QStringLiteral("teacher")));
        const auto summaries = counsellor.summaries();
        QVERIFY2(summaries, qPrintable(counsellor.error()));
        QStringList damaged;
        bool soundListed = false;
        for (const RecordSummary &summary : *summaries) {
            if (summary.person.startsWith(QStringLiteral("bad-"))) {
                QVERIFY2(summary.damage.contains(QStringLiteral("编号 %1").arg(summary.id)), qPrintable(summary.damage));
                QVERIFY(!summary.finished.isValid());
                damaged << summary.damage.section(QStringLiteral("无法读出："), 1).chopped(1);
            }
            soundListed = soundListed || (summary.person.startsWith(QStringLiteral("sound-13")) && summary.total == 13);
        }
        damaged.sort();
        QCOMPARE(damaged, QStringList({"finished", "too_long", "utc_offset"}));
        QVERIFY(soundListed);
        // A damaged record is said when asked for, and left out of an export.
        const qint64 bad = scalar("SELECT id FROM zentrova.records WHERE person_code = 'bad-1'").toLongLong();
        QVERIFY(!counsellor.record(bad));
        QVERIFY2(counsellor.error().contains(QStringLiteral("已损坏")), qPrintable(counsellor.error()));
        int exported = 0;
        QVERIFY2(counsellor.forEachRecord([](const QStringList &, const QStringList &) { return true; },
                     [&](const Record &record) {
                         exported += record.person.startsWith(QStringLiteral("bad-")) ? 100 : 1;
                         return true;
                     }),
            qPrintable(counsellor.error()));
        QCOMPARE(exported, scalar("SELECT count(*) FROM zentrova.records WHERE person_code NOT LIKE 'bad-%'").toInt());
        // The same through the counsellor's store.
        ServerStore store(m_server.conninfo(QStringLiteral("teacher")));
        SummaryQuery query;
        query.filter.person = QStringLiteral("bad-1");
        const auto listed = answerOf(store.summaries(query));
        QVERIFY(listed && listed->size() == 1);
        QCOMPARE(listed->first().damage, QStringLiteral("已损坏的记录（编号 %1，无法读出：finished）").arg(bad));
        auto *read = store.record(bad);
        read->waitForDone();
        QCOMPARE(read->error(), listed->first().damage);
        QVERIFY(m_server.exec(QStringLiteral("DELETE FROM zentrova.records WHERE person_code LIKE 'bad-%'")));
    }

    // The counsellor's store on the server: pages of a listing in any order
    // add up to the whole of it, each summary with where it came from and
    // what is doubtful about it.
    void serverStorePagesWithProvenance_data()
    {
        QTest::addColumn<int>("order");
        QTest::addColumn<bool>("ascending");
        QTest::newRow("newest first") << int(SummaryOrder::Finished) << false;
        QTest::newRow("oldest first") << int(SummaryOrder::Finished) << true;
        QTest::newRow("by total") << int(SummaryOrder::Total) << true;
        QTest::newRow("by test, descending") << int(SummaryOrder::Test) << false;
    }
    void serverStorePagesWithProvenance()
    {
        QFETCH(int, order);
        QFETCH(bool, ascending);
        const QString code = QStringLiteral("pages-%1-%2").arg(order).arg(ascending);
        CentreClient seat(m_server.conninfo(QStringLiteral("seat18")));
        for (int i = 0; i < 5; ++i) {
            Record record = sampleRecord(code, i % 3);
            record.finished = record.finished.addSecs(i % 2 ? 60 : 0); // ties broken by id
            QVERIFY2(seat.submit(QUuid::createUuid(), record, QStringLiteral("118")), qPrintable(seat.error()));
        }
        ServerStore store(m_server.conninfo(QStringLiteral("teacher")));
        SummaryQuery query;
        query.filter.person = code;
        query.order = SummaryOrder(order);
        query.direction = ascending ? Qt::AscendingOrder : Qt::DescendingOrder;
        const auto whole = answerOf(store.summaries(query));
        QVERIFY(whole);
        QCOMPARE(whole->size(), 5);
        QList<qint64> paged;
        query.limit = 2;
        for (;;) {
            const auto page = answerOf(store.summaries(query));
            QVERIFY(page);
            for (const RecordSummary &summary : *page)
                paged << summary.id;
            if (page->size() < 2)
                break;
            query.after = page->last().id;
        }
        QList<qint64> expected;
        for (const RecordSummary &summary : *whole) {
            expected << summary.id;
            QCOMPARE(summary.personKey, code);
            QCOMPARE(summary.provenance.seat, QStringLiteral("118"));
            QCOMPARE(summary.provenance.login, QStringLiteral("seat18"));
            QVERIFY(qAbs(summary.provenance.arrived.secsTo(QDateTime::currentDateTimeUtc())) < 60);
            QCOMPARE(summary.marks, QStringList({ServerStore::markSentence("outside_sitting"), ServerStore::markSentence("not_on_roster")}));
            QVERIFY(summary.resultLine.contains(QStringLiteral("总分")));
        }
        QCOMPARE(paged, expected);
        if (query.order == SummaryOrder::Total) {
            QList<double> totals;
            for (const RecordSummary &summary : *whole)
                totals << summary.total.value_or(-1);
            QCOMPARE(totals, QList<double>({0, 0, 1, 1, 2}));
        }
        QCOMPARE(answerOf(store.count(query.filter)), 5);
    }

    // A request cancelled while the server holds it is cancelled on the
    // server too; a request made from inside another's answer runs; a read
    // on a connection the server dropped is made again on a new one, a
    // removal is not.
    void serverStoreCancelsAndReconnects()
    {
        ServerStore store(m_server.conninfo(QStringLiteral("teacher")));
        QVERIFY(answerOf(store.count({})));
        const auto admin = pg::connect(m_server.conninfo(QStringLiteral("postgres")).toStdString());
        QVERIFY(pg::succeeded(pg::exec(admin.get(), "BEGIN; LOCK TABLE zentrova.records IN ACCESS EXCLUSIVE MODE").get()));
        auto *held = store.summaries({});
        const QString waiting = "SELECT count(*) FROM pg_stat_activity WHERE usename = 'teacher' AND wait_event_type = 'Lock'";
        QTRY_COMPARE(scalar(waiting), QStringLiteral("1"));
        bool answered = false;
        connect(held, &StoreRequest::finished, this, [&] { answered = true; });
        held->cancel();
        QTRY_COMPARE(scalar(waiting), QStringLiteral("0"));
        QVERIFY(pg::succeeded(pg::exec(admin.get(), "COMMIT").get()));

        std::optional<int> inner;
        store.count({})->then(this, [&](StoreReply<int> &) {
            store.count({})->then(this, [&](StoreReply<int> &reply) { inner = reply.error().isEmpty() ? reply.value() : -1; });
        });
        QTRY_VERIFY(inner.has_value());
        QVERIFY(*inner > 0);
        QVERIFY(!answered);

        const QString dropped = "SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity WHERE usename = 'teacher'";
        QCOMPARE(scalar(dropped), QStringLiteral("1"));
        QCOMPARE(answerOf(store.count({})), *inner);
        QCOMPARE(scalar(dropped), QStringLiteral("1"));
        auto *removal = store.remove({-1});
        removal->waitForDone();
        QVERIFY2(removal->error().contains(QStringLiteral("连接断了")), qPrintable(removal->error()));
        QCOMPARE(answerOf(store.remove({-1})), 0);
    }

    // Where the server wants a password that libpq's own sources do not
    // give, the store asks the counsellor on its own thread and makes the
    // request again with it: declined, the request says why; given, it
    // serves the rest of the run without asking again.
    void counsellorIsAskedForThePassword()
    {
        const QString teacher = m_server.conninfo(QStringLiteral("teacher"));
        const auto connects = [&] { return PQstatus(pg::connect(teacher.toStdString()).get()) == CONNECTION_OK; };
        QFile hba(m_server.socketFolder() + QStringLiteral("/data/pg_hba.conf"));
        QVERIFY(hba.open(QIODevice::ReadOnly));
        const QByteArray trusted = hba.readAll();
        hba.close();
        const auto setRules = [&](const QByteArray &rules) {
            QVERIFY(hba.open(QIODevice::WriteOnly | QIODevice::Truncate));
            hba.write(rules);
            hba.close();
            QVERIFY(m_server.exec(QStringLiteral("SELECT pg_reload_conf()")));
        };
        const auto trustAgain = qScopeGuard([&] { setRules(trusted); });
        QVERIFY(m_server.exec(QStringLiteral("ALTER ROLE teacher PASSWORD 'geheim'")));
        setRules("local all teacher scram-sha-256\n" + trusted);
        QTRY_VERIFY(!connects());

        QStringList prompts;
        QList<std::optional<QString>> answers {std::nullopt, QStringLiteral("geheim")};
        ServerStore store(teacher);
        store.setPasswordAsker([&](const QString &prompt) {
            prompts << prompt;
            return answers.takeFirst();
        });
        auto *declined = store.count({});
        declined->waitForDone();
        QVERIFY2(declined->error().startsWith(ServerSession::passwordWanted()), qPrintable(declined->error()));
        const auto counted = answerOf(store.count({}));
        QVERIFY(counted);
        QCOMPARE(answerOf(store.count({})), counted);
        QCOMPARE(prompts.size(), 2);
        QVERIFY2(prompts.first().contains(teacher), qPrintable(prompts.first()));

        setRules(trusted);
        QVERIFY(m_server.exec(QStringLiteral("ALTER ROLE teacher PASSWORD NULL")));
        QTRY_VERIFY(connects());
    }

    // The counsellor's store works each total out again from the answers
    // with the program's bank, and marks one that does not follow.
    void figuresThatDoNotFollowAreMarked_data()
    {
        QTest::addColumn<QString>("total"); // empty: no 总分 at all
        QTest::addColumn<bool>("sameBank");
        QTest::addColumn<QString>("doubt"); // empty: none
        QTest::newRow("as answered") << "99" << true << QString();
        QTest::newRow("forged total") << "10" << true << "总分 10 与作答不符（按作答应为 99）";
        QTest::newRow("another bank") << "99" << false << "用的题库与本机的不同，总分无法核对";
        QTest::newRow("no total") << QString() << true << "记录中没有总分";
    }
    void figuresThatDoNotFollowAreMarked()
    {
        QFETCH(QString, total);
        QFETCH(bool, sameBank);
        QFETCH(QString, doubt);
        useShippedBank();
        Record record;
        record.window = QStringLiteral("frm考试焦虑");
        record.caption = QStringLiteral("考试焦虑度测试");
        record.finished = QDateTime(QDate(2026, 11, 2), QTime(10, 0), Qt::OffsetFromUTC, 8 * 3600);
        record.figures = {{total.isEmpty() ? QStringLiteral("说明") : QStringLiteral("总分"), total.isEmpty() ? QStringLiteral("无") : total}};
        for (int item = 1; item <= 33; ++item)
            record.answers.append({QString::number(item), QStringLiteral("A：很符合自己的情况")});
        record.person = QStringLiteral("rescored-") + QTest::currentDataTag();
        record.programVersion = QStringLiteral("1.2");
        record.bankSha256 = sameBank ? fileSha256(bankPath()) : QStringLiteral("ab12");
        CentreClient seat(m_server.conninfo(QStringLiteral("seat19")));
        QVERIFY2(seat.submit(QUuid::createUuid(), record, QStringLiteral("119")), qPrintable(seat.error()));
        ServerStore store(m_server.conninfo(QStringLiteral("teacher")));
        SummaryQuery query;
        query.filter.person = record.person;
        const auto listed = answerOf(store.summaries(query));
        QVERIFY(listed && listed->size() == 1);
        const QStringList server = {ServerStore::markSentence("outside_sitting"), ServerStore::markSentence("not_on_roster")};
        QCOMPARE(listed->first().marks, doubt.isEmpty() ? server : server + QStringList {doubt});
    }

    // A group report at a centre counts only records without marks, and
    // says how many it left out and why: a forged total is not in n or the
    // mean until a counsellor accepts the record.
    void groupReportLeavesOutWhatIsMarked()
    {
        useShippedBank();
        const QString teacher = m_server.conninfo(QStringLiteral("teacher"));
        const QByteArray codes = QByteArray("测评码,姓名,班级\n") + "88888884,赵一,初三（9）班\n88888892,钱二,初三（9）班\n";
        QCOMPARE(tool({"roster", "import", teacher, csv("nine.csv", codes), "--yes"}), 0);
        QCOMPARE(tool({"sitting", "open", teacher, "初三（9）班", "--from", "2026-11-03 09:00+08", "--until", "2026-11-03 11:00+08"}), 0);
        CentreClient seat(m_server.conninfo(QStringLiteral("seat20")));
        for (const auto &[code, total] : {std::pair {"88888884", "99"}, std::pair {"88888892", "10"}}) {
            const Record record = anxietyRecord(QString::fromLatin1(code), QString::fromLatin1(total),
                QDateTime(QDate(2026, 11, 3), QTime(10, 0), Qt::OffsetFromUTC, 8 * 3600));
            QVERIFY2(seat.submit(QUuid::createUuid(), record, QStringLiteral("120")), qPrintable(seat.error()));
        }
        GroupReportRequest request;
        request.test = QStringLiteral("考试焦虑度测试");
        request.group = QStringLiteral("初三（9）班");
        auto report = [&] {
            const auto summaries = Counsellor(teacher).summaries();
            QString error;
            return summaries ? makeGroupReport(*summaries, request, &error) : std::nullopt;
        };
        const auto before = report();
        QVERIFY(before && before->totals);
        QCOMPARE(before->tested, 1);
        QCOMPARE(before->totals->mean, 99.0);
        QCOMPARE(before->leftOut, 1);
        QCOMPARE(before->leftOutWhy, (QList<std::pair<QString, int>> {{QStringLiteral("总分 10 与作答不符（按作答应为 99）"), 1}}));
        QVERIFY(m_server.exec(QStringLiteral("SET ROLE teacher; SELECT zentrova.accept_record_v1(id) FROM zentrova.record_list "
                                             "WHERE person_code = '88888892'")));
        const auto after = report();
        QVERIFY(after && after->totals);
        QCOMPARE(after->tested, 2);
        QCOMPARE(after->leftOut, 0);
    }

    // A seat that sends a record again after the counsellor deleted it (the
    // reply to its first send was lost) is told the server has it; it stays
    // deleted.
    void deletedStaysDeleted()
    {
        CentreClient seat(m_server.conninfo(QStringLiteral("seat14")));
        const QUuid uuid = QUuid::createUuid();
        const Record record = sampleRecord(QStringLiteral("12345672"), 14);
        QVERIFY2(seat.submit(uuid, record, QStringLiteral("114")), qPrintable(seat.error()));
        const QString ofUuid = QStringLiteral(" FROM zentrova.records WHERE uuid = '%1'").arg(uuid.toString(QUuid::WithoutBraces));
        Counsellor counsellor(m_server.conninfo(QStringLiteral("teacher")));
        QVERIFY2(counsellor.remove({scalar("SELECT id" + ofUuid).toLongLong()}), qPrintable(counsellor.error()));
        QVERIFY2(seat.submit(uuid, record, QStringLiteral("114")), qPrintable(seat.error()));
        QCOMPARE(scalar("SELECT count(*)" + ofUuid), QStringLiteral("0"));
    }

    // Each centre's logins reach its own database only; the administrator's
    // second centre with the default roles is refused above.
    void centresAreApart_data()
    {
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("database");
        QTest::addColumn<bool>("connects");
        QTest::newRow("counsellor, own centre") << "teacher" << "centre" << true;
        QTest::newRow("counsellor, other centre") << "teacher" << "second" << false;
        QTest::newRow("seat, other centre") << "seat1" << "second" << false;
        QTest::newRow("other counsellor, own centre") << "teacher2" << "second" << true;
        QTest::newRow("other counsellor, first centre") << "teacher2" << "centre" << false;
        QTest::newRow("other seat, first centre") << "room2" << "centre" << false;
        QTest::newRow("no centre's login") << "stranger" << "centre" << false;
    }
    void centresAreApart()
    {
        QFETCH(QString, login);
        QFETCH(QString, database);
        QFETCH(bool, connects);
        m_server.exec(QStringLiteral("CREATE ROLE teacher2 LOGIN IN ROLE second_counsellor; CREATE ROLE room2 LOGIN IN ROLE second_seat; "
                                     "CREATE ROLE stranger LOGIN"));
        const auto db = pg::connect(QStringLiteral("host=%1 user=%2 dbname=%3").arg(m_server.socketFolder(), login, database).toStdString());
        QCOMPARE(PQstatus(db.get()) == CONNECTION_OK, connects);
        if (!connects)
            QVERIFY2(pg::lastError(db.get()).find("permission denied for database") != std::string::npos, pg::lastError(db.get()).c_str());
    }

    // A code's results stay in the class they were sent in when the roster
    // moves it; a rename or move is asked for, and logged with who and when.
    void movedCodeKeepsItsOldResultsClass()
    {
        const QString teacher = m_server.conninfo(QStringLiteral("teacher"));
        QCOMPARE(tool({"roster", "import", teacher, csv("move.csv", "测评码,姓名,班级\n34567890,韩梅梅,初一（1）班\n"), "--yes"}), 0);
        CentreClient seat(m_server.conninfo(QStringLiteral("seat15")));
        QVERIFY(seat.submit(QUuid::createUuid(), sampleRecord(QStringLiteral("34567890"), 1), QStringLiteral("115")));
        const QString moved = csv("move.csv", "测评码,姓名,班级\n34567890,韩梅梅,初二（1）班\n");
        QString said;
        QCOMPARE(tool({"roster", "import", teacher, moved}, &said), 1);
        QVERIFY2(said.contains(QStringLiteral(":2: 测评码 34567890：换班 初一（1）班 → 初二（1）班")) && said.contains(QStringLiteral("--yes")),
            qPrintable(said));
        QCOMPARE(scalar("SELECT class FROM zentrova.roster WHERE code = '34567890'"), QStringLiteral("初一（1）班"));
        QCOMPARE(tool({"roster", "import", teacher, moved, "--yes"}), 0);
        QVERIFY(seat.submit(QUuid::createUuid(), sampleRecord(QStringLiteral("34567890"), 2), QStringLiteral("115")));
        QCOMPARE(scalar("SELECT string_agg(person_class, ' ' ORDER BY id) FROM zentrova.record_list WHERE person_code = '34567890'"),
            QStringLiteral("初一（1）班 初二（1）班"));
        QCOMPARE(scalar("SELECT changed_by || ' ' || old_class || ' ' || new_class || ' ' || (now() - changed_at < '1 minute') "
                        "FROM zentrova.roster_log WHERE code = '34567890' AND old_class IS NOT NULL"),
            QStringLiteral("teacher 初一（1）班 初二（1）班 true"));
        // The counsellor's listing shows each result under its own class.
        const auto summaries = Counsellor(teacher).summaries();
        QVERIFY(summaries);
        QStringList groups;
        for (const RecordSummary &summary : *summaries) {
            if (summary.person == QStringLiteral("韩梅梅"))
                groups.prepend(summary.group);
        }
        QCOMPARE(groups, QStringList({"初一（1）班", "初二（1）班"}));
    }

    // Sittings: a result in its class's open sitting is clean; a second one,
    // one of another class, one of a code not on the roster and one after
    // the sitting closed are kept and marked; a counsellor's acceptance is
    // logged.
    void sittingsMarkWhatIsDoubtful()
    {
        const QString teacher = m_server.conninfo(QStringLiteral("teacher"));
        QCOMPARE(tool({"roster", "import", teacher,
                      csv("sitting.csv", "测评码,姓名,班级\n45678908,甲,高一（2）班\n56789013,乙,高一（3）班\n"), "--yes"}),
            0);
        QString said;
        QCOMPARE(tool({"sitting", "open", teacher, "高一（2）班", "--test", "不存在的测验"}, &said), 1);
        QVERIFY2(said.contains(QStringLiteral("不存在的测验")), qPrintable(said));
        QCOMPARE(tool({"sitting", "open", teacher, "高一（2）班", "--test", "frm意志力", "--from", "2026-11-01 08:00+08",
                      "--until", "2026-11-01 10:00+08"}, &said),
            0);
        const QString sitting = scalar("SELECT max(id) FROM zentrova.sitting_list");
        QCOMPARE(tool({"sitting", "list", teacher}, &said), 0);
        QVERIFY2(said.contains(sitting + QStringLiteral("\t高一（2）班\tfrm意志力\t")), qPrintable(said));
        CentreClient seat(m_server.conninfo(QStringLiteral("seat16")));
        const QDateTime during(QDate(2026, 11, 1), QTime(9, 0), Qt::OffsetFromUTC, 8 * 3600);
        auto send = [&](const QString &code, const QDateTime &finished) {
            Record record = sampleRecord(code, 3);
            record.finished = finished;
            const QUuid uuid = QUuid::createUuid();
            if (!seat.submit(uuid, record, QStringLiteral("116")))
                return seat.error();
            return scalar(QStringLiteral("SELECT array_to_string(marks, ' ') || '|' || coalesce(sitting::text, '') "
                                         "FROM zentrova.record_list WHERE uuid = '%1'")
                              .arg(uuid.toString(QUuid::WithoutBraces)));
        };
        QCOMPARE(send("45678908", during), "|" + sitting);
        QCOMPARE(send("45678908", during.addSecs(60)), "second_in_sitting|" + sitting);
        QCOMPARE(send("56789013", during), "not_in_class|" + sitting);
        QCOMPARE(send("67890123", during), "not_in_class not_on_roster|" + sitting);
        QCOMPARE(send("45678908", during.addDays(1)), QStringLiteral("outside_sitting|"));
        QCOMPARE(tool({"sitting", "close", teacher, sitting}), 0);
        QCOMPARE(tool({"sitting", "close", teacher, "999999"}, &said), 1);
        QVERIFY2(said.contains(QStringLiteral("没有编号为 999999 的测评场次")), qPrintable(said));

        const auto db = pg::connect(teacher.toStdString());
        const QByteArray marked = scalar("SELECT max(id) FROM zentrova.records WHERE 'not_in_class' = ANY (marks)").toUtf8();
        const char *values[] = {marked.constData()};
        const pg::Result accepted(PQexecParams(db.get(), "SELECT zentrova.accept_record_v1($1)", 1, nullptr, values, nullptr, nullptr, 0));
        QVERIFY2(pg::succeeded(accepted.get()), pg::lastError(db.get()).c_str());
        QCOMPARE(scalar("SELECT accepted_by || ' ' || array_to_string(l.marks, ' ') FROM zentrova.record_list l WHERE id = " + marked),
            QStringLiteral("teacher not_in_class not_on_roster"));
        QCOMPARE(scalar("SELECT array_to_string(a.marks, ' ') FROM zentrova.acceptance_log a JOIN zentrova.records r "
                        "ON r.uuid = a.record_uuid WHERE r.id = " + marked),
            QStringLiteral("not_in_class not_on_roster"));
    }

    // Two students of one name in one class are two people in the group
    // figures: each code's latest result counts, and the follow-up list
    // tells them apart by their codes.
    void twoCodesOfOneNameAreTwo()
    {
        const std::string first = "7000001" + std::string(1, personCodeCheck("7000001"));
        const std::string second = "7000002" + std::string(1, personCodeCheck("7000002"));
        const QString roster = csv("twins.csv", QByteArray("测评码,姓名,班级\n") + first.c_str() + ",王伟,初二（5）班\n" + second.c_str() + ",王伟,初二（5）班\n");
        QCOMPARE(tool({"roster", "import", m_server.conninfo(QStringLiteral("teacher")), roster}), 0);
        CentreClient seat(m_server.conninfo(QStringLiteral("seat17")));
        QVERIFY(seat.submit(QUuid::createUuid(), sampleRecord(QString::fromStdString(first), 99), QStringLiteral("117")));
        QVERIFY(seat.submit(QUuid::createUuid(), sampleRecord(QString::fromStdString(second), 0), QStringLiteral("117")));
        const auto summaries = Counsellor(m_server.conninfo(QStringLiteral("teacher"))).summaries();
        QVERIFY(summaries);
        QList<RecordSummary> group;
        for (const RecordSummary &summary : *summaries) {
            if (summary.group == QStringLiteral("初二（5）班"))
                group << summary;
        }
        const QList<RecordSummary> latest = latestPerPerson(group);
        QCOMPARE(latest.size(), 2);
        QList<double> totals;
        for (const RecordSummary &summary : latest) {
            QCOMPARE(summary.person, QStringLiteral("王伟"));
            totals << summary.total.value_or(-1);
        }
        std::sort(totals.begin(), totals.end());
        QCOMPARE(totals, QList<double>({0, 99}));
        const auto followUp = followUpList(latest, group, {}, {QStringLiteral("7－15分")});
        QStringList named;
        for (const FollowUpEntry &entry : followUp)
            named << entry.person;
        QCOMPARE(named, QStringList({QStringLiteral("王伟（%1）").arg(first.c_str()), QStringLiteral("王伟（%1）").arg(second.c_str())}));
    }

    void rosterImportNamesBadLines_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("problem"); // empty: imported
        QTest::newRow("codes made, quoted comma") << QByteArray("测评码,姓名,班级\n,李四,\"初二,3班\"\n,王五,初二\n") << QString();
        QTest::newRow("formulas") << QByteArray("测评码,姓名,班级\n,\"=HYPERLINK(\"\"http://x\"\")\",+1+2\n,@SUM(A1),-3\n") << QString();
        QTest::newRow("wrong check character") << QByteArray("测评码,姓名,班级\n,李四,初二\n110105194912310021,王五,初二\n")
                                               << ":3: 测评码 110105194912310021 不是";
        QTest::newRow("no name") << QByteArray("测评码,姓名,班级\r\n,李四,初二\r\n,,初二\r\n") << ":3: 姓名是空的";
        QTest::newRow("code twice") << QByteArray("测评码,姓名,班级\n12345672,甲,一\n\"line\nbreak\",乙,一\n12345672,丙,一\n")
                                    << ":5: 测评码 12345672 已在第 2 行出现";
        QTest::newRow("NUL in a name") << QByteArrayLiteral("测评码,姓名,班级\n,李四,初二\n,王\0五,初二\n") << ":3: 含有控制字符 U+0000";
        QTest::newRow("line break in a name") << QByteArray("测评码,姓名,班级\n,\"王\n五\",初二\n") << ":2: 含有控制字符 U+000A";
        QTest::newRow("two fields") << QByteArray("测评码,姓名,班级\n,李四\n") << ":2: 应有 3 栏";
        QTest::newRow("no header") << QByteArray(",李四,初二\n") << ":1: 第一行必须是标题行";
        QTest::newRow("GBK") << QByteArray("\xb2\xe2\xc6\xc0\xc2\xeb,\xd0\xd5\xc3\xfb,\xb0\xe0\xbc\xb6\n") << "不是 UTF-8";
    }
    void rosterImportNamesBadLines()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, problem);
        const QString teacher = m_server.conninfo(QStringLiteral("teacher"));
        const QString before = scalar("SELECT count(*) FROM zentrova.roster");
        QString errors;
        const QString file = csv(QStringLiteral("roster.csv"), text);
        QCOMPARE(tool({"roster", "import", teacher, file}, &errors), problem.isEmpty() ? 0 : 1);
        if (problem.isEmpty()) {
            QCOMPARE(scalar("SELECT count(*) FROM zentrova.roster").toInt(), before.toInt() + 2);
            // Every code made is one a seat accepts, and comes back out.
            QCOMPARE(tool({"roster", "export", teacher, file}), 0);
            QFile written(file);
            QVERIFY(written.open(QIODevice::ReadOnly));
            QCOMPARE(written.permissions() & (QFile::ReadOther | QFile::ReadGroup), QFile::Permissions());
            const QStringList lines = QString::fromUtf8(written.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
            QCOMPARE(lines.size(), before.toInt() + 3);
            for (const QString &line : lines.mid(1)) {
                const QString code = line.section(u',', 0, 0);
                QVERIFY2(isPersonCode(code.toStdString()), qPrintable(line));
            }
            // What a spreadsheet would run comes back marked as text.
            if (QString::fromUtf8(text).contains(QStringLiteral("HYPERLINK"))) {
                QVERIFY(lines.filter(QStringLiteral("\"'=HYPERLINK(\"\"http://x\"\")\",'+1+2")).size() == 1);
                QVERIFY(lines.filter(QStringLiteral(",'@SUM(A1),-3")).size() == 1);
            } else {
                QVERIFY(lines.contains(
                    QStringLiteral("%1,李四,\"初二,3班\"").arg(lines.filter(QStringLiteral("李四")).value(0).section(u',', 0, 0))));
            }
        } else {
            QVERIFY2(errors.contains(problem), qPrintable(errors));
            QCOMPARE(scalar("SELECT count(*) FROM zentrova.roster"), before);
        }
    }

    // A centre's exports say for each record whom by 测评码, which seat and
    // login sent it, when it arrived and why it is doubtful, read back by R;
    // a seat's name that a spreadsheet would run is guarded in the CSV; an
    // export of one's own record file keeps its columns.
    void exportsShowWhereRecordsCameFrom_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("centre");
        QTest::newRow("CSV at a centre") << "centre.csv" << true;
        QTest::newRow("SPSS at a centre") << "centre.sav" << true;
        QTest::newRow("Stata at a centre") << "centre.dta" << true;
        QTest::newRow("CSV of one's own") << "own.csv" << false;
        QTest::newRow("SPSS of one's own") << "own.sav" << false;
    }
    void exportsShowWhereRecordsCameFrom()
    {
        QFETCH(QString, file);
        QFETCH(bool, centre);
        useShippedBank();
        const QString group = QStringLiteral("初三（7）班");
        const QString code = QStringLiteral("7100001") + QChar(personCodeCheck("7100001"));
        const QString teacher = m_server.conninfo(QStringLiteral("teacher"));
        const QDateTime finished(QDate(2026, 10, 9), QTime(9, 30), Qt::OffsetFromUTC, 8 * 3600);
        const QList<Record> sent {
            anxietyRecord(code, QStringLiteral("99"), finished), anxietyRecord(code, QStringLiteral("10"), finished.addSecs(600))};
        if (scalar("SELECT count(*) FROM zentrova.roster WHERE class = '" + group + "'") == QStringLiteral("0")) {
            QCOMPARE(tool({"roster", "import", teacher, csv("seven.csv", ("测评码,姓名,班级\n" + code + ",李华," + group + "\n").toUtf8()),
                         "--yes"}),
                0);
            CentreClient seat(m_server.conninfo(QStringLiteral("seat7")));
            for (const Record &record : sent)
                QVERIFY2(seat.submit(QUuid::createUuid(), record, QStringLiteral("=SUM(1)")), qPrintable(seat.error()));
        }
        RecordFilter filter;
        filter.group = group;
        const QString path = m_files.filePath(file);
        QString error;
        if (centre) {
            ServerStore store(teacher);
            QVERIFY2(exportRecordsFile(store, path, &error, filter), qPrintable(error));
        } else {
            const QString own = m_files.filePath(QStringLiteral("own.db"));
            {
                RecordStore file(own);
                if (file.summaries().value_or(QList<RecordSummary>()).isEmpty()) {
                    for (Record record : sent) {
                        record.group = group;
                        QVERIFY(file.add(record));
                    }
                }
            }
            LocalStore store(own);
            QVERIFY2(exportRecordsFile(store, path, &error, filter), qPrintable(error));
        }
        const QMap<QString, QStringList> columns = columnsInR(path);
        QCOMPARE(columns.value(QStringLiteral("受测者")), centre ? QStringList({"李华", "李华"}) : QStringList({code, code}));
        const QString arrivedLabel = file.endsWith(QLatin1String(".csv")) ? QStringLiteral("送达时间") : QStringLiteral("送达时间（UTC）");
        if (!centre) {
            for (const QString &label :
                {QStringLiteral("测评码"), QStringLiteral("座位"), QStringLiteral("登录名"), arrivedLabel, QStringLiteral("存疑")})
                QVERIFY2(!columns.contains(label), qPrintable(label));
            return;
        }
        QCOMPARE(columns.value(QStringLiteral("测评码")), QStringList({code, code}));
        const QString seat = file.endsWith(QLatin1String(".csv")) ? QStringLiteral("'=SUM(1)") : QStringLiteral("=SUM(1)");
        QCOMPARE(columns.value(QStringLiteral("座位")), QStringList({seat, seat}));
        QCOMPARE(columns.value(QStringLiteral("登录名")), QStringList({"seat7", "seat7"}));
        const QString outside = ServerStore::markSentence(QStringLiteral("outside_sitting"));
        QCOMPARE(columns.value(QStringLiteral("存疑")),
            QStringList({outside, outside + QStringLiteral("；总分 10 与作答不符（按作答应为 99）")}));
        QStringList arrived; // as seconds, whichever way the file writes the time
        for (const QString &shown : columns.value(arrivedLabel))
            arrived << QString::number(QDateTime::fromString(shown, Qt::ISODate).toSecsSinceEpoch());
        QCOMPARE(arrived.join(u'|'), scalar("SELECT string_agg(extract(epoch FROM date_trunc('second', received))::bigint::text, '|' "
                                            "ORDER BY finished) FROM zentrova.record_list WHERE person_code = '" + code + "'"));
    }

    // The listing at a centre ends each line with the same five fields, one
    // line per record whatever a seat's name holds.
    void listingShowsWhereRecordsCameFrom()
    {
        RecordSummary summary;
        summary.id = 7;
        summary.finished = QDateTime(QDate(2026, 10, 9), QTime(9, 30), Qt::OffsetFromUTC, 8 * 3600);
        summary.person = QStringLiteral("李华");
        summary.personKey = QStringLiteral("71000011");
        summary.caption = QStringLiteral("考试焦虑度测试");
        summary.provenance = {QStringLiteral("座位\t3"), QStringLiteral("seat7"), QDateTime(QDate(2026, 10, 9), QTime(1, 31), Qt::UTC)};
        summary.marks = QStringList {QStringLiteral("甲"), QStringLiteral("乙")};
        const QString own = listingLine(summary);
        QCOMPARE(own.count(u'\t'), 4);
        const QStringList fields = listingLine(summary, true).split(u'\t');
        QCOMPARE(fields.mid(0, 5), own.split(u'\t'));
        QCOMPARE(fields.mid(5, 3), QStringList({"71000011", "座位\\t3", "seat7"}));
        QCOMPARE(QDateTime::fromString(fields[8], Qt::ISODate), summary.provenance.arrived);
        QCOMPARE(fields[9], QStringLiteral("甲；乙"));
    }

    // A counsellor's acceptance makes a marked record count: its summary and
    // its whole record show no marks, and the server logged who accepted it.
    void acceptingMakesAMarkedRecordCount()
    {
        useShippedBank();
        const QString code = QStringLiteral("7200001") + QChar(personCodeCheck("7200001"));
        CentreClient seat(m_server.conninfo(QStringLiteral("seat8")));
        QVERIFY2(seat.submit(QUuid::createUuid(), anxietyRecord(code, QStringLiteral("10"), QDateTime(QDate(2026, 10, 10), QTime(9, 0))),
                     QStringLiteral("108")),
            qPrintable(seat.error()));
        ServerStore store(m_server.conninfo(QStringLiteral("teacher")));
        QVERIFY(store.refusal(Store::Action::Accept).isEmpty());
        SummaryQuery query;
        query.filter.person = code;
        const auto before = answerOf(store.summaries(query));
        QVERIFY(before && before->size() == 1);
        const qint64 id = before->first().id;
        QCOMPARE(before->first().marks.size(), 3); // outside any sitting, not on the roster, a forged total
        const auto whole = answerOf(store.record(id));
        QVERIFY(whole);
        QCOMPARE(whole->marks, before->first().marks);
        QVERIFY(whole->provenance == before->first().provenance);
        QCOMPARE(answerOf(store.accept({id, -1})), 1);
        const auto after = answerOf(store.summaries(query));
        QVERIFY(after && after->size() == 1);
        QCOMPARE(after->first().marks, QStringList());
        QCOMPARE(answerOf(store.record(id))->marks, QStringList());
        QCOMPARE(scalar(QStringLiteral("SELECT accepted_by || ' ' || array_to_string(a.marks, ' ') FROM zentrova.acceptance_log a "
                                       "JOIN zentrova.records r ON r.uuid = a.record_uuid WHERE r.id = %1")
                            .arg(id)),
            QStringLiteral("teacher outside_sitting not_on_roster"));
    }

    // Sittings through the store and its window: opened for a class and a
    // test, listed, closed; a close of none is said; a seat and one's own
    // record file refuse them with a sentence.
    void sittingsThroughTheStore()
    {
        ServerStore store(m_server.conninfo(QStringLiteral("teacher")));
        QVERIFY(store.refusal(Store::Action::Sittings).isEmpty());
        ScriptedAnswers answers;
        answers.setYesNoDefault(MessageAnswer::Yes);
        SittingsWindow window(store, {{QStringLiteral("frm你可断吗"), QStringLiteral("你可断吗？")}, {QStringLiteral("frm考试焦虑"), QStringLiteral("考试焦虑度测试")}});
        auto *table = window.findChild<QTableWidget *>(QStringLiteral("tblSittings"));
        QVERIFY(table);
        const int before = int(answerOf(store.sittings())->size());
        QTRY_COMPARE(table->rowCount(), before);
        window.findChild<QLineEdit *>(QStringLiteral("txtSittingClass"))->setText(QStringLiteral("高二（6）班"));
        auto *tests = window.findChild<QListWidget *>(QStringLiteral("lstSittingTests"));
        const auto anxiety = tests->findItems(QStringLiteral("考试焦虑度测试"), Qt::MatchExactly);
        QCOMPARE(anxiety.size(), 1);
        anxiety.first()->setCheckState(Qt::Checked);
        const QDateTime opens(QDate(2025, 1, 6), QTime(8, 0));
        window.findChild<QDateTimeEdit *>(QStringLiteral("dtpSittingOpens"))->setDateTime(opens);
        window.findChild<QDateTimeEdit *>(QStringLiteral("dtpSittingCloses"))->setDateTime(opens.addSecs(-60));
        auto *open = window.findChild<QPushButton *>(QStringLiteral("cmdOpenSitting"));
        QTRY_VERIFY(open->isEnabled());
        open->click();
        QCOMPARE(answers.asked().size(), 1); // closes before it opens: said, nothing asked of the server
        window.findChild<QDateTimeEdit *>(QStringLiteral("dtpSittingCloses"))->setDateTime(opens.addSecs(3600));
        open->click();
        QTRY_COMPARE(table->rowCount(), before + 1);
        const auto listed = answerOf(store.sittings());
        QVERIFY(listed && listed->size() == before + 1);
        const auto mine
            = std::find_if(listed->begin(), listed->end(), [](const Sitting &s) { return s.group == QStringLiteral("高二（6）班"); });
        QVERIFY(mine != listed->end());
        const Sitting opened = *mine;
        QCOMPARE(opened.tests, QStringList({"frm考试焦虑"}));
        QCOMPARE(opened.opens, opens);
        QCOMPARE(opened.closes, opens.addSecs(3600));
        QCOMPARE(opened.openedBy + opened.closedBy, QStringLiteral("teacher"));

        // The window's row of the sitting, and who closed it there.
        const auto rowOf = [&] {
            const auto found = table->findItems(QString::number(opened.id), Qt::MatchExactly);
            return found.size() == 1 ? found.first()->row() : -1;
        };
        table->selectRow(rowOf());
        window.findChild<QPushButton *>(QStringLiteral("cmdCloseSitting"))->click();
        QTRY_COMPARE(rowOf() >= 0 ? table->item(rowOf(), 6)->text() : QString(), QStringLiteral("teacher"));
        QCOMPARE(answers.asked().size(), 2);
        QVERIFY(answers.asked().last().buttons == MessageButtons::YesNo);

        auto *none = store.closeSitting(999999);
        none->waitForDone();
        QCOMPARE(none->error(), QStringLiteral("测评中心的服务器上没有编号为 999999 的测评场次。"));

        LocalStore own(m_files.filePath(QStringLiteral("sittings.db")));
        SeatStore seat;
        for (Store *refusing : std::initializer_list<Store *> {&own, &seat}) {
            for (const Store::Action action : {Store::Action::Sittings, Store::Action::Accept})
                QVERIFY(!refusing->refusal(action).isEmpty());
            auto *refused = refusing->sittings();
            refused->waitForDone();
            QCOMPARE(refused->error(), refusing->refusal(Store::Action::Sittings));
            auto *notAccepted = refusing->accept({1});
            notAccepted->waitForDone();
            QCOMPARE(notAccepted->error(), refusing->refusal(Store::Action::Accept));
            SittingsWindow shut(*refusing, {});
            QCOMPARE(shut.findChild<QLabel *>(QStringLiteral("lblSittingsStatus"))->text(), refusing->refusal(Store::Action::Sittings));
            QVERIFY(!shut.findChild<QPushButton *>(QStringLiteral("cmdOpenSitting"))->isEnabled());
        }
    }
};

ZENTROVA_TEST_MAIN(CentreTest)
#include "tst_centre.moc"
