// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The yes/no tests with rules of their own: the verdicts of the management-
// style, leadership-type and introversion tests, "是" counted as it is
// clicked, points read from the bank's 是/否 fields, and result frames laid
// over the item.
#include "framework/bankcatalog.h"
#include "framework/questionbank.h"
#include "framework/strings.h"
#include "questionnaires/testwindows.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QtTest>

#include <memory>

using namespace zentrova;
using namespace zentrova::testing;

namespace {

// One row of a made table: the item number and, where the table has them,
// the points for 是 and 否, each as an SQL literal.
struct Row {
    QString number;
    QString yes = "NULL";
    QString no = "NULL";
};

QString bankSql(const QString &window, const QList<Row> &rows)
{
    return catalogueTableSql(window, rows.size(), [&rows](const QString &column, int n) {
        const Row &row = rows.at(n - 1);
        if (column == "测试题号")
            return row.number;
        if (column == "选项\"是\"")
            return row.yes;
        if (column == "选项\"否\"")
            return row.no;
        return QStringLiteral("'第%1题的题目'").arg(QString(row.number).remove(u'\''));
    });
}

// Items 1 … N worth one point for 是 and none for 否, then the closing row.
QList<Row> wholeTable(const QString &window)
{
    QList<Row> rows;
    for (int n = 1; n <= itemCount(window) + 1; ++n)
        rows << Row{QString::number(n), "1", "0"};
    return rows;
}

QStringList talliesOf(const QString &window)
{
    if (window == "frm性格内向或外向")
        return {"Lbl总分1", "Lbl总分2"};
    return {"Lbl总分1", "Lbl总分2", "Lbl总分3"};
}

QString verdictLabel(const QString &window)
{
    return window == "frm性格内向或外向" ? "Lbl测试结果" : "Lbl评价";
}

} // namespace

class VerdictsTest : public QObject
{
    Q_OBJECT

    // The tests that count "是" as it is clicked, with the tallies at load.
    void clickCountedRows()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("atLoad");
        QTest::newRow("management style") << "frm你的管理方式" << "0";
        QTest::newRow("leadership type") << "frm你的领导类型" << "0";
        QTest::newRow("introversion") << "frm性格内向或外向" << "";
    }

