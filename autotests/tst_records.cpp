// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "records/localstore.h"
#include "records/recordstore.h"
#include "records/safesave.h"
#include "shell/commandline.h"
#include "testsupport.h"

#include <cstdio>
#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QtTest>

#include <sqlite3.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zentrova;
using namespace zentrova::testing;


namespace {

Record sampleRecord(const QString &person = QStringLiteral("李雷, \"小李\"\n二班"))
{
    Record record;
    record.window = "frm你可断吗";
    record.caption = "你可断吗？";
    record.finished = QDateTime(QDate(2026, 3, 1), QTime(14, 5, 9, 123), Qt::OffsetFromUTC, 8 * 3600);
    record.elapsedMinutes = 12;
    record.figures = {{"总分", "23"}};
    record.verdict = "16－25分";
    record.answers = {{"1", "A：是"}, {"2", "B：有时，如此"}};
    record.person = person;
    record.programVersion = "1.0";
    record.bankSha256 = QString(64, u'a');
    return record;
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void sql(const QString &path, const char *statements)
{
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    QCOMPARE(sqlite3_exec(db, statements, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

// The files a program leaves when it is killed: statements run on from, whose
// files are copied to to's before the connection closes (a small cache writes
// an open transaction into the file itself).
void leaveBehind(const QString &from, const QByteArray &statements, const QString &to)
{
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(from).constData(), &db);
    QCOMPARE(sqlite3_exec(db, statements.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    for (const QString suffix : {"", "-journal", "-wal"}) {
        if (QFile::exists(from + suffix))
            QVERIFY(QFile::copy(from + suffix, to + suffix));
    }
    sqlite3_close(db);
}
const QByteArray CutShort = "PRAGMA cache_size = 1; BEGIN; ";

int modeOf(const QString &path)
{
    struct stat status = {};
    ::stat(QFile::encodeName(path).constData(), &status);
    return int(status.st_mode & 0777);
}

// Records as a spreadsheet reads them (RFC 4180).
QList<QStringList> parseCsv(const QString &text)
{
    QList<QStringList> rows{{}};
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted && c == u'"' && i + 1 < text.size() && text[i + 1] == u'"')
            field += text[++i];
        else if (c == u'"')
            quoted = !quoted;
        else if (!quoted && (c == u',' || c == u'\n')) {
            rows.last() << field;
            field.clear();
            if (c == u'\n')
                rows << QStringList();
        } else if (quoted || c != u'\r')
            field += c;
    }
    rows.removeLast(); // after the closing line break
    return rows;
}

// A second copy of the program saving: the child of twoCopiesSaveAtOnce.
int addRecords(const QString &path, int count, const QString &person)
{
    RecordStore store(path);
    for (int i = 0; i < count; ++i) {
        if (!store.add(sampleRecord(person))) {
            std::fprintf(stderr, "%s\n", qPrintable(store.error()));
            return 1;
        }
    }
    return 0;
}

} // namespace

class RecordsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private slots:
    void init() { zentrova::testing::failOnThreadWarnings(); }
    void initTestCase()
    {
        setApplicationIdentity();
        // No test touches the records of whoever runs it.
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath("share")));
    }

