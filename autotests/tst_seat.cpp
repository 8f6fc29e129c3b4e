// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A seat's hand-in service, zentrova-seatd, started by the test on a socket
// and state folder of its own, against a PostgreSQL server of the test's own:
// a result handed in reaches the server once whatever the server does; a
// quiet server never holds it; a bad entry never blocks the others and a
// damaged one is never sent; nobody but the service reads what waits; it
// starts only on a setting a student cannot have changed. And the program at
// a seat: it hands each result in and forgets it, asks a 测评码 before every
// test, keeps nothing a student could read, and quits only when asked.

#include "drive.h"
#include "pgserver.h"
#include "testsupport.h"

#include "centre/centrefile.h"
#include "centre/handin.h"
#include "records/recordstore.h"
#include "centre/seatstore.h"
#include "reports/reportactions.h"
#include "seatd/seatoutbox.h"
#include "seatd/sender.h"
#include "shell/commandline.h"
#include "shell/mainwindow.h"
#include "shell/recordkeeping.h"
#include "shell/subject.h"

#include <QInputDialog>
#include <QMenu>
#include <QTimer>

#include <QJsonArray>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zentrova;
using namespace zentrova::testing;

namespace {

QJsonObject sampleResult(const QString &uuid, int total, const QString &person = QStringLiteral("12345672"))
{
    // Every item answered, as the server requires; one answer that needs
    // escaping on its way.
    QJsonArray answers {QJsonArray {"1", "带\"引号\"和\\"}};
    for (int item = 2; item <= 33; ++item)
        answers.append(QJsonArray {QString::number(item), "是"});
    return {{"uuid", uuid}, {"window", "frm考试焦虑"}, {"caption", "考试焦虑度测试"}, {"finished", "2026-12-07T09:26:53.589+08:00"},
        {"utcOffset", 8 * 3600}, {"elapsedMinutes", 7}, {"verdict", "50－74"}, {"person", person}, {"programVersion", "1.2"},
        {"bankSha256", "ab12"}, {"figures", QJsonArray {QJsonArray {"总分", QString::number(total)}}}, {"answers", answers}};
}

QString newUuid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

bool writeFile(const QString &path, const QByteArray &bytes, QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() && file.setPermissions(permissions);
}

// One message to the service and its answer; empty when none came.
QJsonObject ask(const QString &socket, const QByteArray &bytes)
{
    QLocalSocket client;
    client.connectToServer(socket);
    if (!client.waitForConnected(5000))
        return {};
    client.write(bytes);
    QByteArray buffer;
    QJsonObject reply;
    // The service answers a send within 30 s.
    while (client.waitForReadyRead(35000)) {
        buffer += client.readAll();
        if (handin::take(buffer, &reply) != handin::Taken::Incomplete)
            break;
    }
    return reply;
}

} // namespace

class SeatTest : public QObject
{
    Q_OBJECT

private:
    PgServer m_server;
    QTemporaryDir m_dir;
    QString m_state;
    QString m_socket;
    QString m_centre;
    QString m_password;
    QProcess m_service;
    QStringList m_arguments;

    QString scalar(const QString &sql)
    {
        const auto db = pg::connect(m_server.conninfo(QStringLiteral("postgres")).toStdString());
        const pg::Result result = pg::exec(db.get(), sql.toUtf8().constData());
        if (!pg::succeeded(result.get()) || PQntuples(result.get()) < 1)
            return QStringLiteral("failed: ") + QString::fromStdString(pg::lastError(db.get()));
        return QString::fromUtf8(PQgetvalue(result.get(), 0, 0));
    }
    int arrived(const QString &uuid) { return scalar(QStringLiteral("SELECT count(*) FROM zentrova.records WHERE uuid = '%1'").arg(uuid)).toInt(); }

