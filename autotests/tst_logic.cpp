// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What the logical-thinking, creativity, logic self-test and emotional-stability
// windows do that the other questionnaires do not.
#include "framework/numbers.h"
#include "framework/questionbank.h"
#include "framework/testwindow.h"
#include "questionnaires/testwindows.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QMap>
#include <QTextEdit>
#include <QtTest>

#include <memory>

using namespace zentrova;
using namespace zentrova::testing;

namespace {

const QString LogicalThinking = QStringLiteral("frm逻辑思维能力测试");
const QString Creativity = QStringLiteral("frm富有创造力");
const QString SelfTest = QStringLiteral("frm逻辑思考能力测试");
const QString EmotionalStability = QStringLiteral("frm情绪稳定性1");

const QString PromptYesOrNo = QStringLiteral("你需选择　＜是＞、＜否＞选项中的一个，才能继续答题。");
const QString PromptEachGroup = QStringLiteral("你需选择　＜是＞、＜否＞各组选项中的一个，才能继续答题。");

QString quoted(const QString &text)
{
    return QStringLiteral("'%1'").arg(QString(text).replace(u'\'', QStringLiteral("''")));
}

// A table with the given columns and one row of values per entry, written in
// one transaction so that a long table is quick to make.
QString tableSql(const QString &table, const QStringList &columns, const QList<QStringList> &rows)
{
    QStringList names;
    for (const QString &column : columns)
        names << quotedIdentifier(column);
    QString sql = QStringLiteral("BEGIN;\nCREATE TABLE %1 (%2);\n").arg(quotedIdentifier(table), names.join(", "));
    for (const QStringList &row : rows)
        sql += QStringLiteral("INSERT INTO %1 VALUES (%2);\n").arg(quotedIdentifier(table), row.join(", "));
    return sql + QStringLiteral("COMMIT;\n");
}

// Logical thinking: the right answer of item n is letter (n - 1) % 5, scored
// 1, the others 0; every text names its row.
int rightAnswer(int item)
{
    return (item - 1) % 5 + 1;
}

QString logicalText(int row, int box)
{
    return box == 0 ? QStringLiteral("第%1题的题目").arg(row) : QStringLiteral("第%1题的答案%2").arg(row).arg(QChar(u'A' + box - 1));
}

QString logicalThinkingSql(bool closingRow)
{
    QList<QStringList> rows;
    for (int n = 1; n <= 32 + (closingRow ? 1 : 0); ++n) {
        QStringList row{QString::number(n)};
        for (int box = 0; box < 6; ++box)
            row << quoted(logicalText(n, box));
        for (int answer = 1; answer <= 5; ++answer)
            row << (answer == rightAnswer(n) ? "1" : "0");
        rows << row;
    }
    return tableSql("逻辑思维能力测试",
                     {"测试题号", "测试题目", "选项A", "选项B", "选项C", "选项D", "选项E", "分数A", "分数B", "分数C", "分数D", "分数E"},
                     rows);
}

// Creativity: 45 items and the closing row, every item worth the same points.
QString creativitySql(const QStringList &points, const QString &closingText = "全部题目已经答完。")
{
    QList<QStringList> rows;
    for (int n = 1; n <= 46; ++n)
        rows << QStringList{QString::number(n), quoted(n == 46 ? closingText : QStringLiteral("第%1题").arg(n))} + points;
    return tableSql("你富有创造力吗？", {"测试题号", "测试题目", "分数A", "分数B", "分数C", "分数D", "分数E"}, rows);
}

// Logic self-test: rows 1 … last, each statement answer worth its own power
// of two (statement 1 是 1, 否 2; statement 2 是 4, 否 8; statement 3 是 16,
// 否 32), so that a total tells which answers were counted.
QString selfTestSql(int lastRow)
{
    QList<QStringList> rows;
    for (int n = 1; n <= lastRow; ++n) {
        rows << QStringList{QString::number(n),
                            quoted(QStringLiteral("第%1题").arg(n)),
                            quoted(QStringLiteral("第%1题推理一").arg(n)),
                            quoted(QStringLiteral("第%1题推理二").arg(n)),
                            quoted(QStringLiteral("第%1题推理三").arg(n)),
                            "1", "2", "4", "8", "16", "32"};
    }
    return tableSql("逻辑思考能力自测",
                     {"测试题号", "测试题目", "选项1", "选项2", "选项3", "分数A1（是）", "分数B1（否）", "分数A2（是）", "分数B2（否）",
                      "分数A3（是）", "分数B3（否）"},
                     rows);
}

QString emotionalStabilitySql()
{
    QList<QStringList> rows;
    for (int n = 1; n <= 210; ++n)
        rows << QStringList{quoted(QStringLiteral("第%1条").arg(n)), "2", "1", "0"};
    return tableSql("情绪稳定性表", {"测试题目", "是", "不确定", "否"}, rows);
}

// The shared driver, with what the logic self-test's grouped answers need.
struct Window : OpenedWindow {
    using OpenedWindow::OpenedWindow;