private slots:
    void init() { zentrova::testing::failOnThreadWarnings(); }
    void cleanup()
    {
        setProgramFolder({});
        QVERIFY(visibleTopLevels().isEmpty());
    }

    void verdicts_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QList<int>>("yes");
        QTest::addColumn<QStringList>("tallies");
        QTest::addColumn<QString>("verdict");
        const QString style = "frm你的管理方式";
        QTest::newRow("style, all 否") << style << QList<int>{} << QStringList{"0", "0", "0"} << "专断的管理方式";
        QTest::newRow("style, six in group 2") << style << QList<int>{2, 5, 8, 11, 14, 17} << QStringList{"0", "6", "0"} << "民主的管理方式";
        QTest::newRow("style, groups 1 and 2 tied") << style << QList<int>{1, 4, 7, 2, 5, 8} << QStringList{"3", "3", "0"} << "专断的管理方式";
        QTest::newRow("style, groups 2 and 3 tied above 1") << style << QList<int>{1, 2, 5, 3, 6} << QStringList{"1", "2", "2"} << "民主的管理方式";
        QTest::newRow("style, groups 1 and 3 tied") << style << QList<int>{16, 18} << QStringList{"1", "0", "1"} << "专断的管理方式";
        QTest::newRow("style, group 3 leads") << style << QList<int>{1, 3, 9, 18} << QStringList{"1", "0", "3"} << "自由的管理方式";
        QTest::newRow("style, all 是") << style << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}
                                      << QStringList{"6", "6", "6"} << "专断的管理方式";
        const QString leader = "frm你的领导类型";
        QTest::newRow("leader, all 否") << leader << QList<int>{} << QStringList{"0", "0", "0"} << "极权型领导";
        QTest::newRow("leader, 3 6 9 12 15") << leader << QList<int>{3, 6, 9, 12, 15} << QStringList{"0", "0", "5"} << "放任型领导";
        QTest::newRow("leader, and 2 5 8 11 14") << leader << QList<int>{3, 6, 9, 12, 15, 2, 5, 8, 11, 14} << QStringList{"0", "5", "5"}
                                                << "民主型领导";
        QTest::newRow("leader, group 2 alone") << leader << QList<int>{17} << QStringList{"0", "1", "0"} << "民主型领导";
        // Item 18 is the closing row: group 3 has five answerable items.
        QTest::newRow("leader, all 是") << leader << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}
                                       << QStringList{"6", "6", "5"} << "极权型领导";
        const QString intro = "frm性格内向或外向";
        QTest::newRow("introversion, all 否") << intro << QList<int>{} << QStringList{"", ""} << "中性性格";
        QTest::newRow("introversion, equal counts") << intro << QList<int>{1, 2, 19, 20} << QStringList{"2", "2"} << "中性性格";
        QTest::newRow("introversion, one more odd") << intro << QList<int>{1, 2, 3} << QStringList{"2", "1"} << "外向性格";
        QTest::newRow("introversion, one more even") << intro << QList<int>{2, 3, 4} << QStringList{"1", "2"} << "内向性格";
        QTest::newRow("introversion, only item 20") << intro << QList<int>{20} << QStringList{"", "1"} << "内向性格";
    }
    void verdicts()
    {
        QFETCH(QString, window);
        QFETCH(QList<int>, yes);
        QFETCH(QStringList, tallies);
        QFETCH(QString, verdict);
        TestBank bank(bankSql(window, wholeTable(window)));
        ScriptedAnswers answers;
        const OpenedWindow w(window);
        for (int n = 1; n <= itemCount(window); ++n) {
            QCOMPARE(w.text("Lbl题号"), QString::number(n));
            w.choose(yes.contains(n) ? 1 : 2);
            w.click("Command1");
        }
        // On the closing row "是" can be reached neither by mouse nor by key.
        QVERIFY(!w.child("Option1")->isVisible());
        w.key(Qt::Key_1);
        QCOMPARE(w.texts(talliesOf(window)), tallies);
        QCOMPARE(w.text(verdictLabel(window)), QString());

        w.click("Command3");
        QCOMPARE(w.text(verdictLabel(window)), verdict);
        QVERIFY(answers.asked().isEmpty());
    }

    void yesCountsWhenChosen_data() { clickCountedRows(); }
    void yesCountsWhenChosen()
    {
        QFETCH(QString, window);
        QFETCH(QString, atLoad);
        TestBank bank(bankSql(window, wholeTable(window)));
        ScriptedAnswers answers;
        const OpenedWindow w(window);
        const QStringList tallies = talliesOf(window);
        QStringList expected(tallies.size(), atLoad);
        QCOMPARE(w.texts(tallies), expected);

        // Item 1 counts in the first tally of every one of these tests.
        w.choose(1);
        expected[0] = "1";
        QCOMPARE(w.texts(tallies), expected);
        w.choose(1); // "是" again while chosen
        w.key(Qt::Key_1);
        QCOMPARE(w.texts(tallies), expected);
        w.choose(2); // 是 then 否 takes the point back
        expected[0] = "0";
        QCOMPARE(w.texts(tallies), expected);
        w.key(Qt::Key_1); // 是, 否, 是 counts once
        expected[0] = "1";
        QCOMPARE(w.texts(tallies), expected);
        w.click("Command1"); // "下一题" counts nothing, nor does clearing the choice
        QCOMPARE(w.texts(tallies), expected);

        w.choose(2);
        w.click("Command1");
        QCOMPARE(w.texts(tallies), expected);
        QCOMPARE(w.text("Lbl题号"), "3");
        QVERIFY(answers.asked().isEmpty());
    }

    void yesWithoutAnItemNumber_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("atLoad");
        QTest::addColumn<bool>("bankOpens");
        QTest::newRow("management style, no bank") << "frm你的管理方式" << "0" << false;
        QTest::newRow("management style, number in words") << "frm你的管理方式" << "0" << true;
        QTest::newRow("leadership type, no bank") << "frm你的领导类型" << "0" << false;
        QTest::newRow("leadership type, number in words") << "frm你的领导类型" << "0" << true;
        QTest::newRow("introversion, no bank") << "frm性格内向或外向" << "" << false;
        QTest::newRow("introversion, number in words") << "frm性格内向或外向" << "" << true;
    }
    void yesWithoutAnItemNumber()
    {
        QFETCH(QString, window);
        QFETCH(QString, atLoad);
        QFETCH(bool, bankOpens);
        QTemporaryDir empty;
        std::unique_ptr<TestBank> bank;
        if (bankOpens)
            bank = std::make_unique<TestBank>(bankSql(window, {{"'一'"}, {"'二'"}}));
        else
            setProgramFolder(empty.path());
        ScriptedAnswers answers;
        const OpenedWindow w(window);
        QCOMPARE(answers.asked().size(), bankOpens ? 0 : 1); // the missing bank is told once
        QCOMPARE(w.text("Lbl题号"), bankOpens ? "一" : "");

        const QStringList tallies = talliesOf(window);
        const QStringList unchanged(tallies.size(), atLoad);
        w.choose(1);
        w.choose(2);
        w.key(Qt::Key_1);
        QCOMPARE(w.texts(tallies), unchanged);
        // "下一题" moves on where it can and ends quietly where it cannot.
        w.click("Command1");
        QVERIFY(w.window->isVisible());
        QCOMPARE(w.texts(tallies), unchanged);
        QCOMPARE(answers.asked().size(), bankOpens ? 0 : 1);
    }

    void pointsFromTheBank_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("yes");
        QTest::addColumn<QString>("no");
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("total");
        const QString decisive = "frm你可断吗";
        const QString creative = "frm自我创造潜力自测";
        QTest::newRow("decisiveness, 是") << decisive << "'3'" << "'1'" << 1 << "3";
        QTest::newRow("decisiveness, 否") << decisive << "'3'" << "'1'" << 2 << "1";
        QTest::newRow("decisiveness, 是 empty") << decisive << "''" << "'1'" << 1 << "0";
        QTest::newRow("decisiveness, 否 missing") << decisive << "'3'" << "NULL" << 2 << "0";
        QTest::newRow("decisiveness, a fraction") << decisive << "'0'" << "'2.5'" << 2 << "2.5";
        QTest::newRow("creative potential, 是") << creative << "2" << "0" << 1 << "2";
        QTest::newRow("creative potential, 否") << creative << "0" << "'4'" << 2 << "4";
        QTest::newRow("creative potential, text after the number") << creative << "'3分'" << "'0'" << 1 << "3";
        QTest::newRow("creative potential, no number") << creative << "'一分'" << "'0'" << 1 << "0";
        QTest::newRow("creative potential, 是 missing") << creative << "NULL" << "'1'" << 1 << "0";
    }
    void pointsFromTheBank()
    {
        QFETCH(QString, window);
        QFETCH(QString, yes);
        QFETCH(QString, no);
        QFETCH(int, option);
        QFETCH(QString, total);
        TestBank bank(bankSql(window, {{"1", yes, no}, {"2", "'10'", "'20'"}, {"3"}}));
        ScriptedAnswers answers;
        const OpenedWindow w(window);
        QCOMPARE(w.text("Lbl总分"), QString());
        w.choose(option);
        QCOMPARE(w.text("Lbl总分"), QString()); // counted at "下一题", not on the click
        w.click("Command1");
        QCOMPARE(w.text("Lbl总分"), total);

        // The next item's own points follow on from it.
        w.choose(option);
        w.click("Command1");
        QCOMPARE(w.text("Lbl总分").toDouble(), total.toDouble() + (option == 1 ? 10 : 20));
        QVERIFY(answers.asked().isEmpty());
    }
};

ZENTROVA_TEST_MAIN(VerdictsTest)
#include "tst_verdicts.moc"
