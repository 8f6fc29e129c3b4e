// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "framework/bankcatalog.h"
#include "framework/questionbank.h"
#include "framework/strings.h"
#include "testsupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QtTest>

#include <sqlite3.h>

using namespace zentrova;
using namespace zentrova::testing;

namespace {

const char *const ItemsWithClosingRow = R"(
CREATE TABLE "题表" ("测试题号" INTEGER, "测试题目" TEXT, "选项""是""" TEXT);
INSERT INTO "题表" VALUES (1, '第一题', '一');
INSERT INTO "题表" VALUES (2, '第二题', NULL);
INSERT INTO "题表" VALUES (3, '答完了', '三');
)";

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// A copy of the shipped bank in folder (created under dir), changed by sql.
QString brokenBank(const QTemporaryDir &dir, const QString &folder, const QString &sql)
{
    QDir(dir.path()).mkpath(folder);
    const QString path = dir.path() + "/" + folder + "/Lumvex.mdb";
    if (!QFile::copy(shippedBankPath(), path))
        return {};
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    char *error = nullptr;
    const bool done = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) == SQLITE_OK;
    if (!done)
        qWarning("%s", error);
    sqlite3_free(error);
    sqlite3_close(db);
    return done ? path : QString();
}

struct CheckRun {
    int exitCode = -1;
    QString out;
    QStringList problems;
};