    QList<int> chosenOptions() const
    {
        QList<int> options;
        for (int i = 1; i <= 8; ++i) {
            auto *option = window->findChild<QAbstractButton *>(QStringLiteral("Option%1").arg(i));
            if (option && option->isChecked())
                options << i;
        }
        return options;
    }

    // Logic self-test: the statement frames on show (Frame5 to Frame8), by name.
    QString layout() const
    {
        QString frames;
        for (const char *frame : {"Frame5", "Frame6", "Frame7", "Frame8"})
            frames += shown(frame) ? u'1' : u'0';
        const QMap<QString, QString> names = {{"0000", "none"}, {"0001", "one"}, {"1100", "two"}, {"1110", "three"}};
        return names.value(frames, frames);
    }

    // Logic self-test: answers every statement on show, "是" or "否".
    void answerShown(bool yes) const
    {
        const QList<std::pair<QString, int>> groups = {{"Frame5", 1}, {"Frame6", 3}, {"Frame7", 5}, {"Frame8", 7}};
        for (const auto &[frame, yesOption] : groups) {
            if (shown(frame))
                choose(yes ? yesOption : yesOption + 1);
        }
    }

    // Logic self-test: on to the given row, answering "否". Gives up after as
    // many presses as the table has rows, so that a stuck window fails the
    // caller's checks instead of hanging.
    void goToRow(int row) const
    {
        if (button("Command1")->text() == "开始")
            next();
        for (int press = 0; press < 20 && text("Lbl题号").toInt() < row; ++press) {
            answerShown(false);
            next();
        }
    }
};

} // namespace

class LogicTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { zentrova::testing::failOnThreadWarnings(); }
    void cleanup()
    {
        setProgramFolder({});
        QVERIFY(visibleTopLevels().isEmpty());
    }

    // Logical thinking: the six text boxes show the current row after every
    // move, the closing row included; without one they stay on item 32.
    void textBoxesFollowTheCursor_data()
    {
        QTest::addColumn<bool>("closingRow");
        QTest::newRow("with the closing row") << true;
        QTest::newRow("without the closing row") << false;
    }
    void textBoxesFollowTheCursor()
    {
        QFETCH(bool, closingRow);
        TestBank bank(logicalThinkingSql(closingRow));
        ScriptedAnswers answers;
        const Window w(LogicalThinking);
        auto boxes = [&] {
            QStringList texts;
            for (int i = 1; i <= 6; ++i)
                texts << w.child<QTextEdit>(QStringLiteral("Text%1").arg(i))->toPlainText();
            return texts;
        };
        auto rowTexts = [](int row) {
            QStringList texts;
            for (int box = 0; box < 6; ++box)
                texts << logicalText(row, box);
            return texts;
        };
        for (int row = 1; row <= 32; ++row) {
            QCOMPARE(boxes(), rowTexts(row));
            w.choose(2);
            w.next();
        }
        QCOMPARE(boxes(), rowTexts(closingRow ? 33 : 32));
        QCOMPARE(w.shown("Frame3"), closingRow);
        QVERIFY(w.shown("Frame1"));
        QVERIFY(answers.asked().isEmpty());
    }

    // Logical thinking: the count is on show from the start and reads the
    // right answers so far after every accepted "下一题", not only at the end.
    void countAfterEveryNext_data()
    {
        QTest::addColumn<QString>("strategy");
        QTest::newRow("always right") << "right";
        QTest::newRow("always A") << "A";
        QTest::newRow("never right") << "wrong";
    }
    void countAfterEveryNext()
    {
        QFETCH(QString, strategy);
        TestBank bank(logicalThinkingSql(true));
        ScriptedAnswers answers;
        const Window w(LogicalThinking);
        QVERIFY(w.shown("Frame4"));
        QVERIFY(w.shown("Lbl总分"));
        QCOMPARE(w.text("Lbl总分"), QString());

        int right = 0;
        for (int item = 1; item <= 32; ++item) {
            const int answer = strategy == "right" ? rightAnswer(item) : strategy == "A" ? 1 : rightAnswer(item) % 5 + 1;
            w.choose(answer);
            QCOMPARE(w.text("Lbl总分"), item == 1 ? QString() : QString::number(right)); // choosing alone counts nothing
            w.next();
            right += answer == rightAnswer(item) ? 1 : 0;
            QCOMPARE(w.text("Lbl总分"), QString::number(right));
            QVERIFY(w.shown("Frame4"));

            if (item == 10) { // a refused press leaves the count
                w.next();
                QCOMPARE(w.text("Lbl总分"), QString::number(right));
                QCOMPARE(w.text("Lbl题号"), "11");
            }
        }
        QCOMPARE(answers.asked().size(), 1);
        QCOMPARE(right, strategy == "right" ? 32 : strategy == "A" ? 7 : 0);
        w.click("Command3");
        QVERIFY(w.shown("Frame4"));
        QCOMPARE(w.text("Lbl总分"), QString::number(right));
    }

    // Creativity: the points come from the bank as they stand, negative ones
    // included; empty or non-numeric points add 0 and still write a number.
    void creativityPoints_data()
    {
        QTest::addColumn<QStringList>("points");
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("afterTwo");
        QTest::addColumn<QString>("total");
        QTest::newRow("strongly disagree, negative") << QStringList{"2", "1", "0", "-1", "-2"} << 5 << "-4" << "-90";
        QTest::newRow("empty field") << QStringList{"2", "1", "NULL", "-1", "-2"} << 3 << "0" << "0";
        QTest::newRow("text after the number") << QStringList{"'3分'", "1", "0", "0", "0"} << 1 << "6" << "135";
        QTest::newRow("half points") << QStringList{"0", "0", "0", "'-0.5'", "0"} << 4 << "-1" << "-22.5";
    }
    void creativityPoints()
    {
        QFETCH(QStringList, points);
        QFETCH(int, option);
        QFETCH(QString, afterTwo);
        QFETCH(QString, total);
        TestBank bank(creativitySql(points));
        ScriptedAnswers answers;
        const Window w(Creativity);
        for (int item = 1; item <= 45; ++item) {
            w.choose(option);
            w.next();
            if (item == 2)
                QCOMPARE(w.text("Lbl总分"), afterTwo);
        }
        QVERIFY(w.shown("Frame3"));
        w.click("Command3");
        QCOMPARE(w.text("Lbl总分"), total);
        QVERIFY(answers.asked().isEmpty());
    }

    // Creativity: shown, the bands cover the lower part of the item text and
    // leave its upper part readable; the item frame itself stays.
    void creativityBandsCoverTheItem()
    {
        const QString closing = QStringLiteral("全部题目已经答完。") + QString(QStringLiteral("这一段文字很长，")).repeated(20);
        TestBank bank(creativitySql({"1", "1", "1", "1", "1"}, closing));
        ScriptedAnswers answers;
        const Window w(Creativity);
        for (int item = 1; item <= 45; ++item) {
            w.choose(1);
            w.next();
        }
        w.click("Command3");
        QWidget *item = w.child("Frame1");
        QWidget *bands = w.child("Frame5");
        QVERIFY(item->isVisible());
        QVERIFY(bands->isVisible());
        const QRect overlap = item->geometry() & bands->geometry();
        QVERIFY(!overlap.isEmpty());
        QVERIFY(bands->geometry().top() > item->geometry().top() + 20); // the upper part stays uncovered
        QCOMPARE(overlap.bottom(), item->geometry().bottom());

        // What the user sees at a point is the topmost control there.
        auto isIn = [](QWidget *found, QWidget *container) { return found == container || container->isAncestorOf(found); };
        QVERIFY(isIn(w.window->childAt(overlap.center()), bands));
        QVERIFY(isIn(w.window->childAt(item->geometry().topLeft() + QPoint(40, 10)), item));

        // No item text shows through the bands: the covered rows carry none of
        // its dark-red pixels.
        const QImage picture = w.window->grab().toImage();
        const QLabel *itemText = w.child<QLabel>("Label1");
        QVERIFY(itemText->heightForWidth(itemText->width()) > bands->y() - item->y()); // the text runs under the bands
        int red = 0, redAbove = 0;
        for (int y = item->y() + 2; y < item->geometry().bottom() - 2; ++y) {
            for (int x = overlap.left() + 2; x < overlap.right() - 2; ++x) {
                const QColor pixel = picture.pixelColor(x, y);
                if (pixel.red() > 90 && pixel.green() < 60 && pixel.blue() < 60)
                    ++(y < bands->y() ? redAbove : red);
            }
        }
        QVERIFY(redAbove > 0);
        QCOMPARE(red, 0);
    }

    // Logic self-test: the layout each row gets, keyed on the row before it.
    void selfTestLayouts_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("layout");
        const QStringList layouts = {"none", "one", "one", "two", "one", "two", "two", "one", "two", "two",
                                     "three", "three", "three", "three", "three", "three", "three", "three", "two", "three"};
        for (int row = 1; row <= 20; ++row)
            QTest::addRow("row %d", row) << row << layouts.at(row - 1);
    }
    void selfTestLayouts()
    {
        QFETCH(int, row);
        QFETCH(QString, layout);
        TestBank bank(selfTestSql(20));
        ScriptedAnswers answers;
        const Window w(SelfTest);
        if (row > 1)
            w.goToRow(row);
        QCOMPARE(w.text("Lbl题号"), QString::number(row));
        QCOMPARE(w.layout(), layout);
        QCOMPARE(w.text("Label2"), QStringLiteral("第%1题").arg(row));
        QVERIFY(w.chosenOptions().isEmpty());
        QVERIFY(w.shown("Command1"));
        QVERIFY(!w.shown("Frame3"));
        QVERIFY(answers.asked().isEmpty());
    }

    // Logic self-test: the opening page asks for nothing and counts nothing.
    void selfTestStartChecksNothing()
    {
        TestBank bank(selfTestSql(20));
        ScriptedAnswers answers;
        const Window w(SelfTest);
        QCOMPARE(w.button("Command1")->text(), "开始");
        QCOMPARE(w.layout(), "none");
        QVERIFY(!w.shown("Lbl题号"));
        QCOMPARE(w.text("Lbl题号"), "1");

        w.next();
        QVERIFY(answers.asked().isEmpty());
        QCOMPARE(w.text("Lbl总分"), QString());
        QCOMPARE(w.button("Command1")->text(), "下一题");
        QCOMPARE(w.text("Lbl题号"), "2");
        QCOMPARE(w.layout(), "one");
    }

    // Logic self-test: every statement on show needs an answer; a refused
    // press keeps the row, its layout, the answers given and the total.
    void selfTestRefusesUnansweredStatements_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QString>("prompt");
        QTest::newRow("one statement, none") << 2 << QList<int>{} << PromptYesOrNo;
        QTest::newRow("two statements, only the first") << 4 << QList<int>{1} << PromptEachGroup;
        QTest::newRow("two statements, only the second") << 4 << QList<int>{4} << PromptEachGroup;
        QTest::newRow("two statements, none") << 19 << QList<int>{} << PromptEachGroup;
        QTest::newRow("three statements, the third missing") << 11 << QList<int>{2, 3} << PromptEachGroup;
        QTest::newRow("three statements, only the third") << 20 << QList<int>{6} << PromptEachGroup;
        QTest::newRow("one statement, answered") << 2 << QList<int>{8} << QString();
        QTest::newRow("two statements, answered") << 4 << QList<int>{2, 3} << QString();
        QTest::newRow("three statements, answered") << 11 << QList<int>{1, 4, 6} << QString();
    }
    void selfTestRefusesUnansweredStatements()
    {
        QFETCH(int, row);
        QFETCH(QList<int>, answers);
        QFETCH(QString, prompt);
        TestBank bank(selfTestSql(20));
        ScriptedAnswers asked;
        const Window w(SelfTest);
        w.goToRow(row);
        QCOMPARE(w.text("Lbl题号"), QString::number(row));
        const QString layout = w.layout();
        for (int option : answers)
            w.choose(option);
        const QString total = w.text("Lbl总分");

        w.next();
        if (prompt.isEmpty()) {
            QVERIFY(asked.asked().isEmpty());
            QCOMPARE(w.text("Lbl题号"), QString::number(row + 1));
            QVERIFY(w.chosenOptions().isEmpty());
        } else {
            QCOMPARE(asked.asked().size(), 1);
            QCOMPARE(asked.asked().first().text, prompt);
            QCOMPARE(asked.asked().first().title, "答题错误");
            QCOMPARE(asked.asked().first().buttons, MessageButtons::Ok);
            QCOMPARE(w.text("Lbl题号"), QString::number(row));
            QCOMPARE(w.layout(), layout);
            QCOMPARE(w.chosenOptions(), answers);
        }
        QCOMPARE(w.text("Lbl总分"), total);
        QCOMPARE(w.button("Command1")->text(), "下一题");
    }

    // Logic self-test: an answer counts the moment it is chosen; a one-
    // statement item counts the points of statement 1.
    void selfTestScoresOnChoosing_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<int>("points");
        QTest::newRow("one statement 是 is statement 1 是") << 2 << QList<int>{7} << 1;
        QTest::newRow("one statement 否 is statement 1 否") << 2 << QList<int>{8} << 2;
        QTest::newRow("否 counts its own points") << 4 << QList<int>{2, 4} << 10;
        QTest::newRow("three statements") << 11 << QList<int>{1, 3, 5} << 21;
        QTest::newRow("three statements, all 否") << 20 << QList<int>{2, 4, 6} << 42;
        QTest::newRow("the chosen answer again counts nothing") << 2 << QList<int>{7, 7, 7} << 1;
        QTest::newRow("changing one's mind counts the new answer") << 2 << QList<int>{7, 8} << 2;
        QTest::newRow("and changing back, the first") << 4 << QList<int>{1, 2, 1, 3} << 5;
    }
    void selfTestScoresOnChoosing()
    {
        QFETCH(int, row);
        QFETCH(QList<int>, clicks);
        QFETCH(int, points);
        TestBank bank(selfTestSql(20));
        ScriptedAnswers answers;
        const Window w(SelfTest);
        w.goToRow(row);
        QCOMPARE(w.text("Lbl题号"), QString::number(row));
        const double before = lenientNumber(w.text("Lbl总分"));
        for (int option : clicks)
            w.choose(option);
        QCOMPARE(lenientNumber(w.text("Lbl总分")) - before, double(points));

        // "下一题" adds nothing of its own.
        w.answerShown(true);
        const QString answered = w.text("Lbl总分");
        w.next();
        QCOMPARE(w.text("Lbl总分"), answered);
        QVERIFY(answers.asked().isEmpty());
    }

    // Logic self-test: the test finishes when row 20 is left, whether or not
    // the table holds a row after it, and not when row 20 comes up.
    void selfTestFinishesOnLeavingRow20_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("shownAfter");
        QTest::newRow("a row follows") << 21 << "21";
        QTest::newRow("row 20 is the last") << 20 << "20";
    }
    void selfTestFinishesOnLeavingRow20()
    {
        QFETCH(int, rows);
        QFETCH(QString, shownAfter);
        TestBank bank(selfTestSql(rows));
        ScriptedAnswers answers;
        const Window w(SelfTest);
        w.goToRow(20);
        QCOMPARE(w.text("Lbl题号"), "20");
        QVERIFY(w.shown("Frame2"));
        QVERIFY(!w.shown("Frame3"));

        w.answerShown(false);
        w.next();
        QVERIFY(!w.shown("Frame2"));
        QVERIFY(w.shown("Frame3"));
        QVERIFY(!w.shown("Lbl题号"));
        for (int option = 1; option <= 6; ++option)
            QVERIFY(!w.shown(QStringLiteral("Option%1").arg(option)));
        QCOMPARE(w.layout(), "three");
        QCOMPARE(w.text("Lbl题号"), shownAfter);
        QCOMPARE(w.text("Label2"), QStringLiteral("第%1题").arg(shownAfter));
        // Every statement answered 否: rows 2, 3, 5, 8 one statement (2 each),
        // rows 4, 6, 7, 9, 10, 19 two (2 + 8), rows 11 to 18 and 20 three (2 + 8 + 32).
        QCOMPARE(w.text("Lbl总分"), "446");
        QVERIFY(answers.asked().isEmpty());
    }

    // Logic self-test: the result shows the total and the band scale in place
    // of the instructions; "测试结束" there closes without asking, while the
    // one shown during the answers asks.
    void selfTestResultAndLeaving()
    {
        TestBank bank(selfTestSql(20));
        ScriptedAnswers answers({MessageAnswer::No});
        const Window w(SelfTest);
        w.goToRow(3);
        w.click("Command2");
        QCOMPARE(answers.asked().size(), 1);
        QCOMPARE(answers.asked().first().text, "你确实要结束测试吗？？？");
        QVERIFY(w.window->isVisible());

        w.goToRow(20);
        w.answerShown(true);
        w.next();
        QVERIFY(!w.shown("Frame4"));
        QVERIFY(!w.shown("Label7"));
        w.click("Command3");
        QVERIFY(w.shown("Frame4"));
        QVERIFY(!w.shown("Label1"));
        QVERIFY(w.shown("Label7"));
        QCOMPARE(w.text("Label7"), "　　0－13分：优秀；　14－19分：良好；　20－25分：中等；　26－48分：不佳。");
        QVERIFY(!w.button("Command3")->isEnabled());
        QVERIFY(!w.text("Lbl总分").isEmpty());

        w.click("Command4");
        QVERIFY(!w.window->isVisible());
        QCOMPARE(answers.asked().size(), 1);
    }

    // Emotional stability: the last statement stays on show, the answer is
    // still required, and the test never finishes; "返回" closes at once, and
    // the test starts again at statement 1.
    void emotionalStabilityOnItsLastStatement()
    {
        TestBank bank(emotionalStabilitySql());
        ScriptedAnswers answers;
        const Window w(EmotionalStability);
        QCOMPARE(w.text("Label5"), "第1条");
        for (int n = 1; n < 210; ++n) {
            w.choose(n % 3 + 1);
            w.next();
        }
        QCOMPARE(w.text("Label5"), "第210条");
        QVERIFY(answers.asked().isEmpty());

        auto *window = static_cast<TestWindow *>(w.window.get());
        for (int press = 0; press < 2; ++press) {
            w.choose(2);
            w.next();
            QCOMPARE(w.text("Label5"), "第210条");
            QVERIFY(!window->cursor().isPastEnd()); // put back on the last row
            QVERIFY(w.chosenOptions().isEmpty());
            QVERIFY(w.shown("Command1"));
            QVERIFY(w.shown("Option1"));
        }
        QVERIFY(answers.asked().isEmpty());

        w.next();
        QCOMPARE(answers.asked().size(), 1);
        QCOMPARE(answers.asked().first().text, "你需选择　＜是＞、＜不确定＞、＜否＞三个选项中的一个，才能继续答题。");
        QCOMPARE(answers.asked().first().title, "答题错误");
        QCOMPARE(w.text("Label5"), "第210条");

        w.choose(3);
        QCOMPARE(w.button("Command3")->text(), "返回");
        w.click("Command3");
        QVERIFY(!w.window->isVisible());
        QCOMPARE(answers.asked().size(), 1);
        const Window again(EmotionalStability);
        QCOMPARE(again.text("Label5"), "第1条");
        QVERIFY(again.chosenOptions().isEmpty());
        again.window->close();
    }
};

ZENTROVA_TEST_MAIN(LogicTest)
#include "tst_logic.moc"
