// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Every test window, opened from the menu, over every kind of damaged or
// unusual bank: the user is told clearly, or the test runs as it should;
// nothing crashes or hangs, and the bank and its folder stay untouched.
#include "drive.h"
#include "framework/bankcatalog.h"
#include "framework/numbers.h"
#include "framework/questionbank.h"
#include "framework/strings.h"
#include "shell/mainwindow.h"
#include "testsupport.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QRandomGenerator>
#include <QtTest>

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <numeric>
#include <optional>

using namespace zentrova;
using namespace zentrova::testing;

namespace {

constexpr int MillionRows = 1000000;
constexpr int GenericColumns = 12; // as many as the widest table has fields

enum class Outcome {
    Refused,       // one message on opening, then a window with nothing to answer from
    NoItemNumbers, // no message; items show, but no number ever ends the test
    Works,         // no message; the test runs to its result
};

struct Kind {
    QString name;
    Outcome outcome;
    QString message;             // for Refused: {path}, {table} and {field} filled in
    std::optional<double> score; // what every score field adds, where known
};

const QList<Kind> &kinds()
{
    static const QList<Kind> all = {
        {"no file", Outcome::Refused, "找不到题库文件“{path}”。", 0},
        {"empty file", Outcome::Refused, "题库文件“{path}”是空的：其中没有任何数据表。", 0},
        {"random bytes", Outcome::Refused, "题库文件“{path}”已损坏，或者不是题库。", 0},
        {"truncated", Outcome::Refused, "题库文件“{path}”已损坏，或者不是题库。", 0},
        {"directory", Outcome::Refused, "“{path}”是一个文件夹，不是题库文件。", 0},
        {"named pipe", Outcome::Refused, "“{path}”不是普通文件，不能用作题库。", 0},
        {"unreadable", Outcome::Refused, "无法读取题库文件“{path}”：没有读取它的权限。", 0},
        {"no tables", Outcome::Refused, "题库文件“{path}”是空的：其中没有任何数据表。", 0},
        {"table missing", Outcome::Refused, "题库文件“{path}”中缺少数据表“{table}”。", 0},
        {"field missing", Outcome::Refused, "题库文件“{path}”的数据表“{table}”中缺少字段“{field}”。", 0},
        {"NULL everywhere", Outcome::NoItemNumbers, {}, 0},
        {"item number not a number", Outcome::NoItemNumbers, {}, std::nullopt},
        {"score 7abc", Outcome::Works, {}, 7},
        {"score empty", Outcome::Works, {}, 0},
        {"1 MB item text", Outcome::Works, {}, std::nullopt},
        {"1,000,000 rows", Outcome::Works, {}, 1},
        {"invalid UTF-8", Outcome::Works, {}, std::nullopt},
    };
    return all;
}

const BankTable &tableOf(const QString &window)
{
    return *bankTableForWindow(window.toStdString());
}

QStringList fieldsOf(const BankTable &table)
{
    QStringList fields;
    for (std::string_view field : table.fields())
        fields << toQString(field);
    return fields;
}

QStringList scoreFields(const BankTable &table)
{
    QStringList fields;
    for (const auto &group : table.scoring.fields) {
        for (std::string_view field : group)
            fields << toQString(field);
    }
    return fields;
}

// The field that holds the item's text.
QString textField(const BankTable &table)
{
    return fieldsOf(table).contains("测试题目") ? "测试题目" : "测试内容";
}

QString q(const QString &identifier)
{
    return quotedIdentifier(identifier);
}

// Statements the user judges in a whole test, each adding one score field.
int scoredStatements(const BankTable &table)
{
    const std::vector<int> &each = table.scoring.statements;
    return each.empty() ? table.itemCount : std::accumulate(each.begin(), each.end(), 0);
}

bool exec(const QString &path, const QString &sql)
{
    sqlite3 *db = nullptr;
    bool done = sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK;
    char *error = nullptr;
    done = done && sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) == SQLITE_OK;
    if (error)
        qWarning("%s", error);
    sqlite3_free(error);
    sqlite3_close(db);
    return done;
}

// One statement per table of the bank, in one transaction.
bool changeEveryTable(const QString &path, const std::function<QString(const BankTable &)> &change)
{
    QString sql = "BEGIN;\n";
    for (const BankTable &table : bankTables())
        sql += change(table) + '\n';
    return exec(path, sql + "COMMIT;");
}

QString setEach(const BankTable &table, const QStringList &fields, const QString &value)
{
    QStringList sets;
    for (const QString &field : fields)
        sets << q(field) + " = " + value;
    return sets.isEmpty() ? QString() : QStringLiteral("UPDATE %1 SET %2;").arg(q(toQString(table.table)), sets.join(", "));
}

QStringList genericColumns(int count)
{
    QStringList columns;
    for (int c = 1; c <= count; ++c)
        columns << QStringLiteral("c%1").arg(c);
    return columns;
}

