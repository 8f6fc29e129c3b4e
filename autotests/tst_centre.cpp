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
#include "centre/centrestore.h"
#include "centre/personcode.h"
#include "recordwindows/recordswindow.h"
#include "shell/mainwindow.h"
#include "shell/recordkeeping.h"

#include <QInputDialog>
#include <QProcess>
#include <QTableView>
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
    record.answers = {{QStringLiteral("1"), QStringLiteral("是")}, {QStringLiteral("2"), QStringLiteral("否")}};
    record.person = person;
    record.programVersion = QStringLiteral("1.1");
    record.bankSha256 = QStringLiteral("ab12");
    return record;
}

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
        process.start(qEnvironmentVariable("ZENTROVA_CENTRE_TOOL"), arguments);
        if (!process.waitForFinished(60000))
            return -1;
        if (errors)
            *errors = QString::fromUtf8(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QString csv(const QString &name, const QByteArray &text)
    {
        QFile file(m_files.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            return {};
        return file.fileName();
    }

private slots:
    void init() { zentrova::testing::failOnThreadWarnings(); }
    void initTestCase()
    {
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

    // Two administrators setting up one database at once: each step once.
    void initTwiceAtOnce()
    {
        QVERIFY(m_server.exec(QStringLiteral("CREATE DATABASE second")));
        const QString second = QStringLiteral("host=%1 user=postgres dbname=second").arg(m_server.socketFolder());
        QProcess first, other;
        for (QProcess *init : {&first, &other})
            init->start(qEnvironmentVariable("ZENTROVA_CENTRE_TOOL"), {"init", second});
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

        CentreClient counsellor(teacher);
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
        QVERIFY(people.contains(CentreClient::unknownPerson(QStringLiteral("52"))));
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
        QCOMPARE(sqlite3_exec(db, "DROP TABLE outbox; ALTER TABLE records DROP COLUMN person_group; PRAGMA user_version = 1", nullptr, nullptr, nullptr), SQLITE_OK);
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
        const QDateTime later(QDate(2031, 1, 1), QTime(8, 0), Qt::OffsetFromUTC, 8 * 3600);
        for (int i = CentreClient::PageSize; i >= 0; --i) {
            Record record = sampleRecord(code, i);
            record.finished = later.addSecs(60 * i);
            record.answers.append({QString::number(i), QStringLiteral("是")});
            QVERIFY2(seat.submit(QUuid::createUuid(), record, QStringLiteral("106")), qPrintable(seat.error()));
        }
        CentreStore counsellor({{}, m_server.conninfo(QStringLiteral("teacher")), Centre::Role::Counsellor, {}}, {});
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
                    if (record.answers.size() != 3 || record.answers.last().item != QString::number(totals.last()))
                        totals << -1;
                }
                return true;
            });
        QVERIFY2(walked, qPrintable(counsellor.error()));
        QVERIFY(names.contains(QStringLiteral("总分")));
        QList<int> expected(CentreClient::PageSize + 1);
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
        Centre centre;
        centre.connection = m_server.conninfo(QStringLiteral("teacher"));
        centre.role = Centre::Role::Counsellor;
        setCurrentCentre({centre, {}, {}});
        useCentreStore(centre, {}, true);
        {
            RecordsWindow window;
            auto *table = window.findChild<QTableView *>();
            int row = -1;
            for (int i = 0; i < table->model()->rowCount(); ++i) {
                for (int column = 0; column < table->model()->columnCount(); ++column) {
                    if (table->model()->index(i, column).data().toString() == QStringLiteral("李雷"))
                        row = i;
                }
            }
            QVERIFY(row >= 0);
            table->selectRow(row);
            QCOMPARE(window.shownRecord()->figures.first().value, QStringLiteral("33"));
            ScriptedAnswers answers({MessageAnswer::Yes});
            window.deleteSelected();
            QCOMPARE(answers.asked().size(), 1);
        }
        RecordSource::setOpener({});
        setCurrentCentre({});
        QCOMPARE(scalar(QStringLiteral("SELECT deleted_by FROM zentrova.deletion_log WHERE record_uuid = '%1'")
                            .arg(uuid.toString(QUuid::WithoutBraces))),
            QStringLiteral("teacher"));
    }

    void rosterImportNamesBadLines_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("problem"); // empty: imported
        QTest::newRow("codes made, quoted comma") << QByteArray("测评码,姓名,班级\n,李四,\"初二,3班\"\n,王五,初二\n") << QString();
        QTest::newRow("wrong check character") << QByteArray("测评码,姓名,班级\n,李四,初二\n110105194912310021,王五,初二\n")
                                               << ":3: 测评码 110105194912310021 is not";
        QTest::newRow("no name") << QByteArray("测评码,姓名,班级\r\n,李四,初二\r\n,,初二\r\n") << ":3: the name";
        QTest::newRow("code twice") << QByteArray("测评码,姓名,班级\n12345672,甲,一\n\"line\nbreak\",乙,一\n12345672,丙,一\n")
                                    << ":5: 测评码 12345672 is already on line 2";
        QTest::newRow("two fields") << QByteArray("测评码,姓名,班级\n,李四\n") << ":2: expected 3 fields";
        QTest::newRow("no header") << QByteArray(",李四,初二\n") << ":1: the first line must be the header";
        QTest::newRow("GBK") << QByteArray("\xb2\xe2\xc6\xc0\xc2\xeb,\xd0\xd5\xc3\xfb,\xb0\xe0\xbc\xb6\n") << "not UTF-8";
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
            QVERIFY(lines.contains(
                QStringLiteral("%1,李四,\"初二,3班\"").arg(lines.filter(QStringLiteral("李四")).value(0).section(u',', 0, 0))));
        } else {
            QVERIFY2(errors.contains(problem), qPrintable(errors));
            QCOMPARE(scalar("SELECT count(*) FROM zentrova.roster"), before);
        }
    }
};

ZENTROVA_TEST_MAIN(CentreTest)
#include "tst_centre.moc"
