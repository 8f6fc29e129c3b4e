// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Files for statistics programs, read back by those programs: the .sav by
// PSPP and R's haven, the .dta by haven; α and the item figures against R's
// psych::alpha; and a cut file that leaves the old one as it was.

#include "records/localstore.h"
#include "records/groupstats.h"
#include "records/localstore.h"
#include "records/recordstore.h"
#include "recordwindows/groupreportwindow.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <sys/stat.h>

using namespace zentrova;
using namespace zentrova::testing;

namespace {

const QString Anxiety = QStringLiteral("考试焦虑度测试");
const QString Class3 = QStringLiteral("初二（3）班");
// The exam-anxiety test scores A to D as 3 to 0.
const QStringList AnxietyAnswers {"A：很符合自己的情况", "B：比较符合", "C：较不符合", "D：很不符合"};
const QStringList AnxietyItems {"考试前的几天，我常常因为担心考试而睡不好觉。", "一想到马上就要考试，我的心就跳得很快。"};

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs a program to its end; its standard output, or why it failed.
QString run(const QString &program, const QStringList &arguments, int *exitCode = nullptr)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C.UTF-8"); // R and PSPP write UTF-8
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        return "did not finish: " + program;
    if (exitCode)
        *exitCode = process.exitCode();
    else if (process.exitCode() != 0)
        return program + " failed: " + QString::fromUtf8(process.readAllStandardError());
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString runProgram(const QString &records, const QStringList &arguments, int *exitCode)
{
    return run("bash",
        QStringList {"-c", "exec \"$0\" --records \"$1\" \"${@:2}\" 2>&1", qEnvironmentVariable("ZENTROVA_PROGRAM"), records} + arguments,
        exitCode);
}

Record anxietyRecord(const QString &person, const QString &group, const QDateTime &finished, int total, const QList<int> &answers)
{
    Record record;
    record.window = "frm考试焦虑";
    record.caption = Anxiety;
    record.person = person;
    record.group = group;
    record.finished = finished;
    record.figures = {{"总分", QString::number(total)}};
    record.verdict = total < 25 ? "0－24" : total < 50 ? "25－49" : total < 75 ? "50－74" : "75－99";
    for (int i = 0; i < answers.size(); ++i)
        record.answers.append({QString::number(i + 1), AnxietyAnswers[answers[i]]});
    record.programVersion = "1.2";
    record.bankSha256 = QString(64, u'b');
    return record;
}

// The fixture: two people of class 3 (one whose name a spreadsheet would take
// for a formula), one of class 4, and a timed test of another kind.
QList<Record> fixture()
{
    const auto at = [](int day, int hour, int minute, int second, int offset) {
        return QDateTime(QDate(2026, 9, day), QTime(hour, minute, second), Qt::OffsetFromUTC, offset);
    };
    Record other;
    other.window = "frm你可断吗";
    other.caption = "你可断吗？";
    other.person = "王五";
    other.group = Class3;
    other.finished = at(3, 9, 0, 0, 8 * 3600);
    other.elapsedMinutes = 7;
    other.figures = {{"总分", "12"}};
    other.verdict = "7－15分";
    other.answers = {{"1", "是"}};
    other.programVersion = "1.2";
    other.bankSha256 = QString(64, u'c');
    return {anxietyRecord("-李雷", Class3, at(1, 10, 0, 0, 8 * 3600), 40, {0, 1}),
        anxietyRecord("韩梅梅", Class3, at(2, 23, 30, 15, -5 * 3600), 80, {2, 1}),
        anxietyRecord("=SUM(1)", "初二（4）班", at(2, 8, 0, 0, 8 * 3600), 10, {3, 3}), other};
}

// What haven's dump (below) should say of the records: each variable's
// type and label, its value labels, and every value, rows joined by |.
// SPSS holds value labels of up to 120 bytes: a longer one is cut at a whole
// character and ends in "…".
QStringList expectedDump(const QList<Record> &records, bool items, bool spss)
{
    const auto valueLabel = [spss](QString label) {
        if (spss && label.toUtf8().size() > 120) {
            while (label.toUtf8().size() > 117)
                label.chop(1);
            label += "…";
        }
        return label;
    };
    const auto values = [&](const std::function<QString(const Record &)> &value) {
        QStringList list;
        for (const Record &record : records)
            list << value(record);
        return list.join('|');
    };
    QStringList bandLabels;
    const bool several = std::any_of(records.begin(), records.end(), [](const Record &r) { return r.window != "frm考试焦虑"; });
    int code = 0;
    for (const auto &[window, caption, bands] : {std::tuple {"frm考试焦虑", Anxiety, QStringList {"0－24", "25－49", "50－74", "75－99"}},
             std::tuple {"frm你可断吗", QString("你可断吗？"), QStringList {"0－6分", "7－15分", "16－25分", "26－更高分"}}}) {
        if (window != QString("frm考试焦虑") && !several)
            continue;
        for (const QString &band : bands) {
            const QString meaning = bandMeaning(window, band);
            bandLabels << QString("%1=%2").arg(++code).arg(
                valueLabel((several ? caption + "：" : "") + band + (meaning.isEmpty() ? "" : "　" + meaning)));
        }
    }
    const auto bandOf = [&](const Record &r) {
        const int total = r.figures.first().value.toInt();
        if (r.window == "frm考试焦虑")
            return QString::number(total / 25 + 1);
        return QString::number((total <= 6 ? 1 : total <= 15 ? 2 : total <= 25 ? 3 : 4) + 4);
    };
    QStringList dump {"var id number 编号", "values id " + values([](const Record &r) { return QString::number(r.id); }),
        "var person string 受测者", "values person " + values([](const Record &r) { return r.person; }), "var group string 小组",
        "values group " + values([](const Record &r) { return r.group; }), "var test string 测试",
        "values test " + values([](const Record &r) { return r.caption; }), "var finished datetime 完成时间（完成地的当地时间）",
        "values finished " + values([](const Record &r) { return r.finished.toString("yyyy-MM-dd HH:mm:ss"); }),
        "var utc_offset string 完成地的UTC偏移", "values utc_offset " + values([](const Record &r) {
            return r.finished.offsetFromUtc() < 0 ? QString("-05:00") : QString("+08:00");
        }),
        "var duration_s number 用时（秒）",
        "values duration_s " + values([](const Record &r) { return r.elapsedMinutes ? QString::number(*r.elapsedMinutes * 60) : "NA"; }),
        "var total number 总分", "values total " + values([](const Record &r) { return r.figures.first().value; }),
        "var band number 分数段", "labels band " + bandLabels.join('|'), "values band " + values(bandOf), "var verdict string 评语或分数段",
        "values verdict " + values([](const Record &r) { return r.verdict; }), "var version string 程序版本",
        "values version " + values([](const Record &r) { return r.programVersion; }), "var bank_sha256 string 题库SHA-256",
        "values bank_sha256 " + values([](const Record &r) { return r.bankSha256; })};
    for (int item = 0; items && item < 2; ++item) {
        QMap<int, QString> labels;
        for (const Record &record : records)
            labels[3 - int(AnxietyAnswers.indexOf(record.answers[item].answer))] = record.answers[item].answer;
        QStringList labelled;
        for (auto label = labels.begin(); label != labels.end(); ++label)
            labelled << QString("%1=%2").arg(label.key()).arg(label.value());
        dump << QString("var q%1 number %1　%2").arg(item + 1).arg(AnxietyItems[item])
             << QString("labels q%1 ").arg(item + 1) + labelled.join('|')
             << QString("values q%1 ").arg(item + 1)
                + values([&](const Record &r) { return QString::number(3 - AnxietyAnswers.indexOf(r.answers[item].answer)); });
    }
    return dump;
}

// Every variable of a .sav or .dta as haven reads it: type, label, value
// labels, values.
const char *const HavenDump = R"R(
args <- commandArgs(TRUE)
d <- if (grepl("[.]dta$", args[1], ignore.case = TRUE)) haven::read_dta(args[1]) else haven::read_sav(args[1])
out <- character()
for (n in names(d)) {
  x <- d[[n]]
  type <- if (inherits(x, "POSIXct")) "datetime" else if (is.character(x)) "string" else "number"
  out <- c(out, paste0("var ", n, " ", type, " ", attr(x, "label")))
  l <- attr(x, "labels")
  if (!is.null(l)) out <- c(out, paste0("labels ", n, " ", paste0(unname(l), "=", names(l), collapse = "|")))
  v <- if (type == "datetime") format(x, "%Y-%m-%d %H:%M:%S", tz = "UTC") else as.character(as.vector(unclass(x)))
  out <- c(out, paste0("values ", n, " ", paste(v, collapse = "|")))
}
writeLines(enc2utf8(out), useBytes = TRUE)
)R";

