// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Reports, the records window and the keeping of results from the menu: what
// a user reads in a saved report, what the window lists and deletes, and that
// a result is never lost to a record file that cannot be written.

#include "drive.h"
#include "reports/recordcharts.h"
#include "records/localstore.h"
#include "records/recordstore.h"
#include "records/localstore.h"
#include "recordwindows/recordswindow.h"
#include "reports/reportactions.h"
#include "reports/reportpainter.h"
#include "shell/mainwindow.h"
#include "shell/recordkeeping.h"
#include "shell/subject.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRawFont>
#include <QSemaphore>
#include <QSettings>
#include <QStatusBar>
#include <QTableView>
#include <QTextEdit>
#include <QThreadPool>
#include <QToolButton>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace zentrova;
using namespace zentrova::testing;

Q_DECLARE_METATYPE(zentrova::Record)
Q_DECLARE_METATYPE(QList<zentrova::TotalsChart::Point>)

namespace {

QString run(const QString &program, const QStringList &arguments, int *exitCode = nullptr, QString *errors = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        qFatal("%s did not finish", qPrintable(program));
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    if (errors)
        *errors = QString::fromUtf8(process.readAllStandardError());
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The text a PDF reader finds, in the order it was drawn, as one line: the
// layout's spaces and breaks taken out.
QString pdfText(const QString &path)
{
    QString text = run(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), path, QStringLiteral("-")});
    return text.remove(QRegularExpression(QStringLiteral("\\s")));
}

// Whether each entry of a PDF's cross-reference table points at its object,
// as a strict reader needs (poppler quietly rebuilds a broken table).
bool crossReferencesHold(const QByteArray &pdf)
{
    const qsizetype start = pdf.lastIndexOf("startxref\n");
    const qsizetype xref = pdf.mid(start + 10, 20).split('\n').first().trimmed().toLongLong();
    const QList<QByteArray> head = pdf.mid(xref, 40).split('\n');
    if (start < 0 || head.size() < 2 || head[0] != "xref")
        return false;
    const int count = head[1].split(' ').value(1).toInt();
    const qsizetype entries = xref + head[0].size() + head[1].size() + 2;
    for (int object = 1; object < count; ++object) {
        if (!pdf.mid(pdf.mid(entries + 20 * object, 10).toLongLong()).startsWith(QByteArray::number(object) + " 0 obj"))
            return false;
    }
    return count > 1;
}

Record exampleRecord(const QString &window, const QString &caption)
{
    Record record;
    record.window = window;
    record.caption = caption;
    record.finished = QDateTime(QDate(2026, 3, 5), QTime(14, 30), Qt::OffsetFromUTC, 8 * 3600);
    record.programVersion = QStringLiteral("1.0");
    return record;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The object names of the entries of the menu that open() pops up.
QStringList menuEntries(const std::function<void()> &open)
{
    QStringList entries;
    QTimer::singleShot(0, qApp, [&entries] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            for (const QAction *action : menu->actions())
                entries << action->objectName();
            menu->close();
        }
    });
    open();
    return entries;
}

// Prints the record's report to a file as 打印… does, under a file-size
// limit of limitKb KiB where not -1; what the program said goes to errors,
// and exitCode is 1 where it said anything.
void printInProcess(const Record &record, const QString &file, int limitKb, int *exitCode, QString *errors)
{
    QWidget window;
    ReportActions actions(&window, [&] { return std::optional(record); });
    actions.offerInMenus();
    setPrintSetup([&](QWidget *, QPrinter &printer) {
        printer.setOutputFileName(file);
        return true;
    });
    ScriptedAnswers answers;
    rlimit before {};
    getrlimit(RLIMIT_FSIZE, &before);
    if (limitKb >= 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = before;
        limit.rlim_cur = rlim_t(limitKb) * 1024;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    actions.print()->trigger();
    setrlimit(RLIMIT_FSIZE, &before);
    setPrintSetup({});
    *exitCode = answers.asked().isEmpty() ? 0 : 1;
    *errors = answers.asked().isEmpty() ? QString() : answers.asked().constFirst().text;
    if (answers.asked().isEmpty() && window.findChild<QStatusBar *>()->currentMessage() != QStringLiteral("已保存到 %1").arg(file))
        *errors = QStringLiteral("no note of the save");
}

// Every ideograph the report's song face draws with the glyph of a radical
// (U+2E80–U+2FDF), in either weight: those a PDF reader would see as the
// radical.
QString radicalProne()
{
    QString prone;
    for (const bool bold : {false, true}) {
        QFont font(QStringLiteral("Noto Serif CJK SC"));
        font.setBold(bold);
        const QRawFont face = QRawFont::fromFont(font);
        const auto glyph = [&](char32_t code) { return face.glyphIndexesForString(QString::fromUcs4(&code, 1)).value(0); };
        QSet<quint32> radicals;
        for (char32_t code = 0x2e80; code <= 0x2fdf; ++code) {
            if (face.supportsCharacter(code))
                radicals.insert(glyph(code));
        }
        radicals.remove(0);
        for (char32_t code = 0x4e00; code <= 0x9fff; ++code) {
            const QString ideograph = QString::fromUcs4(&code, 1);
            if (radicals.contains(glyph(code)) && !prone.contains(ideograph))
                prone += ideograph;
        }
    }
    return prone;
}

QFileDevice::Permissions privateFile()
{
    return QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser;
}

} // namespace

class ReportsTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        zentrova::testing::failOnThreadWarnings();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QSettings(QStringLiteral("zentrova"), QStringLiteral("zentrova")).clear();
        RecordStore::setDefaultPath(m_dir->filePath(QStringLiteral("records.db")));
    }

    void cleanup()
    {
        RecordStore::setDefaultPath({});
        setSaveFileAsker({});
        setPrintSetup({});
        QVERIFY(visibleTopLevels().isEmpty());
    }

    // What a reader of the PDF finds, for records of each shape, and that
    // no one else may read it.
    void reportText_data()
    {
        QTest::addColumn<Record>("record");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("absent");
        QTest::addColumn<QStringList>("oneLine"); // on one line of the page, in this order

        Record banded = exampleRecord(QStringLiteral("frm考试焦虑"), QStringLiteral("考试焦虑度测试"));
        banded.figures = {{QStringLiteral("总分"), QStringLiteral("41")}};
        banded.verdict = QStringLiteral("25－49");
        banded.person = QStringLiteral("张小明");
        banded.id = 12;
        banded.bankSha256 = QStringLiteral("0123456789abcdef").repeated(4);
        for (int item = 1; item <= 33; ++item)
            banded.answers.append(
                {QString::number(item), item == 33 ? QStringLiteral("D：很不符合自己的情况") : QStringLiteral("A：很符合")});
        QTest::newRow("total and bands") << banded
                                         << QStringList {"考试焦虑度测试", "张小明", "总分41", "结论25－49轻度焦虑", "50－74",
                                                "33．D：很不符合自己的情况", "2026年3月5日14:30（UTC+08:00）",
                                                "题库SHA-2560123456789abcdef…"}
                                         << QStringList {"⼩", "⽉", "座位", "存疑"} << QStringList {};

        // A centre's record says in its small print where it came from and
        // why it is doubtful, and its answers still fit above.
        Record sent = banded;
        sent.provenance = {QStringLiteral("118"), QStringLiteral("seat18"), QDateTime(QDate(2026, 3, 5), QTime(6, 31, 2), Qt::UTC)};
        sent.marks = QStringList {QStringLiteral("名单中没有这个测评码"), QStringLiteral("总分 10 与作答不符（按作答应为 99）")};
        QTest::newRow("from a centre's seat, marked")
            << sent
            << QStringList {"座位118", "登录名seat18",
                   "送达" + sent.provenance.arrived.toLocalTime().toString(QStringLiteral("yyyy-MM-ddHH:mm:ss")),
                   "存疑：名单中没有这个测评码", "存疑：总分10与作答不符（按作答应为99）", "33．D：很不符合自己的情况"}
            << QStringList {} << QStringList {};

        Record verdict = exampleRecord(QStringLiteral("frm性格内向或外向"), QStringLiteral("你的性格是内向还是外向？"));
        verdict.verdict = QStringLiteral("你的性格偏于外向，乐于与人交往。");
        verdict.elapsedMinutes = 7;
        verdict.answers = {{QStringLiteral("1"), QStringLiteral("是")}, {QStringLiteral("2"), QStringLiteral("否")}};
        QTest::newRow("verdict only") << verdict
                                      << QStringList {"你的性格是内向还是外向？", "你的性格偏于外向，乐于与人交往。", "7分钟", "未填写"}
                                      << QStringList {} << QStringList {"1．是", "2．否"};

        Record temperament = exampleRecord(QStringLiteral("frm气质测试"), QStringLiteral("你属于哪种气质？"));
        temperament.figures = {{QStringLiteral("胆汁质"), QStringLiteral("12")}, {QStringLiteral("多血质"), QStringLiteral("-3")},
            {QStringLiteral("粘液质"), QStringLiteral("5")}, {QStringLiteral("抑郁质"), QStringLiteral("0")}};
        temperament.verdict = QStringLiteral("胆汁质");
        temperament.person = QStringLiteral("李华");
        for (int item = 1; item <= 60; ++item)
            temperament.answers.append({QString::number(item), QString::number(item % 5 - 2)});
        QTest::newRow("temperament, sixty answers")
            << temperament << QStringList {"胆汁质12", "多血质-3", "粘液质5", "抑郁质0", "李华", "1．-1", "60．-2", "诊断"}
            << QStringList {} << QStringList {};

        // Names outside GB2312 and beyond the Basic Multilingual Plane.
        Record logic = exampleRecord(QStringLiteral("frm逻辑思考能力测试"), QStringLiteral("逻辑思考能力自测"));
        logic.figures = {{QStringLiteral("总分"), QStringLiteral("15")}};
        logic.verdict = QStringLiteral("14－19分");
        logic.person = QStringLiteral("王喆堃赟玥𠮷");
        for (int row = 2; row <= 20; ++row)
            logic.answers.append({QString::number(row), row % 2 ? QStringLiteral("否") : QStringLiteral("是")});
        logic.answers.insert(1, {QStringLiteral("2（2）"), QStringLiteral("否")});
        // Ideographs whose glyphs the song face shares with radicals (马 ⻢,
        // 门 ⻔), drawn regular and bold, and an answer longer than the page
        // is wide.
        Record common = exampleRecord(QStringLiteral("frm性格内向或外向"), QStringLiteral("马黄龙门页见长"));
        common.person = QStringLiteral("马黄龙");
        common.verdict = QStringLiteral("门页见长");
        const QString prone = radicalProne();
        common.answers = {{QStringLiteral("1"), QStringLiteral("马黄龙门页见长")}, {QStringLiteral("2"), prone}};
        QTest::newRow("characters that share a radical's glyph")
            << common << QStringList {"马黄龙门页见长", "受测者：马黄龙", "门页见长", "2．" + prone}
            << QStringList {"⻢", "⻩", "⻰", "⻔", "⻚", "⻅", "⻓", "…"} << QStringList {"1．马黄龙门页见长"};
        QTest::newRow("logic self-test, a rare name")
            << logic << QStringList {"受测者：王喆堃赟玥𠮷", "结论14－19分良好", "1．是1（2）．否2．否", "19．是"} << QStringList {"20．"}
            << QStringList {"1．是", "1（2）．否", "2．否"};
    }
    void reportText()
    {
        QFETCH(Record, record);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, absent);
        QFETCH(QStringList, oneLine);
        QString error;
        QVERIFY2(writeReport(record, m_dir->filePath(QStringLiteral("存.pdf")), &error), qPrintable(error));
        QCOMPARE(QFile::permissions(m_dir->filePath(QStringLiteral("存.pdf"))), privateFile());
        const QString pdf = m_dir->filePath(QStringLiteral("报告.pdf"));
        const QByteArray bytes = reportPdf(record);
        QVERIFY(crossReferencesHold(bytes));
        QFile file(pdf);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) > 0);
        file.close();
        const QString text = pdfText(pdf);
        for (const QString &part : expected)
            QVERIFY2(text.contains(part), qPrintable(part + " missing from: " + text));
        for (const QString &part : absent)
            QVERIFY2(!text.contains(part), qPrintable(part + " in: " + text));
        // The reader's last words are the disclaimer; what made the report
        // is in the metadata too, the bank's hash whole.
        QVERIFY2(text.endsWith(QStringLiteral("本结果仅供参考，不构成任何心理诊断。")), qPrintable(text));
        const QString metadata = run(QStringLiteral("pdfinfo"), {QStringLiteral("-meta"), pdf});
        QVERIFY2(metadata.contains(record.bankSha256) && metadata.contains(record.caption), qPrintable(metadata));
        if (record.id > 0)
            QVERIFY2(metadata.contains(QStringLiteral("记录 %1").arg(record.id)), qPrintable(metadata));
        if (!oneLine.isEmpty()) {
            const QStringList lines = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")}).split(u'\n');
            QVERIFY2(
                std::any_of(lines.begin(), lines.end(),
                    [&](QString line) { return line.remove(QRegularExpression(QStringLiteral("\\s"))).contains(oneLine.join(QString())); }),
                qPrintable(lines.join(u'\n')));
        }
        // Every font travels inside the file, so any reader shows the
        // Chinese, and the song text, a name's rare ideographs included, is
        // drawn in its own face: no fallback face joins it.
        const QStringList fonts = run(QStringLiteral("pdffonts"), {pdf}).split(u'\n', Qt::SkipEmptyParts).mid(2);
        QVERIFY(!fonts.isEmpty());
        for (const QString &font : fonts) {
            QVERIFY2(font.contains(QRegularExpression(QStringLiteral("\\byes\\s+(yes|no)\\s+yes\\b"))), qPrintable(font));
            QVERIFY2(font.contains(QRegularExpression(QStringLiteral("^(DejaVuSerif|NotoSerifCJKsc|GBZenKai)"))), qPrintable(font));
        }
    }

    // The totals chart draws every record's own total, names its test and
    // tells a screen reader the totals; its legend keeps clear of the title.
    void totalsChart_data()
    {
        QTest::addColumn<QList<TotalsChart::Point>>("points");
        const auto at = [](int month, int day, int hour, int minute) {
            return QDateTime(QDate(2026, month, day), QTime(hour, minute)).toMSecsSinceEpoch();
        };
        QTest::newRow("a retake five minutes later, five months of records") << QList<TotalsChart::Point> {
            {at(3, 1, 9, 0), "王小明", 40}, {at(7, 30, 10, 0), "王小明", 0}, {at(7, 30, 10, 5), "王小明", 99}};
        QTest::newRow("a single record") << QList<TotalsChart::Point> {{at(3, 1, 9, 0), "李华", 41}};
        QList<TotalsChart::Point> tenCharacters, sevenPeople;
        for (int i = 0; i < 3; ++i) {
            const QString name = QString(10, QChar(u'甲' + i));
            tenCharacters << TotalsChart::Point {at(3, 1 + i, 9, 0), name, 20.0 * i} << TotalsChart::Point {at(4, 1 + i, 9, 0), name, 60};
        }
        QTest::newRow("three ten-character names") << tenCharacters;
        for (int i = 0; i < 7; ++i)
            sevenPeople << TotalsChart::Point {at(3, 1 + i, 9, 0), QString(QChar(u'甲' + i)), 10.0 * i};
        QTest::newRow("seven short names") << sevenPeople;
        QList<TotalsChart::Point> twelvePeople;
        for (int i = 0; i < 12; ++i)
            twelvePeople << TotalsChart::Point {at(3, 1 + i, 9, 0), QStringLiteral("测试人员") + QChar(u'甲' + i), 8.0 * i};
        QTest::newRow("more people than the legend holds") << twelvePeople;
    }
    void totalsChart()
    {
        QFETCH(QList<TotalsChart::Point>, points);
        for (TotalsChart::Point &point : points) // finished here
            point.utcOffset = QDateTime::fromMSecsSinceEpoch(point.finished).offsetFromUtc();
        TotalsChart chart;
        chart.setTest(QStringLiteral("考试焦虑度测试"), QStringLiteral("frm考试焦虑"));
        chart.setPoints(points);
        chart.resize(chart.minimumSize());
        const QImage image = chart.grab().toImage();
        for (const TotalsChart::Point &point : points) {
            const QPoint drawn = (chart.position(point) * image.devicePixelRatio()).toPoint();
            QVERIFY2(image.rect().contains(drawn) && qGray(image.pixel(drawn)) < 160, qPrintable(QString::number(point.total)));
        }
        const TotalsChart::Layout layout = chart.layout();
        QVERIFY(!layout.legend.intersects(layout.title));
        QVERIFY(chart.rect().contains(layout.legend) && layout.legend.bottom() < layout.plot.top());

        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&chart);
        QCOMPARE(accessible->role(), QAccessible::Chart);
        QVERIFY(accessible->text(QAccessible::Name).contains(QStringLiteral("考试焦虑度测试")));
        const QString description = accessible->text(QAccessible::Description);
        for (const TotalsChart::Point &point : points) {
            const QString said = QDateTime::fromMSecsSinceEpoch(point.finished).toString(QStringLiteral("yyyy年M月d日 HH:mm 总分"))
                + QString::number(point.total);
            QVERIFY2(description.contains(said) && description.contains(point.person), qPrintable(said + " in " + description));
        }
        QCOMPARE(chart.focusPolicy(), Qt::StrongFocus);
        // Whom the legend has no room for, its tooltip names.
        for (const TotalsChart::Point &point : points)
            QVERIFY2(chart.everyone().contains(point.person), qPrintable(point.person + " not in " + chart.everyone()));

        // A person keeps a colour from one test's chart to the next.
        TotalsChart other;
        other.setTest(QStringLiteral("你可断吗？"), QStringLiteral("frm你可断吗"));
        other.setPoints({points.first(), {points.first().finished + 3'600'000, QStringLiteral("另一人"), 3}});
        other.resize(other.minimumSize());
        QCOMPARE(other.grab().toImage().pixelColor((other.position(points.first()) * image.devicePixelRatio()).toPoint()),
            image.pixelColor((chart.position(points.first()) * image.devicePixelRatio()).toPoint()));
    }

    // The window lists a stored record, shows its report, and deletes only
    // when the user says Yes.
    void recordsWindow()
    {
        RecordStore store;
        QList<qint64> ids;
        for (int day = 1; day <= 3; ++day) {
            Record record = exampleRecord(QStringLiteral("frm考试焦虑"), QStringLiteral("考试焦虑度测试"));
            record.finished = record.finished.addDays(day);
            record.figures = {{QStringLiteral("总分"), QString::number(20 * day)}};
            record.person = day == 2 ? QStringLiteral("李华") : QString();
            ids << *store.add(record);
        }
        Record verdictOnly = exampleRecord(QStringLiteral("frm性格内向或外向"), QStringLiteral("你的性格是内向还是外向？"));
        verdictOnly.finished = verdictOnly.finished.addDays(4);
        verdictOnly.verdict = QStringLiteral("你的性格偏于外向。");
        ids << *store.add(verdictOnly);
        // A test whose window lists its bands from the highest down.
        Record friends = exampleRecord(QStringLiteral("frm知心朋友测试"), QStringLiteral("你有真正的朋友吗"));
        friends.figures = {{QStringLiteral("总分"), QStringLiteral("15")}};
        QVERIFY(store.add(friends));

        LocalStore local;
        RecordsWindow window(local);
        window.show();
        QVERIFY(settled(window));
        auto *table = window.findChild<QTableView *>(QStringLiteral("tblRecords"));
        auto *totals = window.findChild<TotalsChart *>(QStringLiteral("totalsChart"));
        QTRY_COMPARE(table->model()->rowCount(), 5);
        QTRY_VERIFY(window.shownRecord());
        QCOMPARE(window.shownRecord()->id, ids.last()); // newest first, and shown
        QVERIFY(!totals->isVisible()); // a test without totals

        auto *test = window.findChild<QComboBox *>(QStringLiteral("cboTest"));
        test->setCurrentIndex(test->findText(QStringLiteral("考试焦虑度测试")));
        QVERIFY(settled(window));
        QCOMPARE(table->model()->rowCount(), 3);
        QTRY_COMPARE(window.shownRecord()->figures.value(0).value, QStringLiteral("60"));
        QCOMPARE(totals->points().size(), 3);
        QList<int> perBand;
        for (const BandCountChart::Bar &bar : window.findChild<BandCountChart *>(QStringLiteral("bandChart"))->bars())
            perBand << bar.count;
        QCOMPARE(perBand, QList<int>({1, 1, 1, 0})); // 20, 40, 60 in 0－24, 25－49, 50－74, 75－99
        QCOMPARE(QAccessible::queryAccessibleInterface(window.findChild<BandCountChart *>(QStringLiteral("bandChart")))
                     ->text(QAccessible::Description),
            QStringLiteral("0－24：1人次；25－49：1人次；50－74：1人次；75－99：0人次。"));
        auto *person = window.findChild<QComboBox *>(QStringLiteral("cboPerson"));
        person->setCurrentIndex(person->findText(QStringLiteral("李华")));
        QVERIFY(settled(window));
        QCOMPARE(table->model()->rowCount(), 1);
        QTRY_COMPARE(window.shownRecord()->person, QStringLiteral("李华"));
        QVERIFY(totals->isVisible()); // a single record shows its point
        QCOMPARE(totals->points().size(), 1);

        // Delete the one record on show.
        ScriptedAnswers answers({MessageAnswer::No, MessageAnswer::Yes});
        window.deleteSelected();
        QCOMPARE(store.summaries()->size(), 5);
        window.deleteSelected();
        QVERIFY(settled(window));
        QCOMPARE(answers.asked().size(), 2);
        QCOMPARE(answers.asked().first().title, QStringLiteral("删除测评记录"));
        QVERIFY(answers.asked().first().defaultAnswer == MessageAnswer::No); // a second Return keeps them
        QTRY_COMPARE(table->model()->rowCount(), 2);
        QCOMPARE(store.summaries()->size(), 4);
        QVERIFY(!store.record(ids[1]));
        QCOMPARE(person->currentIndex(), 0); // no 李华 left: everyone

        // Bands from the lowest totals up, as the report's band scale.
        test->setCurrentIndex(test->findText(QStringLiteral("你有真正的朋友吗")));
        QVERIFY(settled(window));
        QStringList bands;
        for (const BandCountChart::Bar &bar : window.findChild<BandCountChart *>(QStringLiteral("bandChart"))->bars())
            bands << bar.band + u' ' + QString::number(bar.count);
        QCOMPARE(bands, QStringList({"10－13分 0", "14－19分 1", "20－27分 0"}));

        // A file that is no record file: said once, nothing shown, nothing written.
        QFile text(m_dir->filePath(QStringLiteral("notes.txt")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("not a record file\n");
        text.close();
        RecordStore::setDefaultPath(text.fileName());
        answers.clear();
        LocalStore notRecords;
        RecordsWindow broken(notRecords);
        QVERIFY(settled(broken));
        QCOMPARE(answers.asked().size(), 1);
        QCOMPARE(broken.findChild<QTableView *>(QStringLiteral("tblRecords"))->model()->rowCount(), 0);
        QVERIFY(!broken.shownRecord());
    }

    // A result shown in a test window opened from the menu: kept or not as
    // the menu says, and a file that cannot be written costs no result and is
    // said once. Either way the result view saves and prints this result.
    void keepingResults_data()
    {
        QTest::addColumn<bool>("autoSave");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<int>("kept");
        QTest::addColumn<int>("messages");
        QTest::addColumn<QString>("person");
        QTest::newRow("saving on, a name and a group set") << true << true << 1 << 0 << "王小明";
        QTest::newRow("saving off") << false << true << 0 << 0 << "";
        QTest::newRow("file cannot be written") << true << false << 0 << 1 << "";
    }
    void keepingResults()
    {
        QFETCH(bool, autoSave);
        QFETCH(bool, writable);
        QFETCH(int, kept);
        QFETCH(int, messages);
        QFETCH(QString, person);
        useShippedBank();
        // The settings hold the person's name: private whatever the umask.
        const mode_t umaskBefore = ::umask(0);
        const auto restoreUmask = qScopeGuard([&] { ::umask(umaskBefore); });
        const QFileInfo settings(QSettings(QStringLiteral("zentrova"), QStringLiteral("zentrova")).fileName());
        QFile::setPermissions(settings.path(), QFile::Permissions(0x7755)); // as an earlier version left them
        if (autoSave) // a new file, or one left readable
            QFile::remove(settings.filePath());
        else
            QFile::setPermissions(settings.filePath(), QFile::Permissions(0x6666));
        if (!writable) // a folder stands where the file would be
            QVERIFY(QDir().mkpath(RecordStore::defaultPath()));
        MainWindow main;
        main.findChild<QAction *>(QStringLiteral("mnuRecordsAutoSave"))->setChecked(autoSave);
        if (!person.isEmpty()) {
            whenModal([&](QWidget *dialog) {
                dialog->findChild<QLineEdit *>(QStringLiteral("txtPerson"))->setText(person);
                dialog->findChild<QLineEdit *>(QStringLiteral("txtGroup"))->setText(QStringLiteral(" 初二（3）班 "));
                qobject_cast<QDialog *>(dialog)->accept();
            });
            main.findChild<QAction *>(QStringLiteral("mnuRecordsPerson"))->trigger();
        }
        const QString pdf = m_dir->filePath(QStringLiteral("结果.pdf"));
        const QString printed = m_dir->filePath(QStringLiteral("打印.pdf"));
        setSaveFileAsker(
            [&](QWidget *, const QString &suggested) { return suggested.contains(QStringLiteral("考试焦虑度测试")) ? pdf : QString(); });
        setPrintSetup([&](QWidget *, QPrinter &printer) {
            printer.setOutputFileName(printed);
            return true;
        });

        ScriptedAnswers answers;
        QString said;
        QVERIFY(openFromMenu(main, QStringLiteral("frm考试焦虑"), [&](QDialog *window) {
            answerItems(
                window, [](int) { return 0; }, pressesToFinish(QStringLiteral("frm考试焦虑")));
            QVERIFY(showResult(window));
            // Kept on a worker thread: wait for the outcome.
            if (kept)
                QTRY_VERIFY(RecordStore().summaries().value_or(QList<RecordSummary>()).size() == kept);
            QTRY_COMPARE(int(answers.asked().size()), messages);
            said = answers.asked().isEmpty() ? QString() : answers.asked().first().text;
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window));
            QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier);
            const QStatusBar *note = window->findChild<QStatusBar *>(QStringLiteral("reportNote"));
            QCOMPARE(note->currentMessage(), QStringLiteral("已保存到 %1").arg(pdf));
            QVERIFY(note->isVisible());
            QTest::keyClick(window, Qt::Key_P, Qt::ControlModifier);
            QCOMPARE(note->currentMessage(), QStringLiteral("已保存到 %1").arg(printed));
            QTest::keyClick(window, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
            QCOMPARE(QGuiApplication::clipboard()->image().width(), 1240);
            // Every right-click menu offers the report, the text box's own
            // after its entries, and Shift+F10 opens the focused control's.
            const QStringList report = {"actReportSavePdf", "actReportPrint", "actReportCopyImage"};
            auto *text = window->findChild<QTextEdit *>();
            QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), text->viewport()->mapToGlobal(QPoint(5, 5)));
            const QStringList textMenu = menuEntries([&] { QApplication::sendEvent(text->viewport(), &click); });
            QVERIFY2(textMenu.size() > 4 && textMenu.mid(textMenu.size() - 3) == report, qPrintable(textMenu.join(u' ')));
            QVERIFY(QTest::qWaitForWindowActive(window)); // again, once the menu has gone
            text->setFocus();
            QCOMPARE(menuEntries([&] { QTest::keyClick(window, Qt::Key_F10, Qt::ShiftModifier); }), textMenu);
            QVERIFY(QTest::qWaitForWindowActive(window));
            window->findChild<QAbstractButton *>(QStringLiteral("Command1"))->setFocus();
            QCOMPARE(menuEntries([&] { QTest::keyClick(window, Qt::Key_Menu); }), report);
            answers.clear();
            window->reject();
        }));
        QThreadPool::globalInstance()->waitForDone();
        QVERIFY(answers.asked().isEmpty()); // said once, and only then
        if (messages)
            QVERIFY2(said.contains(RecordStore::defaultPath()), qPrintable(said));
        const std::optional<QList<RecordSummary>> summaries = RecordStore().summaries();
        QCOMPARE(summaries ? int(summaries->size()) : 0, kept);
        if (kept)
            QCOMPARE(summaries->first().person, person);
        if (kept)
            QCOMPARE(summaries->first().group, person.isEmpty() ? QString() : QStringLiteral("初二（3）班"));
        QCOMPARE(QFileInfo(RecordStore::defaultPath()).isFile(), kept > 0);
        for (const QString &file : {pdf, printed})
            QVERIFY2(pdfText(file).contains(QStringLiteral("考试焦虑度测试")) && pdfText(file).contains(QStringLiteral("总分99结论75－99")),
                qPrintable(pdfText(file)));
        QCOMPARE(QFile::permissions(pdf), privateFile());
        QCOMPARE(QFileInfo(settings.filePath()).permissions(), privateFile());
        QCOMPARE(QFileInfo(settings.path()).permissions(), privateFile() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
        QCOMPARE(QFile::permissions(printed), privateFile());
    }

    // Deleting every record asks first, and No keeps them.
    void deleteAllAsksFirst()
    {
        QVERIFY(RecordStore().add(exampleRecord(QStringLiteral("frm考试焦虑"), QStringLiteral("考试焦虑度测试"))));
        MainWindow main;
        QAction *deleteAll = main.findChild<QAction *>(QStringLiteral("mnuRecordsDeleteAll"));
        ScriptedAnswers answers({MessageAnswer::No, MessageAnswer::Yes});
        deleteAll->trigger();
        QCOMPARE(RecordStore().summaries()->size(), 1);
        deleteAll->trigger();
        QTRY_COMPARE(RecordStore().summaries()->size(), 0);
        QCOMPARE(answers.asked().size(), 2);
        QCOMPARE(answers.asked().first().title, QStringLiteral("删除全部记录"));
        QVERIFY(answers.asked().first().defaultAnswer == MessageAnswer::No);
    }

    // The model answers whatever a view may ask, with records and without;
    // Ctrl+C on an empty table asks for a cell that is not there.
    void recordsModel_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("person");
        QTest::addColumn<QString>("copied");
        QTest::newRow("no records") << 0 << ""
                                    << "before";
        QTest::newRow("three records") << 3 << "李华"
                                       << "2026-03-08 14:30";
        // A name from a crafted file is cut short, never widening the window.
        QTest::newRow("a name of 10,000 characters") << 1 << QString(10000, u'长') << "2026-03-06 14:30";
    }
    void recordsModel()
    {
        QFETCH(int, records);
        QFETCH(QString, person);
        QFETCH(QString, copied);
        RecordStore store;
        for (int day = 1; day <= records; ++day) {
            Record record = exampleRecord(QStringLiteral("frm考试焦虑"), QStringLiteral("考试焦虑度测试"));
            record.finished = record.finished.addDays(day);
            record.person = person;
            QVERIFY(store.add(record));
        }
        LocalStore local;
        RecordsWindow window(local);
        window.show();
        auto *table = window.findChild<QTableView *>(QStringLiteral("tblRecords"));
        QAbstractItemModel *filter = table->model();
        const QAbstractItemModelTester tester(filter, QAbstractItemModelTester::FailureReportingMode::QtTest);
        window.reload();
        QVERIFY(settled(window));
        QCOMPARE(filter->rowCount(), records);
        QVERIFY(!filter->data(QModelIndex(), Qt::DisplayRole).isValid());
        QVERIFY(!filter->data(filter->index(records, 0), Qt::DisplayRole).isValid());
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        table->setFocus();
        QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), copied);
        if (records) {
            QVERIFY(filter->index(0, 1).data().toString().size() <= 64);
            QVERIFY(window.findChild<QComboBox *>(QStringLiteral("cboPerson"))->itemText(1).size() <= 64);
        }
        QVERIFY(window.minimumSizeHint().width() < 1000);
    }

    // The filter offers the tests in the menu's order and only what there is,
    // says when nothing matches, and 删除所选… waits for a selection; the
    // report takes the room and keeps its size when the charts appear.
    void recordsWindowFilters()
    {
        RecordStore store;
        const std::pair<const char *, const char *> tests[]
            = {{"frm考试焦虑", "考试焦虑度测试"}, {"frm性格内向或外向", "你的性格是内向还是外向？"}, {"frm气质测试", "你属于哪种气质？"}};
        for (int day = 0; day < 5; ++day) {
            const auto &[window, caption] = tests[day % 3 == 0 ? 0 : day % 3];
            Record record = exampleRecord(QString::fromUtf8(window), QString::fromUtf8(caption));
            record.finished = record.finished.addDays(day);
            record.person = day == 1 ? QStringLiteral("王芳") : QStringLiteral("李华");
            if (day % 3 == 0)
                record.figures = {{QStringLiteral("总分"), QString::number(20 + 10 * day)}};
            QVERIFY(store.add(record));
        }
        MainWindow main;
        main.recordKeeping().showRecords();
        RecordsWindow *window = main.recordKeeping().recordsWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY(settled(*window));
        auto *test = window->findChild<QComboBox *>(QStringLiteral("cboTest"));
        auto *person = window->findChild<QComboBox *>(QStringLiteral("cboPerson"));
        auto *table = window->findChild<QTableView *>(QStringLiteral("tblRecords"));
        auto *remove = window->findChild<QPushButton *>(QStringLiteral("cmdDelete"));
        auto *report = window->findChild<QWidget *>(QStringLiteral("reportView"));
        QTRY_VERIFY(table->model()->rowCount() > 0);
        QStringList offered;
        for (int i = 1; i < test->count(); ++i)
            offered << test->itemData(i).toString();
        QStringList inMenuOrder = testWindowsInMenuOrder();
        inMenuOrder.removeIf([&](const QString &window) { return !offered.contains(window); });
        QCOMPARE(offered, inMenuOrder);
        QCOMPARE(offered.size(), 3);
        QCOMPARE(person->findText(QStringLiteral("（未填写）")), -1); // everyone has a name
        QVERIFY(report->width() > table->width());

        test->setCurrentIndex(test->findData(QStringLiteral("frm性格内向或外向")));
        QVERIFY(settled(*window));
        const QSize reportSize = report->size();
        QVERIFY(!window->findChild<TotalsChart *>(QStringLiteral("totalsChart"))->isVisible());
        test->setCurrentIndex(test->findData(QStringLiteral("frm考试焦虑")));
        QVERIFY(settled(*window));
        QVERIFY(window->findChild<TotalsChart *>(QStringLiteral("totalsChart"))->isVisible());
        QTRY_COMPARE(window->shownRecord()->window, QStringLiteral("frm考试焦虑"));
        QCOMPARE(report->size(), reportSize);
        QVERIFY(remove->isEnabled());
        // Full size in a window of its own: the page's true width.
        window->findChild<QPushButton *>(QStringLiteral("cmdOpenReport"))->click();
        QWidget *full = window->findChild<QWidget *>(QStringLiteral("frm测评报告"));
        QVERIFY(full && full->isVisible());
        QVERIFY(full->findChild<QWidget *>(QStringLiteral("reportView"))->width() > 794);
        // It saves, prints and copies as the preview does, and says so.
        for (const char *button : {"actReportPrintButton", "actReportCopyImageButton"})
            QVERIFY2(full->findChild<QToolButton *>(QString::fromLatin1(button)), button);
        const QString saved = m_dir->filePath(QStringLiteral("原大.pdf"));
        setSaveFileAsker([&](QWidget *, const QString &) { return saved; });
        full->findChild<QToolButton *>(QStringLiteral("actReportSavePdfButton"))->click();
        QCOMPARE(full->findChild<QStatusBar *>(QStringLiteral("reportNote"))->currentMessage(), QStringLiteral("已保存到 %1").arg(saved));
        QVERIFY2(pdfText(saved).contains(window->shownRecord()->caption), qPrintable(pdfText(saved)));
        full->close();

        person->setCurrentIndex(person->findText(QStringLiteral("王芳"))); // took only the other test
        QVERIFY(settled(*window));
        QCOMPARE(table->model()->rowCount(), 0);
        QVERIFY(!window->shownRecord());
        QCOMPARE(report->accessibleDescription(), QStringLiteral("没有符合所选测评、受测者和小组的记录。"));
        QVERIFY(!remove->isEnabled());
        window->close();
    }

    // The save dialog: a name typed without its suffix is checked as the
    // file it will be, asking before it replaces one (No being the default);
    // "报告.png" writes a picture. Afterwards the window is active again and
    // says where the file went.
    void saveDialog_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<int>("answer"); // to the question whether to replace
        QTest::addColumn<QString>("written");
        QTest::newRow("name of an existing PDF, kept") << "报告" << true << int(QMessageBox::No) << "";
        QTest::newRow("name of an existing PDF, replaced") << "报告" << true << int(QMessageBox::Yes) << "报告.pdf";
        QTest::newRow("a new PDF") << "新报告" << false << 0 << "新报告.pdf";
        QTest::newRow("a PNG by its suffix") << "报告.png" << false << 0 << "报告.png";
    }
    void saveDialog()
    {
        QFETCH(QString, typed);
        QFETCH(bool, exists);
        QFETCH(int, answer);
        QFETCH(QString, written);
        Record record = exampleRecord(QStringLiteral("frm考试焦虑"), QStringLiteral("考试焦虑度测试"));
        record.person = QStringLiteral("王小明");
        QVERIFY(RecordStore().add(record));
        const QString existing = m_dir->filePath(QStringLiteral("报告.pdf"));
        if (exists) {
            QFile file(existing);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("someone's report");
        }
        LocalStore local;
        RecordsWindow window(local);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(settled(window));
        QString suggested;
        int defaultButton = 0;
        bool asked = false;
        whenModal([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            QVERIFY(dialog);
            suggested = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text();
            dialog->setDirectory(m_dir->path());
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(typed);
            whenModal([&](QWidget *question) {
                auto *box = qobject_cast<QMessageBox *>(question);
                asked = box;
                if (!box)
                    return;
                defaultButton = box->standardButton(box->defaultButton());
                box->button(QMessageBox::StandardButton(answer))->click();
            });
            QMetaObject::invokeMethod(dialog, "accept"); // as Return would
            if (dialog->isVisible())
                dialog->reject();
        });
        window.findChild<QAction *>(QStringLiteral("actReportSavePdf"))->trigger();
        QCOMPARE(suggested, QStringLiteral("王小明 考试焦虑度测试 2026-03-05 1430.pdf"));
        QCOMPARE(asked, exists);
        if (exists)
            QCOMPARE(defaultButton, int(QMessageBox::No));
        QStringList files = QDir(m_dir->path()).entryList({QStringLiteral("*报告*")}, QDir::Files);
        QCOMPARE(files, exists || written == "报告.pdf" ? QStringList {"报告.pdf"} : QStringList {written});
        const QString status = window.statusBar()->currentMessage();
        if (written.isEmpty()) {
            QFile file(existing);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), QByteArray("someone's report"));
            QVERIFY(status.isEmpty());
        } else {
            const QString path = m_dir->filePath(written);
            if (written.endsWith(".png"))
                QCOMPARE(QImage(path).width(), 1240);
            else
                QVERIFY(pdfText(path).contains(QStringLiteral("王小明")));
            QCOMPARE(status, QStringLiteral("已保存到 %1").arg(path));
        }
        QTRY_COMPARE(QApplication::activeWindow(), &window);
        window.close();
    }

    // The person is shown in the menu, cut to 64 characters, and kept for
    // the run only; a name an earlier version kept is forgotten.
    void personLastsForTheRun()
    {
        QSettings(QStringLiteral("zentrova"), QStringLiteral("zentrova"))
            .setValue(QStringLiteral("records/person"), QStringLiteral("上一位"));
        {
            MainWindow main;
            QAction *action = main.findChild<QAction *>(QStringLiteral("mnuRecordsPerson"));
            QCOMPARE(main.recordKeeping().person(), QString());
            QCOMPARE(action->text(), QStringLiteral("当前受测者(&P)…"));
            whenModal([](QWidget *dialog) {
                // The fields take at most 64 characters, as the keeping does.
                auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("txtPerson"));
                name->setMaxLength(32767);
                name->setText(QStringLiteral("王小明") + QString(100, u'明'));
                dialog->findChild<QLineEdit *>(QStringLiteral("txtGroup"))->setText(QStringLiteral("初二（3）班"));
                qobject_cast<QDialog *>(dialog)->accept();
            });
            action->trigger();
            QCOMPARE(main.recordKeeping().person().size(), 64);
            QCOMPARE(main.recordKeeping().group(), QStringLiteral("初二（3）班"));
            QVERIFY2(action->text().startsWith(QStringLiteral("当前受测者(&P)：王小明")) && action->text().endsWith(u'…'),
                qPrintable(action->text()));
        }
        QVERIFY(!QSettings(QStringLiteral("zentrova"), QStringLiteral("zentrova")).contains(QStringLiteral("records/person")));
        MainWindow next;
        QCOMPARE(next.recordKeeping().person(), QString());

        // --person names the person of a run from its start, kept no longer.
        currentSubject() = {QStringLiteral("李四"), {}};
        MainWindow given;
        QCOMPARE(given.recordKeeping().person(), QStringLiteral("李四"));
        QCOMPARE(given.findChild<QAction *>(QStringLiteral("mnuRecordsPerson"))->text(), QStringLiteral("当前受测者(&P)：李四…"));
        QVERIFY(!QSettings(QStringLiteral("zentrova"), QStringLiteral("zentrova")).contains(QStringLiteral("records/person")));
    }

    // 退出 just after a result whose save is held up and then fails: the
    // program stays, says after a while why, tells the failure over the main
    // window, and only then ends.
    void quittingWaitsForTheSave()
    {
        useShippedBank();
        QVERIFY(RecordStore().add(exampleRecord(QStringLiteral("frm考试焦虑"), QStringLiteral("考试焦虑度测试"))));
        MainWindow main;
        main.show();
        // The save waits behind a walk of the store that the test lets go;
        // meanwhile a folder takes the file's place, and the save fails.
        QSemaphore walking, letGo;
        main.recordKeeping().store().forEachRecord({}, false, [&](const QStringList &, const QStringList &) {
            walking.release();
            letGo.acquire();
            return false;
        }, nullptr);
        walking.acquire();
        QVERIFY(QFile::remove(RecordStore::defaultPath()));
        QVERIFY(QDir().mkpath(RecordStore::defaultPath()));
        ScriptedAnswers answers;
        QVERIFY(openFromMenu(main, QStringLiteral("frm考试焦虑"), [&](QDialog *window) {
            answerItems(
                window, [](int) { return 0; }, pressesToFinish(QStringLiteral("frm考试焦虑")));
            QVERIFY(showResult(window));
            window->reject();
        }));
        bool stayed = false;
        QTimer::singleShot(0, &main, [&] { main.findChild<QAction *>(QStringLiteral("mnuExit"))->trigger(); });
        QTimer::singleShot(20, &main, [&] {
            stayed = main.isVisible() && answers.asked().isEmpty();
            QMetaObject::invokeMethod(main.findChild<QTimer *>(QStringLiteral("tmrSaveWait")), "timeout");
            letGo.release();
        });
        QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(99); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(stayed);
        QVERIFY(!main.isVisible());
        QCOMPARE(answers.asked().size(), 2);
        for (const MessageRequest &told : answers.asked())
            QCOMPARE(told.parent, &main);
        QVERIFY2(answers.asked().first().text.contains(QStringLiteral("还在保存")), qPrintable(answers.asked().first().text));
        QVERIFY2(answers.asked().last().text.contains(RecordStore::defaultPath()), qPrintable(answers.asked().last().text));
    }

    // --report through the program itself, without a display.
    void reportVerb_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("file"); // fifo… a named pipe, link… a link onto the record file
        QTest::addColumn<bool>("damaged");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("limitKb"); // a file-size limit, over an older file; -1 none
        QTest::newRow("pdf") << "1"
                             << "r.pdf" << false << "" << -1;
        QTest::newRow("png") << "1"
                             << "r.PNG" << false << "" << -1;
        QTest::newRow("no such record") << "7"
                                        << "r.pdf" << false << "7" << -1;
        QTest::newRow("unknown kind of file") << "1"
                                              << "r.txt" << false << ".pdf" << -1;
        QTest::newRow("folder that is not there") << "1"
                                                  << "missing/r.pdf" << false << "missing/r.pdf" << -1;
        QTest::newRow("damaged record file") << "1"
                                             << "r.pdf" << true << "records.db" << -1;
        QTest::newRow("a named pipe") << "1"
                                      << "fifo.pdf" << false << "命名管道" << -1;
        QTest::newRow("a link onto the record file") << "1"
                                                     << "link.png" << false << "测评记录文件本身" << -1;
        // Whole or nothing: the PDF is some 40 KB, the PNG some 150 KB.
        for (int kb : {0, 8, 32})
            QTest::addRow("pdf under a limit of %d KiB", kb) << "1"
                                                             << "r.pdf" << false << "超出" << kb;
        QTest::newRow("pdf under a limit of 1 MiB") << "1"
                                                    << "r.pdf" << false << "" << 1024;
        QTest::newRow("png under a limit of 64 KiB") << "1"
                                                     << "r.png" << false << "超出" << 64;
        QTest::newRow("png under a limit of 2 MiB") << "1"
                                                    << "r.png" << false << "" << 2048;
        // 打印… to a file saves as any other save does.
        QTest::newRow("printed to a file") << "print"
                                           << "打印.pdf" << false << "" << -1;
        QTest::newRow("printed onto the record file") << "print"
                                                      << "records.db" << false << "测评记录文件本身" << -1;
        QTest::newRow("printed onto a link to the record file") << "print"
                                                                << "link" << false << "测评记录文件本身" << -1;
        QTest::newRow("printed to a named pipe") << "print"
                                                 << "fifo" << false << "命名管道" << -1;
        QTest::newRow("printed under a limit of 8 KiB") << "print"
                                                        << "打印.pdf" << false << "超出" << 8;
    }
    void reportVerb()
    {
        QFETCH(QString, id);
        QFETCH(QString, file);
        QFETCH(bool, damaged);
        QFETCH(QString, error);
        QFETCH(int, limitKb);
        Record record = exampleRecord(QStringLiteral("frm考试焦虑"), QStringLiteral("考试焦虑度测试"));
        record.figures = {{QStringLiteral("总分"), QStringLiteral("41")}};
        QVERIFY(RecordStore().add(record) == 1);
        if (damaged) {
            QFile db(RecordStore::defaultPath());
            QVERIFY(db.open(QIODevice::ReadWrite));
            db.seek(100);
            db.write(QByteArray(4000, '\xff'));
        }
        const QString output = m_dir->filePath(file);
        if (file.startsWith(QLatin1String("fifo")))
            QCOMPARE(mkfifo(QFile::encodeName(output).constData(), 0600), 0);
        if (file.startsWith(QLatin1String("link")))
            QVERIFY(QFile::link(RecordStore::defaultPath(), output));
        const QByteArray older = "an older report\n";
        if (limitKb >= 0) {
            QFile old(output);
            QVERIFY(old.open(QIODevice::WriteOnly) && old.write(older) == older.size());
        }
        const QByteArray recordBytes = fileBytes(RecordStore::defaultPath());
        int exitCode = 0;
        QString errors;
        if (id == "print") {
            printInProcess(*RecordStore().record(1), output, limitKb, &exitCode, &errors);
        } else {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
            environment.remove(QStringLiteral("DISPLAY"));
            environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir->path()); // else Qt warns of its absence
            QProcess program;
            program.setProcessEnvironment(environment);
            const QStringList arguments {
                qEnvironmentVariable("ZENTROVA_PROGRAM"), "--records", RecordStore::defaultPath(), "--report", id, output};
            // SIGXFSZ ignored, as a shell may leave it, so that the write fails rather than kills.
            const QString limit = limitKb >= 0 ? QStringLiteral("trap '' XFSZ; ulimit -f %1; ").arg(limitKb) : QString();
            program.start(QStringLiteral("bash"), QStringList {"-c", limit + "exec \"$0\" \"$@\""} + arguments);
            QVERIFY(program.waitForFinished(60000));
            exitCode = program.exitCode();
            errors = QString::fromUtf8(program.readAllStandardError()).trimmed();
        }
        QCOMPARE(fileBytes(RecordStore::defaultPath()), recordBytes);
        if (error.isEmpty()) {
            QVERIFY2(exitCode == 0, qPrintable(errors));
            QCOMPARE(QFile::permissions(output), privateFile());
            if (file.endsWith(".pdf")) {
                QVERIFY(pdfText(output).contains(QStringLiteral("总分41")));
            } else {
                const QImage image(output);
                QCOMPARE(image.width(), 1240);
                QCOMPARE(qRound(image.dotsPerMeterX() * 0.0254), 150); // the page is drawn at 150 dpi
            }
        } else {
            QVERIFY(exitCode != 0);
            QVERIFY2(!errors.contains(u'\n') && errors.contains(error), qPrintable(errors));
            if (limitKb >= 0)
                QCOMPARE(fileBytes(output), older);
            else if (file.startsWith(QLatin1String("fifo")) || file.startsWith(QLatin1String("link")))
                QVERIFY(!QFileInfo(output).isFile() || QFileInfo(output).isSymLink());
            else if (output != RecordStore::defaultPath())
                QVERIFY(!QFileInfo::exists(output));
        }
        // Nothing left beside it.
        const QSet<QString> kept {QFileInfo(RecordStore::defaultPath()).fileName(), QFileInfo(output).fileName()};
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(),
            int(kept.size()) - int(!QFileInfo::exists(output)));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

ZENTROVA_TEST_MAIN(ReportsTest)
#include "tst_reports.moc"