    QString writeCentre(const QString &lines)
    {
        writeFile(m_centre, ("[centre]\n" + lines + "\nrole=seat\nname=101 室 3 号\n").toUtf8(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        return m_centre;
    }

    // By hand on its own socket; or, with activator, as systemd starts it:
    // on the socket systemd-socket-activate passes at the first connection.
    bool startService(const QString &activator = {}, const QStringList &extra = {})
    {
        m_service.setProcessChannelMode(QProcess::SeparateChannels);
        m_arguments = {"--state", m_state, "--centre", m_centre, "--password-file", m_password, "--retry-min-ms", "100",
            "--retry-max-ms", "400", "--deadline-ms", "1500", "--idle-ms", "200"};
        m_arguments += extra; // the last of an option given twice counts
        if (activator.isEmpty())
            m_service.start(qEnvironmentVariable("ZENTROVA_SEATD"), QStringList {"--socket", m_socket} + m_arguments);
        else
            m_service.start(activator, QStringList {"--listen", m_socket, qEnvironmentVariable("ZENTROVA_SEATD")} + m_arguments);
        if (!m_service.waitForStarted())
            return false;
        // Up once it answers; a wrong message is refused.
        for (int i = 0; i < 500 && m_service.state() == QProcess::Running; ++i) {
            if (!ask(m_socket, handin::frame({{"keep", QJsonObject()}})).isEmpty())
                return true;
            QTest::qWait(10);
        }
        return false;
    }

    // Stops the service; what it wrote to its log.
    QString stopService()
    {
        m_service.terminate();
        m_service.waitForFinished(10000);
        const QString log = QString::fromUtf8(m_service.readAllStandardError());
        // The service's own threads and timers: none used from a wrong thread.
        if (log.contains(QStringLiteral("QObject::")) || log.contains(QStringLiteral("Timers cannot")))
            qWarning("service's log: %s", qPrintable(log));
        return log;
    }

    QJsonObject keep(const QJsonObject &result) { return ask(m_socket, handin::frame({{"keep", result}})); }
    handin::SendCount sendNow() { return handin::SendCount::fromJson(ask(m_socket, handin::frame({{"send", true}}))); }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.error()));
        QProcess tool;
        tool.start(qEnvironmentVariable("ZENTROVA_CENTRE_TOOL"), {"init", m_server.conninfo(QStringLiteral("postgres"))});
        QVERIFY(tool.waitForFinished(60000) && tool.exitCode() == 0);
        QVERIFY2(m_server.exec("CREATE ROLE room101 LOGIN IN ROLE zentrova_seat"), qPrintable(m_server.error()));
        m_socket = m_dir.filePath(QStringLiteral("seat.socket"));
        m_centre = m_dir.filePath(QStringLiteral("centre.conf"));
        m_password = m_dir.filePath(QStringLiteral("seat.password"));
        QVERIFY(writeFile(m_password, "seat-secret\n"));
        // The suite's own: never the machine's /etc/zentrova.
        qputenv("ZENTROVA_SYSTEM_CENTRE_FILE", m_dir.filePath(QStringLiteral("no-system-centre.conf")).toUtf8());
    }

    void init()
    {
        failOnThreadWarnings();
        QTest::failOnWarning(QRegularExpression(QStringLiteral("^service's log")));
        m_state = m_dir.filePath(QStringLiteral("state-%1-%2").arg(QTest::currentTestFunction(), QTest::currentDataTag()).replace(u' ', u'-'));
        writeCentre(m_server.conninfo(QStringLiteral("room101")).prepend(QStringLiteral("connection=")));
    }

    void cleanup()
    {
        if (m_service.state() != QProcess::NotRunning)
            stopService();
    }

    // Handed in while the server is down: kept, and sent once the server is
    // back, without any command; handed in again, still one row.
    void handedInWhileTheServerIsDownArrivesOnce()
    {
        m_server.stop();
        QVERIFY(startService());
        const QString uuid = newUuid();
        QCOMPARE(keep(sampleResult(uuid, 61)), QJsonObject({{"kept", true}}));
        // Kept whole, readable by the service's user alone.
        const QString entry = m_state + QStringLiteral("/outbox/") + uuid + QStringLiteral(".entry");
        QVERIFY(QFile::exists(entry));
        QCOMPARE(QFile::permissions(entry) & 0x0077, QFile::Permissions());
        QCOMPARE(QFileInfo(m_state).permissions() & 0x0077, QFile::Permissions());
        const handin::SendCount down = sendNow();
        QCOMPARE(down.sent, 0);
        QCOMPARE(down.waiting, 1);
        QVERIFY(!down.problem.isEmpty());

        QVERIFY2(m_server.restart(), qPrintable(m_server.error()));
        QTRY_COMPARE_WITH_TIMEOUT(arrived(uuid), 1, 30000);
        QTRY_VERIFY(!QFile::exists(entry));
        QCOMPARE(keep(sampleResult(uuid, 61)), QJsonObject({{"kept", true}}));
        const handin::SendCount again = sendNow();
        QCOMPARE(again.waiting, 0);
        QCOMPARE(arrived(uuid), 1);
        QCOMPARE(scalar(QStringLiteral("SELECT submitted_by || ' ' || seat_name || ' ' || person_code FROM zentrova.records WHERE uuid = '%1'")
                            .arg(uuid)),
            QStringLiteral("room101 101 室 3 号 12345672"));
        // Connected only while there was something to send.
        QTRY_COMPARE(scalar("SELECT count(*) FROM pg_stat_activity WHERE application_name = 'zentrova-seatd'"), QStringLiteral("0"));
    }

    // A connection the server closed meanwhile (a restart) is made again
    // within the same call: the result goes at once, not after a pause.
    void aConnectionLostMeanwhileIsMadeAgain()
    {
        QVERIFY(startService({}, {"--idle-ms", "600000", "--retry-min-ms", "600000"}));
        const QString first = newUuid(), second = newUuid();
        QCOMPARE(keep(sampleResult(first, 58)), QJsonObject({{"kept", true}}));
        QTRY_COMPARE_WITH_TIMEOUT(arrived(first), 1, 30000);
        QTRY_COMPARE(scalar("SELECT count(*) FROM pg_stat_activity WHERE application_name = 'zentrova-seatd'"), QStringLiteral("1"));
        m_server.stop();
        QVERIFY2(m_server.restart(), qPrintable(m_server.error()));
        QCOMPARE(keep(sampleResult(second, 59)), QJsonObject({{"kept", true}}));
        const handin::SendCount count = sendNow();
        QVERIFY2(count.problem.isEmpty(), qPrintable(count.problem));
        QCOMPARE(count.waiting, 0);
        QCOMPARE(arrived(second), 1);
        // Never a failed pass on the way.
        QVERIFY(!stopService().contains(QStringLiteral("等待再送")));
    }

    // Started as systemd starts it, with the socket passed to it.
    void theServiceTakesItsSocketFromSystemd()
    {
        const QString activator = QStandardPaths::findExecutable(QStringLiteral("systemd-socket-activate"));
        if (activator.isEmpty())
            QSKIP("systemd-socket-activate is missing (Debian: systemd)");
        QFile::remove(m_socket);
        QVERIFY(startService(activator));
        const QString uuid = newUuid();
        QCOMPARE(keep(sampleResult(uuid, 60)), QJsonObject({{"kept", true}}));
        QTRY_COMPARE_WITH_TIMEOUT(arrived(uuid), 1, 30000);
        QVERIFY(stopService().contains(QStringLiteral("发送服务已启动")));
    }

    // A server that says nothing, or a table held locked, ends the call at
    // its deadline: the result waits, and the service still takes others.
    void aQuietServerEndsAtTheDeadline_data()
    {
        QTest::addColumn<bool>("silentPeer");
        QTest::newRow("silent peer") << true;
        QTest::newRow("locked table") << false;
    }
    void aQuietServerEndsAtTheDeadline()
    {
        QFETCH(bool, silentPeer);
        const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        QVERIFY(::bind(silent, reinterpret_cast<sockaddr *>(&address), length) == 0 && ::listen(silent, 4) == 0
            && ::getsockname(silent, reinterpret_cast<sockaddr *>(&address), &length) == 0);
        if (silentPeer)
            writeCentre(QStringLiteral("connection=host=127.0.0.1 port=%1 dbname=centre user=room101\ninsecure-transport=yes").arg(ntohs(address.sin_port)));
        const auto locker = pg::connect(m_server.conninfo(QStringLiteral("postgres")).toStdString());
        if (!silentPeer)
            QVERIFY(pg::succeeded(pg::exec(locker.get(), "BEGIN; LOCK TABLE zentrova.records IN ACCESS EXCLUSIVE MODE").get()));
        QVERIFY(startService());
        const QString uuid = newUuid();
        QCOMPARE(keep(sampleResult(uuid, 62)), QJsonObject({{"kept", true}}));
        const handin::SendCount count = sendNow();
        QCOMPARE(count.waiting, 1);
        QVERIFY2(count.problem.contains(silentPeer ? QStringLiteral("1500 毫秒内没有") : QStringLiteral("statement timeout")),
            qPrintable(count.problem));
        QCOMPARE(keep(sampleResult(newUuid(), 63)), QJsonObject({{"kept", true}}));
        ::close(silent);
        if (!silentPeer) {
            QVERIFY(pg::succeeded(pg::exec(locker.get(), "ROLLBACK").get()));
            QTRY_COMPARE_WITH_TIMEOUT(arrived(uuid), 1, 30000);
        }
        QVERIFY(stopService().contains(QStringLiteral("等待再送")));
    }

    // An entry the server refuses for good, or a damaged one, first in the
    // outbox: set aside and reported, never sent, and the next goes on.
    void aBadEntryIsSetAsideAndTheNextGoesOn_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("check constraint") << "check";
        QTest::newRow("server's refusal") << "raise";
        QTest::newRow("one byte changed") << "byte";
        QTest::newRow("cut short") << "cut";
        QTest::newRow("empty") << "empty";
        QTest::newRow("under another's name") << "renamed";
    }
    void aBadEntryIsSetAsideAndTheNextGoesOn()
    {
        QFETCH(QString, damage);
        QVERIFY(m_server.exec("CREATE OR REPLACE FUNCTION public.refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                              "RAISE EXCEPTION 'this seat is closed'; END $$;"
                              "DROP TRIGGER IF EXISTS refuse ON zentrova.records;"
                              "CREATE TRIGGER refuse BEFORE INSERT ON zentrova.records FOR EACH ROW WHEN (NEW.verdict = 'raise') "
                              "EXECUTE FUNCTION public.refuse();"
                              "ALTER TABLE zentrova.records DROP CONSTRAINT IF EXISTS no_check;"
                              "ALTER TABLE zentrova.records ADD CONSTRAINT no_check CHECK (verdict <> 'check')"));
        seatd::SeatOutbox outbox(m_state);
        QCOMPARE(outbox.prepare(), QString());
        const QString bad = newUuid(), good = newUuid();
        QJsonObject badResult = sampleResult(bad, 64);
        if (damage == "check" || damage == "raise")
            badResult.insert("verdict", damage);
        QByteArray bytes = seatd::SeatOutbox::entryBytes(badResult, 1);
        if (damage == "byte")
            bytes[bytes.indexOf("\"64\"") + 2] = '5'; // 总分 65: what a changed answer would show
        else if (damage == "cut")
            bytes.chop(10);
        else if (damage == "empty")
            bytes.clear();
        const QString badFile = (damage == "renamed" ? newUuid() : bad) + QStringLiteral(".entry");
        QVERIFY(writeFile(outbox.outboxFolder() + u'/' + badFile, bytes));
        QVERIFY(writeFile(outbox.outboxFolder() + u'/' + good + ".entry", seatd::SeatOutbox::entryBytes(sampleResult(good, 66), 2)));

        QVERIFY(startService());
        QTRY_COMPARE_WITH_TIMEOUT(arrived(good), 1, 30000);
        QCOMPARE(arrived(bad), 0);
        QVERIFY(QFile::exists(outbox.setAsideFolder() + u'/' + badFile));
        const handin::SendCount count = sendNow();
        QCOMPARE(count.waiting, 0);
        QCOMPARE(count.setAside, 1);
        QVERIFY(count.sentence().contains(QStringLiteral("1 条被搁置")));
        QVERIFY(stopService().contains(badFile + QStringLiteral(" 已搁置")));
    }

    // What waits cannot be read as "nothing waits".
    void anOutboxThatCannotBeReadIsReported()
    {
        QVERIFY(startService());
        QVERIFY(QDir(m_state + QStringLiteral("/outbox")).removeRecursively());
        QVERIFY(writeFile(m_state + QStringLiteral("/outbox"), "not a folder"));
        const handin::SendCount count = sendNow();
        QVERIFY(count.unreadable);
        QVERIFY2(count.sentence().startsWith(QStringLiteral("不知道有多少")), qPrintable(count.sentence()));
        const QJsonObject refused = keep(sampleResult(newUuid(), 67));
        QVERIFY(refused.value("refused").toString().contains(QStringLiteral("无法保存")));
    }

    // Another user of the seat may hand in, and read neither what waits nor
    // the password.
    void anotherUserReadsNothing()
    {
        if (::geteuid() != 0)
            QSKIP("needs root, to act as another user");
        QVERIFY(startService());
        const QString uuid = newUuid();
        m_server.stop();
        QCOMPARE(keep(sampleResult(uuid, 68)), QJsonObject({{"kept", true}}));
        QVERIFY(QFileInfo(m_socket).permissions() & QFile::WriteOther);
        // The temporary folder itself is open to all, as /run/zentrova is.
        QVERIFY(QFile::setPermissions(m_dir.path(), QFile::Permissions(0x7755)));
        for (const QString &path : {m_state + QStringLiteral("/outbox/") + uuid + QStringLiteral(".entry"), m_password}) {
            QProcess reader;
            reader.start(QStringLiteral("runuser"), {"-u", "nobody", "--", "cat", path});
            QVERIFY(reader.waitForFinished(10000));
            QVERIFY2(reader.exitCode() != 0 && reader.readAllStandardOutput().isEmpty(), qPrintable(path));
        }
        QVERIFY(m_server.restart());
        QTRY_COMPARE_WITH_TIMEOUT(arrived(uuid), 1, 30000);
    }

    // Started only on a setting the seat's administrator made.
    void theServiceStartsOnlyOnASafeSetting_data()
    {
        QTest::addColumn<QString>("connection");
        QTest::addColumn<QString>("change"); // what is done to the files
        QTest::addColumn<QString>("said");   // empty: it starts and sends
        QTest::newRow("Unix socket") << "" << "" << "";
        QTest::newRow("TCP without TLS") << "host=127.0.0.1 port=9" << "" << "sslmode=prefer";
        QTest::newRow("sslmode=disable") << "host=db.school sslmode=disable" << "" << "sslmode=disable";
        QTest::newRow("sslmode=require") << "host=db.school sslmode=require" << "" << "sslmode=require";
        QTest::newRow("centre file writable by others") << "" << "centre o+w" << "只有 root 能修改";
        QTest::newRow("centre file not root's") << "" << "centre nobody" << "必须属于 root";
        QTest::newRow("password readable by others") << "" << "password o+r" << "其他用户也能读取";
        QTest::newRow("another file than the system's") << "" << "system" << "不能另用";
    }
    void theServiceStartsOnlyOnASafeSetting()
    {
        QFETCH(QString, connection);
        QFETCH(QString, change);
        QFETCH(QString, said);
        writeCentre(QStringLiteral("connection=") + (connection.isEmpty() ? m_server.conninfo(QStringLiteral("room101")) : connection + " dbname=centre"));
        const QString system = m_dir.filePath(QStringLiteral("system-centre.conf"));
        if (change == "centre o+w")
            QVERIFY(QFile::setPermissions(m_centre, QFile::permissions(m_centre) | QFile::WriteOther));
        if (change == "centre nobody")
            QVERIFY(::chown(QFile::encodeName(m_centre).constData(), 65534, 65534) == 0);
        if (change == "password o+r")
            QVERIFY(QFile::setPermissions(m_password, QFile::permissions(m_password) | QFile::ReadOther));
        if (change == "system") {
            QVERIFY(QFile::copy(m_centre, system));
            qputenv("ZENTROVA_SYSTEM_CENTRE_FILE", system.toUtf8());
        }
        QProcess once;
        once.start(qEnvironmentVariable("ZENTROVA_SEATD"),
            {"--send-once", "--state", m_state, "--centre", m_centre, "--password-file", m_password, "--deadline-ms", "1500"});
        QVERIFY(once.waitForFinished(30000));
        const QString output = QString::fromUtf8(once.readAllStandardOutput() + once.readAllStandardError());
        qputenv("ZENTROVA_SYSTEM_CENTRE_FILE", m_dir.filePath(QStringLiteral("no-system-centre.conf")).toUtf8());
        QFile::remove(system);
        QVERIFY(writeFile(m_password, "seat-secret\n"));
        QFile::remove(m_centre);
        if (said.isEmpty()) {
            QVERIFY2(once.exitCode() == 0 && output.contains(QStringLiteral("还有 0 条等待发送")), qPrintable(output));
        } else {
            QVERIFY2(once.exitCode() == 1 && output.contains(said), qPrintable(output));
            // Nothing made or sent on a setting refused.
            QVERIFY(!QFileInfo::exists(m_state));
        }
    }

    // Only the protocol is understood; the service goes on after anything else.
    void anythingButAResultIsRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("refused"); // empty: the connection is just closed
        QTest::newRow("HTTP") << QByteArray("GET / HTTP/1.0\r\n\r\n") << "无法理解";
        QTest::newRow("too long") << QByteArray("ZSH1\x7f\xff\xff\xff", 8) << "无法理解";
        QTest::newRow("not JSON") << (QByteArray("ZSH1\0\0\0\3", 8) + "{{{") << "无法理解";
        QTest::newRow("a question") << handin::frame({{"list", true}}) << "无法理解";
        QTest::newRow("no code") << handin::frame({{"keep", sampleResult(newUuid(), 1, {})}}) << "测评码“”无效";
        QTest::newRow("lower-case x") << handin::frame({{"keep", sampleResult(newUuid(), 1, "11010519491231002x")}}) << "无效";
        QTest::newRow("no uuid") << handin::frame({{"keep", sampleResult({}, 1)}}) << "uuid";
        QTest::newRow("half a frame") << QByteArray("ZSH1\0\0\0\x10{", 9) << "";
    }
    void anythingButAResultIsRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, refused);
        QVERIFY(startService());
        const QJsonObject reply = ask(m_socket, bytes);
        QVERIFY2(reply.value("refused").toString().contains(refused), qPrintable(reply.value("refused").toString()));
        QVERIFY(refused.isEmpty() || reply.size() == 1);
        QCOMPARE(QDir(m_state + QStringLiteral("/outbox")).entryList(QDir::Files | QDir::Hidden).size(), 0);
        QCOMPARE(keep(sampleResult(newUuid(), 2)), QJsonObject({{"kept", true}}));
    }

    // The program at a seat, with the service the test started: a result is
    // handed in and forgotten with its code; a cancelled question opens no
    // test; nothing is offered or written that a student could read later.
    void theProgramHandsInAndForgets()
    {
        QVERIFY(startService());
        qputenv("ZENTROVA_SEAT_SOCKET", m_socket.toUtf8());
        const QString recordFile = m_dir.filePath(QStringLiteral("seat-account-records.db"));
        RecordStore::setDefaultPath(recordFile);
        useShippedBank();
        Centre centre;
        centre.connection = m_server.conninfo(QStringLiteral("room101"));
        setCurrentCentre({centre, {}, {}});
        const QString sent = QStringLiteral("SELECT count(*) FROM zentrova.records WHERE person_code = '11010519491231002X'");
        const int before = scalar(sent).toInt();
        {
            MainWindow main;
            ScriptedAnswers answers;
            auto *person = main.findChild<QAction *>(QStringLiteral("mnuRecordsPerson"));
            main.recordKeeping().setPerson(QStringLiteral("11010519491231002X"));
            QCOMPARE(person->text(), QStringLiteral("当前受测者(&P)…"));
            QVERIFY(openFromMenu(main, QStringLiteral("frm考试焦虑"), [&](QDialog *window) {
                answerItems(window, [](int) { return 0; }, pressesToFinish(QStringLiteral("frm考试焦虑")));
                QVERIFY(showResult(window));
                QVERIFY(window->findChildren<ReportActions *>().isEmpty());
                QTRY_COMPARE_WITH_TIMEOUT(int(answers.asked().size()), 1, 15000);
                QCOMPARE(answers.asked().first().text, seat::handedIn());
                window->reject();
            }));
            QTRY_COMPARE_WITH_TIMEOUT(scalar(sent).toInt(), before + 1, 30000);
            QCOMPARE(main.recordKeeping().person(), QString());

            // The next test asks again; cancelled, it does not open.
            bool asked = false, opened = false;
            QTimer typist;
            connect(&typist, &QTimer::timeout, this, [&] {
                if (auto *question = qobject_cast<QInputDialog *>(QApplication::activeModalWidget())) {
                    asked = true;
                    question->reject();
                } else if (auto *other = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                    opened = true;
                    other->reject();
                }
            });
            typist.start(10);
            testAction(main, QStringLiteral("frm考试焦虑"))->trigger();
            typist.stop();
            QVERIFY(asked);
            QVERIFY(!opened);
        }
        QVERIFY(!QFileInfo::exists(recordFile));
        setCurrentCentre({});
        RecordStore::setDefaultPath({});
        QVERIFY(visibleTopLevels().isEmpty());
    }

    // With the service gone the result stays in memory only: the student is
    // told to call the teacher, quitting asks first, and the result is
    // handed in once the service is back.
    void aResultTheServiceDidNotTakeIsHeldAndHandedInLater()
    {
        qputenv("ZENTROVA_SEAT_SOCKET", m_socket.toUtf8());
        QFile::remove(m_socket);
        useShippedBank();
        Centre centre;
        centre.connection = m_server.conninfo(QStringLiteral("room101"));
        setCurrentCentre({centre, {}, {}});
        const QString code = QStringLiteral("12345672");
        const QString sent = QStringLiteral("SELECT count(*) FROM zentrova.records WHERE person_code = '%1'").arg(code);
        const int before = scalar(sent).toInt();
        {
            MainWindow main;
            main.show();
            ScriptedAnswers answers;
            main.recordKeeping().setPerson(code);
            QVERIFY(openFromMenu(main, QStringLiteral("frm考试焦虑"), [&](QDialog *window) {
                answerItems(window, [](int) { return 0; }, pressesToFinish(QStringLiteral("frm考试焦虑")));
                QVERIFY(showResult(window));
                QTRY_COMPARE_WITH_TIMEOUT(int(answers.asked().size()), 1, 15000);
                window->reject();
            }));
            QVERIFY2(answers.asked().first().text.contains(QStringLiteral("请老师来处理")), qPrintable(answers.asked().first().text));
            auto *seatStore = main.recordKeeping().findChild<SeatStore *>();
            QCOMPARE(seatStore->pending(), 1);
            answers.clear();
            answers.push(MessageAnswer::No);
            main.close();
            QVERIFY(main.isVisible());
            QVERIFY(answers.asked().first().text.contains(QStringLiteral("没能交给本机的发送服务")));

            QVERIFY(startService());
            // The retry's pause, not waited for.
            main.recordKeeping().findChild<QTimer *>(QStringLiteral("tmrHandInRetry"))->start(0);
            QTRY_COMPARE_WITH_TIMEOUT(seatStore->pending(), 0, 15000);
            QTRY_COMPARE_WITH_TIMEOUT(scalar(sent).toInt(), before + 1, 30000);
            answers.clear();
            main.close();
            QVERIFY(!main.isVisible());
            QVERIFY(answers.asked().isEmpty());
        }
        setCurrentCentre({});
        QVERIFY(visibleTopLevels().isEmpty());
    }

    // The command line at a seat: --person as the question takes it,
    // --sync-records through the service (or, as root without it, the
    // service's own program), and no centre file but the system's.
    void theCommandLineAtASeat_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("serviceUp");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");
        QTest::newRow("sync") << QStringList {"--sync-records"} << true << 0 << "还有 0 条等待发送";
        QTest::newRow("sync as root, service down") << QStringList {"--sync-records"} << false << 0 << "已送出 1 条测评结果，还有 0 条等待发送";
        QTest::newRow("another centre file") << QStringList {"--sync-records", "system"} << true << 1 << "不能另用";
        QTest::newRow("the user's file beside the system's") << QStringList {"--sync-records", "system", "user"} << true << 0 << "不予采用";
        QTest::newRow("lists") << QStringList {"--list-records"} << true << 1 << seatRefusal();
    }
    void theCommandLineAtASeat()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, serviceUp);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        if (!serviceUp && ::geteuid() != 0)
            QSKIP("needs root");
        seatd::SeatOutbox outbox(m_state);
        QCOMPARE(outbox.prepare(), QString());
        const QString uuid = newUuid();
        QVERIFY(writeFile(outbox.outboxFolder() + u'/' + uuid + ".entry", seatd::SeatOutbox::entryBytes(sampleResult(uuid, 69), 1)));
        if (serviceUp)
            QVERIFY(startService());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ZENTROVA_SEAT_SOCKET", m_socket);
        environment.insert("ZENTROVA_SEATD_STATE", m_state);
        environment.insert("ZENTROVA_SEAT_PASSWORD", m_password);
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        if (arguments.removeAll("system") > 0) {
            QVERIFY(QFile::copy(m_centre, m_dir.filePath(QStringLiteral("system.conf"))));
            environment.insert("ZENTROVA_SYSTEM_CENTRE_FILE", m_dir.filePath(QStringLiteral("system.conf")));
        }
        // A student's own file, pointing elsewhere: never read.
        QStringList centreOption {"--centre", m_centre};
        if (arguments.removeAll("user") > 0) {
            QVERIFY(QDir(m_state).mkpath(QStringLiteral("home/zentrova")));
            QVERIFY(writeFile(m_state + QStringLiteral("/home/zentrova/centre.conf"), "[centre]\nconnection=host=relay.example\nrole=seat\n"));
            environment.insert("XDG_CONFIG_HOME", m_state + QStringLiteral("/home"));
            centreOption.clear();
        }
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(qEnvironmentVariable("ZENTROVA_PROGRAM"), centreOption + arguments);
        QVERIFY(program.waitForFinished(60000));
        QFile::remove(m_dir.filePath(QStringLiteral("system.conf")));
        const QString output = QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError());
        QVERIFY2(program.exitCode() == exitCode && output.contains(said), qPrintable(output));
        if (exitCode == 0)
            QCOMPARE(arrived(uuid), 1);

        // As typed at the question: a lower-case check character is filed as X.
        const CommandLine command = parseCommandLine({"zentrova", "--centre", m_centre, "--person", " 11010519491231002x"});
        useFiles(command);
        QCOMPARE(useCentre(command), QString());
        QCOMPARE(currentSubject().person, QStringLiteral("11010519491231002X"));
        currentSubject() = {};
        setCurrentCentre({});
    }

    void pausesGrowFromFiveSecondsToFiveMinutes_data()
    {
        QTest::addColumn<int>("failures");
        QTest::addColumn<int>("least");
        QTest::newRow("first") << 1 << 5000;
        QTest::newRow("second") << 2 << 10000;
        QTest::newRow("sixth") << 6 << 160000;
        QTest::newRow("seventh") << 7 << 300000;
        QTest::newRow("hundredth") << 100 << 300000;
    }
    void pausesGrowFromFiveSecondsToFiveMinutes()
    {
        QFETCH(int, failures);
        QFETCH(int, least);
        const int pause = seatd::retryPause(failures, 5000, 300000);
        QVERIFY2(pause >= least && pause <= qMin(300000, least * 5 / 4), qPrintable(QString::number(pause)));
    }
};

ZENTROVA_TEST_MAIN(SeatTest)
#include "tst_seat.moc"