// psych::alpha of a matrix written as CSV: α, the Feldt interval, then
// r.drop and alpha.drop of each item it kept, one line each.
const char *const PsychAlpha = R"R(
m <- as.matrix(read.csv(commandArgs(TRUE)[1], header = FALSE))
a <- suppressWarnings(suppressMessages(psych::alpha(m, warnings = FALSE)))
cat(format(c(a$total$raw_alpha, a$feldt$lower.ci, a$feldt$upper.ci), digits = 15), sep = " "); cat("\n")
cat(format(a$item.stats$r.drop, digits = 15), sep = " "); cat("\n")
cat(format(a$alpha.drop$raw_alpha, digits = 15), sep = " "); cat("\n")
)R";

QList<QList<double>> psychAlpha(const QList<QList<double>> &scores)
{
    QTemporaryDir dir;
    QFile csv(dir.filePath("m.csv"));
    if (!csv.open(QIODevice::WriteOnly))
        return {};
    for (const QList<double> &row : scores) {
        QStringList cells;
        for (double value : row)
            cells << QString::number(value);
        csv.write((cells.join(',') + '\n').toUtf8());
    }
    csv.close();
    QList<QList<double>> lines;
    for (const QString &line : run("Rscript", {"-e", PsychAlpha, csv.fileName()}).split('\n', Qt::SkipEmptyParts)) {
        QList<double> numbers;
        for (const QString &word : line.split(' ', Qt::SkipEmptyParts))
            numbers << (word == "NaN" || word.endsWith("Inf") ? qQNaN() : word.toDouble());
        lines << numbers;
    }
    return lines;
}

