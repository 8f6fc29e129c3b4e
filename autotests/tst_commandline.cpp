// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "framework/questionbank.h"
#include "questionnaires/testwindows.h"
#include "shell/commandline.h"
#include "shell/mainwindow.h"
#include "shell/persondialog.h"
#include "shell/recordkeeping.h"
#include "testsupport.h"

#include <QCryptographicHash>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QtTest>

#include <sqlite3.h>

#include <memory>
#include <numeric>

using namespace zentrova;
using namespace zentrova::testing;

using Action = CommandLine::Action;
Q_DECLARE_METATYPE(CommandLine::Action)

namespace {

// The self-control test's table, with texts no shipped bank has.
const char *const OwnSelfControlTable = R"(
CREATE TABLE "你有几分克制能力" ("测试题号", "测试题目", "选项A", "选项B", "选项C", "选项D");
INSERT INTO "你有几分克制能力" VALUES (1, '自备题库第一题', '甲', '乙', '丙', '丁');
INSERT INTO "你有几分克制能力" VALUES (2, '自备题库答完了', '', '', '', '');
)";

void writeBank(const QString &path, const QByteArray &sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256) : QByteArray();
}

struct Opened {
    std::unique_ptr<QDialog> window;
    QString text(const char *label) const { return window->findChild<QLabel *>(QString::fromLatin1(label))->text(); }
};

Opened openSelfControl()
{
    Opened opened{std::unique_ptr<QDialog>(createTestWindow("frm意志力", nullptr))};
    opened.window->show();
    return opened;
}

} // namespace

class CommandLineTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { zentrova::testing::failOnThreadWarnings(); }
    void cleanup()
    {
        setBankFile({});
        setProgramFolder({});
        QVERIFY(visibleTopLevels().isEmpty());
    }

    void parse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("bankFile");
        QTest::addColumn<QString>("errorMentions");
        const QString here = QDir::currentPath();
        QTest::newRow("no options") << QStringList{} << Action::Run << "" << "";
        QTest::newRow("bank, absolute") << QStringList{"--bank", "/srv/题库/mine.mdb"} << Action::Run << "/srv/题库/mine.mdb" << "";
        QTest::newRow("bank, relative") << QStringList{"--bank", "banks/mine.mdb"} << Action::Run << here + "/banks/mine.mdb" << "";
        QTest::newRow("bank with =") << QStringList{"--bank=/srv/mine.mdb"} << Action::Run << "/srv/mine.mdb" << "";
        QTest::newRow("check the shipped bank") << QStringList{"--check-bank"} << Action::CheckBank << "" << "";
        QTest::newRow("check a bank of one's own") << QStringList{"--check-bank", "--bank", "/srv/mine.mdb"} << Action::CheckBank
                                                   << "/srv/mine.mdb" << "";
        QTest::newRow("-h") << QStringList{"-h"} << Action::Help << "" << "";
        QTest::newRow("--help") << QStringList{"--help"} << Action::Help << "" << "";
        QTest::newRow("--help-all") << QStringList{"--help-all"} << Action::Help << "" << "";
        QTest::newRow("help wins over a bank") << QStringList{"--bank", "x.mdb", "--help"} << Action::Help << "" << "";
        QTest::newRow("-v") << QStringList{"-v"} << Action::Version << "" << "";
        QTest::newRow("--version") << QStringList{"--version"} << Action::Version << "" << "";
        QTest::newRow("bank without a file") << QStringList{"--bank"} << Action::Error << "" << "--bank";
        QTest::newRow("bank with an empty name") << QStringList{"--bank", ""} << Action::Error << "" << "--bank";
        QTest::newRow("two banks") << QStringList {"--bank", "a.mdb", "--bank", "b.mdb"} << Action::Error << ""
                                   << "只能给一次";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << Action::Error << "" << "bogus";
        QTest::newRow("unknown option before help") << QStringList{"--bogus", "--help"} << Action::Error << "" << "bogus";
        QTest::newRow("a file without --bank") << QStringList{"mine.mdb"} << Action::Error << "" << "mine.mdb";
        // Read before any display is touched, and left to QApplication.
        QTest::newRow("Qt's own option") << QStringList{"-style", "fusion"} << Action::Run << "" << "";
        QTest::newRow("Qt's own option with a verb") << QStringList{"-platform", "xcb", "--check-bank"} << Action::CheckBank << "" << "";
        QTest::newRow("Qt's own option without its value") << QStringList{"-style"} << Action::Error << "" << "style";
        QTest::newRow("person and group for the run") << QStringList{"--person", "李雷", "--group", "初二（3）班"} << Action::Run << "" << "";
        QTest::newRow("group report") << QStringList{"--group-report", "考试焦虑度测试", "初二（3）班", "a.pdf", "--since", "2026-09-01",
                                                     "--compare-until", "2026-07-15"}
                                      << Action::GroupReport << "" << "";
        QTest::newRow("group report without its file") << QStringList{"--group-report", "考试焦虑度测试", "初二（3）班"} << Action::Error << ""
                                                       << "--group-report 测试 小组 文件";
        QTest::newRow("group report with --group") << QStringList{"--group-report", "t", "g", "a.pdf", "--group", "g"} << Action::Error
                                                   << "" << "--group";
        QTest::newRow("a date that is none") << QStringList{"--export-records", "a.csv", "--since", "2026-02-30"} << Action::Error << ""
                                             << "2026-02-30";
        QTest::newRow("a date with text after it") << QStringList{"--export-records", "a.csv", "--since", "2000-01-01garbage"}
                                                   << Action::Error << "" << "“2000-01-01garbage”不是";
        QTest::newRow("a date with a time of day") << QStringList{"--export-records", "a.csv", "--until", "2026-12-07T12:00"}
                                                   << Action::Error << "" << "时刻 12:00";
        QTest::newRow("a time of day in a group report") << QStringList{"--group-report", "t", "g", "a.pdf", "--compare-since", "2026-12-07 08:30:00+08:00"}
                                                         << Action::Error << "" << "时刻 08:30:00";
        QTest::newRow("a date without its zeros") << QStringList{"--export-records", "a.csv", "--since", "2026-9-1"} << Action::Error << ""
                                                  << "YYYY-MM-DD";
        QTest::newRow("days the wrong way round") << QStringList{"--export-records", "a.csv", "--since", "2026-09-30", "--until", "2026-09-01"}
                                                  << Action::Error << "" << "--since 的日期 2026-09-30 在 --until 的日期 2026-09-01 之后";
        QTest::newRow("the earlier sitting the wrong way round")
            << QStringList{"--group-report", "t", "g", "a.pdf", "--compare-since", "2026-07-15", "--compare-until", "2026-07-01"}
            << Action::Error << "" << "--compare-since";
        QTest::newRow("a date on its own") << QStringList{"--export-records", "a.csv", "--since", "2026-09-01", "--until", "2026-09-01"}
                                           << Action::ExportRecords << "" << "";
        QTest::newRow("item columns without a test") << QStringList{"--export-records", "a.csv", "--item-columns"} << Action::Error << ""
                                                     << "--test";
        QTest::newRow("a filter without an export") << QStringList{"--test", "考试焦虑度测试"} << Action::Error << "" << "--export-records";
        QTest::newRow("a person with an export") << QStringList{"--export-records", "a.csv", "--person", "李雷"} << Action::Error << ""
                                                 << "--person";
    }
    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(Action, action);
        QFETCH(QString, bankFile);
        QFETCH(QString, errorMentions);
        const CommandLine command = parseCommandLine(QStringList{"zentrova"} + arguments);
        QCOMPARE(command.action, action);
        QCOMPARE(command.bankFile, bankFile);
        if (errorMentions.isEmpty())
            QVERIFY2(command.errorText.isEmpty(), qPrintable(command.errorText));
        else
            QVERIFY2(command.errorText.contains(errorMentions), qPrintable(command.errorText));
    }

    // --help within 80 columns, lines broken between words: never inside
    // an option name ("--com / pare-until") or a suffix (".pn / g").
    void helpWrapsBetweenWords_data()
    {
        QTest::addColumn<bool>("withQtOptions");
        QTest::newRow("--help") << false;
        QTest::newRow("--help-all") << true;
    }
    void helpWrapsBetweenWords()
    {
        QFETCH(bool, withQtOptions);
        const QStringList lines = helpText(withQtOptions).split(u'\n');
        const QRegularExpression wordEnd("[\\w.<>/-]$"), wordStart("^ {8,}[\\w.<>/-]");
        const auto columns = [](const QString &line) {
            return std::accumulate(line.begin(), line.end(), 0, [](int n, QChar c) { return n + (c.unicode() < 0x1100 ? 1 : 2); });
        };
        QVERIFY(lines.size() > 40);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            QVERIFY2(columns(lines[i]) <= 80, qPrintable(lines[i]));
            QVERIFY2(!lines[i].endsWith(u' '), qPrintable(lines[i]));
            const bool breaksAWord = lines[i - 1].contains(wordEnd) && lines[i].contains(wordStart);
            QVERIFY2(!breaksAWord, qPrintable(lines[i - 1] + u'\n' + lines[i]));
        }
        for (const char *said : {"--compare-until", ".png", "--list-records", "YYYY-MM-DD"})
            QVERIFY2(helpText(withQtOptions).contains(QString::fromLatin1(said)), said);
    }

    // The 64-character cap counts characters as a reader does: a name from
    // --person and --group, or pasted into 当前受测者…, never keeps half a
    // 𠮷 (bytes that are no UTF-8 once saved) or an accent without its letter.
    void namesAreCutByCharacter_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("kept");
        const QString letters(63, u'a'), ji = QString::fromUtf8("𠮷"), accented = QStringLiteral("e\u0301");
        const QString thumb = QString::fromUtf8("👍🏽");
        QTest::newRow("63 letters and 𠮷, whole") << letters + ji << letters + ji;
        QTest::newRow("64 letters, then 𠮷 left out whole") << letters + "b" + ji << letters + "b";
        QTest::newRow("63 letters, 𠮷, and more") << letters + ji + "bc" << letters + ji;
        QTest::newRow("63 letters and an accented e, whole") << letters + accented << letters + accented;
        QTest::newRow("64 letters, then an accented e left out whole") << letters + "b" + accented << letters + "b";
        QTest::newRow("63 letters and a thumb with its skin tone, whole") << letters + thumb + "b" << letters + thumb;
        QTest::newRow("63 ideographs and 𠮷") << QString(63, u'明') + ji + ji << QString(63, u'明') + ji;
    }
    void namesAreCutByCharacter()
    {
        QFETCH(QString, given);
        QFETCH(QString, kept);
        useFiles(parseCommandLine({"zentrova", "--person", given, "--group", given}));
        {
            MainWindow main;
            QCOMPARE(main.recordKeeping().person(), kept);
            QCOMPARE(main.recordKeeping().group(), kept);
        }
        PersonDialog dialog({}, {});
        for (const char *name : {"txtPerson", "txtGroup"}) {
            auto *field = dialog.findChild<QLineEdit *>(QString::fromLatin1(name));
            field->insert(given);
            QCOMPARE(field->text(), kept);
            // A full field: what is typed at its start gives way, the name stays.
            field->home(false);
            field->insert(QString::fromUtf8("𠮷"));
            QCOMPARE(field->text(), kept);
        }
        QCOMPARE(dialog.person(), kept);
        QCOMPARE(dialog.group(), kept);
    }

    void bankOptionPointsTheWindowsAtTheFile()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("我的题库.sqlite");
        writeBank(file, OwnSelfControlTable);
        const QByteArray before = fileHash(file);
        useShippedBank(); // the file given must win over the bank beside the program

        setBankFile(parseCommandLine({"zentrova", "--bank", file}).bankFile);
        ScriptedAnswers answers;
        const Opened w = openSelfControl();
        QCOMPARE(answers.asked().size(), 0);
        QCOMPARE(w.text("Label6"), "1");
        QCOMPARE(w.text("Label1"), "自备题库第一题");
        QCOMPARE(w.text("Label5"), "丁");
        QCOMPARE(fileHash(file), before);
    }

    void unusableBankFileIsToldLikeADamagedShippedBank_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: no file at all
        QTest::addColumn<bool>("sql");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("not a database") << QByteArray("Standard Jet DB\0\0\0 not SQLite", 30) << false;
        QTest::newRow("table missing") << QByteArray("CREATE TABLE \"别的表\" (\"测试题号\");") << true;
        QTest::newRow("field missing") << QByteArray("CREATE TABLE \"你有几分克制能力\" (\"测试题号\", \"测试题目\");") << true;
    }
    void unusableBankFileIsToldLikeADamagedShippedBank()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, sql);
        QTemporaryDir programFolder, elsewhere;
        const QString shipped = bankPathIn(programFolder.path());
        const QString own = elsewhere.filePath("mine.db");
        for (const QString &path : {shipped, own}) {
            if (sql) {
                writeBank(path, content);
            } else if (!content.isEmpty()) {
                QFile file(path);
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write(content);
            }
        }
        setProgramFolder(programFolder.path());

        // What the user sees, with the file's path taken out.
        auto toldOnOpening = [](const QString &path) -> MessageRequest {
            ScriptedAnswers answers;
            const Opened w = openSelfControl();
            if (answers.asked().size() != 1 || !w.text("Label1").isEmpty())
                return {};
            MessageRequest told = answers.asked().first();
            told.text.replace(path, "FILE");
            return told;
        };
        const MessageRequest fromShipped = toldOnOpening(shipped);
        setBankFile(parseCommandLine({"zentrova", "--bank", own}).bankFile);
        const MessageRequest fromOwn = toldOnOpening(own);

        QVERIFY2(fromShipped.text.contains("FILE"), qPrintable(fromShipped.text));
        QCOMPARE(fromOwn.text, fromShipped.text);
        QCOMPARE(fromOwn.title, fromShipped.title);
        QCOMPARE(QFileInfo::exists(own), !content.isEmpty());
    }

    void checkBankExitCode_data()
    {
        QTest::addColumn<QString>("bank"); // "": the bank beside the program
        QTest::addColumn<int>("exitCode");
        QTest::newRow("shipped bank") << "" << 0;
        QTest::newRow("shipped bank given by --bank") << "shipped" << 0;
        QTest::newRow("bank with one table only") << "own" << 1;
        QTest::newRow("missing file") << "missing" << 1;
    }
    void checkBankExitCode()
    {
        QFETCH(QString, bank);
        QFETCH(int, exitCode);
        QTemporaryDir dir;
        const QString own = dir.filePath("mine.db");
        writeBank(own, OwnSelfControlTable);
        QStringList arguments{"zentrova", "--check-bank"};
        if (bank == "shipped")
            arguments << "--bank" << shippedBankPath();
        else if (bank == "own")
            arguments << "--bank" << own;
        else if (bank == "missing")
            arguments << "--bank" << dir.filePath("none.db");
        useShippedBank();

        const CommandLine command = parseCommandLine(arguments);
        QCOMPARE(command.action, Action::CheckBank);
        QCOMPARE(answerCommandLine(command), exitCode);
        QVERIFY(!QFileInfo::exists(dir.filePath("none.db")));
    }
};

ZENTROVA_TEST_MAIN(CommandLineTest)
#include "tst_commandline.moc"