    void roundTrip_data()
    {
        QTest::addColumn<ShownResult>("shown");
        QTest::addColumn<QString>("person");
        QTest::addColumn<QString>("group");
        QTest::addColumn<QDateTime>("finished"); // invalid: now
        QTest::addColumn<QString>("verdict");    // as kept
        const QList<ShownResult::Answer> answers{{"1", "A：是"}, {"2", "B：有时，如此"}};
        const QDateTime east(QDate(2026, 3, 1), QTime(14, 5, 9, 123), Qt::OffsetFromUTC, 8 * 3600);
        const QDateTime west(QDate(2026, 12, 31), QTime(23, 59), Qt::OffsetFromUTC, -(5 * 3600 + 1800));
        QTest::newRow("total in a band, person, elapsed time, +08:00")
            << ShownResult{"frm你可断吗", 12, {{"总分", "23"}}, {}, answers} << "李雷" << "初二（3）班" << east << "16－25分";
        QTest::newRow("total under an open band, now")
            << ShownResult{"frm你的爱情分值", {}, {{"总分", "24分"}}, {}, answers} << "" << "" << QDateTime() << "不足25分";
        QTest::newRow("total where two bands meet: the first")
            << ShownResult{"frm逻辑思维能力测试", {}, {{"总分", "25"}}, {}, {}} << "" << "" << QDateTime() << "25个以上";
        QTest::newRow("total in no band") << ShownResult{"frm你可断吗", {}, {{"总分", "-1"}}, {}, {}} << "" << "" << QDateTime() << "";
        QTest::newRow("no total shown") << ShownResult{"frm你可断吗", {}, {{"总分", ""}}, {}, {}} << "" << "" << QDateTime() << "";
        QTest::newRow("the view's verdict, two figures, -05:30")
            << ShownResult{"frm性格内向或外向", {}, {{"外向", "7"}, {"内向", "13"}}, "内向性格", {{"12（2）", "是"}}} << "" << "一班" << west
            << "内向性格";
    }
    void roundTrip()
    {
        QFETCH(ShownResult, shown);
        QFETCH(QString, person);
        QFETCH(QString, group);
        QFETCH(QDateTime, finished);
        QFETCH(QString, verdict);
        Record record = Record::fromShown(shown, "测试", person, QString(64, u'a'), group);
        QCOMPARE(record.verdict, verdict);
        if (finished.isValid())
            record.finished = finished;
        RecordStore store;
        const QString folder = QFileInfo(store.path()).path();
        QCOMPARE(folder, m_home.filePath("share/zentrova"));
        store.removeAll();
        const auto first = store.add(record);
        LocalStore shell(store.path()); // saved as the shell saves a result
        auto *kept = shell.keep(record);
        kept->waitForDone();
        QVERIFY2(first && kept->error().isEmpty(), qPrintable(store.error() + kept->error()));
        const std::optional<qint64> second = kept->value().id;
        QVERIFY(store.remove({*first}));

        record.id = *second;
        const auto back = store.record(*second);
        QVERIFY2(back, qPrintable(store.error()));
        QCOMPARE(*back, record);
        QCOMPARE(back->finished.offsetFromUtc(), record.finished.offsetFromUtc());
        // A figure left behind by another tool belongs to no record shown.
        sql(store.path(), "INSERT OR REPLACE INTO figures VALUES (9999, 0, '总分', '1')");
        const auto all = store.records();
        QVERIFY2(all && all->size() == 1, qPrintable(store.error()));
        QCOMPARE(all->first(), record);
        QVERIFY(!store.record(*first));
        const auto summaries = store.summaries();
        QVERIFY(summaries && summaries->size() == 1);
        QCOMPARE(summaries->first().resultLine, record.resultLine());
        QCOMPARE(summaries->first().total, record.total());
        QCOMPARE(summaries->first().group, group);
        QCOMPARE(modeOf(store.path()), 0600);
        QCOMPARE(modeOf(folder), 0700);
    }