CheckRun runChecker(const QString &bank)
{
    QProcess check;
    check.start(qEnvironmentVariable("ZENTROVA_BANK_BUILDER"), {"check", bank});
    CheckRun run;
    if (!check.waitForFinished() || check.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = check.exitCode();
    run.out = QString::fromUtf8(check.readAllStandardOutput());
    run.problems = QString::fromUtf8(check.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
    return run;
}

} // namespace

class QuestionBankTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { zentrova::testing::failOnThreadWarnings(); }
    void pathRule_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("path");
        QTest::newRow("plain folder") << "/opt/zentrova" << "/opt/zentrova/Lumvex.mdb";
        QTest::newRow("filesystem root") << "/" << "/Lumvex.mdb";
        QTest::newRow("folder ending in a separator") << "/opt/zentrova/" << "/opt/zentrova/Lumvex.mdb";
        QTest::newRow("drive root") << "C:\\" << "C:\\Lumvex.mdb";
    }
    void pathRule()
    {
        QFETCH(QString, folder);
        QFETCH(QString, path);
        QCOMPARE(bankPathIn(folder), path);
    }

    void pathIsBesideTheProgramNotTheWorkingDirectory()
    {
        const QString before = QDir::currentPath();
        QTemporaryDir elsewhere;
        QDir::setCurrent(elsewhere.path());
        const QString path = bankPath();
        QDir::setCurrent(before);
        QCOMPARE(path, QCoreApplication::applicationDirPath() + "/Lumvex.mdb");
    }

    void cursorWalksRowsAndRefreshesBindings()
    {
        TestBank bank(ItemsWithClosingRow);
        RecordCursor cursor;
        QLabel number, text, yes;
        QString error;
        QVERIFY2(cursor.open(bank.path(), "题表", {"测试题号", "测试题目", "选项\"是\""}, &error), qPrintable(error));
        cursor.bind(&number, "测试题号");
        cursor.bind(&text, "测试题目");
        cursor.bind(&yes, "选项\"是\"");
        QCOMPARE(number.text(), "1");
        QCOMPARE(text.text(), "第一题");
        QCOMPARE(yes.text(), "一");

        QVERIFY(cursor.next());
        QCOMPARE(text.text(), "第二题");
        QCOMPARE(yes.text(), QString()); // NULL shows as empty
        QVERIFY(cursor.next());
        QCOMPARE(number.text(), "3");
        QVERIFY(!cursor.isPastEnd());

        // Past the end there is no current row; the labels keep what they showed.
        QVERIFY(cursor.next());
        QVERIFY(cursor.isPastEnd());
        QCOMPARE(number.text(), "3");
        QVERIFY(!cursor.next());

        QVERIFY(cursor.moveLast());
        QVERIFY(!cursor.isPastEnd());
        QCOMPARE(cursor.value("测试题目"), "答完了");
    }

    void rowsComeInRowidOrder()
    {
        TestBank bank(R"(
            CREATE TABLE t ("测试题号" INTEGER PRIMARY KEY DESC, "测试题目" TEXT);
            INSERT INTO t (rowid, "测试题号", "测试题目") VALUES (2, 2, 'b');
            INSERT INTO t (rowid, "测试题号", "测试题目") VALUES (1, 1, 'a');
        )");
        RecordCursor cursor;
        QVERIFY(cursor.open(bank.path(), "t", {"测试题目"}, nullptr));
        QCOMPARE(cursor.value("测试题目"), "a");
        cursor.next();
        QCOMPARE(cursor.value("测试题目"), "b");
    }

    // A damaged file whose rows all carry rowid 0: asked for the row after
    // the current one, SQLite hands back the same row. The cursor must not
    // walk in circles.
    void cursorNeverWalksInCircles()
    {
        TestBank bank(QStringLiteral("PRAGMA page_size = 512;") + ItemsWithClosingRow);
        QFile file(bank.path());
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        // Page 2 is the table's only page, a leaf whose cells each start with
        // a one-byte payload size and a one-byte rowid.
        const int page = 512;
        QCOMPARE(bytes.size(), 2 * page);
        QCOMPARE(quint8(bytes[page]), quint8(0x0D));
        const int cells = quint8(bytes[page + 3]) << 8 | quint8(bytes[page + 4]);
        QCOMPARE(cells, 3);
        for (int i = 0; i < cells; ++i) {
            const int cell = quint8(bytes[page + 8 + 2 * i]) << 8 | quint8(bytes[page + 9 + 2 * i]);
            bytes[page + cell + 1] = 0;
        }
        file.seek(0);
        file.write(bytes);
        file.close();

        RecordCursor cursor;
        QVERIFY(cursor.open(bank.path(), "题表", {"测试题号"}, nullptr));
        int moves = 0;
        while (!cursor.isPastEnd() && cursor.next() && moves < 10)
            ++moves;
        QVERIFY2(moves < 10, "the cursor kept returning rows");
    }

    void emptyTableHasNoCurrentRow()
    {
        TestBank bank(R"(CREATE TABLE "空" ("测试题号" INTEGER);)");
        RecordCursor cursor;
        QVERIFY(cursor.open(bank.path(), "空", {"测试题号"}, nullptr));
        QVERIFY(cursor.isPastEnd());
        QVERIFY(!cursor.next());
        QVERIFY(!cursor.moveLast());
    }

    void badBank_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("missing"); // what the message must name besides the file
        QTest::newRow("missing file") << "missing" << QString();
        QTest::newRow("empty file") << "empty" << QString();
        QTest::newRow("not a database") << "garbage" << QString();
        QTest::newRow("a directory") << "directory" << QString();
        QTest::newRow("missing table") << "no table" << "题表";
        QTest::newRow("missing field") << "no field" << "选项\"是\"";
    }
    void badBank()
    {
        QFETCH(QString, kind);
        QFETCH(QString, missing);
        QTemporaryDir dir;
        const QString path = bankPathIn(dir.path());
        if (kind == "empty") {
            QFile(path).open(QIODevice::WriteOnly);
        } else if (kind == "garbage") {
            QFile file(path);
            file.open(QIODevice::WriteOnly);
            file.write(QByteArray(4096, 'x'));
        } else if (kind == "directory") {
            QDir(dir.path()).mkdir("Lumvex.mdb");
        } else if (kind == "no table" || kind == "no field") {
            TestBank bank(kind == "no table" ? R"(CREATE TABLE "别的表" (a);)" : R"(CREATE TABLE "题表" ("测试题号", "测试题目");)");
            QFile::copy(bank.path(), path);
        }
        const QByteArray before = fileHash(path);

        RecordCursor cursor;
        QLabel bound("设计时的文字");
        QString error;
        QVERIFY(!cursor.open(path, "题表", {"测试题号", "测试题目", "选项\"是\""}, &error));
        cursor.bind(&bound, "测试题目");
        QVERIFY(!cursor.isOpen());
        QVERIFY2(error.contains(path), qPrintable(error));
        if (!missing.isEmpty())
            QVERIFY2(error.contains("“" + missing + "”"), qPrintable(error));
        QCOMPARE(bound.text(), QString());
        QVERIFY(!cursor.next());
        QVERIFY(!cursor.moveLast());

        // Nothing was created or written.
        QCOMPARE(QFileInfo::exists(path), kind != "missing");
        QCOMPARE(fileHash(path), before);
    }

    void shippedBankMatchesTheCatalogue()
    {
        const QString shipped = shippedBankPath();
        QVERIFY(QFileInfo::exists(shipped));
        const QByteArray before = fileHash(shipped);
        const QDateTime modified = QFileInfo(shipped).lastModified();

        for (const BankTable &table : bankTables()) {
            QStringList fields;
            for (std::string_view f : table.fields())
                fields << toQString(f);
            RecordCursor cursor;
            QString error;
            QVERIFY2(cursor.open(shipped, toQString(table.table), fields, &error), qPrintable(error));
            while (!cursor.isPastEnd())
                QVERIFY(cursor.next());
        }

        QProcess check;
        check.start(qEnvironmentVariable("ZENTROVA_BANK_BUILDER"), {"check", shipped});
        QVERIFY(check.waitForFinished());
        QVERIFY2(check.exitCode() == 0, check.readAllStandardError().constData());

        QCOMPARE(fileHash(shipped), before);
        QCOMPARE(QFileInfo(shipped).lastModified(), modified);
    }

    // Each row breaks one thing in a copy of the shipped bank; the checker
    // must fail and name the fault in one line with all the fragments given.
    void checkerNamesEachFault_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("score with trailing text")
            << "bank" << R"(UPDATE "你是个受欢迎的人吗" SET "分数B" = '7abc' WHERE "测试题号" = 3;)"
            << QStringList{"table 你是个受欢迎的人吗, row 3, field 分数B", "\"7abc\" is not a number"};
        QTest::newRow("NULL score of an item")
            << "bank" << R"(UPDATE "你有真正的朋友吗" SET "分数C" = NULL WHERE "测试题号" = 4;)"
            << QStringList{"table 你有真正的朋友吗, row 4, field 分数C", "NULL"};
        QTest::newRow("score in the closing row that is not a number")
            << "bank" << R"(UPDATE "你可断吗？" SET "选项""否""" = '无' WHERE "测试题号" = 12;)"
            << QStringList{"table 你可断吗？, row 12, field 选项\"否\"", "\"无\" is not a number"};
        QTest::newRow("empty table") << "bank" << R"(DELETE FROM "你的管理方式测试";)"
                                     << QStringList{"table 你的管理方式测试 is empty"};
        QTest::newRow("missing closing row")
            << "bank" << R"(DELETE FROM "考试焦虑度表" WHERE "测试题号" = 34;)"
            << QStringList{"table 考试焦虑度表, row 34, field 测试题号", "no closing row numbered 34 after item 33"};
        QTest::newRow("item numbers out of order")
            << "bank" << R"(UPDATE "考试焦虑度表" SET "测试题号" = 7 WHERE "测试题号" = 8;)"
            << QStringList{"table 考试焦虑度表, row 8, field 测试题号", "item number \"7\", expected 8"};
        QTest::newRow("temperament statement changed")
            << "bank"
            << R"(UPDATE "你属于哪种气质？" SET "测试内容" = '7、喜欢热闹的环境。' WHERE rowid = (SELECT rowid FROM "你属于哪种气质？" ORDER BY rowid LIMIT 1 OFFSET 6);)"
            << QStringList{"table 你属于哪种气质？, row 7, field 测试内容", "\"7、喜欢热闹的环境。\" differs from the program's item 7"};
        QTest::newRow("temperament statement without its number")
            << "bank"
            << R"(UPDATE "你属于哪种气质？" SET "测试内容" = substr("测试内容", 3) WHERE rowid = (SELECT rowid FROM "你属于哪种气质？" ORDER BY rowid LIMIT 1 OFFSET 2);)"
            << QStringList{"table 你属于哪种气质？, row 3, field 测试内容", "lacks the item's number \"3、\""};
        QTest::newRow("logic question with two right answers")
            << "bank"
            << R"(UPDATE "逻辑思维能力测试" SET "分数A" = 1, "分数B" = 1, "分数C" = 0, "分数D" = 0, "分数E" = 0 WHERE "测试题号" = 5;)"
            << QStringList{"table 逻辑思维能力测试, row 5, field 分数A to 分数E", "2 answers score 1"};
        QTest::newRow("logic question without a right answer")
            << "bank"
            << R"(UPDATE "逻辑思维能力测试" SET "分数A" = 0, "分数B" = 0, "分数C" = 0, "分数D" = 0, "分数E" = 0 WHERE "测试题号" = 9;)"
            << QStringList{"table 逻辑思维能力测试, row 9, field 分数A to 分数E", "0 answers score 1"};
        QTest::newRow("logic answer scoring neither 1 nor 0")
            << "bank" << R"(UPDATE "逻辑思维能力测试" SET "分数E" = 2 WHERE "测试题号" = 12;)"
            << QStringList{"table 逻辑思维能力测试, row 12, field 分数E", "scores 2"};
        QTest::newRow("total above every band")
            << "bank" << R"(UPDATE "你能发挥自我潜能吗" SET "分数A" = 6, "分数B" = 6, "分数C" = 6 WHERE "测试题号" = 1;)"
            << QStringList{"table 你能发挥自我潜能吗, rows 1 to 10, fields 分数A/分数B/分数C", "reachable total 51 lies in no band"};
        // Half points make totals between two whole-number bands.
        QTest::newRow("fractional totals between bands")
            << "bank" << R"(UPDATE "你有真正的朋友吗" SET "分数A" = 2.5 WHERE "测试题号" = 1;)"
            << QStringList{"table 你有真正的朋友吗, rows 1 to 9", "reachable totals 13.5, 19.5 lie in no band"};
        QTest::newRow("band out of reach")
            << "bank" << R"(UPDATE "你可断吗？" SET "选项""是""" = 1, "选项""否""" = 0 WHERE "测试题号" <= 11;)"
            << QStringList{"table 你可断吗？, rows 1 to 11", "no reachable total falls in the band \"26－更高分\"; totals run from 0 to 11"};
        // Where bands meet, the first holds: a band reached only where an
        // earlier one takes the total is never shown.
        QTest::newRow("band reached only at an edge an earlier band takes")
            << "bank" << R"(UPDATE "你聪明吗" SET "选项A" = 60, "选项B" = 0, "选项C" = 0 WHERE "测试题号" <= 15;)"
            << QStringList{"table 你聪明吗, rows 1 to 15", "the band \"30分－60分\" is never shown: its reachable total 60 falls first in an earlier band"};
        QTest::newRow("full score out of reach")
            << "bank" << R"(UPDATE "你知道自己的创造潜力吗？" SET "选项""是""" = 0 WHERE "测试题号" = 1;)"
            << QStringList{"table 你知道自己的创造潜力吗？", "highest reachable total is 27, but the window names 28 as the full score"};
        QTest::newRow("path holding ? # %")
            << "a?b#c%41d" << R"(UPDATE "你有真正的朋友吗" SET "分数A" = '3分' WHERE "测试题号" = 2;)"
            << QStringList{"a?b#c%41d/Lumvex.mdb: table 你有真正的朋友吗, row 2, field 分数A", "\"3分\" is not a number"};
    }
    void checkerNamesEachFault()
    {
        QFETCH(QString, folder);
        QFETCH(QString, sql);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        const QString bank = brokenBank(dir, folder, sql);
        QVERIFY(!bank.isEmpty());

        const CheckRun run = runChecker(bank);
        QVERIFY2(run.exitCode == 1, qPrintable(run.problems.join(u'\n')));
        const bool named = std::any_of(run.problems.begin(), run.problems.end(), [&](const QString &line) {
            return std::all_of(expected.begin(), expected.end(), [&](const QString &part) { return line.contains(part); });
        });
        QVERIFY2(named, qPrintable(run.problems.join(u'\n')));
    }

    // Overcoming inferiority: answering as each type would (its own score
    // where an item offers it, else the untroubled 1) lands well inside that
    // type's band, so that one answer more or less does not change the type.
    void inferiorityTypesLandInsideTheirBands_data()
    {
        QTest::addColumn<int>("score");
        QTest::addColumn<int>("total");
        QTest::addColumn<QString>("band");
        QTest::newRow("A, at ease") << 1 << 11 << "11－13分";
        QTest::newRow("B, ideals too high") << 2 << 15 << "14－27分";
        QTest::newRow("C, judging too soon") << 3 << 29 << "28－41分";
        QTest::newRow("D, timid") << 5 << 47 << "42－55分";
    }
    void inferiorityTypesLandInsideTheirBands()
    {
        QFETCH(int, score);
        QFETCH(int, total);
        QFETCH(QString, band);
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open_v2(shippedBankPath().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        sqlite3_stmt *rows = nullptr;
        QCOMPARE(sqlite3_prepare_v2(db, R"(SELECT "分数A", "分数B", "分数C" FROM "如何克服自卑感？" WHERE "测试题号" <= 11 ORDER BY rowid)", -1,
                                    &rows, nullptr),
                 SQLITE_OK);
        int sum = 0, items = 0;
        while (sqlite3_step(rows) == SQLITE_ROW) {
            const QList<int> offered{sqlite3_column_int(rows, 0), sqlite3_column_int(rows, 1), sqlite3_column_int(rows, 2)};
            sum += offered.contains(score) ? score : 1;
            ++items;
        }
        sqlite3_finalize(rows);
        sqlite3_close(db);
        QCOMPARE(items, 11);
        QCOMPARE(sum, total);
        const BankTable *table = bankTableForWindow("frm如何克服自卑感");
        const auto index = bandIndex(table->scoring.bands, sum);
        QVERIFY(index);
        QCOMPARE(toQString(table->scoring.bands[*index].text), band);
    }

    void checkerPassesTheShippedBankAtAnyPath_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("plain") << "bank";
        QTest::newRow("? # and %") << "a?b#c%41d";
        QTest::newRow("Chinese with %") << "题库%20备份#1";
    }
    void checkerPassesTheShippedBankAtAnyPath()
    {
        QFETCH(QString, folder);
        QTemporaryDir dir;
        const QString bank = brokenBank(dir, folder, {});
        QVERIFY(!bank.isEmpty());

        const CheckRun run = runChecker(bank);
        QVERIFY2(run.exitCode == 0, qPrintable(run.problems.join(u'\n')));
        // One summary line per table; fixed weights give known ranges.
        for (const BankTable &table : bankTables())
            QVERIFY2(run.out.contains(bank + ": table " + toQString(table.table) + ":"), qPrintable(run.out));
        QVERIFY2(run.out.contains("table 考试焦虑度表: totals from 0 to 99,"), qPrintable(run.out));
        QVERIFY2(run.out.contains("table 你是个知人善任的领导吗？: totals from 0 to 16,"), qPrintable(run.out));
        QVERIFY2(run.out.contains("table 你具备管理者的素质吗？: totals from 0 to 50,"), qPrintable(run.out));
    }
};

ZENTROVA_TEST_MAIN(QuestionBankTest)
#include "tst_questionbank.moc"
