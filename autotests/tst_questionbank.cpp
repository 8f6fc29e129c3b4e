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

} // namespace

class QuestionBankTest : public QObject
{
    Q_OBJECT

private slots:
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
        QTest::newRow("empty file") << "empty" << "题表";
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
};

ZENTROVA_TEST_MAIN(QuestionBankTest)
#include "tst_questionbank.moc"
