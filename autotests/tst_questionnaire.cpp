// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "drive.h"
#include "framework/bankcatalog.h"
#include "framework/clock.h"
#include "framework/elapsedcounter.h"
#include "framework/numbers.h"
#include "framework/questionnaireform.h"
#include "framework/strings.h"
#include "questionnaires/testwindows.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QDialog>
#include <QHash>
#include <QLabel>
#include <QRegularExpression>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <optional>

using namespace zentrova;
using namespace zentrova::testing;

namespace {

// What an answer letter is worth in a made bank: A 1, B 2, C 3 …, full-width
// letters alike; 0 for anything else.
int letterWorth(QChar letter)
{
    return int(std::max(QStringLiteral("ABCDE").indexOf(letter), QStringLiteral("ＡＢＣＤＥ").indexOf(letter))) + 1;
}

// The fields that hold an answer's score: 分数…, and in "你聪明吗" the option fields.
bool isScoreField(const QString &window, const QString &column)
{
    return column.startsWith("分数") || (window == "frm你聪明吗" && column.startsWith("选项"));
}

// A bank holding only the window's table: items 1 … rows, each score field
// worth its letter's place (A 1, B 2, C 3 …), points for 是 and 否 worth 1
// and 2, and the closing row when asked.
QString bankSql(const QString &window, int rows, bool closingRow)
{
    return catalogueTableSql(window, rows + (closingRow ? 1 : 0), [&window](const QString &column, int n) {
        if (column == "测试题号")
            return QString::number(n);
        if (column == "选项\"是\"" || column == "选项\"否\"")
            return QStringLiteral("%1").arg(column.contains(u'是') ? 1 : 2);
        if (isScoreField(window, column))
            return QString::number(letterWorth(column.back()));
        return QStringLiteral("'%1 第%2题'").arg(column).arg(n);
    });
}

// Whether upper lies over lower: their rectangles meet on screen and upper
// comes later among the siblings that hold them.
QRect onScreen(const QWidget *widget)
{
    return {widget->mapTo(widget->window(), QPoint()), widget->size()};
}

bool liesOver(QWidget *upper, QWidget *lower)
{
    const QRect a = onScreen(upper);
    const QRect b = onScreen(lower);
    while (lower && lower->parentWidget() != upper->parentWidget())
        lower = lower->parentWidget();
    if (!lower || !a.intersects(b))
        return false;
    const QObjectList &siblings = upper->parentWidget()->children();
    return siblings.indexOf(upper) > siblings.indexOf(lower);
}

// The tally that the first option raises on the last item.
QString lastItemTally(const QString &window)
{
    static const QHash<QString, QString> Tallies = {{"frm意志力", "Label7"},
                                                    {"frm考试焦虑", "Label10"},
                                                    {"frm性格内向或外向", "Lbl总分2"},
                                                    {"frm你的管理方式", "Lbl总分3"},
                                                    {"frm你的领导类型", "Lbl总分2"}};
    return Tallies.value(window, "Lbl总分");
}

// The item-number label of each window.
QString itemNumberLabel(const QString &window)
{
    return window == "frm意志力" ? "Label6" : "Lbl题号";
}

} // namespace

class QuestionnaireTest : public QObject
{
    Q_OBJECT

    void windowRows()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("prompt");
        QTest::newRow("self-control") << "frm意志力" << QuestionnaireForm::PromptAToD;
        QTest::newRow("exam anxiety") << "frm考试焦虑" << QuestionnaireForm::PromptAToD;
        QTest::newRow("self-potential") << "frm发挥自我潜能" << QuestionnaireForm::PromptAToC;
        QTest::newRow("people-judging leader") << "frm知人善任的领导" << QuestionnaireForm::PromptYesNo;
        QTest::newRow("introversion") << "frm性格内向或外向" << QuestionnaireForm::PromptYesNo;
        QTest::newRow("decisiveness") << "frm你可断吗" << QuestionnaireForm::PromptYesNo;
        QTest::newRow("creative potential") << "frm自我创造潜力自测" << QuestionnaireForm::PromptYesNo;
        QTest::newRow("management style") << "frm你的管理方式" << QuestionnaireForm::PromptYesNo;
        QTest::newRow("leadership type") << "frm你的领导类型" << QuestionnaireForm::PromptYesNo;
        QTest::newRow("management qualities") << "frm具备管理素质" << QuestionnaireForm::PromptYesNo;
        QTest::newRow("lovable girl") << "frm惹人喜爱的女孩" << QuestionnaireForm::PromptAToC;
        QTest::newRow("love score") << "frm你的爱情分值" << QuestionnaireForm::PromptAToC;
        QTest::newRow("popularity") << "frm受欢迎的人" << QuestionnaireForm::PromptAToC;
        QTest::newRow("true friend") << "frm知心朋友测试" << QuestionnaireForm::PromptAToC;
        QTest::newRow("intelligence") << "frm你聪明吗" << QuestionnaireForm::PromptAToC;
        QTest::newRow("jealousy") << "frm女性嫉妒心理" << QuestionnaireForm::PromptAToD;
        QTest::newRow("inferiority") << "frm如何克服自卑感" << QuestionnaireForm::PromptAToC;
        QTest::newRow("creativity") << "frm富有创造力" << QuestionnaireForm::PromptAToE;
        QTest::newRow("logical thinking") << "frm逻辑思维能力测试" << QuestionnaireForm::PromptAToE;
    }

