// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What each test window hands over when its result view is shown, and what
// the record file keeps of it: every figure as its label shows it, the
// verdict as worded (or a band the window shows), the minutes of a timed
// test and the answers given, sent once.
#include "drive.h"
#include "framework/bankcatalog.h"
#include "framework/clock.h"
#include "framework/shownresult.h"
#include "framework/strings.h"
#include "framework/testwindow.h"
#include "records/recordstore.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using namespace zentrova;
using namespace zentrova::testing;

namespace
{

// A figure's name and the label the view shows it in: "总分=Lbl总分".
using Figures = QStringList;

// What the view of window shows, compared with what it handed over: each
// figure with the text of its label (on show), the verdict with its label's
// text, the minutes with those on show, and the answers with those given.
void compareWithView(
    const ShownResult &shown, QDialog *window, const Figures &figures, const QString &verdict, const QStringList &answersGiven)
{
    QCOMPARE(shown.window, window->objectName());
    QCOMPARE(shown.figures.size(), figures.size());
    for (qsizetype i = 0; i < figures.size(); ++i) {
        const QStringList nameAndLabel = figures.at(i).split(u'=');
        auto *label = window->findChild<QLabel *>(nameAndLabel.at(1));
        QVERIFY2(label && label->isVisibleTo(window), qPrintable(figures.at(i)));
        QCOMPARE(shown.figures.at(i).name, nameAndLabel.at(0));
        QCOMPARE(shown.figures.at(i).value, label->text());
        QVERIFY2(!label->text().isEmpty(), qPrintable(figures.at(i)));
    }
    if (verdict.isEmpty()) {
        QCOMPARE(shown.verdict, QString());
    } else {
        const QLabel *label = window->findChild<QLabel *>(verdict);
        QVERIFY(label && label->isVisibleTo(window));
        QVERIFY(!label->text().isEmpty());
        QCOMPARE(shown.verdict, label->text());
    }
    const auto *time = window->findChild<QLabel *>(QStringLiteral("Lbl时间"));
    if (time) {
        const QRegularExpressionMatch minutes = QRegularExpression(QStringLiteral("^测试共用(\\d+)分钟$")).match(time->text());
        QVERIFY2(minutes.hasMatch(), qPrintable(time->text()));
        QCOMPARE(shown.elapsedMinutes, minutes.captured(1).toInt());
    } else {
        QCOMPARE(shown.elapsedMinutes, std::nullopt);
    }
    QStringList answers;
    for (const ShownResult::Answer &answer : shown.answers) {
        QVERIFY(!answer.item.isEmpty());
        answers << answer.answer;
    }
    QCOMPARE(answers, answersGiven);
}

// What the record file keeps of shown, read back as the result it stands for.
// The band a record names where the view words no verdict is checked apart.
ShownResult keptAndReadBack(const ShownResult &shown, QString *band)
{
    const QTemporaryDir folder;
    RecordStore store(folder.filePath(QStringLiteral("records.db")));
    const std::optional<qint64> id = store.add(Record::fromShown(shown, QStringLiteral("测试"), {}, {}));
    const std::optional<Record> kept = id ? store.record(*id) : std::nullopt;
    if (!kept) {
        qWarning("%s", qPrintable(store.error()));
        return {};
    }
    *band = shown.verdict.isEmpty() ? kept->verdict : QString();
    return {kept->window, kept->elapsedMinutes, kept->figures, shown.verdict.isEmpty() ? QString() : kept->verdict, kept->answers};
}

// Whether the window shows text somewhere on screen, as the band a record
// names must be.
bool showsText(const QWidget *window, const QString &text)
{
    for (const QLabel *label : window->findChildren<QLabel *>()) {
        if (label->isVisibleTo(window) && label->text().contains(text))
            return true;
    }
    for (const QTextEdit *box : window->findChildren<QTextEdit *>()) {
        if (box->isVisibleTo(window) && box->toPlainText().contains(text))
            return true;
    }
    return false;
}

} // namespace

class HandOverTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { zentrova::testing::failOnThreadWarnings(); }
    void cleanup()
    {
        setProgramFolder({});
        setClock({});
        QVERIFY(visibleTopLevels().isEmpty());
    }

    void resultAsShown_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<Figures>("figures");
        QTest::addColumn<QString>("verdict"); // the label that words it
        const Figures total {"总分=Lbl总分"};
        QTest::newRow("temperament") << "frm气质测试" << Figures {"胆汁质=Label5", "多血质=Label6", "粘液质=Label7", "抑郁质=Label8"} << "";
        QTest::newRow("introversion, the verdict alone") << "frm性格内向或外向" << Figures {} << "Lbl测试结果";
        QTest::newRow("decisiveness") << "frm你可断吗" << total << "";
        QTest::newRow("self-control, four counts")
            << "frm意志力" << Figures {"A个数=Label7", "B个数=Label8", "C个数=Label9", "D个数=Label10"} << "";
        QTest::newRow("emotional stability, no result") << "frm情绪稳定性1" << Figures {} << "";
        QTest::newRow("inferiority") << "frm如何克服自卑感" << total << "";
        QTest::newRow("exam anxiety") << "frm考试焦虑" << Figures {"总分=Label10"} << "";
        QTest::newRow("jealousy, result again") << "frm女性嫉妒心理" << total << "";
        QTest::newRow("popularity") << "frm受欢迎的人" << total << "";
        QTest::newRow("true friend") << "frm知心朋友测试" << total << "";
        QTest::newRow("intelligence") << "frm你聪明吗" << total << "";
        QTest::newRow("self-potential") << "frm发挥自我潜能" << total << "";
        QTest::newRow("creativity") << "frm富有创造力" << total << "";
        QTest::newRow("creative potential, timed") << "frm自我创造潜力自测" << total << "";
        QTest::newRow("logical thinking") << "frm逻辑思维能力测试" << total << "";
        QTest::newRow("logic self-test, per statement") << "frm逻辑思考能力测试" << total << "";
        QTest::newRow("management style, the verdict alone") << "frm你的管理方式" << Figures {} << "Lbl评价";
        QTest::newRow("leadership type, the verdict alone") << "frm你的领导类型" << Figures {} << "Lbl评价";
        QTest::newRow("management qualities, result again") << "frm具备管理素质" << total << "";
        QTest::newRow("people-judging leader, timed") << "frm知人善任的领导" << total << "";
        QTest::newRow("lovable girl") << "frm惹人喜爱的女孩" << total << "";
        QTest::newRow("love score") << "frm你的爱情分值" << total << "";
    }
    void resultAsShown()
    {
        QFETCH(QString, window);
        QFETCH(Figures, figures);
        QFETCH(QString, verdict);
        useShippedBank();
        double now = 3600;
        setClock([&now] { return now; });
        ScriptedAnswers answers;
        answers.setYesNoDefault(MessageAnswer::Yes);
        const OpenedWindow w(window);
        auto *dialog = w.window.get();
        QSignalSpy handedOver(static_cast<TestWindow *>(dialog), &TestWindow::resultShown);
        QTimer *counter = dialog->findChild<QTimer *>(QStringLiteral("Tmrcount"));
        if (counter)
            QMetaObject::invokeMethod(counter, "timeout"); // the start

        // Answers in turn A, B, C …, each in the words its button is named by.
        QStringList given;
        int turn = 0;
        const int presses = pressesToFinish(window);
        const int finished = answerItems(
            dialog, [&turn](int count) { return turn++ % count; }, presses ? presses : 3,
            [&](const QList<int> &picked) {
                const QList<QList<QAbstractButton *>> groups = optionGroups(dialog);
                for (qsizetype group = 0; group < picked.size(); ++group)
                    given << answerWords(groups.at(group).at(picked.at(group)));
            });
        QCOMPARE(finished, presses);
        if (counter) {
            now += 7 * 60 + 30;
            QMetaObject::invokeMethod(counter, "timeout");
        }
        QVERIFY(handedOver.isEmpty());

        if (figures.isEmpty() && verdict.isEmpty()) {
            w.click("Command3"); // 返回: no result, and nothing handed over
            QVERIFY(!dialog->isVisible());
            QVERIFY(handedOver.isEmpty());
            return;
        }
        QVERIFY(showResult(dialog));
        QCOMPARE(handedOver.size(), 1);
        const auto shown = handedOver.first().first().value<ShownResult>();
        compareWithView(shown, dialog, figures, verdict, given);
        QString band;
        compareWithView(keptAndReadBack(shown, &band), dialog, figures, verdict, given);
        QVERIFY2(band.isEmpty() || showsText(dialog, band), qPrintable(band));
        // Each band's meaning, as records and reports word it, is the window's own.
        if (const BankTable *table = bankTableForWindow(window.toStdString())) {
            QString words;
            for (const QLabel *label : dialog->findChildren<QLabel *>())
                words += label->text();
            for (const QTextEdit *box : dialog->findChildren<QTextEdit *>())
                words += box->toPlainText();
            words.remove(QRegularExpression(QStringLiteral("\\s"), QRegularExpression::UseUnicodePropertiesOption));
            for (const ScoreBand &band : table->scoring.bands) {
                const QString meaning = bandMeaning(window, toQString(band.text));
                QVERIFY2(!meaning.isEmpty() && words.contains(meaning), qPrintable(toQString(band.text) + u' ' + meaning));
            }
        }
        if (QTest::currentTestFailed())
            return;

        // Whatever of the view can still be pressed sends nothing more.
        for (const char *button : {"Command3", "Command5", "Command3", "Command5"}) {
            auto *again = dialog->findChild<QAbstractButton *>(QString::fromLatin1(button));
            if (isUsable(again))
                again->click();
        }
        QCOMPARE(handedOver.size(), 1);
        dialog->close();
    }
};

ZENTROVA_TEST_MAIN(HandOverTest)
#include "tst_handover.moc"