    // A file from before groups reads as it is, with no groups, and gains
    // them at the next save.
    void olderFileGainsGroups()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("records.db");
        RecordStore store(path);
        QVERIFY(store.add(sampleRecord()));
        sql(path, AsFirstReleaseLeftIt);
        const auto before = store.summaries();
        QVERIFY2(before && before->size() == 1 && before->first().group.isEmpty(), qPrintable(store.error()));
        Record grouped = sampleRecord();
        grouped.group = "初二（3）班";
        const auto id = store.add(grouped);
        QVERIFY2(id, qPrintable(store.error()));
        const auto records = store.records();
        QVERIFY(records && records->size() == 2);
        QCOMPARE(records->first().group, grouped.group);
        QCOMPARE(records->last().group, QString());
        QCOMPARE(records->first().person, grouped.person);
    }

    void refusesAndKeepsEveryByte_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("says");
        QTest::addColumn<bool>("readable"); // whether the records can still be listed
        QTest::newRow("damaged") << "damaged" << "已损坏" << false;
        QTest::newRow("the question bank") << "bank" << "不是本程序的测评记录文件" << false;
        QTest::newRow("another program's database") << "foreign" << "不是本程序的测评记录文件" << false;
        QTest::newRow("another program's WAL database") << "foreign WAL" << "不是本程序的测评记录文件" << false;
        QTest::newRow("another program's database, its save cut short") << "foreign hot journal" << "不是本程序的测评记录文件" << false;
        QTest::newRow("version 0") << "version 0" << "已损坏" << false;
        QTest::newRow("version -1") << "version -1" << "已损坏" << false;
        QTest::newRow("a planted trigger") << "trigger" << "不属于本程序" << true;
        QTest::newRow("cut inside its last page") << "cut" << "已损坏" << true;
        QTest::newRow("a planted journal link") << "journal link" << "符号链接" << false;
        QTest::newRow("a text file") << "text" << "不是测评记录文件" << false;
        QTest::newRow("a folder") << "folder" << "文件夹" << false;
        QTest::newRow("written by a newer version") << "newer" << "较新版本" << true;
        QTest::newRow("locked by another copy") << "locked" << "占用" << true;
        QTest::newRow("disk full (file size limit)") << "full" << "超出" << true;
        QTest::newRow("read-only file") << "read-only" << "权限" << true;
        QTest::newRow("unreadable file") << "unreadable" << "权限" << false;
        QTest::newRow("read-only folder, new file") << "read-only folder" << "权限" << true;
    }
    void refusesAndKeepsEveryByte()
    {
        QFETCH(QString, kind);
        QFETCH(QString, says);
        QFETCH(bool, readable);
        if (kind.contains("read") && geteuid() == 0)
            QSKIP("root reads and writes whatever the file modes say");
        QTemporaryDir dir;
        const QString path = dir.filePath(kind == "bank" ? "Lumvex.mdb" : "records.db");
        if (kind == "bank") {
            QVERIFY(QFile::copy(shippedBankPath(), path));
        } else if (kind == "foreign") {
            sql(path, "CREATE TABLE notes (text); INSERT INTO notes VALUES ('mine');");
        } else if (kind == "foreign WAL") {
            leaveBehind(dir.filePath("other.db"), "PRAGMA journal_mode = WAL; CREATE TABLE notes (text); INSERT INTO notes VALUES ('mine');",
                path);
        } else if (kind == "foreign hot journal") {
            const QString other = dir.filePath("other.db");
            sql(other, "CREATE TABLE notes (text); INSERT INTO notes VALUES ('mine');");
            leaveBehind(other, CutShort + "INSERT INTO notes VALUES (randomblob(100000));", path);
        } else if (kind == "text") {
            writeFile(path, "SQLite format 3? No, a shopping list.\n");
        } else if (kind == "folder") {
            QVERIFY(QDir().mkdir(path));
        } else if (kind != "read-only folder") {
            QVERIFY(RecordStore(path).add(sampleRecord()));
        }
        if (kind == "damaged") {
            QByteArray bytes = bytesOf(path);
            for (qsizetype i = 4096; i < bytes.size(); ++i)
                bytes[i] = char(i * 7);
            writeFile(path, bytes);
        } else if (kind == "newer") {
            sql(path, "PRAGMA user_version = 1000");
        } else if (kind.startsWith("version")) {
            sql(path, ("PRAGMA user_version = " + kind.mid(8).toLatin1()).constData());
        } else if (kind == "trigger") {
            sql(path, "CREATE TRIGGER t AFTER INSERT ON records BEGIN DELETE FROM records WHERE id <> NEW.id; END;");
        } else if (kind == "cut") {
            // Enough records that the last page is a table's leaf, filled from its end.
            for (int i = 0; i < 30; ++i)
                QVERIFY(RecordStore(path).add(sampleRecord()));
            writeFile(path, bytesOf(path).chopped(100));
        } else if (kind == "journal link") {
            QVERIFY(QFile::link(dir.filePath("elsewhere"), path + "-journal"));
        }
        const QByteArray before = bytesOf(path);
        const QStringList listing = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        if (kind.contains("read")) {
            QFile::setPermissions(kind == "read-only folder" ? dir.path() : path,
                                  kind == "unreadable" ? QFile::Permissions() : QFile::ReadOwner | QFile::ExeOwner);
        }
        sqlite3 *other = nullptr; // another copy of the program, halfway through a write
        if (kind == "locked") {
            sqlite3_open(QFile::encodeName(path).constData(), &other);
            QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        }

        RecordStore store(path);
        store.setBusyTimeout(0);
        rlimit limit;
        getrlimit(RLIMIT_FSIZE, &limit);
        if (kind == "full") {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit full = limit;
            full.rlim_cur = 1024;
            setrlimit(RLIMIT_FSIZE, &full);
        }
        const bool added = store.add(sampleRecord()).has_value();
        setrlimit(RLIMIT_FSIZE, &limit);
        const QString error = store.error();
        const bool listed = store.summaries().has_value();
        sqlite3_close(other);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);

        QVERIFY(!added);
        QVERIFY2(error.contains(path) && error.contains(says) && error.endsWith("本次结果没有保存。"), qPrintable(error));
        QCOMPARE(listed, readable);
        QVERIFY2(listed || store.error().contains(path), qPrintable(store.error()));
        QVERIFY(bytesOf(path) == before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), listing);
    }

    void twoCopiesSaveAtOnce()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("new/records.db"); // both make it
        constexpr int Each = 40;
        QProcess copies[2];
        for (int i = 0; i < 2; ++i)
            copies[i].start(QCoreApplication::applicationFilePath(), {"--add-records", path, QString::number(Each), QString::number(i)});
        for (QProcess &copy : copies) {
            QVERIFY(copy.waitForFinished(60000));
            QCOMPARE(copy.exitCode(), 0);
        }
        const auto summaries = RecordStore(path).summaries();
        QVERIFY(summaries);
        QCOMPARE(summaries->size(), 2 * Each);
        QCOMPARE(std::count_if(summaries->begin(), summaries->end(), [](const RecordSummary &s) { return s.person == "0"; }), Each);
    }

    // What an interrupted save left in a folder goes with the next save
    // there; another copy's save in progress, a file just made and what is
    // not ours by name stay.
    void strayTemporaryCopies_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("minutesOld");
        QTest::addColumn<bool>("held"); // locked by a process still saving
        QTest::addColumn<bool>("removed");
        QTest::newRow("left by an interrupted save") << ".zentrova-a1B2c3" << 5 << false << true;
        QTest::newRow("left a day ago") << ".zentrova-ZZ0099" << 24 * 60 << false << true;
        QTest::newRow("another copy's save in progress") << ".zentrova-a1B2c3" << 5 << true << false;
        QTest::newRow("just made, not yet locked") << ".zentrova-a1B2c3" << 0 << false << false;
        QTest::newRow("a letter more than ours") << ".zentrova-a1B2c3d" << 5 << false << false;
        QTest::newRow("another program's name") << ".zentrova-notes" << 5 << false << false;
    }
    void strayTemporaryCopies()
    {
        QFETCH(QString, name);
        QFETCH(int, minutesOld);
        QFETCH(bool, held);
        QFETCH(bool, removed);
        QTemporaryDir dir;
        const QString stray = dir.filePath(name);
        writeFile(stray, "the first rows of an export");
        QFile file(stray);
        QVERIFY(file.open(QIODevice::ReadWrite)
                && file.setFileTime(QDateTime::currentDateTime().addSecs(-60 * minutesOld), QFileDevice::FileModificationTime));
        file.close();
        QProcess holder;
        if (held) {
            holder.start("flock", {stray, "sh", "-c", "echo held; exec sleep 600"});
            QVERIFY(holder.waitForReadyRead());
        }
        QString error;
        QVERIFY2(saveWhole(dir.filePath("导出.csv"), "导出文件", "a new export", &error), qPrintable(error));
        QCOMPARE(QFileInfo::exists(stray), !removed);
        QCOMPARE(bytesOf(dir.filePath("导出.csv")), "a new export");
        holder.kill();
        holder.waitForFinished();
    }

    // Ctrl+C, a hang-up or a termination in the middle of a command line's
    // save: the older file stays, and no partial copy is left beside it.
    void interruptedSaveLeavesNothing_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("Ctrl+C") << SIGINT;
        QTest::newRow("terminated") << SIGTERM;
        QTest::newRow("hung up") << SIGHUP;
    }
    void interruptedSaveLeavesNothing()
    {
        QFETCH(int, signal);
        QTemporaryDir dir;
        const QString out = dir.filePath("导出.csv");
        writeFile(out, "an older export");
        QProcess save;
        save.start(QCoreApplication::applicationFilePath(), {"--interrupted-save", out, QString::number(signal)});
        QVERIFY(save.waitForFinished());
        QCOMPARE(save.exitStatus(), QProcess::CrashExit);
        QCOMPARE(save.exitCode(), signal);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Hidden | QDir::System | QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"导出.csv"});
        QCOMPARE(bytesOf(out), "an older export");
    }

    void commandLine_data()
    {
        // RECORDS, TEXT, OUT stand for files of the test; FIFO for a named
        // pipe, LINK for a link onto the record file; OLD for an earlier
        // export that must stay as it is.
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("shell"); // run before the program: a file-size limit, a full disk
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output"); // on stdout ("CSV": the export); or what the one line on stderr names
        QTest::addColumn<bool>("exported");
        // The band as the window words it follows the band.
        const QString line1 = "1\t2026-03-01T14:05:09+08:00\t李雷, \"小李\"\\n二班\t你可断吗？\t总分 23　16－25分　你处事果断，思路清晰，有条有理，经验也相当丰富。\n";
        const QString line2 = "2\t2026-03-01T14:05:09+05:30:15\t=1+2\\t王\\0五\\\\\t你可断吗？\t总分 -3　@SUM(A1)\n";
        const QStringList exportRecords {"--records", "RECORDS", "--export-records", "OUT"};
        QTest::newRow("list") << QStringList {"--records", "RECORDS", "--list-records"} << "" << 0 << line2 + line1 << false;
        QTest::newRow("list, no record file yet") << QStringList {"--records", "OUT", "--list-records"} << "" << 0 << "" << false;
        QTest::newRow("list, not a record file") << QStringList {"--records", "TEXT", "--list-records"} << "" << 1 << "TEXT" << false;
        QTest::newRow("list onto a full disk") << QStringList {"--records", "RECORDS", "--list-records"} << "exec >/dev/full" << 1
                                               << "标准输出" << false;
        QTest::newRow("list after a save was cut short") << QStringList {"--records", "CUT", "--list-records"} << "" << 0 << line2 + line1
                                                         << false;
        QTest::newRow("list, a time no place keeps") << QStringList {"--records", "SHIFTED", "--list-records"} << "" << 1 << "SHIFTED"
                                                     << false;
        QTest::newRow("export, a time no place keeps")
            << QStringList {"--records", "SHIFTED", "--export-records", "OUT"} << "" << 1 << "SHIFTED" << false;
        QTest::newRow("export") << exportRecords << "" << 0 << "" << true;
        QTest::newRow("export to standard output")
            << QStringList {"--records", "RECORDS", "--export-records", "-"} << "" << 0 << "CSV" << false;
        QTest::newRow("export, not a record file")
            << QStringList {"--records", "TEXT", "--export-records", "OUT"} << "" << 1 << "TEXT" << false;
        QTest::newRow("export into a missing folder")
            << QStringList {"--records", "RECORDS", "--export-records", "OUT/x.csv"} << "" << 1 << "OUT/x.csv" << false;
        QTest::newRow("export over the record file")
            << QStringList {"--records", "RECORDS", "--export-records", "RECORDS"} << "" << 1 << "RECORDS" << false;
        QTest::newRow("export through a link onto the record file")
            << QStringList {"--records", "RECORDS", "--export-records", "LINK"} << "" << 1 << "测评记录文件本身" << false;
        QTest::newRow("export into a named pipe")
            << QStringList {"--records", "RECORDS", "--export-records", "FIFO"} << "" << 1 << "命名管道" << false;
        QTest::newRow("export without a file name") << QStringList {"--export-records"} << "" << 1 << "--export-records" << false;
        // Over an older export of 42 records' worth (some 50 KB): whole or
        // nothing, the older file kept byte for byte.
        for (int kb : {0, 4, 16, 48})
            QTest::addRow("export under a file-size limit of %d KiB", kb)
                << exportRecords << QString("ulimit -f %1").arg(kb) << 1 << "超出" << false;
        QTest::newRow("export under a file-size limit of 256 KiB") << exportRecords << "ulimit -f 256" << 0 << "" << true;
        // A mistyped name refuses, saying which, and writes nothing.
        const QStringList exportOld{"--records", "RECORDS", "--export-records", "OLD"};
        QTest::newRow("export, a test nobody knows") << exportOld + QStringList{"--test", "不存在"} << "" << 1 << "没有名为“不存在”的测评"
                                                     << false;
        QTest::newRow("export, a group nobody knows")
            << exportOld + QStringList{"--test", "你可断吗？", "--group", "九班"} << "" << 1 << "测评记录中没有名为“九班”的小组" << false;
        QTest::newRow("group report, a test nobody knows")
            << QStringList{"--records", "RECORDS", "--group-report", "不存在", "+一班", "OLD"} << "" << 1 << "没有名为“不存在”的测评" << false;
        QTest::newRow("group report, a group nobody knows, given after --")
            << QStringList{"--records", "RECORDS", "--group-report", "你可断吗？", "--", "-九班", "OLD"} << "" << 1
            << "测评记录中没有名为“-九班”的小组" << false;
        QTest::newRow("export, a date with text after it")
            << exportOld + QStringList{"--since", "2000-01-01garbage"} << "" << 1 << "“2000-01-01garbage”不是" << false;
        // A display named but not there: still one sentence, status 1.
        const QString noDisplay = "export DISPLAY=:97 QT_QPA_PLATFORM=xcb";
        QTest::newRow("an unknown option, no display there") << QStringList{"--bogus"} << noDisplay << 1 << "没有“bogus”这个选项" << false;
        QTest::newRow("a time of day, no display there")
            << exportOld + QStringList{"--until", "2026-12-07T12:00"} << noDisplay << 1 << "时刻 12:00" << false;
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, shell);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QFETCH(bool, exported);
        QTemporaryDir dir;
        const QString records = dir.filePath("records.db"), text = dir.filePath("notes.txt"), out = dir.filePath("导出.csv");
        const QString fifo = dir.filePath("管道.csv"), link = dir.filePath("link.csv"), old = dir.filePath("旧导出.csv");
        const QByteArray oldBytes = "an export a mistyped name must not replace\n";
        writeFile(old, oldBytes);
        RecordStore store(records);
        Record guarded = sampleRecord(QString("=1+2\t王") + QChar(0) + "五\\");
        guarded.finished.setOffsetFromUtc(5 * 3600 + 30 * 60 + 15);
        guarded.figures = {{"总分", "-3"}};
        guarded.verdict = "@SUM(A1)";
        guarded.group = "+一班";
        QVERIFY(store.add(sampleRecord()) && store.add(guarded));
        QByteArray before; // what lies at OUT beforehand
        if (shell.contains("ulimit")) {
            Record large = sampleRecord();
            for (int item = 3; item <= 60; ++item)
                large.answers.append({QString::number(item), "C：完全不符合自己的情况"});
            for (int i = 0; i < 40; ++i)
                QVERIFY(store.add(large));
            before = "an older export, to be kept whole or replaced whole\n";
            writeFile(out, before);
        }
        writeFile(text, "not records");
        QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0 && QFile::link(records, link));
        const QString cut = dir.filePath("cut.db"), shifted = dir.filePath("shifted.db");
        QVERIFY(QFile::copy(records, shifted));
        sql(shifted, "UPDATE records SET utc_offset = -2147483648 WHERE id = 1");
        leaveBehind(records, CutShort + "UPDATE records SET person = randomblob(100000);", cut);
        QVERIFY(QFile::exists(cut + "-journal"));
        const QByteArray recordBytes = bytesOf(records);
        auto fill = [&](QString s) {
            return s.replace("RECORDS", records)
                .replace("TEXT", text)
                .replace("OUT", out)
                .replace("FIFO", fifo)
                .replace("LINK", link)
                .replace("CUT", cut)
                .replace("SHIFTED", shifted)
                .replace("OLD", old);
        };
        for (QString &argument : arguments)
            argument = fill(argument);
        output = fill(output);

        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("QT_QPA_PLATFORM"); // none of these needs a display
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        program.setProcessEnvironment(environment);
        const QString built = qEnvironmentVariable("ZENTROVA_PROGRAM");
        QVERIFY2(QFileInfo(built).isExecutable(), qPrintable(built));
        if (shell.isEmpty())
            program.start(built, arguments);
        else // as a user's shell would, SIGXFSZ ignored so that the write fails rather than kills
            program.start("bash", QStringList {"-c", "trap '' XFSZ; " + shell + "; exec \"$0\" \"$@\"", built} + arguments);
        QVERIFY(program.waitForFinished());
        const QByteArray stdOut = program.readAllStandardOutput();
        const QStringList stdErr = QString::fromUtf8(program.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(program.exitCode(), exitCode);
        if (exitCode == 0 && output != "CSV") {
            QCOMPARE(QString::fromUtf8(stdOut), output);
        } else if (exitCode != 0) {
            QVERIFY2(!stdErr.isEmpty() && stdErr.first().contains(output), qPrintable(stdErr.join('\n')));
        }
        QCOMPARE(bytesOf(records), recordBytes);
        QCOMPARE(bytesOf(old), oldBytes);
        QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
        QVERIFY(QFileInfo(link).isSymLink());
        // Nothing left behind: the record files, the text, the pipe, the
        // link, the older export, the export, and the cut save's journal
        // until a reading rolls it back.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Hidden | QDir::System | QDir::AllEntries | QDir::NoDotAndDotDot).size(),
            7 + int(QFileInfo::exists(cut + "-journal")) + int(QFileInfo::exists(out)));
        if (!exported) {
            QCOMPARE(bytesOf(out), before);
            if (output != "CSV")
                return;
        }
        const QByteArray csv = exported ? bytesOf(out) : stdOut;
        QVERIFY(csv.startsWith("\xEF\xBB\xBF"));
        const QList<QStringList> rows = parseCsv(QString::fromUtf8(csv.mid(3)));
        QCOMPARE(rows.size(), 1 + int(store.summaries()->size()));
        QCOMPARE(rows[0],
            (QStringList {
                "编号", "完成时间", "受测者", "小组", "测试", "用时（分钟）", "总分", "评语或分数段", "答案", "程序版本", "题库SHA-256"}));
        QCOMPARE(rows[1],
            (QStringList {"1", "2026-03-01T14:05:09+08:00", "李雷, \"小李\"\n二班", "", "你可断吗？", "12", "23", "16－25分",
                "1:A：是; 2:B：有时，如此", "Zentrova 1.0", QString(64, u'a')}));
        // The newest record: text a spreadsheet would run as a formula is marked as text; the
        // negative total stays a number.
        QCOMPARE(rows.last().mid(1, 7),
            (QStringList {guarded.finished.toString("yyyy-MM-ddTHH:mm:ss") + "+05:30:15", "'" + guarded.person, "'" + guarded.group,
                "你可断吗？", "12", "-3", "'@SUM(A1)"}));
        if (exported)
            QCOMPARE(modeOf(out), 0600);
    }
};

int main(int argc, char *argv[])
{
    // A save of the command line's, ended by a signal partway through.
    if (argc == 4 && qstrcmp(argv[1], "--interrupted-save") == 0) {
        QCoreApplication app(argc, argv);
        removeTemporaryOnInterrupt();
        SafeSave save(QString::fromLocal8Bit(argv[2]), QStringLiteral("导出文件"));
        if (!save.open() || !save.write("the first rows of an export"))
            return 2;
        std::raise(atoi(argv[3]));
        return 3;
    }
    if (argc == 5 && qstrcmp(argv[1], "--add-records") == 0) {
        QCoreApplication app(argc, argv);
        return addRecords(QString::fromLocal8Bit(argv[2]), atoi(argv[3]), QString::fromLocal8Bit(argv[4]));
    }
    QCoreApplication app(argc, argv);
    RecordsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_records.moc"