bool copyShipped(const QString &path)
{
    return QFile::copy(shippedBankPath(), path) && QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

// The bank of each kind, at path; the million rows are still to be named for
// a window (renameMillionRows).
bool buildBank(const QString &kind, const QString &path)
{
    if (kind == "no file")
        return true;
    if (kind == "empty file") {
        QFile file(path);
        return file.open(QIODevice::WriteOnly);
    }
    if (kind == "random bytes") {
        QByteArray noise(64 * 1024, Qt::Uninitialized);
        QRandomGenerator(20240607).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(noise) == noise.size();
    }
    if (kind == "truncated")
        return copyShipped(path) && QFile::resize(path, QFileInfo(path).size() / 2);
    if (kind == "directory")
        return QDir().mkpath(path);
    if (kind == "named pipe") // reading one waits for a writer that never comes
        return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0;
    if (kind == "unreadable")
        return copyShipped(path) && QFile::setPermissions(path, {});
    if (kind == "no tables")
        return exec(path, "PRAGMA user_version = 1;"); // writes the header page: a database with nothing in it
    if (kind == "1,000,000 rows") {
        // Numbered 1, 2, 3 …; every other field 1.
        const QString values = "n" + QString(", 1").repeated(GenericColumns - 1);
        const QString sql = QStringLiteral("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; CREATE TABLE rows (%1);"
                                           "WITH RECURSIVE k(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM k WHERE n < %2) "
                                           "INSERT INTO rows SELECT %3 FROM k;");
        return exec(path, sql.arg(genericColumns(GenericColumns).join(", ")).arg(MillionRows).arg(values));
    }
    if (!copyShipped(path))
        return false;
    return changeEveryTable(path, [&](const BankTable &table) -> QString {
        const QString name = q(toQString(table.table));
        const QStringList fields = fieldsOf(table);
        if (kind == "table missing")
            return QStringLiteral("ALTER TABLE %1 RENAME TO %2;").arg(name, q(toQString(table.table) + "（旧）"));
        if (kind == "field missing")
            return QStringLiteral("ALTER TABLE %1 RENAME COLUMN %2 TO %3;").arg(name, q(fields.last()), q(fields.last() + "（旧）"));
        if (kind == "NULL everywhere")
            return setEach(table, fields, "NULL");
        if (kind == "item number not a number")
            return setEach(table, fields.filter("测试题号"), "'第' || \"测试题号\" || '题'");
        if (kind == "score 7abc")
            return setEach(table, scoreFields(table), "'7abc'");
        if (kind == "score empty")
            return setEach(table, scoreFields(table), "''");
        if (kind == "1 MB item text") // 58254 × 18 bytes: just under a mebibyte, on the first row
            return setEach(table, {textField(table)}, "replace(hex(zeroblob(58254)), '00', '很长的题目，')")
                .replace(";", QStringLiteral(" WHERE rowid = (SELECT min(rowid) FROM %1);").arg(name));
        if (kind == "invalid UTF-8") {
            QStringList texts = fields;
            for (const QString &field : scoreFields(table) + QStringList{"测试题号"})
                texts.removeAll(field);
            // Between 题 and 目: a byte UTF-8 never has, a stray continuation
            // byte, an overlong slash and a lone surrogate.
            return setEach(table, texts, "CAST(X'E9A298FF80C0AFEDA080E79BAE' AS TEXT)");
        }
        return {};
    });
}

// SQL that renames a table and its first columns.
QString renaming(const QString &table, const QString &to, const QStringList &columns, const QStringList &newColumns)
{
    QString sql;
    for (int c = 0; c < columns.size(); ++c)
        sql += QStringLiteral("ALTER TABLE %1 RENAME COLUMN %2 TO %3;\n").arg(q(table), q(columns[c]), q(newColumns[c]));
    return sql + QStringLiteral("ALTER TABLE %1 RENAME TO %2;\n").arg(q(table), q(to));
}

// Gives the million rows the window's table and field names; the columns
// beyond its fields keep their own. namedFor: the window they were named for.
bool renameMillionRows(const QString &path, const QString &window, QString *namedFor)
{
    QString sql = "BEGIN;\n";
    if (!namedFor->isEmpty()) { // back to the generic names first, so no name is ever taken twice
        const BankTable &was = tableOf(*namedFor);
        sql += renaming(toQString(was.table), "rows", fieldsOf(was), genericColumns(int(fieldsOf(was).size())));
    }
    const BankTable &table = tableOf(window);
    sql += renaming("rows", toQString(table.table), genericColumns(int(fieldsOf(table).size())), fieldsOf(table));
    *namedFor = window;
    return exec(path, sql + "COMMIT;");
}

} // namespace

class BadBanksTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> m_main;
    // The bank of the kind at hand, built once and shared by every window.
    QString m_kind;
    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_millionRowsNamedFor;