void compareWithPsych(const ItemAnalysis &ours, const QList<QList<double>> &scores)
{
    const QList<QList<double>> psych = psychAlpha(scores);
    QCOMPARE(psych.size(), 3);
    QVERIFY(ours.alpha && ours.alphaInterval);
    QCOMPARE(psych[0].size(), 3);
    const auto close
        = [](std::optional<double> ours, double theirs) { return std::isnan(theirs) ? !ours : ours && std::abs(*ours - theirs) < 1e-6; };
    QVERIFY2(close(ours.alpha, psych[0][0]), qPrintable(QString("%1 vs %2").arg(*ours.alpha).arg(psych[0][0])));
    QVERIFY2(
        close(ours.alphaInterval->first, psych[0][1]), qPrintable(QString("%1 vs %2").arg(ours.alphaInterval->first).arg(psych[0][1])));
    QVERIFY2(
        close(ours.alphaInterval->second, psych[0][2]), qPrintable(QString("%1 vs %2").arg(ours.alphaInterval->second).arg(psych[0][2])));
    // psych leaves out the items without variance, as α does here.
    QList<ItemFigures> kept;
    std::copy_if(ours.perItem.begin(), ours.perItem.end(), std::back_inserter(kept), [](const ItemFigures &f) { return !f.constant; });
    QCOMPARE(kept.size(), psych[1].size());
    for (qsizetype i = 0; i < kept.size(); ++i) {
        QVERIFY2(close(kept[i].correctedItemTotal, psych[1][i]), qPrintable(QString("r.drop of item %1").arg(i + 1)));
        QVERIFY2(close(kept[i].alphaIfDeleted, psych[2][i]), qPrintable(QString("alpha.drop of item %1").arg(i + 1)));
    }
}

} // namespace

class StatFilesTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_records;
    QList<Record> m_fixture;

private slots:
    void initTestCase()
    {
        QTest::failOnWarning(QRegularExpression("Timers cannot|QObject::|Cannot create children"));
        useShippedBank();
        m_records = m_dir.filePath("records.db");
        RecordStore store(m_records);
        for (Record record : fixture()) {
            const auto id = store.add(record);
            QVERIFY2(id, qPrintable(store.error()));
            record.id = *id;
            m_fixture << record;
        }
    }

    void readBack_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("filters");
        QTest::addColumn<QList<int>>("rows");
        const QStringList oneClass {"--test", Anxiety, "--group", Class3, "--item-columns"};
        QTest::newRow("SPSS, one class's test with its items") << "class.sav" << oneClass << QList<int> {0, 1};
        QTest::newRow("Stata, one class's test with its items") << "class.dta" << oneClass << QList<int> {0, 1};
        QTest::newRow("SPSS, every record") << "all.sav" << QStringList() << QList<int> {0, 1, 2, 3};
        QTest::newRow("Stata, from a day on") << "since.DTA" << QStringList {"--since", "2026-09-02"} << QList<int> {1, 2, 3};
        QTest::newRow("SPSS, one test up to a day")
            << "until.sav" << QStringList {"--test", "frm考试焦虑", "--until", "2026-09-01", "--item-columns"} << QList<int> {0};
    }

    void readBack()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, filters);
        QFETCH(QList<int>, rows);
        const QString path = m_dir.filePath(file);
        int exitCode = -1;
        const QString said = runProgram(m_records, QStringList {"--export-records", path} + filters, &exitCode);
        QVERIFY2(exitCode == 0, qPrintable(said));
        struct stat status = {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
        QCOMPARE(status.st_mode & 0777, 0600u);
        QList<Record> expected;
        for (int row : rows)
            expected << m_fixture[row];
        // Oldest first, by the instant finished.
        std::sort(expected.begin(), expected.end(), [](const Record &a, const Record &b) { return a.finished < b.finished; });
        const QStringList dump = run("Rscript", {"-e", HavenDump, path}).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(dump, expectedDump(expected, filters.contains("--item-columns"), file.endsWith(".sav")));
        if (!file.endsWith(".sav"))
            return;

        // PSPP: the dictionary with every label, and the totals described.
        const QString syntax = m_dir.filePath("read.sps");
        QFile sps(syntax);
        QVERIFY(sps.open(QIODevice::WriteOnly));
        sps.write(QString("GET FILE='%1'.\nDISPLAY DICTIONARY.\nDESCRIPTIVES VARIABLES=total duration_s.\n").arg(path).toUtf8());
        sps.close();
        const QString listed = run("pspp", {"-O", "format=csv", syntax});
        QVERIFY2(!listed.contains("error", Qt::CaseInsensitive) && !listed.contains("warning", Qt::CaseInsensitive), qPrintable(listed));
        int position = 0;
        for (const QString &line : dump) {
            const QStringList words = line.split(' ');
            if (words[0] == "var") // name, position, label
                QVERIFY2(
                    listed.contains(QString("\n%1,%2,%3,").arg(words[1]).arg(++position).arg(words.mid(3).join(' '))), qPrintable(line));
            for (const QString &label : words[0] == "labels" ? words.mid(2).join(' ').split('|') : QStringList())
                QVERIFY2(listed.contains(',' + label.section('=', 0, 0) + ',' + label.section('=', 1) + '\n'), qPrintable(label));
        }
        QVERIFY(listed.contains(",DATETIME20.0,"));
        double sum = 0;
        for (const Record &record : expected)
            sum += record.figures.first().value.toDouble();
        QVERIFY2(listed.contains(QString("\n总分,%1,%2,").arg(expected.size()).arg(sum / expected.size(), 0, 'f', 2)), qPrintable(listed));
    }

    void alphaAgainstPsych_data()
    {
        QTest::addColumn<QList<QList<double>>>("scores");
        QTest::newRow("five people, four items")
            << QList<QList<double>> {{3, 2, 3, 1}, {2, 2, 1, 0}, {3, 3, 3, 2}, {0, 1, 1, 1}, {1, 0, 2, 0}};
        QTest::newRow("an item everyone answered alike")
            << QList<QList<double>> {{1, 2, 2, 3}, {2, 2, 3, 3}, {3, 2, 3, 1}, {4, 2, 1, 2}, {2, 2, 2, 2}};
        QTest::newRow("two people") << QList<QList<double>> {{1, 2, 3}, {3, 1, 1}};
        QTest::newRow("two people, an item alike, negative α") << QList<QList<double>> {{1, 2, 3, 0}, {3, 3, 1, 0}};
        QTest::newRow("two items") << QList<QList<double>> {{-1, 2}, {0, 1}, {2, 2}, {1, 0}};
    }

    void alphaAgainstPsych()
    {
        QFETCH(QList<QList<double>>, scores);
        compareWithPsych(analyseItems(scores), scores);
    }

    void degenerateAlpha_data()
    {
        QTest::addColumn<QList<QList<double>>>("scores");
        QTest::newRow("one person") << QList<QList<double>> {{1, 2, 3}};
        QTest::newRow("one item varies") << QList<QList<double>> {{1, 2, 2}, {3, 2, 2}};
        QTest::newRow("every total alike") << QList<QList<double>> {{1, 0}, {0, 1}};
    }

    // Where psych gives no α (an error, or 0/0), none is shown, never a number.
    void degenerateAlpha()
    {
        QFETCH(QList<QList<double>>, scores);
        const ItemAnalysis figures = analyseItems(scores);
        QVERIFY(!figures.alpha && !figures.alphaInterval);
        QCOMPARE(figures.perItem.size(), scores.first().size());
    }

    // The CSV of the item analysis, per test and group, against psych on
    // the items as the .sav of the same records holds them.
    void itemAnalysisFile()
    {
        QTemporaryDir dir;
        const QString records = dir.filePath("class.db");
        RecordStore store(records);
        const QDateTime start(QDate(2026, 10, 1), QTime(9, 0), Qt::OffsetFromUTC, 8 * 3600);
        // Twelve people of one class, item 3 answered alike by all; one
        // person answers twice (the later counts), and one of another class.
        for (int i = 0; i < 13; ++i) {
            const QList<int> answers {i % 4, (i * 7 + 1) % 4, 1, (i / 3) % 4, (i * 5 + 2) % 4};
            QVERIFY(store.add(anxietyRecord(QString("学生%1").arg(i % 12), Class3, start.addSecs(60 * i), 40, answers)));
        }
        QVERIFY(store.add(anxietyRecord("别班", "初二（4）班", start, 40, {0, 0, 0, 0, 0})));
        int exitCode = -1;
        const QString csv = dir.filePath("items.csv"), sav = dir.filePath("class.sav");
        QString said = runProgram(records, {"--item-analysis", csv, "--group", Class3}, &exitCode);
        QVERIFY2(exitCode == 0, qPrintable(said));
        said = runProgram(records, {"--export-records", sav, "--test", Anxiety, "--group", Class3, "--item-columns"}, &exitCode);
        QVERIFY2(exitCode == 0, qPrintable(said));
        // psych on the latest record of each person, read from the .sav.
        const QString script
            = QString("d <- haven::read_sav('%1'); d <- d[order(d$finished), ]; d <- d[!duplicated(d$person, fromLast = TRUE), ];"
                      "a <- suppressWarnings(psych::alpha(as.data.frame(lapply(d[paste0('q', 1:5)], as.numeric)), warnings = FALSE));"
                      "cat(nrow(d), format(c(a$total$raw_alpha, a$feldt$lower.ci, a$feldt$upper.ci, a$item.stats$r.drop, "
                      "a$alpha.drop$raw_alpha), digits = 15))")
                  .arg(sav);
        const QStringList psych = run("Rscript", {"-e", script}).split(' ');
        QCOMPARE(psych.size(), 1 + 3 + 4 + 4);
        QCOMPARE(psych[0], "12");
        const QStringList rows = QString::fromUtf8(bytesOf(csv)).remove(u'\uFEFF').split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), 1 + 5);
        int kept = 0;
        for (int item = 1; item <= 5; ++item) {
            const QStringList cells = rows[item].split(',');
            QCOMPARE(cells.mid(0, 4), (QStringList {Anxiety, Class3, "12", "4"}));
            QCOMPARE(cells[7], QString::number(item));
            QVERIFY(cells[11].contains("人数少于30"));
            for (int figure = 0; figure < 3; ++figure)
                QVERIFY(std::abs(cells[4 + figure].toDouble() - psych[1 + figure].toDouble()) < 1e-4);
            if (item == 3) {
                QVERIFY(cells[9].isEmpty() && cells[10].isEmpty() && cells[11].contains("所有人的得分相同"));
                continue;
            }
            QVERIFY2(std::abs(cells[9].toDouble() - psych[4 + kept].toDouble()) < 1e-4, qPrintable(rows[item]));
            QVERIFY2(std::abs(cells[10].toDouble() - psych[8 + kept].toDouble()) < 1e-4, qPrintable(rows[item]));
            ++kept;
        }

        // The same figures on the group report's page, and in its window.
        const QString pdf = dir.filePath("class.pdf");
        said = runProgram(records, {"--group-report", Anxiety, Class3, pdf, "--item-analysis"}, &exitCode);
        QVERIFY2(exitCode == 0, qPrintable(said));
        const QString page = run("pdftotext", {"-raw", pdf, "-"}).remove(QRegularExpression("\\s"));
        QVERIFY2(page.contains("题目分析") && page.contains("α=" + QString::number(psych[1].toDouble(), 'f', 2)), qPrintable(page));
        RecordStore::setDefaultPath(records);
        LocalStore local(records);
        GroupReportWindow window(local, Anxiety, Class3);
        QTRY_VERIFY(!window.isLoading());
        QVERIFY(window.report() && !window.report()->itemAnalysis);
        auto *itemAnalysis = window.findChild<QCheckBox *>("chkItemAnalysis");
        QVERIFY(itemAnalysis);
        itemAnalysis->setChecked(true);
        QTRY_VERIFY(window.report() && window.report()->itemAnalysis);
        QCOMPARE(window.report()->itemAnalysis->figures.n, 12);
        RecordStore::setDefaultPath({});
    }

    // A .sav cut short by a file-size limit leaves the file it was to
    // replace byte for byte, and says why.
    void cutFileLeavesTheOldOne()
    {
        QTemporaryDir dir;
        const QString records = dir.filePath("many.db"), sav = dir.filePath("old.sav");
        RecordStore store(records);
        for (int i = 0; i < 300; ++i)
            QVERIFY(store.add(anxietyRecord(QString("学生%1").arg(i), Class3, QDateTime::currentDateTime(), 40, {0, 1, 2, 3, 0, 1})));
        QFile old(sav);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("the file before");
        old.close();
        int exitCode = -1;
        const QString said = run("bash",
            {"-c", "trap '' XFSZ; ulimit -f 16; exec \"$0\" --records \"$1\" --export-records \"$2\" --test \"$3\" --item-columns 2>&1",
                qEnvironmentVariable("ZENTROVA_PROGRAM"), records, sav, Anxiety},
            &exitCode);
        QCOMPARE(exitCode, 1);
        QVERIFY2(said.contains("文件大小超出了系统允许的上限") && said.contains(sav), qPrintable(said));
        QCOMPARE(bytesOf(sav), QByteArray("the file before"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter(".zentrova-"), QStringList());
    }
};

ZENTROVA_TEST_MAIN(StatFilesTest)

#include "tst_statfiles.moc"
