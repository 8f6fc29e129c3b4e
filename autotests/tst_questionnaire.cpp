#include "framework/bankcatalog.h"
#include "framework/clock.h"
#include "framework/elapsedcounter.h"
#include "framework/questionnaireform.h"
#include "framework/strings.h"
#include "questionnaires/testwindows.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace zentrova;
using namespace zentrova::testing;

namespace {

// A bank holding only the window's table: items 1 … rows, each score field
// worth its letter's place (A 1, B 2, C 3 …), and the closing row when asked.
QString bankSql(const QString &window, int rows, bool closingRow)
{
    const BankTable *table = bankTableForWindow(window.toStdString());
    QStringList columns, quoted;
    for (std::string_view field : table->fields()) {
        columns << toQString(field);
        quoted << quotedIdentifier(toQString(field));
    }
    // One transaction: a long table is quick to write.
    QString sql = QStringLiteral("BEGIN;\nCREATE TABLE %1 (%2);\n").arg(quotedIdentifier(toQString(table->table)), quoted.join(", "));
    for (int n = 1; n <= rows + (closingRow ? 1 : 0); ++n) {
        QStringList values;
        for (const QString &column : columns) {
            if (column == "测试题号")
                values << QString::number(n);
            else if (column.startsWith("分数"))
                values << QString::number(column.back().unicode() - u'A' + 1);
            else
                values << QStringLiteral("'%1 第%2题'").arg(column).arg(n);
        }
        sql += QStringLiteral("INSERT INTO %1 VALUES (%2);\n").arg(quotedIdentifier(toQString(table->table)), values.join(", "));
    }
    return sql + QStringLiteral("COMMIT;\n");
}

int itemCount(const QString &window)
{
    return bankTableForWindow(window.toStdString())->itemCount;
}

struct Opened {
    std::unique_ptr<QDialog> window;

    template<typename T = QWidget>
    T *child(const QString &name) const
    {
        T *found = window->findChild<T *>(name);
        if (!found)
            qWarning("no control %s", qPrintable(name));
        return found;
    }
    QAbstractButton *button(const QString &name) const { return child<QAbstractButton>(name); }
    QString text(const QString &label) const { return child<QLabel>(label)->text(); }
    bool shown(const QString &name) const { return child(name)->isVisibleTo(window.get()); }

    // 1-based number of the chosen option, 0 for none.
    int chosen() const
    {
        const QList<QAbstractButton *> &options = static_cast<QuestionnaireForm *>(window.get())->options();
        for (int i = 0; i < options.size(); ++i) {
            if (options.at(i)->isChecked())
                return i + 1;
        }
        return 0;
    }
    void choose(int option) const { button(QStringLiteral("Option%1").arg(option))->click(); }
    void next() const { button("Command1")->click(); }
    void answerAll(int option, int items) const
    {
        for (int i = 0; i < items; ++i) {
            choose(option);
            next();
        }
    }
};

Opened open(const QString &name)
{
    Opened opened{std::unique_ptr<QDialog>(createTestWindow(name.toStdString(), nullptr))};
    opened.window->show();
    return opened;
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
        QTest::newRow("creativity") << "frm富有创造力" << QuestionnaireForm::PromptAToE;
        QTest::newRow("logical thinking") << "frm逻辑思维能力测试" << QuestionnaireForm::PromptAToE;
    }

private slots:
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
        const Opened w = open(window);
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
        const Opened w = open(window);
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
        const Opened w = open(window);
        w.answerAll(1, items);
        QCOMPARE(w.text(itemNumberLabel(window)), QString::number(items));
        QVERIFY(w.shown("Command1"));