private slots:
    void init() { zentrova::testing::failOnThreadWarnings(); }
    void initTestCase()
    {
        m_main = std::make_unique<MainWindow>();
        m_main->show();
    }

    void cleanupTestCase()
    {
        setProgramFolder({});
        m_main.reset();
    }

    void cleanup()
    {
        QVERIFY(visibleTopLevels() == QList<QWidget *>{m_main.get()});
    }

    void everyWindowOverEveryBadBank_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("window");
        for (int kind = 0; kind < kinds().size(); ++kind) {
            for (const QString &window : testWindowsInMenuOrder())
                QTest::addRow("%s, %s", qPrintable(kinds()[kind].name), qPrintable(window)) << kind << window;
        }
    }
    void everyWindowOverEveryBadBank()
    {
        QFETCH(int, kind);
        QFETCH(QString, window);
        const Kind &bad = kinds()[kind];
        if (bad.name == "unreadable" && ::geteuid() == 0)
            QSKIP("running as root, which reads a file whatever its permissions");
        if (m_kind != bad.name) {
            m_folder = std::make_unique<QTemporaryDir>();
            m_kind = bad.name;
            m_millionRowsNamedFor.clear();
            QVERIFY(buildBank(bad.name, bankPathIn(m_folder->path())));
        }
        const QString bank = bankPathIn(m_folder->path());
        if (bad.name == "1,000,000 rows")
            QVERIFY(renameMillionRows(bank, window, &m_millionRowsNamedFor));
        setProgramFolder(m_folder->path());
        const QStringList before = folderState(m_folder->path());

        const BankTable &table = tableOf(window);
        ScriptedAnswers answers;
        answers.setYesNoDefault(MessageAnswer::Yes);
        QList<MessageRequest> askedOnOpening;
        QStringList shownOnOpening;
        QString itemText, total;
        int finishedAfter = -1;
        bool resultShown = false, left = false;
        const bool closed = openFromMenu(*m_main, window, [&](QDialog *w) {
            askedOnOpening = answers.asked();
            w->grab(); // drawn as the user sees it
            for (const FieldBinding &binding : table.bindings) {
                const QString shown = shownText(w->findChild<QWidget *>(toQString(binding.control)));
                shownOnOpening << shown;
                if (toQString(binding.field) == textField(table))
                    itemText = shown;
            }
            finishedAfter = answerItems(w, [](int) { return 0; }, std::max(pressesToFinish(window), table.itemCount) + 2);
            if (auto *label = w->findChild<QLabel *>("Lbl总分"))
                total = label->text();
            w->grab();
            resultShown = showResult(w);
            w->grab();
            left = leave(w);
        });
        QVERIFY2(closed, "opened from its menu entry, and closed once left");
        QVERIFY2(left, "left by its own button");
        QCOMPARE(folderState(m_folder->path()), before);

        // What the user was told.
        if (bad.outcome == Outcome::Refused) {
            QString told = bad.message;
            told.replace("{path}", bank).replace("{table}", toQString(table.table)).replace("{field}", fieldsOf(table).last());
            QCOMPARE(askedOnOpening.size(), 1);
            QCOMPARE(askedOnOpening.first().text, told);
            QCOMPARE(askedOnOpening.first().title, "题库错误");
            QCOMPARE(askedOnOpening.first().buttons, MessageButtons::Ok);
        } else {
            QCOMPARE(askedOnOpening.size(), 0);
        }
        for (const MessageRequest &request : answers.asked().mid(askedOnOpening.size()))
            QVERIFY2(request.title == "结束测试确认" || request.title == "提交测试提示", qPrintable(request.title + "：" + request.text));

        // What the window showed and how far the test went.
        if (bad.outcome == Outcome::Refused || bad.name == "NULL everywhere")
            QCOMPARE(shownOnOpening, QStringList(shownOnOpening.size(), QString()));
        if (bad.name == "1 MB item text")
            QCOMPARE(itemText.size(), 58254 * 6);
        if (bad.name == "invalid UTF-8")
            QVERIFY2(itemText.contains(QChar::ReplacementCharacter), qPrintable(itemText));
        const bool readsItemNumbers = fieldsOf(table).contains("测试题号");
        const int finishes = bad.outcome == Outcome::Refused || (bad.outcome == Outcome::NoItemNumbers && readsItemNumbers)
            ? 0
            : pressesToFinish(window);
        QCOMPARE(finishedAfter, finishes);
        QCOMPARE(resultShown, finishes > 0);
        // Each answer adds the score its field reads as.
        const bool totalled = !scoreFields(table).isEmpty() && table.scoring.noTotal.empty();
        if (totalled && bad.score == 0.0)
            QCOMPARE(total, "0");
        else if (totalled && bad.score)
            QCOMPARE(total, plainNumber(*bad.score * scoredStatements(table)));
    }
};

ZENTROVA_TEST_MAIN(BadBanksTest)
#include "tst_badbanks.moc"
