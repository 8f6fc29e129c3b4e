// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Group reports: the figures against hand-worked ones, what the page says
// and whom it names, and the export a researcher reads into R or SPSS.

#include "framework/numbers.h"
#include "reports/groupreport.h"
#include "recordwindows/groupreportwindow.h"
#include "records/localstore.h"
#include "records/recordstore.h"
#include "records/localstore.h"
#include "recordwindows/recordswindow.h"
#include "reports/reportactions.h"
#include "shell/commandline.h"
#include "testsupport.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTableView>
#include <QtTest>

using namespace zentrova;
using namespace zentrova::testing;

namespace {

const QDateTime Day1(QDate(2026, 9, 1), QTime(10, 0), Qt::OffsetFromUTC, 8 * 3600);

QString captionOf(const QString &window)
{
    return window == "frm考试焦虑" ? QStringLiteral("考试焦虑度测试") : window.mid(3);
}

// Records written "person@day=result": a total where the result is a
// number, figures where it is "name:value|name:value", else a verdict; no
// person before @ for a nameless record. Later in the list is later stored.
QList<RecordSummary> summaries(const QString &window, const QString &group, const QStringList &written)
{
    QList<RecordSummary> list;
    for (const QString &line : written) {
        const QRegularExpressionMatch m = QRegularExpression("^(.*)@(\\d+)=(.*)$").match(line);
        RecordSummary summary;
        summary.id = list.size() + 1;
        summary.window = window;
        summary.caption = captionOf(window);
        summary.group = group;
        summary.person = m.captured(1);
        summary.finished = Day1.addDays(m.captured(2).toInt() - 1);
        if (m.captured(3).contains(':')) {
            for (const QString &figure : m.captured(3).split('|'))
                summary.figures.append({figure.section(':', 0, 0), figure.section(':', 1)});
        } else if (const auto total = strictNumber(m.captured(3))) {
            summary.figures = {{"总分", m.captured(3)}};
            summary.total = total;
        } else {
            summary.verdict = m.captured(3);
        }
        list << summary;
    }
    return list;
}

// The report's figures in one line, to compare with hand-worked ones.
QString described(const GroupReport &report)
{
    QStringList parts {QStringLiteral("n %1/%2").arg(report.tested).arg(report.records)};
    if (!report.bands.empty()) {
        QStringList counts;
        for (int count : report.bandCounts.counts)
            counts << QString::number(count);
        parts << "bands " + counts.join(',') + " +" + QString::number(report.bandCounts.outside);
    }
    if (const auto &t = report.totals)
        parts << QStringLiteral("mean %1 sd %2 median %3 min %4 max %5")
                     .arg(QString::number(t->mean, 'f', 2), t->sd ? QString::number(*t->sd, 'f', 2) : "-", plainNumber(t->median),
                         plainNumber(t->lowest), plainNumber(t->highest));
    for (const auto &[verdict, count] : report.verdicts)
        parts << verdict + ' ' + QString::number(count);
    for (const auto &[name, t] : report.figures)
        parts << QStringLiteral("%1 n %2 mean %3 sd %4 median %5").arg(name).arg(t.n).arg(t.mean, 0, 'f', 2).arg(*t.sd, 0, 'f', 2).arg(t.median);
    return parts.join(" | ");
}

QString run(const QStringList &arguments, const QProcessEnvironment &environment, int *exitCode)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(qEnvironmentVariable("ZENTROVA_PROGRAM"), arguments);
    if (!process.waitForFinished(60000))
        qFatal("the program did not finish");
    *exitCode = process.exitCode();
    return QString::fromUtf8(process.readAllStandardError());
}

QString pdfText(const QString &path)
{
    QProcess process;
    process.start("pdftotext", {"-raw", path, "-"});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput()).remove(QRegularExpression("\\s"));
}