        // Each further press tallies the last item again.
        const QString tally = window == "frm意志力" ? "Label7" : window == "frm考试焦虑" ? "Label10" : "Lbl总分";
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
        const Opened w = open(window);
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
        const Opened again = open(window);
        QCOMPARE(again.text(itemNumberLabel(window)), "1");
        again.window->close();
    }

    void resultView_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("hidden");
        QTest::addColumn<bool>("resultStaysEnabled");
        QTest::newRow("self-control") << "frm意志力"
                                      << QStringList{"Frame2", "Label7", "Label8", "Label9", "Label10", "Label12_0", "Label12_3", "Command2", "Label11"}
                                      << QStringList{"Frame1", "Command1", "Option1"} << false;
        QTest::newRow("exam anxiety") << "frm考试焦虑" << QStringList{"Frame5", "Frame6", "Text1", "Frame3"} << QStringList{"Frame1", "Frame4", "Frame2"}
                                      << false;
        QTest::newRow("self-potential") << "frm发挥自我潜能" << QStringList{"Frame4", "Frame5", "Frame3"} << QStringList{"Frame1", "Frame2"} << false;
        QTest::newRow("people-judging leader") << "frm知人善任的领导" << QStringList{"Frame4", "Frame5", "Frame3"} << QStringList{"Frame1", "Frame2"}
                                               << true;
        QTest::newRow("creativity") << "frm富有创造力" << QStringList{"Frame4", "Frame5", "Frame3"} << QStringList{"Frame2"} << false;
        QTest::newRow("logical thinking") << "frm逻辑思维能力测试" << QStringList{"Frame5", "Frame3"} << QStringList{"Frame1", "Frame2"} << false;
    }
    void resultView()
    {
        QFETCH(QString, window);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, hidden);
        QFETCH(bool, resultStaysEnabled);
        TestBank bank(bankSql(window, itemCount(window), true));
        ScriptedAnswers answers;
        const Opened w = open(window);
        for (const QString &name : shown + QStringList{"Command3"}) {
            if (name != "Command2" && name != "Label11" && name != "Frame3")
                QVERIFY2(!w.shown(name), qPrintable(name + " hidden before the result"));
        }
        w.answerAll(1, itemCount(window));
        w.button("Command3")->click();
        for (const QString &name : shown)
            QVERIFY2(w.shown(name), qPrintable(name));
        for (const QString &name : hidden)
            QVERIFY2(!w.shown(name), qPrintable(name));
        QCOMPARE(w.button("Command3")->isEnabled(), resultStaysEnabled);
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
        const Opened w = open(window);
        w.answerAll(1, itemCount(window));
        w.button("Command3")->click();
        QVERIFY(w.shown(close));
        w.button(close)->click();
        QVERIFY(!w.window->isVisible());
        QCOMPARE(answers.asked().size(), asks ? 1 : 0);
    }

    void selfPotentialScoresOnClick()
    {
        TestBank bank(bankSql("frm发挥自我潜能", 10, true));
        ScriptedAnswers answers;
        const Opened w = open("frm发挥自我潜能");
        w.choose(1);
        QCOMPARE(w.text("Lbl总分"), "1");
        w.choose(3); // A then C: both count
        QCOMPARE(w.text("Lbl总分"), "4");
        w.choose(3); // the chosen option again: no change
        QCOMPARE(w.text("Lbl总分"), "4");
        w.next();
        QCOMPARE(w.text("Lbl总分"), "4"); // "下一题" adds nothing
        w.next();                         // nothing chosen: the prompt, and the total stays
        QCOMPARE(answers.asked().size(), 1);
        QCOMPARE(w.text("Lbl总分"), "4");
        w.choose(2);
        QCOMPARE(w.text("Lbl总分"), "6");
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
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("later");
        QTest::addColumn<QString>("caption");
        QTest::newRow("ten and a half minutes") << 3600.0 << 4230.0 << "测试共用10分钟";
        QTest::newRow("from the afternoon") << 50000.25 << 50690.25 << "测试共用12分钟";
        QTest::newRow("across midnight") << 86390.0 << 200.0 << "测试共用3分钟";
    }
    void counterTicks()
    {
        QFETCH(double, start);
        QFETCH(double, later);
        QFETCH(QString, caption);
        useShippedBank();
        double now = start;
        setClock([&] { return now; });
        const Opened w = open("frm知人善任的领导");
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
        const Opened again = open("frm知人善任的领导");
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
        const Opened w = open(window);
        QTest::keyClick(w.window.get(), Qt::Key(key));
        QCOMPARE(w.chosen(), option);

        QTest::keyClick(w.window.get(), Qt::Key_Return);
        QCOMPARE(w.text(itemNumberLabel(window)), option ? "2" : "1");
        QCOMPARE(answers.asked().size(), option ? 0 : 1); // Enter with nothing chosen prompts like the button
    }

    void enterPressesTheResultButtonOnceFinished()
    {
        useShippedBank();
        ScriptedAnswers answers;
        const Opened w = open("frm考试焦虑");
        for (int i = 0; i < 33; ++i) {
            QTest::keyClick(w.window.get(), Qt::Key_A);
            QTest::keyClick(w.window.get(), Qt::Key_Enter, Qt::KeypadModifier);
        }
        QCOMPARE(w.text("Label10"), "99");
        QTest::keyClick(w.window.get(), Qt::Key_Return);
        QVERIFY(w.shown("Frame6"));
        QTest::keyClick(w.window.get(), Qt::Key_Escape); // a stray Escape does not end the test
        QVERIFY(w.window->isVisible());
    }

    void badBankIsToldOnceAndNextEndsQuietly()
    {
        QTemporaryDir empty;
        setProgramFolder(empty.path());
        ScriptedAnswers answers;
        const Opened w = open("frm意志力");
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
