// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "framework/questionbank.h"
#include "questionnaires/personality/temperamenttexts.h"
#include "questionnaires/personality/temperamentwindow.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QLabel>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTextEdit>
#include <QtTest>

#include <algorithm>

using namespace zentrova;
using namespace zentrova::testing;

namespace {

const QString Instruction = QStringLiteral(
    "　　选择选项时，你认为：　很符合自己情况的－－－选A项；比较符合的－－－选B项；介于符合与不够之间的－－－选C项；"
    "比较不符合的－－－选D项；完全不符合的－－－选E项。");
const QString Pointer = QStringLiteral("　<==双击未答题目的深绿色题号继续答题");
const QString EndOfSheetHint = QStringLiteral(
    "　　如果所有的题目你都没有全部回答，测试结果可能就不准确，请双击左边的深绿色题号继续答题；"
    "如果所有题目你己全部答完，请按“提交测试“按钮，了解你的气质特征。");
const QString Letters = QStringLiteral("ABCDE");
const QStringList Panels = {"Frame1", "Frame2", "Frame3"};
const QStringList Options = {"Option1", "Option2", "Option3", "Option4", "Option5"};

template<typename T = QWidget>
T *part(const QWidget &window, const QString &name)
{
    if (T *found = window.findChild<T *>(name))
        return found;
    qFatal("no control %s", qPrintable(name));
}

QAbstractButton *button(const QWidget &w, const QString &name) { return part<QAbstractButton>(w, name); }
QLabel *label(const QWidget &w, const QString &name) { return part<QLabel>(w, name); }
QAbstractButton *option(const QWidget &w, QChar letter) { return button(w, Options.at(Letters.indexOf(letter))); }

QStringList texts(const QWidget &w, const QStringList &labels)
{
    QStringList captions;
    for (const QString &name : labels)
        captions << label(w, name)->text();
    return captions;
}

QStringList totals(const QWidget &w) { return texts(w, {"Label5", "Label6", "Label7", "Label8"}); }

// Which of the named controls the user can see.
QStringList shown(const QWidget &w, const QStringList &names)
{
    QStringList visible;
    for (const QString &name : names) {
        if (part(w, name)->isVisible())
            visible << name;
    }
    return visible;
}

// A button as the user sees it: its caption, marked when greyed out.
QString seen(const QWidget &w, const QString &name)
{
    const QAbstractButton *b = button(w, name);
    return b->text() + (b->isEnabled() ? "" : " (greyed)");
}

// The sheet's colours, one letter a cell: '.' not reached, 'R' reached, 'S' skipped.
QString colours(const TemperamentWindow &w)
{
    QString letters;
    for (int n = 1; n <= TemperamentWindow::ItemCount; ++n) {
        const QColor c = w.cell(n)->palette().color(QPalette::Window);
        letters += c == TemperamentWindow::NotReached ? '.' : c == TemperamentWindow::Reached ? 'R' : c == TemperamentWindow::Skipped ? 'S' : '?';
    }
    return letters;
}

QString sheet(const QString &start, QChar rest = '.') { return start + QString(TemperamentWindow::ItemCount - start.size(), rest); }

QStringList asked(const ScriptedAnswers &answers)
{
    QStringList lines;
    for (const MessageRequest &request : answers.asked())
        lines << request.title + "：" + request.text + (request.buttons == MessageButtons::YesNo ? " [YesNo]" : " [Ok]");
    return lines;
}

// Goes through the items from the current one, choosing the given letters and pressing "下一题" after each.
void answerAndPass(TemperamentWindow &w, const QStringList &choices)
{
    for (const QString &letters : choices) {
        for (QChar letter : letters)
            option(w, letter)->click();
        button(w, "Command1")->click();
    }
}

void doubleClickNumber(TemperamentWindow &w, int item) { QTest::mouseDClick(w.numberLabel(item), Qt::LeftButton); }

// The item texts of the shipped bank, in cursor order.
QStringList bankItems()
{
    RecordCursor cursor;
    QString error;
    QStringList rows;
    if (!cursor.open(shippedBankPath(), QStringLiteral("你属于哪种气质？"), {QStringLiteral("测试内容")}, &error))
        return {error};
    do
        rows << cursor.value(QStringLiteral("测试内容"));
    while (cursor.next() && !cursor.isPastEnd());
    return rows;
}

bool noOptionChosen(const QWidget &w)
{
    return std::none_of(Letters.begin(), Letters.end(), [&](QChar letter) { return option(w, letter)->isChecked(); });
}

} // namespace

class TemperamentTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { zentrova::testing::failOnThreadWarnings(); }
    void initTestCase() { useShippedBank(); }

    void cleanup() { QVERIFY(visibleTopLevels().isEmpty()); }

    void itemsAreThoseOfTheBank()
    {
        const QStringList rows = bankItems();
        QCOMPARE(rows.size(), TemperamentWindow::ItemCount);
        for (int n = 1; n <= TemperamentWindow::ItemCount; ++n)
            QCOMPARE(QString::fromUtf8(TemperamentItems[n - 1]), rows.at(n - 1));

        // The first pass shows the bank's rows one after another.
        ScriptedAnswers answers;
        TemperamentWindow w;
        w.show();
        QCOMPARE(totals(w), QStringList(4, ""));
        QCOMPARE(label(w, "Label4")->text(), Instruction);
        QCOMPARE(shown(w, QStringList{"Command1", "Command2", "Command3", "Command4", "Command5", "Label81", "Label75"} + Panels),
                 QStringList({"Command1", "Command2", "Command4", "Frame1"}));
        for (int n = 1; n <= TemperamentWindow::ItemCount; ++n) {
            QCOMPARE(label(w, "Label1")->text(), rows.at(n - 1));
            QVERIFY(noOptionChosen(w));
            answerAndPass(w, {"A"});
        }
        QCOMPARE(label(w, "Label1")->text(), rows.last());
        QVERIFY(answers.asked().isEmpty());
    }

    void totalsAfterNext_data()
    {
        QTest::addColumn<QStringList>("choices");
        QTest::addColumn<QString>("firstCell");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("item 1 answered A") << QStringList{"A"} << "2" << QStringList{"0", "0", "2", "0"};
        QTest::newRow("A then C stores C") << QStringList{"AC"} << "0" << QStringList{"0", "0", "0", "0"};
        QTest::newRow("one item per band") << QStringList{"A", "B", "D", "E"} << "2" << QStringList{"1", "-2", "2", "-1"};
        QTest::newRow("sixty unanswered") << QStringList(60, "") << "" << QStringList{"0", "0", "0", "0"};
        QTest::newRow("all A") << QStringList(60, "A") << "2" << QStringList{"30", "30", "30", "30"};
        QTest::newRow("all E") << QStringList(60, "E") << "-2" << QStringList{"-30", "-30", "-30", "-30"};
    }
    void totalsAfterNext()
    {
        QFETCH(QStringList, choices);
        QFETCH(QString, firstCell);
        QFETCH(QStringList, expected);
        TemperamentWindow w;
        answerAndPass(w, choices);
        QCOMPARE(w.cell(1)->text(), firstCell);
        QCOMPARE(totals(w), expected);
    }

    void changeInReviewReachesTotals_data()
    {
        QTest::addColumn<QString>("press");
        QTest::addColumn<QString>("choleric");
        QTest::newRow("统计结果 recomputes") << "Command5" << "12";
        QTest::newRow("提交测试 keeps the old totals") << "Command3" << "16";
    }
    void changeInReviewReachesTotals()
    {
        QFETCH(QString, press);
        QFETCH(QString, choleric);
        ScriptedAnswers answers({MessageAnswer::Yes});
        TemperamentWindow w;
        w.show();
        QStringList choices(60, "B");
        choices[1] = "A";
        answerAndPass(w, choices);
        QCOMPARE(totals(w), QStringList({"16", "15", "15", "15"}));

        doubleClickNumber(w, 2);
        option(w, 'E')->click();
        QCOMPARE(w.cell(2)->text(), "-2");
        QCOMPARE(totals(w), QStringList({"16", "15", "15", "15"}));
        button(w, press)->click();
        QCOMPARE(totals(w), QStringList({choleric, "15", "15", "15"}));
    }

    void coloursDuringTheFirstPass()
    {
        TemperamentWindow w;
        QCOMPARE(colours(w), sheet("R"));
        button(w, "Command1")->click(); // item 1 passed without an answer
        QCOMPARE(w.cell(1)->text(), "");
        QCOMPARE(colours(w), sheet("RR"));

        option(w, 'D')->click(); // item 2 answered, then skipped
        button(w, "Command4")->click();
        QCOMPARE(w.currentItem(), 1);
        QCOMPARE(colours(w), sheet("RS"));
        button(w, "Command1")->click();
        QCOMPARE(colours(w), sheet("RSR"));
        QCOMPARE(w.cell(2)->text(), "-1");
    }

    void theSixtiethNextEndsTheSheet()
    {
        TemperamentWindow w;
        w.show();
        answerAndPass(w, QStringList(59, ""));
        QCOMPARE(w.currentItem(), 59);
        QVERIFY(!w.numberLabel(1)->isEnabled());
        button(w, "Command4")->click();
        button(w, "Command1")->click();

        QCOMPARE(w.currentItem(), 60);
        QCOMPARE(seen(w, "Command5") + "|" + seen(w, "Command3"), "统计结果|提交测试");
        const QStringList controls = QStringList{"Command1", "Command2", "Command3", "Command4", "Command5", "Label1", "Label81"} + Options;
        QCOMPARE(shown(w, controls), QStringList({"Command2", "Command3", "Command5", "Label81"}));
        QCOMPARE(label(w, "Label81")->text(), Pointer);
        QCOMPARE(label(w, "Label4")->text(), EndOfSheetHint);
        QCOMPARE(colours(w), sheet(QString(59, 'R') + 'S'));
        for (int n = 1; n <= TemperamentWindow::ItemCount; ++n)
            QVERIFY(w.numberLabel(n)->isEnabled());

        doubleClickNumber(w, 60); // a skipped item recalled turns reached
        QCOMPARE(colours(w), sheet("", 'R'));
        QCOMPARE(w.currentItem(), 59);
    }

    void numberClickWithoutRecall_data()
    {
        QTest::addColumn<int>("passed");
        QTest::addColumn<bool>("doubleClick");
        QTest::newRow("double-click while answering") << 2 << true;
        QTest::newRow("single click in review") << 60 << false;
    }
    void numberClickWithoutRecall()
    {
        QFETCH(int, passed);
        QFETCH(bool, doubleClick);
        TemperamentWindow w;
        w.show();
        button(w, "Command4")->click(); // item 1 yellow, so that a recall would show
        answerAndPass(w, QStringList(passed, "A"));
        const QString text = label(w, "Label1")->text();
        const QStringList visible = shown(w, {"Label1", "Label81", "Option1"});
        const QString before = colours(w);
        if (doubleClick)
            doubleClickNumber(w, 1);
        else
            QTest::mouseClick(w.numberLabel(1), Qt::LeftButton);
        QCOMPARE(w.currentItem(), passed);
        QCOMPARE(colours(w), before);
        QCOMPARE(label(w, "Label1")->text(), text);
        QCOMPARE(shown(w, {"Label1", "Label81", "Option1"}), visible);
    }

    void recallShowsTheItem_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("text");
        QTest::newRow("item 1") << 1 << "1、做事力求稳妥，不做无把握的事。";
        QTest::newRow("item 4") << 4 << "4、到一个新的环境很快就能适应。";
        QTest::newRow("item 7") << 7 << "7、喜欢安静的环境。";
        QTest::newRow("item 60") << 60 << "60、";
    }
    void recallShowsTheItem()
    {
        QFETCH(int, item);
        QFETCH(QString, text);
        TemperamentWindow w;
        w.show();
        answerAndPass(w, QStringList(60, "B"));

        doubleClickNumber(w, item);
        QCOMPARE(w.currentItem(), item - 1);
        QVERIFY2(label(w, "Label1")->text().startsWith(text), qPrintable(label(w, "Label1")->text()));
        QCOMPARE(label(w, "Label1")->text(), bankItems().at(item - 1));
        QCOMPARE(label(w, "Label4")->text(), Instruction);
        QCOMPARE(shown(w, QStringList{"Label1", "Label81"} + Options), QStringList{"Label1"} + Options);
        QCOMPARE(option(w, 'E')->text(), "E");
        QVERIFY(noOptionChosen(w));
        QCOMPARE(w.cell(item)->text(), "1");
        option(w, 'D')->click();
        QCOMPARE(w.cell(item)->text(), "-1");

        // The next recall starts unchosen again, and leaving it so keeps that item's answer.
        const int other = item == 1 ? 2 : 1;
        doubleClickNumber(w, other);
        QVERIFY(noOptionChosen(w));
        QCOMPARE(w.cell(other)->text(), "1");
        QCOMPARE(w.cell(item)->text(), "-1");
    }

    void submitShowsRulesAndExplanations()
    {
        ScriptedAnswers answers({MessageAnswer::No, MessageAnswer::Yes});
        TemperamentWindow w;
        w.show();
        answerAndPass(w, QStringList(2, ""));
        button(w, "Command4")->click(); // item 3 left yellow
        answerAndPass(w, QStringList(58, ""));
        button(w, "Command3")->click(); // answered No: still reviewing
        QCOMPARE(asked(answers), QStringList({"提交测试提示：所有的题目你都全部全部做完了吗？ 如果没做完，测试结果可能就不准确。 [YesNo]"}));
        QCOMPARE(seen(w, "Command5") + "|" + seen(w, "Command3"), "统计结果|提交测试");
        QCOMPARE(shown(w, QStringList{"Label75", "Command1"} + Panels), QStringList({"Frame1"}));

        button(w, "Command3")->click(); // answered Yes

        const QStringList names = {"Label75", "Label76", "Label77", "Label78"};
        QCOMPARE(shown(w, names), names);
        QCOMPARE(texts(w, names), QStringList({"胆汁质", "多血质", "粘液质", "抑郁质"}));
        QCOMPARE(seen(w, "Command3"), "提交测试 (greyed)");
        QCOMPARE(seen(w, "Command5"), "气质解释");
        QCOMPARE(shown(w, Panels), QStringList{"Frame3"});
        auto *rules = part<QTextEdit>(w, "Text1");
        auto *explanations = part<QTextEdit>(w, "Text2");
        QVERIFY(rules->toPlainText().startsWith("  　1、如果某一项的得分"));
        // Each numbered rule starts a line of its own, and no word is lost.
        const QStringList lines = rules->toPlainText().split('\n');
        QCOMPARE(lines.size(), 3);
        for (int i = 0; i < 3; ++i)
            QVERIFY2(lines.at(i).startsWith(QStringLiteral("  　%1、").arg(i + 1)), qPrintable(lines.at(i)));
        QCOMPARE(QString(lines.join("")).remove(QRegularExpression("[ 　]")),
                 QString::fromUtf8(TemperamentRulesText).remove(QRegularExpression("[ 　]")));
        QTest::keyClicks(rules, "abc");
        const QString typed = rules->toPlainText();
        QVERIFY(typed.contains("abc"));

        button(w, "Command5")->click(); // 气质解释
        QCOMPARE(shown(w, Panels), QStringList{"Frame2"});
        QCOMPARE(seen(w, "Command3"), "返回");
        const QString explanation = explanations->toPlainText();
        QVERIFY(explanation.startsWith("　　　胆汁质相当于神经活动"));
        QTest::keyClicks(explanations, "xyz");

        button(w, "Command3")->click(); // 返回
        QCOMPARE(shown(w, Panels), QStringList{"Frame3"});
        QCOMPARE(seen(w, "Command3"), "提交测试 (greyed)");
        QCOMPARE(rules->toPlainText(), typed);
        QCOMPARE(shown(w, names), names);

        button(w, "Command5")->click(); // 气质解释 again sets the explanation afresh
        QCOMPARE(shown(w, Panels), QStringList{"Frame2"});
        QCOMPARE(explanations->toPlainText(), explanation);

        // Once submitted, a double-click only recolours the cell.
        doubleClickNumber(w, 3);
        QCOMPARE(colours(w), sheet("", 'R'));
        QCOMPARE(shown(w, Panels), QStringList{"Frame2"});
        QCOMPARE(answers.asked().size(), 2);
    }

    void endTestAsksFirst()
    {
        ScriptedAnswers answers({MessageAnswer::No, MessageAnswer::Yes});
        TemperamentWindow w;
        w.show();
        answerAndPass(w, {"A", "E"});
        option(w, 'B')->click();
        button(w, "Command4")->click();
        button(w, "Command2")->click(); // answered No: everything stays
        QCOMPARE(asked(answers), QStringList({"结束测试确认：你确实要结束测试吗？？？ [YesNo]"}));
        QVERIFY(w.isVisible());
        QCOMPARE(w.currentItem(), 2);
        QCOMPARE(QStringList({w.cell(1)->text(), w.cell(2)->text(), w.cell(3)->text()}), QStringList({"2", "-2", "1"}));
        QCOMPARE(colours(w), sheet("RRS"));
        QCOMPARE(totals(w), QStringList({"-2", "0", "2", "0"}));

        button(w, "Command2")->click(); // answered Yes
        QCOMPARE(answers.asked().size(), 2);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Accepted));
    }

    void keyboardAnswers_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("score");
        QTest::newRow("A") << int(Qt::Key_A) << "2";
        QTest::newRow("B") << int(Qt::Key_B) << "1";
        QTest::newRow("C") << int(Qt::Key_C) << "0";
        QTest::newRow("D") << int(Qt::Key_D) << "-1";
        QTest::newRow("E") << int(Qt::Key_E) << "-2";
        QTest::newRow("1") << int(Qt::Key_1) << "2";
        QTest::newRow("5") << int(Qt::Key_5) << "-2";
    }
    void keyboardAnswers()
    {
        QFETCH(int, key);
        QFETCH(QString, score);
        TemperamentWindow w;
        w.show();
        QTest::keyClick(&w, Qt::Key(key));
        QCOMPARE(w.cell(1)->text(), score);
        QTest::keyClick(&w, Qt::Key_Return);
        QCOMPARE(w.currentItem(), 1);
        QCOMPARE(totals(w), QStringList({"0", "0", score, "0"})); // item 1 counts for 粘液质
        QCOMPARE(colours(w), sheet("RR"));
    }

    // Enter presses only the buttons that move the test on: "下一题" and
    // "提交测试", never "返回".
    void enterOnlyMovesTheTestOn_data()
    {
        QTest::addColumn<int>("passed");
        QTest::addColumn<bool>("sure"); // the answer to "提交测试"
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QString>("after"); // panels and buttons shown, Command3, current item
        QTest::addColumn<QStringList>("asked");
        QTest::newRow("answering: 下一题") << 0 << false << QStringList{} << "Frame1,Command1|提交测试|1" << QStringList{};
        QTest::newRow("reviewing: 提交测试") << 60 << false << QStringList{} << "Frame1,Command3|提交测试|60"
                                          << QStringList{"提交测试提示"};
        QTest::newRow("rules: 提交测试 greyed, nothing") << 60 << true << QStringList{"Command3"}
                                                      << "Frame3,Command3|提交测试 (greyed)|60" << QStringList{"提交测试提示"};
        QTest::newRow("explanation: never 返回") << 60 << true << QStringList{"Command3", "Command5"}
                                               << "Frame2,Command3|返回|60" << QStringList{"提交测试提示"};
    }
    void enterOnlyMovesTheTestOn()
    {
        QFETCH(int, passed);
        QFETCH(bool, sure);
        QFETCH(QStringList, clicks);
        QFETCH(QString, after);
        QFETCH(QStringList, asked);
        ScriptedAnswers answers({sure ? MessageAnswer::Yes : MessageAnswer::No});
        TemperamentWindow w;
        w.show();
        answerAndPass(w, QStringList(passed, "A"));
        for (const QString &name : std::as_const(clicks))
            button(w, name)->click();

        QTest::keyClick(&w, Qt::Key_Return);
        const QString state = shown(w, Panels + QStringList{"Command1", "Command3"}).join(',') + '|' + seen(w, "Command3") + '|'
            + QString::number(w.currentItem());
        QCOMPARE(state, after);
        QStringList titles;
        for (const MessageRequest &request : answers.asked())
            titles << request.title;
        QCOMPARE(titles, asked);
        QVERIFY(w.isVisible());
    }

    void missingBankKeepsTheWindowUsable()
    {
        QTemporaryDir empty;
        setProgramFolder(empty.path());
        const auto restore = qScopeGuard([] { useShippedBank(); });
        ScriptedAnswers answers;
        TemperamentWindow w;
        w.show();
        QCOMPARE(answers.asked().size(), 1);
        QCOMPARE(answers.asked().first().title, "题库错误");
        QVERIFY2(answers.asked().first().text.contains(bankPathIn(empty.path())), qPrintable(answers.asked().first().text));
        QCOMPARE(label(w, "Label1")->text(), "");

        answerAndPass(w, {"A"});
        QCOMPARE(totals(w), QStringList({"0", "0", "2", "0"}));
        for (int pressed = 2; pressed <= TemperamentWindow::ItemCount; ++pressed) {
            answerAndPass(w, {"A"});
            QCOMPARE(w.currentItem(), pressed);
        }
        QCOMPARE(totals(w), QStringList(4, "30"));
        QCOMPARE(colours(w), sheet("R"));
        QCOMPARE(shown(w, {"Command1", "Command5"}), QStringList{"Command1"});
        QCOMPARE(answers.asked().size(), 1);
    }
};

ZENTROVA_TEST_MAIN(TemperamentTest)
#include "tst_temperament.moc"