// Adds records "person@day=total" of the exam-anxiety test in group to the file.
void addExamRecords(const QString &path, const QString &group, const QStringList &written)
{
    RecordStore store(path);
    for (const RecordSummary &summary : summaries("frm考试焦虑", group, written)) {
        Record record;
        record.window = summary.window;
        record.caption = summary.caption;
        record.group = group;
        record.person = summary.person;
        record.finished = summary.finished;
        record.figures = summary.figures;
        record.answers = {{"1", "A：很符合"}, {"2", "D：很不符合"}, {"12（2）", "是"}};
        QVERIFY(store.add(record));
    }
}

} // namespace

class GroupsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private slots:
    void init() { zentrova::testing::failOnThreadWarnings(); }
    void initTestCase()
    {
        setApplicationIdentity();
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath("share")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath("config")));
    }

    // Band counts at every edge of a few tests (the first band holding a
    // total where two meet), mean, SD with n − 1, median; one record per
    // person, the latest.
    void figures_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<QString>("expected");
        QTest::newRow("exam anxiety, every edge and past both ends")
            << "frm考试焦虑"
            << QStringList {"a@1=0", "b@1=24", "c@1=25", "d@1=49", "e@1=50", "f@1=74", "g@1=75", "h@1=99", "i@1=100", "j@1=-1"}
            << "n 10/10 | bands 2,2,2,2 +2 | mean 49.50 sd 37.27 median 49.5 min -1 max 100";
        QTest::newRow("decisiveness, an open top band")
            << "frm你可断吗" << QStringList {"a@1=6", "b@1=7", "c@1=15", "d@1=16", "e@1=25", "f@1=26", "g@1=-1"}
            << "n 7/7 | bands 1,2,2,1 +1 | mean 13.43 sd 10.05 median 15 min -1 max 26";
        QTest::newRow("love score, 25 is not under 25")
            << "frm你的爱情分值" << QStringList {"a@1=24", "b@1=25", "c@1=29", "d@1=30", "e@1=34", "f@1=35"}
            << "n 6/6 | bands 1,2,2,1 +0 | mean 29.50 sd 4.51 median 29.5 min 24 max 35";
        QTest::newRow("intelligence, where bands meet the first holds")
            << "frm你聪明吗" << QStringList {"a@1=90", "b@1=60", "c@1=30", "d@1=29", "e@1=100"}
            << "n 5/5 | bands 2,1,1,1 +0 | mean 61.80 sd 32.96 median 60 min 29 max 100";
        QTest::newRow("one person: no SD") << "frm考试焦虑" << QStringList {"a@1=7"}
                                           << "n 1/1 | bands 1,0,0,0 +0 | mean 7.00 sd - median 7 min 7 max 7";
        QTest::newRow("even n: median between the middle two")
            << "frm考试焦虑" << QStringList {"a@1=2", "b@1=4", "c@1=4", "d@1=4", "e@1=5", "f@1=5", "g@1=7", "h@1=9"}
            << "n 8/8 | bands 8,0,0,0 +0 | mean 5.00 sd 2.14 median 4.5 min 2 max 9";
        QTest::newRow("all tied") << "frm考试焦虑" << QStringList {"a@1=3", "b@1=3", "c@1=3", "d@1=3"}
                                  << "n 4/4 | bands 4,0,0,0 +0 | mean 3.00 sd 0.00 median 3 min 3 max 3";
        QTest::newRow("the latest counts, whatever the order stored")
            << "frm考试焦虑" << QStringList {"a@1=10", "a@3=80", "a@2=50", "b@2=30", "b@2=60"}
            << "n 2/5 | bands 0,0,1,1 +0 | mean 70.00 sd 14.14 median 70 min 60 max 80";
        QTest::newRow("nameless records each count") << "frm考试焦虑" << QStringList {"@1=10", "@2=10", "a@1=90"}
                                                     << "n 3/3 | bands 2,0,0,1 +0 | mean 36.67 sd 46.19 median 10 min 10 max 90";
        QTest::newRow("verdicts: count per verdict, the latest")
            << "frm性格内向或外向" << QStringList {"a@1=外向性格", "b@1=内向性格", "c@1=内向性格", "a@2=内向性格", "d@1=中性性格"}
            << "n 4/5 | 内向性格 3 | 中性性格 1";
        QTest::newRow("temperament: each of its totals")
            << "frm气质测试" << QStringList{"a@1=胆汁质:12|多血质:8", "b@1=胆汁质:6|多血质:10", "a@2=胆汁质:12|多血质:8"}
            << "n 2/3 | 胆汁质 n 2 mean 9.00 sd 4.24 median 9 | 多血质 n 2 mean 9.00 sd 1.41 median 9";
    }
    void figures()
    {
        QFETCH(QString, window);
        QFETCH(QStringList, records);
        QFETCH(QString, expected);
        // Another group's and another test's records count for nothing.
        QList<RecordSummary> all = summaries(window, "初二（3）班", records);
        all += summaries(window, "初二（4）班", {"x@1=40"});
        all += summaries("frm你可断吗x", "初二（3）班", {"y@1=40"});
        QString error;
        const auto report = makeGroupReport(all, {captionOf(window), "初二（3）班", {}, {}, false, {}}, &error);
        QVERIFY2(report, qPrintable(error));
        QCOMPARE(described(*report), expected);
    }

    // People present in both sittings, their mean change and where they moved.
    void twoSittings_data()
    {
        QTest::addColumn<QStringList>("records"); // days 1–9 the earlier sitting, 10 on the later
        QTest::addColumn<QString>("expected");
        QTest::newRow("two stay, one moves up, one leaves, one joins") << QStringList {"a@1=10", "b@2=30", "c@3=60", "d@4=80", "a@10=20",
            "b@10=55", "c@11=62", "e@11=99"} << "n 3, change +12.33 | 0－24→0－24 1, 25－49→50－74 1, 50－74→50－74 1";
        QTest::newRow("the latest of each sitting, nameless left out")
            << QStringList {"a@1=90", "a@5=80", "@5=10", "a@10=20", "a@12=30", "@12=10"} << "n 1, change -50.00 | 75－99→25－49 1";
        QTest::newRow("no one in both") << QStringList {"a@1=10", "b@10=20"} << "n 0, change none | ";
    }
    void twoSittings()
    {
        QFETCH(QStringList, records);
        QFETCH(QString, expected);
        GroupReportRequest request {
            "frm考试焦虑", "一班", DateRange {QDate(2026, 9, 10), std::nullopt}, DateRange {std::nullopt, QDate(2026, 9, 9)}, false, {}};
        QString error;
        const auto report = makeGroupReport(summaries("frm考试焦虑", "一班", records), request, &error);
        QVERIFY2(report && report->compared, qPrintable(error));
        const SittingsCompared &compared = *report->compared;
        QStringList moves;
        for (const auto &[move, count] : compared.moves)
            moves << move.first + "→" + move.second + ' ' + QString::number(count);
        const QString change = compared.meanChange ? QString::asprintf("%+.2f", *compared.meanChange) : "none";
        QCOMPARE(QStringLiteral("n %1, change %2 | %3").arg(compared.n).arg(change, moves.join(", ")), expected);
    }

    // Whom the follow-up list names, with the result of the sitting just
    // before the latest.
    void followUpList_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<QStringList>("marked");
        QTest::addColumn<QString>("expected");
        QTest::newRow("the sitting just before, not the first")
            << "frm考试焦虑" << QStringList{"a@1=10", "a@3=60", "a@5=90", "b@5=80", "c@5=10", "@5=95"} << QStringList{"75－99"}
            << "a 90 75－99 50－74; b 80 75－99 ";
        QTest::newRow("a marked verdict") << "frm性格内向或外向" << QStringList{"a@1=外向性格", "a@2=内向性格", "b@1=外向性格"}
                                          << QStringList{"内向性格"} << "a  内向性格 外向性格";
        QTest::newRow("nothing marked") << "frm考试焦虑" << QStringList{"a@1=90"} << QStringList{} << "";
    }
    void followUpList()
    {
        QFETCH(QString, window);
        QFETCH(QStringList, records);
        QFETCH(QStringList, marked);
        QFETCH(QString, expected);
        QString error;
        const auto report = makeGroupReport(summaries(window, "一班", records), {window, "一班", {}, {}, true, marked}, &error);
        QVERIFY2(report, qPrintable(error));
        QStringList listed;
        for (const FollowUpEntry &entry : report->followUp)
            listed << QStringList{entry.person, entry.total, entry.result, entry.previous}.join(' ');
        QCOMPARE(listed.join("; "), expected);
    }

    // The page as a counsellor gets it from the command line: the group, n
    // and every band's count; people named only in the follow-up list, only
    // when it is switched on, and only those in the marked bands, every one
    // of them; a marked band the test lacks or sittings that overlap refused.
    void page_data()
    {
        QTest::addColumn<bool>("followUp");
        QTest::addColumn<QStringList>("marked");
        QTest::addColumn<QStringList>("named");
        QTest::addColumn<QStringList>("days"); // the options choosing the sittings
        QTest::addColumn<int>("crowd"); // more people in 75－99 at the later sitting
        QTest::addColumn<QString>("error");
        const QStringList before11 {"--compare-until", "2026-09-11"};
        QTest::newRow("follow-up off (the default)") << false << QStringList {"75－99"} << QStringList {} << before11 << 0 << "";
        QTest::newRow("on, one band marked") << true << QStringList {"75－99"} << QStringList {"王五"} << before11 << 0 << "";
        QTest::newRow("on, two bands marked") << true << QStringList {"75－99", "0－24"} << QStringList {"王五", "张三"} << before11 << 0
                                              << "";
        QTest::newRow("on, no band marked") << true << QStringList {} << QStringList {} << before11 << 0 << "";
        QTest::newRow("an ASCII hyphen for the full-width one")
            << true << QStringList {"75-99"} << QStringList {"王五"} << before11 << 0 << "";
        QTest::newRow("a band the test does not have")
            << true << QStringList {"75～100"} << QStringList {} << before11 << 0
            << "“75～100”不是“考试焦虑度测试”的分数段；它的分数段是：0－24、25－49、50－74、75－99";
        QTest::newRow("sittings that overlap") << false << QStringList {} << QStringList {}
                                               << QStringList {"--since", "2026-09-01", "--compare-until", "2026-09-11"} << 0 << "有重叠";
        QTest::newRow("compared up to a day after the sitting's end")
            << false << QStringList {} << QStringList {} << QStringList {"--until", "2026-09-05", "--compare-until", "2026-09-11"} << 0
            << "有重叠";
        QTest::newRow("thirty more marked, beside the comparison")
            << true << QStringList {"75－99"} << QStringList {"王五"} << before11 << 30 << "";
    }
    void page()
    {
        QFETCH(bool, followUp);
        QFETCH(QStringList, marked);
        QFETCH(QStringList, named);
        QFETCH(QStringList, days);
        QFETCH(int, crowd);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString records = dir.filePath("records.db"), pdf = dir.filePath("小组报告.pdf");
        QStringList people {"张三@1=10", "李四@1=40", "赵六@1=41", "王五@1=60", "钱七@1=50", "张三@12=12", "李四@12=30", "赵六@12=45",
            "王五@12=90", "钱七@12=70"};
        QStringList crowded;
        for (int i = 1; i <= crowd; ++i) {
            crowded << QStringLiteral("学生%1").arg(i, 2, 10, QLatin1Char('0'));
            people << crowded.last() + "@1=80" << crowded.last() + "@12=95";
        }
        addExamRecords(records, "初二（3）班", people);
        addExamRecords(records, "初二（4）班", {"孙八@12=95"});
        if (followUp || !marked.isEmpty()) {
            QSettings settings(dir.filePath("config/zentrova/zentrova.conf"), QSettings::IniFormat);
            if (followUp)
                settings.setValue("groupReport/followUp", true);
            settings.setValue("groupReport/followUpBands/frm考试焦虑", marked);
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", dir.filePath("config"));
        environment.remove("QT_QPA_PLATFORM");
        environment.remove("DISPLAY");
        int exitCode = -1;
        // The group with a space before it, left out as the export leaves it out.
        const QString errors = run(
            QStringList {"--records", records, "--group-report", "考试焦虑度测试", " 初二（3）班", pdf} + days, environment, &exitCode);
        if (!error.isEmpty()) {
            QVERIFY2(exitCode == 1 && errors.contains(error), qPrintable(errors));
            QVERIFY(!QFileInfo::exists(pdf));
            return;
        }
        QVERIFY2(exitCode == 0, qPrintable(errors));
        QCOMPARE(QFile::permissions(pdf) & ~(QFile::ReadUser | QFile::WriteUser), QFile::ReadOwner | QFile::WriteOwner);
        const QString text = pdfText(pdf);
        // Nobody tested once counts in both sittings.
        QStringList said {"初二（3）班", "标准差按n−1计算", "两次都参加的共%1人", "本结果仅供参考，不构成任何心理诊断。"};
        said[2] = said[2].arg(5 + crowd);
        if (crowd == 0)
            said << QStringList {"5人（共5条记录）", "0－241人", "25－492人", "50－741人", "75－991人", "中度焦虑", "总分平均变化+9.20分"};
        for (const QString &part : std::as_const(said))
            QVERIFY2(text.contains(part), qPrintable(part + QStringLiteral(" not in ") + text));
        for (const QString &person : QStringList {"张三", "李四", "赵六", "王五", "钱七", "孙八"} + crowded)
            QVERIFY2(text.contains(person) == (named.contains(person) || crowded.contains(person)),
                qPrintable(person + QStringLiteral(": ") + text));
        QCOMPARE(text.contains("建议关注"), followUp);
        if (named.contains("王五")) // the band at the sitting before
            QVERIFY2(text.contains("王五9075－9950－74"), qPrintable(text));
    }

    // The records window filters by group and opens that group's report,
    // which compares sittings and saves the page as shown.
    void recordsWindowShowsTheGroupsReport()
    {
        RecordStore().removeAll();
        addExamRecords(RecordStore::defaultPath(), "初二（3）班", {"张三@1=10", "李四@1=40", "张三@12=30", "王五@12=90"});
        addExamRecords(RecordStore::defaultPath(), "初二（4）班", {"孙八@12=95"});
        LocalStore store;
        RecordsWindow records(store);
        QVERIFY(settled(records));
        auto *group = records.findChild<QComboBox *>("cboGroup");
        QTRY_VERIFY(group->findText("初二（3）班") >= 0);
        group->setCurrentIndex(group->findText("初二（3）班"));
        QVERIFY(settled(records));
        QCOMPARE(records.findChild<QTableView *>("tblRecords")->model()->rowCount(), 4);
        GroupReportWindow *report = records.showGroupReport();
        QVERIFY(report);
        QTRY_VERIFY(!report->isLoading());
        QVERIFY(report->report());
        QCOMPARE(report->report()->request.group, std::optional<QString>("初二（3）班"));
        QCOMPARE(report->report()->tested, 3);
        QVERIFY(!report->report()->compared);
        report->findChild<QDateEdit *>("dtpSince")->setDate(QDate(2026, 9, 10));
        report->findChild<QDateEdit *>("dtpEarlierUntil")->setDate(QDate(2026, 9, 9));
        report->findChild<QCheckBox *>("chkCompare")->setChecked(true);
        QVERIFY(report->report() && report->report()->compared);
        QCOMPARE(report->report()->tested, 2);
        QCOMPARE(report->report()->compared->n, 1);
        QCOMPARE(report->report()->compared->meanChange, std::optional<double>(20));

        const QString pdf = m_home.filePath("班级.pdf");
        const SaveFileAsker previous = setSaveFileAsker([&](QWidget *, const QString &) { return pdf; });
        report->saveAsPdf();
        setSaveFileAsker(previous);
        QVERIFY2(pdfText(pdf).contains("两次都参加的共1人"), qPrintable(pdfText(pdf)));
        report->close();
    }

    // The group report window as a user meets it: compared, the latest two
    // sittings; within a 1366×768 screen the page scrolls to its last line;
    // a PNG is saved under the name typed, and said so; a reversed range and
    // a test without records are said in words, with the test's caption;
    // every date field is named; Escape closes.
    void groupReportWindow()
    {
        RecordStore().removeAll();
        addExamRecords(RecordStore::defaultPath(), "初二（3）班", {"张三@1=10", "李四@2=40", "张三@40=30", "李四@41=60", "王五@41=90"});
        LocalStore store;
        RecordsWindow records(store);
        QVERIFY(settled(records));
        auto *group = records.findChild<QComboBox *>("cboGroup");
        QTRY_VERIFY(group->findText("初二（3）班") >= 0);
        group->setCurrentIndex(group->findText("初二（3）班"));
        QVERIFY(settled(records));
        GroupReportWindow *report = records.showGroupReport();
        QVERIFY(report);
        QTRY_VERIFY(!report->isLoading());
        QVERIFY(report->report());
        QVERIFY(report->width() <= 1366 && report->height() <= 768);
        report->findChild<QCheckBox *>("chkCompare")->setChecked(true);
        QVERIFY(report->report() && report->report()->compared);
        QCOMPARE(report->report()->tested, 3);
        QCOMPARE(report->report()->compared->n, 2);

        // The last line in sight once scrolled to the end, at any zoom.
        report->resize(1366, 768);
        report->show();
        QVERIFY(QTest::qWaitForWindowExposed(report));
        auto *area = report->findChild<QScrollArea *>();
        auto *page = report->findChild<QWidget *>("groupReportView");
        for (const QString &zoom : QStringList {"适合宽度", "150%", "整页"}) {
            auto *zooms = report->findChild<QComboBox *>("cboZoom");
            zooms->setCurrentIndex(zooms->findText(zoom));
            area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
            const int bottom = page->mapTo(area->viewport(), QPoint(0, page->height())).y();
            QVERIFY2(bottom <= area->viewport()->height() && page->height() > 0, qPrintable(zoom));
        }

        // A PNG under the name typed, said on the status line.
        const QString png = m_home.filePath("grp.png");
        const SaveFileAsker previous = setSaveFileAsker([&](QWidget *, const QString &) { return png; });
        report->saveAsPdf();
        setSaveFileAsker(previous);
        QVERIFY(!QImage(png).isNull() && !QFileInfo::exists(png + ".pdf"));
        QCOMPARE(report->findChild<QStatusBar *>("statusLine")->currentMessage(), "已保存到 " + png);

        auto *since = report->findChild<QDateEdit *>("dtpSince");
        auto *until = report->findChild<QDateEdit *>("dtpUntil");
        since->setDate(until->date().addDays(1));
        QVERIFY(!report->report());
        QVERIFY2(report->findChild<QStatusBar *>("statusLine")->currentMessage().contains("晚于结束日期"),
            qPrintable(report->findChild<QStatusBar *>("statusLine")->currentMessage()));

        // Named for a screen reader, and a window.
        QCOMPARE(QAccessible::queryAccessibleInterface(report)->role(), QAccessible::Window);
        for (QDateEdit *edit : report->findChildren<QDateEdit *>()) {
            QVERIFY2(!edit->accessibleName().isEmpty(), qPrintable(edit->objectName()));
            const auto labels = report->findChildren<QLabel *>();
            QVERIFY2(std::any_of(labels.begin(), labels.end(), [&](QLabel *label) { return label->buddy() == edit; }),
                qPrintable(edit->objectName()));
        }
        QCOMPARE(QAccessible::queryAccessibleInterface(page)->text(QAccessible::Name), "小组报告页面");
        QVERIFY(!QAccessible::queryAccessibleInterface(page)->text(QAccessible::Description).isEmpty());
        QPointer<GroupReportWindow> closing(report);
        report->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(report));
        QTest::keyClick(report, Qt::Key_Escape);
        QTRY_VERIFY(!closing);

        // A test this group has no record of, by its caption.
        addExamRecords(RecordStore::defaultPath(), "初二（4）班", {"孙八@1=20"});
        GroupReportWindow none(store, "frm考试焦虑", QStringLiteral("初二（5）班"));
        QTRY_VERIFY(!none.isLoading());
        QVERIFY(!none.report());
        QVERIFY2(none.findChild<QStatusBar *>("statusLine")->currentMessage().contains("“考试焦虑度测试”"),
            qPrintable(none.findChild<QStatusBar *>("statusLine")->currentMessage()));
    }

    // The export with a column per item, as Python's csv module reads it:
    // the filters keep one group's records of one test within the dates; a
    // known group and test with nobody in those days give the header alone,
    // said on stderr.
    void exportWithItemColumns_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("since");
        QTest::addColumn<QStringList>("people");
        QTest::addColumn<QString>("said");
        QTest::newRow("one class within the dates") << "一班" << "2026-09-02" << QStringList{"李四", "王五"} << "";
        QTest::newRow("the class given with spaces around it") << " 一班　" << "2026-09-02" << QStringList{"李四", "王五"} << "";
        QTest::newRow("nobody of the class in those days")
            << "二班" << "2026-09-06" << QStringList{} << "没有符合条件（测评“frm考试焦虑”，小组“二班”，2026-09-06 至 2026-09-09）的测评记录，只导出了表头。";
    }
    void exportWithItemColumns()
    {
        QFETCH(QString, group);
        QFETCH(QString, since);
        QFETCH(QStringList, people);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString records = dir.filePath("records.db"), csv = dir.filePath("导出.csv");
        addExamRecords(records, "一班", {"张三@1=10", "李四@5=40", "王五@9=60"});
        addExamRecords(records, "二班", {"赵六@5=50"});
        int exitCode = -1;
        const QString errors = run({"--records", records, "--export-records", csv, "--group", group, "--test", "frm考试焦虑", "--since",
                                       since, "--until", "2026-09-09", "--item-columns"},
            QProcessEnvironment::systemEnvironment(), &exitCode);
        QVERIFY2(exitCode == 0, qPrintable(errors));
        QCOMPARE(errors.trimmed(), said.isEmpty() ? QString() : "zentrova: " + said);
        QProcess python;
        python.start("python3",
            {"-c",
                "import csv, json, sys\n"
                "with open(sys.argv[1], encoding='utf-8-sig', newline='') as f:\n"
                "    print(json.dumps(list(csv.DictReader(f)), ensure_ascii=False))",
                csv});
        QVERIFY(python.waitForFinished(60000));
        QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
        const QJsonArray rows = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
        QCOMPARE(rows.size(), people.size());
        for (int i = 0; i < rows.size(); ++i) {
            const QJsonObject row = rows[i].toObject();
            QCOMPARE(row["受测者"].toString(), people[i]);
            QCOMPARE(row["小组"].toString(), "一班");
            QCOMPARE(row["总分"].toString(), QStringList({"40", "60"})[i]);
            QCOMPARE(row["1"].toString(), "A");
            QCOMPARE(row["2"].toString(), "D");
            QCOMPARE(row["12（2）"].toString(), "是");
        }
    }
};

QTEST_MAIN(GroupsTest)

#include "tst_groups.moc"