private slots:
    void init() { zentrova::testing::failOnThreadWarnings(); }
    void cleanup()
    {
        setProgramFolder({});
        setClock({});
        QVERIFY(visibleTopLevels().isEmpty());
    }

    void nextWithNothingChosenOnlyPrompts_data() { windowRows(); }
    void nextWithNothingChosenOnlyPrompts()
    {
        QFETCH(QString, window);
        QFETCH(QString, prompt);
        QVERIFY(prompt.startsWith("你需选择　＜"));
        TestBank bank(bankSql(window, itemCount(window), true));
        ScriptedAnswers answers;
        const OpenedWindow w(window);
        w.choose(1);
        w.next();
        const QString before = w.text(itemNumberLabel(window));
        QCOMPARE(before, "2");
        QList<QString> tallies;
        for (QLabel *label : w.window->findChildren<QLabel *>())
            tallies << label->text();

        w.next();
        QCOMPARE(answers.asked().size(), 1);
        QCOMPARE(answers.asked().first().text, prompt);
        QCOMPARE(answers.asked().first().title, "答题错误");
        QCOMPARE(answers.asked().first().buttons, MessageButtons::Ok);
        QCOMPARE(w.text(itemNumberLabel(window)), before);
        QList<QString> after;
        for (QLabel *label : w.window->findChildren<QLabel *>())
            after << label->text();
        QCOMPARE(after, tallies);
    }

    void wholeTestTallies_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("tally");
        QTest::addColumn<QString>("total");
        QTest::newRow("self-control, all A") << "frm意志力" << 1 << "Label7" << "8";
        QTest::newRow("self-control, all D") << "frm意志力" << 4 << "Label10" << "8";
        QTest::newRow("self-control, no B") << "frm意志力" << 4 << "Label8" << "0";
        QTest::newRow("exam anxiety, all A") << "frm考试焦虑" << 1 << "Label10" << "99";
        QTest::newRow("exam anxiety, all C") << "frm考试焦虑" << 3 << "Label10" << "33";
        QTest::newRow("exam anxiety, all D") << "frm考试焦虑" << 4 << "Label10" << "0";
        QTest::newRow("self-potential, all A") << "frm发挥自我潜能" << 1 << "Lbl总分" << "10";
        QTest::newRow("self-potential, all C") << "frm发挥自我潜能" << 3 << "Lbl总分" << "30";
        QTest::newRow("leader, all yes") << "frm知人善任的领导" << 1 << "Lbl总分" << "16";
        QTest::newRow("leader, all no") << "frm知人善任的领导" << 2 << "Lbl总分" << "0";
        QTest::newRow("introversion, odd items") << "frm性格内向或外向" << 1 << "Lbl总分1" << "10";
        QTest::newRow("introversion, even items") << "frm性格内向或外向" << 1 << "Lbl总分2" << "10";
        QTest::newRow("introversion, all no") << "frm性格内向或外向" << 2 << "Lbl总分1" << "";
        QTest::newRow("decisiveness, all yes") << "frm你可断吗" << 1 << "Lbl总分" << "11";
        QTest::newRow("decisiveness, all no") << "frm你可断吗" << 2 << "Lbl总分" << "22";
        QTest::newRow("creative potential, all yes") << "frm自我创造潜力自测" << 1 << "Lbl总分" << "23";
        QTest::newRow("creative potential, all no") << "frm自我创造潜力自测" << 2 << "Lbl总分" << "46";
        QTest::newRow("management style, all yes") << "frm你的管理方式" << 1 << "Lbl总分3" << "6";
        QTest::newRow("management style, all no") << "frm你的管理方式" << 2 << "Lbl总分1" << "0";
        QTest::newRow("leadership type, all yes") << "frm你的领导类型" << 1 << "Lbl总分1" << "6";
        QTest::newRow("management qualities, all yes") << "frm具备管理素质" << 1 << "Lbl总分" << "50";
        QTest::newRow("management qualities, all no") << "frm具备管理素质" << 2 << "Lbl总分" << "0";
        QTest::newRow("lovable girl, all A") << "frm惹人喜爱的女孩" << 1 << "Lbl总分" << "10";
        QTest::newRow("lovable girl, all C") << "frm惹人喜爱的女孩" << 3 << "Lbl总分" << "30";
        QTest::newRow("love score, all 不知道") << "frm你的爱情分值" << 2 << "Lbl总分" << "20";
        QTest::newRow("popularity, all C") << "frm受欢迎的人" << 3 << "Lbl总分" << "21";
        QTest::newRow("true friend, all B") << "frm知心朋友测试" << 2 << "Lbl总分" << "18";
        QTest::newRow("intelligence, all C from 选项C") << "frm你聪明吗" << 3 << "Lbl总分" << "45";
        QTest::newRow("jealousy, all A from 分数Ａ") << "frm女性嫉妒心理" << 1 << "Lbl总分" << "7";
        QTest::newRow("jealousy, all D from 分数Ｄ") << "frm女性嫉妒心理" << 4 << "Lbl总分" << "28";
        QTest::newRow("inferiority, all B") << "frm如何克服自卑感" << 2 << "Lbl总分" << "22";
        QTest::newRow("creativity, all 非常同意") << "frm富有创造力" << 1 << "Lbl总分" << "45";
        QTest::newRow("creativity, all 强烈反对") << "frm富有创造力" << 5 << "Lbl总分" << "225";
        QTest::newRow("logical thinking, all A") << "frm逻辑思维能力测试" << 1 << "Lbl总分" << "32";
        QTest::newRow("logical thinking, all D") << "frm逻辑思维能力测试" << 4 << "Lbl总分" << "128";
    }
    void wholeTestTallies()
    {
        QFETCH(QString, window);
        QFETCH(int, option);
        QFETCH(QString, tally);
        QFETCH(QString, total);
        const int items = itemCount(window);
        TestBank bank(bankSql(window, items, true));
        ScriptedAnswers answers;
        const OpenedWindow w(window);
        w.answerAll(option, items - 1);
        QVERIFY(w.shown("Command1"));

        // The last item is tallied and the closing row ends answering in one press.
        w.answerAll(option, 1);
        QCOMPARE(w.text(tally), total);
        QVERIFY(!w.shown("Command1"));
        QVERIFY(w.shown("Command3"));
        QVERIFY(!w.shown(itemNumberLabel(window)));
        for (int i = 1; i <= static_cast<QuestionnaireForm *>(w.window.get())->options().size(); ++i)
            QVERIFY(!w.shown(QStringLiteral("Option%1").arg(i)));
        QVERIFY(answers.asked().isEmpty());
    }

    void withoutClosingRowTheLastItemStays_data() { windowRows(); }
    void withoutClosingRowTheLastItemStays()
    {
        QFETCH(QString, window);
        const int items = itemCount(window);
        TestBank bank(bankSql(window, items, false));
        ScriptedAnswers answers;
        const OpenedWindow w(window);
        w.answerAll(1, items);
        QCOMPARE(w.text(itemNumberLabel(window)), QString::number(items));
        QVERIFY(w.shown("Command1"));

        // Each further press tallies the last item again.
        const QString tally = lastItemTally(window);
        const double before = w.text(tally).toDouble();
        w.answerAll(1, 1);
        QVERIFY(w.text(tally).toDouble() > before);
        QCOMPARE(w.text(itemNumberLabel(window)), QString::number(items));
        QVERIFY(answers.asked().isEmpty());
    }

    void endAsksFirst_data() { windowRows(); }
    void endAsksFirst()
    {
        QFETCH(QString, window);
        TestBank bank(bankSql(window, itemCount(window), true));
        ScriptedAnswers answers({MessageAnswer::No, MessageAnswer::Yes});
        const OpenedWindow w(window);
        w.answerAll(1, 2);
        const QString item = w.text(itemNumberLabel(window));

        w.button("Command2")->click();
        QVERIFY(w.window->isVisible());
        QCOMPARE(w.text(itemNumberLabel(window)), item);
        w.button("Command2")->click();
        QVERIFY(!w.window->isVisible());
        QCOMPARE(answers.asked().size(), 2);
        for (const MessageRequest &asked : answers.asked()) {
            QCOMPARE(asked.text, "你确实要结束测试吗？？？");
            QCOMPARE(asked.title, "结束测试确认");
            QCOMPARE(asked.buttons, MessageButtons::YesNo);
        }

        // Opened again, the test starts afresh.
        const OpenedWindow again(window);
        QCOMPARE(again.text(itemNumberLabel(window)), "1");
        again.window->close();
    }

    void resultView_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("hidden");
        QTest::addColumn<bool>("resultStaysEnabled");
        // Shown from the start to the result view.
        QTest::addColumn<QStringList>("stays");
        // "A>B": A lies over B; "A=B": A stands exactly in B's place.
        QTest::addColumn<QStringList>("covers");
        QTest::newRow("self-control") << "frm意志力"
                                      << QStringList{"Frame2", "Label7", "Label8", "Label9", "Label10", "Label12_0", "Label12_3", "Command2", "Label11"}
                                      << QStringList{"Frame1", "Command1", "Option1"} << false << QStringList{} << QStringList{};
        QTest::newRow("exam anxiety") << "frm考试焦虑" << QStringList{"Frame5", "Frame6", "Text1", "Frame3"} << QStringList{"Frame1", "Frame4", "Frame2"}
                                      << false << QStringList{} << QStringList{};
        QTest::newRow("self-potential") << "frm发挥自我潜能" << QStringList{"Frame4", "Frame5", "Frame3"} << QStringList{"Frame1", "Frame2"} << false
                                        << QStringList{} << QStringList{};
        QTest::newRow("people-judging leader") << "frm知人善任的领导" << QStringList{"Frame4", "Frame5", "Frame3"} << QStringList{"Frame1", "Frame2"}
                                               << true << QStringList{} << QStringList{};
        QTest::newRow("lovable girl") << "frm惹人喜爱的女孩" << QStringList{"Frame4", "Lbl总分", "Frame5", "Text1", "Text3", "Frame3"}
                                      << QStringList{"Frame2", "Lbl题号"} << false << QStringList{"Frame1", "Label1", "Label8", "Label9", "Label11"}
                                      << QStringList{"Frame5>Frame1", "Frame5>Option3", "Frame3=Frame2"};
        QTest::newRow("love score") << "frm你的爱情分值" << QStringList{"Frame4", "Lbl总分", "Frame5", "Label9", "Label12", "Frame3"}
                                    << QStringList{"Frame2", "Lbl题号"} << false << QStringList{"Frame1", "Label1", "Label2", "Label3", "Label4"}
                                    << QStringList{"Frame5>Frame1", "Frame5>Option2", "Frame3=Frame2"};
        QTest::newRow("popularity, a bare total") << "frm受欢迎的人" << QStringList{"Frame4", "Label11", "Lbl总分", "Frame3"}
                                                  << QStringList{"Frame2", "Lbl题号"} << false
                                                  << QStringList{"Frame1", "Label1", "Label2", "Label9", "Label10"} << QStringList{"Frame3=Frame2"};
        QTest::newRow("true friend") << "frm知心朋友测试" << QStringList{"Frame4", "Lbl总分", "Frame5", "Label12", "Label14", "Frame3"}
                                     << QStringList{"Frame2", "Lbl题号"} << false << QStringList{"Frame1", "Label1", "Label2", "Label9", "Label10"}
                                     << QStringList{"Frame5>Label3", "Frame5>Label5", "Frame3=Frame2"};
        QTest::newRow("intelligence") << "frm你聪明吗" << QStringList{"Frame5", "Lbl总分", "Label10", "Frame3"}
                                      << QStringList{"Frame2", "Lbl题号", "Label2", "Label3", "Label4"} << false
                                      << QStringList{"Frame1", "Lbl题目", "Frame4", "Label5", "Label7", "Label9", "Label6", "Label8"}
                                      << QStringList{"Label10>Lbl题目", "Frame5>Option1", "Frame3=Frame2"};
        QTest::newRow("jealousy, twice the same") << "frm女性嫉妒心理"
                                                  << QStringList{"Frame4", "Lbl总分", "Frame5", "Label14", "Frame6", "Text1", "Text4", "Frame3"}
                                                  << QStringList{"Frame1", "Frame2", "Lbl题号"} << true << QStringList{"Label6", "Label7", "Label9"}
                                                  << QStringList{"Frame6=Frame1", "Frame5>Option1", "Frame5>Option4", "Frame3=Frame2"};
        QTest::newRow("inferiority") << "frm如何克服自卑感" << QStringList{"Frame4", "Lbl总分", "Frame5", "Label8", "Label12", "Text4", "Line12", "Frame3"}
                                     << QStringList{"Frame1", "Frame2", "Lbl题号"} << false << QStringList{"Label6", "Label7", "Label9"}
                                     << QStringList{"Frame5=Frame1", "Frame3=Frame2"};
        QTest::newRow("introversion, counts never shown") << "frm性格内向或外向" << QStringList{"Frame4", "Lbl测试结果", "Frame3"}
                                                          << QStringList{"Frame2", "Lbl总分1", "Lbl总分2"} << false << QStringList{"Frame1"} << QStringList{"Frame4|Frame1"};
        QTest::newRow("decisiveness") << "frm你可断吗" << QStringList{"Frame4", "Frame5", "Text1", "Text2", "Text3", "Text4", "Frame3"}
                                      << QStringList{"Frame1", "Frame2", "Label4", "Label6"} << false << QStringList{} << QStringList{};
        QTest::newRow("creative potential") << "frm自我创造潜力自测" << QStringList{"Frame5", "Frame6", "Frame3"}
                                            << QStringList{"Frame4", "Frame2", "Lbl分数1", "Lbl分数2", "Lbl人数"} << false << QStringList{"Frame1"}
                                            << QStringList{"Frame5|Frame1", "Frame6|Frame1"};
        QTest::newRow("management style") << "frm你的管理方式" << QStringList{"Frame4", "Lbl评价", "Frame5", "Frame3"}
                                          << QStringList{"Frame2", "Lbl总分1", "Lbl总分2", "Lbl总分3"} << false << QStringList{"Frame1"}
                                          << QStringList{"Frame4>Frame1", "Frame5|Frame1"};
        QTest::newRow("leadership type") << "frm你的领导类型" << QStringList{"Frame5", "Lbl评价", "Frame4", "Frame3"}
                                         << QStringList{"Frame2", "Lbl总分1", "Lbl总分2", "Lbl总分3"} << false << QStringList{"Frame1"}
                                         << QStringList{"Frame5>Label1", "Frame4|Frame1"};
        QTest::newRow("management qualities") << "frm具备管理素质" << QStringList{"Frame4", "Frame5", "Frame3"} << QStringList{"Frame2"} << true
                                              << QStringList{"Frame1"} << QStringList{"Frame5>Frame1"};
        QTest::newRow("creativity") << "frm富有创造力" << QStringList{"Frame4", "Frame5", "Frame3"} << QStringList{"Frame2"} << false << QStringList{} << QStringList{};
        QTest::newRow("logical thinking") << "frm逻辑思维能力测试" << QStringList{"Frame5", "Frame3"} << QStringList{"Frame1", "Frame2"} << false << QStringList{} << QStringList{};
    }
    void resultView()
    {
        QFETCH(QString, window);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, hidden);
        QFETCH(bool, resultStaysEnabled);
        QFETCH(QStringList, stays);
        QFETCH(QStringList, covers);
        useShippedBank();
        ScriptedAnswers answers;
        const OpenedWindow w(window);
        auto resultStillHidden = [&](const char *when, const QStringList &alsoHidden) {
            for (const QString &name : shown + alsoHidden) {
                if (name != "Command2" && name != "Label11" && name != "Frame3")
                    QVERIFY2(!w.shown(name), qPrintable(name + " hidden " + when));
            }
            for (const QString &name : stays)
                QVERIFY2(w.shown(name), qPrintable(name + " shown " + when));
        };
        resultStillHidden("while answering", {"Command3"});
        w.answerAll(1, itemCount(window));
        resultStillHidden("once finished", {});

        const int presses = resultStaysEnabled ? 2 : 1;
        for (int press = 1; press <= presses; ++press) {
            w.button("Command3")->click();
            for (const QString &name : shown + stays)
                QVERIFY2(w.shown(name), qPrintable(QStringLiteral("%1 after press %2").arg(name).arg(press)));
            for (const QString &name : hidden)
                QVERIFY2(!w.shown(name), qPrintable(QStringLiteral("%1 after press %2").arg(name).arg(press)));
            QCOMPARE(w.button("Command3")->isEnabled(), resultStaysEnabled);
        }
        // "A>B": A lies over B; "A=B": in the same place; "A|B": beside it.
        for (const QString &cover : covers) {
            const QStringList pair = cover.split(QRegularExpression("[>=|]"));
            QWidget *upper = w.child(pair.at(0));
            QWidget *lower = w.child(pair.at(1));
            if (cover.contains('='))
                QCOMPARE(upper->geometry(), lower->geometry());
            else if (cover.contains('|'))
                QVERIFY2(!onScreen(upper).intersects(onScreen(lower)), qPrintable(cover));
            else
                QVERIFY2(liesOver(upper, lower), qPrintable(cover));
        }
        QVERIFY(answers.asked().isEmpty());
    }

    void closeFromTheResult_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("close");
        QTest::addColumn<bool>("asks");
        QTest::newRow("self-control keeps 结束测试") << "frm意志力" << "Command2" << true;
        QTest::newRow("exam anxiety") << "frm考试焦虑" << "Command4" << false;
        QTest::newRow("self-potential") << "frm发挥自我潜能" << "Command4" << false;
        QTest::newRow("people-judging leader") << "frm知人善任的领导" << "Command4" << true;
        QTest::newRow("introversion") << "frm性格内向或外向" << "Command4" << true;
        QTest::newRow("decisiveness") << "frm你可断吗" << "Command4" << true;
        QTest::newRow("creative potential") << "frm自我创造潜力自测" << "Command4" << true;
        QTest::newRow("management style") << "frm你的管理方式" << "Command4" << false;
        QTest::newRow("leadership type") << "frm你的领导类型" << "Command4" << false;
        QTest::newRow("management qualities") << "frm具备管理素质" << "Command4" << true;
        QTest::newRow("lovable girl") << "frm惹人喜爱的女孩" << "Command4" << false;
        QTest::newRow("love score") << "frm你的爱情分值" << "Command4" << false;
        QTest::newRow("popularity") << "frm受欢迎的人" << "Command4" << false;
        QTest::newRow("true friend") << "frm知心朋友测试" << "Command4" << false;
        QTest::newRow("intelligence") << "frm你聪明吗" << "Command4" << false;
        QTest::newRow("jealousy") << "frm女性嫉妒心理" << "Command4" << false;
        QTest::newRow("inferiority, 测试结束 asks") << "frm如何克服自卑感" << "Command4" << true;
        QTest::newRow("creativity") << "frm富有创造力" << "Command4" << false;
        QTest::newRow("logical thinking asks again") << "frm逻辑思维能力测试" << "Command4" << true;
    }
    void closeFromTheResult()
    {
        QFETCH(QString, window);
        QFETCH(QString, close);
        QFETCH(bool, asks);
        TestBank bank(bankSql(window, itemCount(window), true));
        ScriptedAnswers answers({MessageAnswer::Yes});
        const OpenedWindow w(window);
        w.answerAll(1, itemCount(window));
        w.button("Command3")->click();
        QVERIFY(w.shown(close));
        w.button(close)->click();
        QVERIFY(!w.window->isVisible());
        QCOMPARE(answers.asked().size(), asks ? 1 : 0);
    }

    // The self-control paragraphs stand in narrow boxes: those of A to C are
    // broken by hand into lines that each fit the box, D's wraps by itself.
    void selfControlTextsFitTheirBoxes()
    {
        useShippedBank();
        ScriptedAnswers answers;
        const OpenedWindow w("frm意志力");
        w.answerAll(1, itemCount("frm意志力"));
        w.button("Command3")->click();
        for (const QString &name : QStringList{"Text1", "Text2", "Text3", "Text4"}) {
            auto *box = w.child<QTextEdit>(name);
            QTextDocument *text = box->document();
            QVERIFY2(text->size().width() <= box->viewport()->width(), qPrintable(name));
            if (name == "Text4") {
                QCOMPARE(text->blockCount(), 1);
                QVERIFY(text->firstBlock().layout()->lineCount() > 1);
                continue;
            }
            QVERIFY(text->blockCount() > 1);
            for (QTextBlock line = text->firstBlock(); line.isValid(); line = line.next())
                QVERIFY2(line.layout()->lineCount() == 1, qPrintable(name + ": " + line.text()));
        }
    }

    // In the tests that score on the click only the standing answer counts.
    // Answered with changes of mind on every item (and statement), a window
    // shows at every step the tallies of one answered straight, and ends at
    // the same result.
    void standingAnswerCounts_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QStringList>("tallies");
        QTest::addColumn<QString>("result");
        QTest::newRow("introversion") << "frm性格内向或外向" << QStringList{"Lbl总分1", "Lbl总分2"} << "Lbl测试结果";
        QTest::newRow("self-potential") << "frm发挥自我潜能" << QStringList{"Lbl总分"} << "Lbl总分";
        QTest::newRow("logic self-test") << "frm逻辑思考能力测试" << QStringList{"Lbl总分"} << "Lbl总分";
        QTest::newRow("management style") << "frm你的管理方式" << QStringList{"Lbl总分1", "Lbl总分2", "Lbl总分3"} << "Lbl评价";
        QTest::newRow("leadership type") << "frm你的领导类型" << QStringList{"Lbl总分1", "Lbl总分2", "Lbl总分3"} << "Lbl评价";
    }
    void standingAnswerCounts()
    {
        QFETCH(QString, window);
        QFETCH(QStringList, tallies);
        QFETCH(QString, result);
        useShippedBank();
        ScriptedAnswers answers;
        const OpenedWindow straight(window);
        const OpenedWindow changing(window);
        // As numbers: a count taken back to nothing reads "0" where it was empty.
        auto counts = [&tallies](const OpenedWindow &w) {
            QList<double> numbers;
            for (const QString &text : w.texts(tallies))
                numbers << lenientNumber(text);
            return numbers;
        };
        for (int item = 0; changing.shown("Command1") && item <= itemCount(window); ++item) {
            const QList<QList<QAbstractButton *>> once = optionGroups(straight.window.get());
            const QList<QList<QAbstractButton *>> changed = optionGroups(changing.window.get());
            QCOMPARE(changed.size(), once.size());
            for (qsizetype group = 0; group < once.size(); ++group) {
                // The answer that stands varies with the item and the statement.
                const qsizetype standing = (item + group) % once[group].size();
                const qsizetype other = (standing + 1) % once[group].size();
                once[group][standing]->click();
                changed[group][other]->click();
                const QList<double> withOther = counts(changing);
                changed[group][standing]->click(); // the other's points are taken back at once
                QCOMPARE(counts(changing), counts(straight));
                changed[group][other]->click(); // and back again
                QCOMPARE(counts(changing), withOther);
                changed[group][standing]->click();
                changed[group][standing]->click(); // the chosen answer again adds nothing
                QCOMPARE(counts(changing), counts(straight));
            }
            // Leaving the item fixes its answer: "下一题" takes nothing back.
            const QList<double> answered = counts(changing);
            straight.next();
            changing.next();
            QCOMPARE(counts(changing), answered);
        }
        QVERIFY(!changing.shown("Command1"));

        straight.click("Command3");
        changing.click("Command3");
        QVERIFY(!changing.text(result).isEmpty());
        QCOMPARE(changing.text(result), straight.text(result));
        QCOMPARE(counts(changing), counts(straight));
        QVERIFY(answers.asked().isEmpty());
    }

    void minutes_data()
    {
        QTest::addColumn<float>("seconds");
        QTest::addColumn<int>("minutes");
        QTest::newRow("0 s") << 0.f << 0;
        QTest::newRow("59 s") << 59.f << 0;
        QTest::newRow("599 s rounds down") << 599.f << 9;
        QTest::newRow("600 s") << 600.f << 10;
        QTest::newRow("630 s, a half to even") << 630.f << 10;
        QTest::newRow("631 s") << 631.f << 11;
        QTest::newRow("690 s, a half to even") << 690.f << 12;
    }
    void minutes()
    {
        QFETCH(float, seconds);
        QFETCH(int, minutes);
        QCOMPARE(ElapsedCounter::minutesFor(seconds), minutes);
    }

    void counterTicks_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("later");
        QTest::addColumn<QString>("caption");
        QTest::newRow("ten and a half minutes") << "frm知人善任的领导" << 3600.0 << 4230.0 << "测试共用10分钟";
        QTest::newRow("from the afternoon") << "frm知人善任的领导" << 50000.25 << 50690.25 << "测试共用12分钟";
        QTest::newRow("across midnight") << "frm知人善任的领导" << 86390.0 << 200.0 << "测试共用3分钟";
        QTest::newRow("creative potential") << "frm自我创造潜力自测" << 3600.0 << 4231.0 << "测试共用11分钟";
    }
    void counterTicks()
    {
        QFETCH(QString, window);
        QFETCH(double, start);
        QFETCH(double, later);
        QFETCH(QString, caption);
        useShippedBank();
        double now = start;
        setClock([&] { return now; });
        const OpenedWindow w(window);
        auto *timer = w.window->findChild<QTimer *>("Tmrcount");
        QVERIFY(timer && timer->isActive());
        QCOMPARE(timer->interval(), 1000);
        QCOMPARE(w.text("Lbl时间"), QString()); // empty until the first tick

        QMetaObject::invokeMethod(timer, "timeout");
        QCOMPARE(w.text("Lbl时间"), "测试共用0分钟");
        now = later;
        QMetaObject::invokeMethod(timer, "timeout");
        QCOMPARE(w.text("Lbl时间"), caption);

        // Reopened, the count starts again from 0.
        w.window->close();
        const OpenedWindow again(window);
        QMetaObject::invokeMethod(again.window->findChild<QTimer *>("Tmrcount"), "timeout");
        QCOMPARE(again.text("Lbl时间"), "测试共用0分钟");
        again.window->close();
    }

    void keyboardAnswers_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("option");
        QTest::newRow("letter B") << "frm意志力" << int(Qt::Key_B) << 2;
        QTest::newRow("digit 4") << "frm考试焦虑" << int(Qt::Key_4) << 4;
        QTest::newRow("letter c") << "frm发挥自我潜能" << int(Qt::Key_C) << 3;
        QTest::newRow("digit 2 is 否") << "frm知人善任的领导" << int(Qt::Key_2) << 2;
        QTest::newRow("no third answer") << "frm知人善任的领导" << int(Qt::Key_3) << 0;
        QTest::newRow("no letters on 是/否") << "frm知人善任的领导" << int(Qt::Key_A) << 0;
        QTest::newRow("introversion, digit 1 is 是") << "frm性格内向或外向" << int(Qt::Key_1) << 1;
        QTest::newRow("decisiveness, digit 2 is 否") << "frm你可断吗" << int(Qt::Key_2) << 2;
        QTest::newRow("creative potential, digit 1 is 是") << "frm自我创造潜力自测" << int(Qt::Key_1) << 1;
        QTest::newRow("management style, digit 2 is 否") << "frm你的管理方式" << int(Qt::Key_2) << 2;
        QTest::newRow("leadership type, digit 1 is 是") << "frm你的领导类型" << int(Qt::Key_1) << 1;
        QTest::newRow("management qualities, digit 1 is 是") << "frm具备管理素质" << int(Qt::Key_1) << 1;
        QTest::newRow("lovable girl, digit 3") << "frm惹人喜爱的女孩" << int(Qt::Key_3) << 3;
        QTest::newRow("love score, digit 2 is 不知道") << "frm你的爱情分值" << int(Qt::Key_2) << 2;
        QTest::newRow("love score, no letters") << "frm你的爱情分值" << int(Qt::Key_B) << 0;
        QTest::newRow("popularity, digit 1") << "frm受欢迎的人" << int(Qt::Key_1) << 1;
        QTest::newRow("popularity, no fourth answer") << "frm受欢迎的人" << int(Qt::Key_4) << 0;
        QTest::newRow("true friend, letter b") << "frm知心朋友测试" << int(Qt::Key_B) << 2;
        QTest::newRow("intelligence, digit 3") << "frm你聪明吗" << int(Qt::Key_3) << 3;
        QTest::newRow("jealousy, digit 4") << "frm女性嫉妒心理" << int(Qt::Key_4) << 4;
        QTest::newRow("jealousy, letter D") << "frm女性嫉妒心理" << int(Qt::Key_D) << 4;
        QTest::newRow("inferiority, digit 2") << "frm如何克服自卑感" << int(Qt::Key_2) << 2;
        QTest::newRow("digit 5 is 强烈反对") << "frm富有创造力" << int(Qt::Key_5) << 5;
        QTest::newRow("letter E") << "frm逻辑思维能力测试" << int(Qt::Key_E) << 5;
    }
    void keyboardAnswers()
    {
        QFETCH(QString, window);
        QFETCH(int, key);
        QFETCH(int, option);
        TestBank bank(bankSql(window, itemCount(window), true));
        ScriptedAnswers answers;
        const OpenedWindow w(window);
        QTest::keyClick(w.window.get(), Qt::Key(key));
        QCOMPARE(w.chosen(), option);

        QTest::keyClick(w.window.get(), Qt::Key_Return);
        QCOMPARE(w.text(itemNumberLabel(window)), option ? "2" : "1");
        QCOMPARE(answers.asked().size(), option ? 0 : 1); // Enter with nothing chosen prompts like the button
    }

    // Scores are read the lenient way: a decimal adds as it is, an empty
    // field adds 0 and the total still becomes a number.
    void scoreFieldsAddLeniently_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value"); // SQL literal for item 1
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("afterOne");
        QTest::addColumn<QString>("afterTwo");
        QTest::newRow("popularity, 2.5") << "frm受欢迎的人" << "分数B" << "2.5" << 2 << "2.5" << "4.5";
        QTest::newRow("true friend, 2.5") << "frm知心朋友测试" << "分数C" << "'2.5'" << 3 << "2.5" << "5.5";
        QTest::newRow("jealousy, 2.5 in 分数Ｃ") << "frm女性嫉妒心理" << "分数Ｃ" << "2.5" << 3 << "2.5" << "5.5";
        QTest::newRow("intelligence, 2.5 in 选项A") << "frm你聪明吗" << "选项A" << "2.5" << 1 << "2.5" << "3.5";
        QTest::newRow("lovable girl, empty") << "frm惹人喜爱的女孩" << "分数A" << "NULL" << 1 << "0" << "1";
        QTest::newRow("love score, empty text") << "frm你的爱情分值" << "分数C" << "''" << 3 << "0" << "3";
        QTest::newRow("jealousy, empty 分数Ｄ") << "frm女性嫉妒心理" << "分数Ｄ" << "NULL" << 4 << "0" << "4";
        QTest::newRow("inferiority, leading number") << "frm如何克服自卑感" << "分数B" << "'4分'" << 2 << "4" << "6";
    }
    void scoreFieldsAddLeniently()
    {
        QFETCH(QString, window);
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(int, option);
        QFETCH(QString, afterOne);
        QFETCH(QString, afterTwo);
        const QString table = toQString(bankTableForWindow(window.toStdString())->table);
        TestBank bank(bankSql(window, itemCount(window), true)
                      + QStringLiteral("UPDATE %1 SET %2 = %3 WHERE \"测试题号\" = 1;").arg(quotedIdentifier(table), quotedIdentifier(field), value));
        ScriptedAnswers answers;
        const OpenedWindow w(window);
        QCOMPARE(w.text("Lbl总分"), QString());
        w.answerAll(option, 1);
        QCOMPARE(w.text("Lbl总分"), afterOne);
        w.answerAll(option, 1);
        QCOMPARE(w.text("Lbl总分"), afterTwo);
        QVERIFY(answers.asked().isEmpty());
    }

    // Each text control shows its own field of the current item, the
    // full-width lettered ones included.
    void textsFollowTheItem_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("field");
        QTest::newRow("lovable girl, item") << "frm惹人喜爱的女孩" << "Label1" << "测试题目";
        QTest::newRow("lovable girl, answer C") << "frm惹人喜爱的女孩" << "Label4" << "选项C";
        QTest::newRow("love score, statement") << "frm你的爱情分值" << "Label1" << "测试题目";
        QTest::newRow("popularity, answer A") << "frm受欢迎的人" << "Label3" << "选项A";
        QTest::newRow("true friend, item") << "frm知心朋友测试" << "Label2" << "测试题目";
        QTest::newRow("true friend, answer C") << "frm知心朋友测试" << "Label5" << "选项C";
        QTest::newRow("intelligence, statement") << "frm你聪明吗" << "Lbl题目" << "测试题目";
        QTest::newRow("jealousy, answer Ａ") << "frm女性嫉妒心理" << "Label2" << "选项Ａ";
        QTest::newRow("jealousy, answer Ｄ") << "frm女性嫉妒心理" << "Label5" << "选项Ｄ";
        QTest::newRow("inferiority, answer B") << "frm如何克服自卑感" << "Label3" << "选项B";
    }
    void textsFollowTheItem()
    {
        QFETCH(QString, window);
        QFETCH(QString, label);
        QFETCH(QString, field);
        TestBank bank(bankSql(window, itemCount(window), true));
        ScriptedAnswers answers;
        const OpenedWindow w(window);
        QVERIFY(w.shown(label));
        QCOMPARE(w.text(label), field + " 第1题");
        w.answerAll(1, 1);
        QCOMPARE(w.text(label), field + " 第2题");
    }

    // The scores of the current item never show, whatever the state; in
    // "你聪明吗" they are the option fields, and the answer key stands instead.
    void scoresStayHidden_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QStringList>("scores");
        QTest::newRow("lovable girl") << "frm惹人喜爱的女孩" << QStringList{"Label5", "Label6", "Label7"};
        QTest::newRow("love score") << "frm你的爱情分值" << QStringList{"Label5", "Label6", "Label7"};
        QTest::newRow("popularity") << "frm受欢迎的人" << QStringList{"Label6", "Label7", "Label8"};
        QTest::newRow("true friend") << "frm知心朋友测试" << QStringList{"Label6", "Label7", "Label8"};
        QTest::newRow("intelligence") << "frm你聪明吗" << QStringList{"Label2", "Label3", "Label4"};
        QTest::newRow("jealousy") << "frm女性嫉妒心理" << QStringList{"Label8", "Label10", "Label11", "Label12"};
        QTest::newRow("inferiority") << "frm如何克服自卑感" << QStringList{"Lbl分数1", "Lbl分数2", "Lbl分数3"};
    }
    void scoresStayHidden()
    {
        QFETCH(QString, window);
        QFETCH(QStringList, scores);
        // Scores no other text holds: 7771, 7772 …
        const BankTable *table = bankTableForWindow(window.toStdString());
        QString sql = bankSql(window, itemCount(window), true);
        for (const FieldBinding &binding : table->bindings) {
            if (scores.contains(toQString(binding.control)))
                sql += QStringLiteral("UPDATE %1 SET %2 = %3;\n")
                           .arg(quotedIdentifier(toQString(table->table)), quotedIdentifier(toQString(binding.field)))
                           .arg(7771 + scores.indexOf(toQString(binding.control)));
        }
        TestBank bank(sql);
        ScriptedAnswers answers;
        const OpenedWindow w(window);
        auto check = [&](const char *when) {
            for (const QString &score : scores)
                QVERIFY2(!w.shown(score), qPrintable(score + " shown " + when));
            for (QLabel *label : w.window->findChildren<QLabel *>()) {
                if (label->isVisibleTo(w.window.get()) && label->objectName() != "Lbl总分")
                    QVERIFY2(!label->text().contains("777"), qPrintable(label->objectName() + " shows a score " + when));
            }
        };
        QCOMPARE(w.text(scores.last()), QString::number(7770 + scores.size())); // bound, though hidden
        check("while answering");
        w.answerAll(1, itemCount(window) - 1);
        w.answerAll(1, 1);
        check("once finished");
        w.button("Command3")->click();
        check("with the result");
    }

    // Enter answers "下一题", then shows the result, and never leaves the test.
    void enterMovesOnButNeverLeaves_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("resultFrame");
        QTest::newRow("self-control") << "frm意志力" << "Frame2";
        QTest::newRow("exam anxiety") << "frm考试焦虑" << "Frame6";
        QTest::newRow("self-potential") << "frm发挥自我潜能" << "Frame4";
        QTest::newRow("people-judging leader") << "frm知人善任的领导" << "Frame4";
        QTest::newRow("introversion") << "frm性格内向或外向" << "Frame4";
        QTest::newRow("decisiveness") << "frm你可断吗" << "Frame5";
        QTest::newRow("creative potential") << "frm自我创造潜力自测" << "Frame6";
        QTest::newRow("management style") << "frm你的管理方式" << "Frame4";
        QTest::newRow("leadership type") << "frm你的领导类型" << "Frame4";
        QTest::newRow("management qualities") << "frm具备管理素质" << "Frame5";
    }
    void enterMovesOnButNeverLeaves()
    {
        QFETCH(QString, window);
        QFETCH(QString, resultFrame);
        useShippedBank();
        ScriptedAnswers answers;
        const OpenedWindow w(window);
        for (int i = 0; i < itemCount(window); ++i) {
            QTest::keyClick(w.window.get(), Qt::Key_1);
            QTest::keyClick(w.window.get(), Qt::Key_Enter, Qt::KeypadModifier);
        }
        QVERIFY(!w.shown("Command1"));
        QVERIFY(!w.shown(resultFrame));
        QTest::keyClick(w.window.get(), Qt::Key_Return);
        QVERIFY(w.shown(resultFrame));

        // With the result on show, Enter and a stray Escape end nothing.
        QTest::keyClick(w.window.get(), Qt::Key_Return);
        QTest::keyClick(w.window.get(), Qt::Key_Escape);
        QVERIFY(w.window->isVisible());
        QVERIFY(w.shown(resultFrame));
        QVERIFY(answers.asked().isEmpty());
    }

    // The rule every window inherits: Enter presses "下一题" (Command1), else
    // the result button (Command3), but never a button that goes back or out.
    void enterNeverPressesAWayOut_data()
    {
        QTest::addColumn<QString>("next"); // Command1's caption, empty when hidden
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("pressed");
        QTest::newRow("下一题 first") << "下一题" << "测试结果" << "Command1";
        QTest::newRow("the result once finished") << "" << "测试结果" << "Command3";
        QTest::newRow("下一题 beside 返回") << "下一题" << "返回" << "Command1";
        QTest::newRow("never 返回") << "" << "返回" << "";
        QTest::newRow("never 结束") << "" << "结束" << "";
        QTest::newRow("never 测试结束") << "" << "测试结束" << "";
    }
    void enterNeverPressesAWayOut()
    {
        QFETCH(QString, next);
        QFETCH(QString, result);
        QFETCH(QString, pressed);
        TestWindow window;
        QStringList clicked;
        for (const auto &[name, caption] : {std::pair{QStringLiteral("Command1"), next}, std::pair{QStringLiteral("Command3"), result}}) {
            auto *button = new QPushButton(caption, &window);
            button->setObjectName(name);
            button->setVisible(!caption.isEmpty());
            connect(button, &QAbstractButton::clicked, &window, [&clicked, name] { clicked << name; });
        }
        window.show();
        QTest::keyClick(&window, Qt::Key_Return);
        QCOMPARE(clicked, pressed.isEmpty() ? QStringList{} : QStringList{pressed});
        QVERIFY(window.isVisible());
        window.close();
    }

    void badBankIsToldOnceAndNextEndsQuietly()
    {
        QTemporaryDir empty;
        setProgramFolder(empty.path());
        ScriptedAnswers answers;
        const OpenedWindow w("frm意志力");
        QCOMPARE(answers.asked().size(), 1);
        QVERIFY(answers.asked().first().text.contains(empty.path()));
        QCOMPARE(w.text("Label1"), QString());

        // The answer is still counted; the move that cannot happen ends the press.
        w.choose(1);
        w.next();
        QCOMPARE(w.text("Label7"), "1");
        QVERIFY(w.shown("Command1"));
        QCOMPARE(answers.asked().size(), 1);
        QVERIFY(!QFileInfo::exists(bankPathIn(empty.path())));
    }
};

ZENTROVA_TEST_MAIN(QuestionnaireTest)
#include "tst_questionnaire.moc"
