// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The whole program as a user goes through it: every test opened from the
// menu, every item answered, the result shown, the test left. Run under the
// sanitizers and valgrind too. The program folder, a copy of the installed
// one, must come out of it exactly as it went in.
#include "drive.h"
#include "framework/bankcatalog.h"
#include "framework/numbers.h"
#include "framework/questionbank.h"
#include "framework/strings.h"
#include "questionnaires/personality/temperamentwindow.h"
#include "shell/mainwindow.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QRandomGenerator>
#include <QUrl>
#include <QtTest>

#include <sqlite3.h>

#include <memory>

using namespace zentrova;
using namespace zentrova::testing;

namespace {

// Answers in turn A, B, C … from the first option again, or seeded at random.
Picker pattern(quint32 seed)
{
    if (seed == 0)
        return [turn = 0](int count) mutable { return turn++ % count; };
    return [random = QRandomGenerator(seed)](int count) mutable { return int(random.bounded(count)); };
}

// Every row of a table as the bank holds it, by item number: field → text.
QHash<QString, QHash<QString, QString>> rowsOf(const QString &bank, const BankTable &table)
{
    QHash<QString, QHash<QString, QString>> rows;
    QStringList fields;
    for (std::string_view field : table.fields())
        fields << toQString(field);
    if (!fields.contains("测试题号"))
        return rows;
    sqlite3 *db = nullptr;
    const QByteArray uri = QUrl::fromLocalFile(bank).toEncoded() + "?mode=ro&immutable=1";
    sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    QStringList quoted;
    for (const QString &field : fields)
        quoted << quotedIdentifier(field);
    const QString sql = QStringLiteral("SELECT %1 FROM %2").arg(quoted.join(", "), quotedIdentifier(toQString(table.table)));
    sqlite3_stmt *select = nullptr;
    sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &select, nullptr);
    while (sqlite3_step(select) == SQLITE_ROW) {
        QHash<QString, QString> row;
        for (int c = 0; c < fields.size(); ++c)
            row.insert(fields[c], QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(select, c))));
        rows.insert(row.value("测试题号"), row);
    }
    sqlite3_finalize(select);
    sqlite3_close(db);
    return rows;
}

QString itemNumberControl(const BankTable &table)
{
    for (const FieldBinding &binding : table.bindings) {
        if (binding.field == "测试题号")
            return toQString(binding.control);
    }
    return {};
}

QStringList titlesAsked(const ScriptedAnswers &answers)
{
    QStringList titles;
    for (const MessageRequest &request : answers.asked())
        titles << request.title;
    return titles;
}

} // namespace

class WalkTest : public QObject
{
    Q_OBJECT

    // The program folder: a copy of the shipped bank, as an installation has it.
    QTemporaryDir m_programFolder;
    QStringList m_asInstalled;
    std::unique_ptr<MainWindow> m_main;

    QString bank() const { return bankPathIn(m_programFolder.path()); }

    static constexpr quint32 Seed = 20240607;

    void patterns()
    {
        QTest::addColumn<quint32>("seed"); // 0: answers in turn
        QTest::newRow("in turn") << 0u;
        QTest::newRow("seeded") << Seed;
    }

private slots:
    void init() { zentrova::testing::failOnThreadWarnings(); }
    void initTestCase()
    {
        QVERIFY(QFile::copy(shippedBankPath(), bank()));
        setProgramFolder(m_programFolder.path());
        m_asInstalled = folderState(m_programFolder.path());
        m_main = std::make_unique<MainWindow>();
        m_main->show();
    }

    void cleanup()
    {
        QVERIFY(visibleTopLevels() == QList<QWidget *>{m_main.get()});
        QCOMPARE(folderState(m_programFolder.path()), m_asInstalled);
    }

    void cleanupTestCase()
    {
        m_main.reset();
        setProgramFolder({});
    }

    void everyTestFromTheMenu_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<quint32>("seed");
        for (const QString &window : testWindowsInMenuOrder()) {
            QTest::addRow("%s, in turn", qPrintable(window)) << window << 0u;
            QTest::addRow("%s, seeded", qPrintable(window)) << window << Seed;
        }
    }
    void everyTestFromTheMenu()
    {
        QFETCH(QString, window);
        QFETCH(quint32, seed);
        const BankTable &table = *bankTableForWindow(window.toStdString());
        const auto rows = rowsOf(bank(), table);
        const Scoring &scoring = table.scoring;
        const bool totalled = scoring.noTotal.empty() && (!scoring.fields.empty() || !scoring.weights.empty());

        ScriptedAnswers answers;
        answers.setYesNoDefault(MessageAnswer::Yes);
        double expected = 0;
        QString total;
        int finishedAfter = -1;
        bool resultShown = false, left = false;
        const bool closed = openFromMenu(*m_main, window, [&](QDialog *w) {
            QWidget *number = w->findChild<QWidget *>(itemNumberControl(table));
            auto addUp = [&](const QList<int> &picked) {
                const auto row = rows.value(number ? shownText(number) : QString());
                for (int group = 0; group < picked.size(); ++group) {
                    if (!scoring.fields.empty())
                        expected += row.value(toQString(scoring.fields.at(group).at(picked[group]))).toDouble();
                    else if (!scoring.weights.empty())
                        expected += scoring.weights.at(picked[group]);
                }
            };
            finishedAfter = answerItems(w, pattern(seed), std::max(pressesToFinish(window), table.itemCount), addUp);
            if (auto *label = w->findChild<QLabel *>(window == "frm考试焦虑" ? "Label10" : "Lbl总分"))
                total = label->text();
            resultShown = showResult(w);
            left = leave(w);
        });
        QVERIFY(closed);
        QVERIFY(left);
        QCOMPARE(finishedAfter, pressesToFinish(window));
        QCOMPARE(resultShown, finishedAfter > 0);
        if (totalled)
            QCOMPARE(total, plainNumber(expected));
        for (const QString &title : titlesAsked(answers))
            QVERIFY2(title == "结束测试确认" || title == "提交测试提示", qPrintable(title));
    }

    // Skipping, recalling from the sheet, reviewing, submitting and the
    // explanations, all in one visit.
    void temperamentReviewed_data() { patterns(); }
    void temperamentReviewed()
    {
        QFETCH(quint32, seed);
        ScriptedAnswers answers;
        answers.setYesNoDefault(MessageAnswer::Yes);
        Picker pick = pattern(seed);
        QList<int> skipped;
        QStringList panels;
        int cellSum = 0, totalSum = 0;
        bool emptyOrYellowLeft = true;
        const bool closed = openFromMenu(*m_main, "frm气质测试", [&](QDialog *dialog) {
            auto *w = qobject_cast<TemperamentWindow *>(dialog);
            auto click = [w](const char *name) { w->findChild<QAbstractButton *>(QString::fromLatin1(name))->click(); };
            auto choose = [&] { optionGroups(w).first().at(pick(5))->click(); };
            auto panel = [w] { return visibleWidgets(w).filter(QRegularExpression("^Frame\\d$")).join(','); };
            for (int item = 1; item <= TemperamentWindow::ItemCount; ++item) {
                if (item % 7 == 3) {
                    click("Command4"); // 略过该题, no answer
                    skipped << item;
                } else {
                    choose();
                }
                click("Command1");
            }
            for (int item : std::as_const(skipped)) {
                QTest::mouseDClick(w->numberLabel(item), Qt::LeftButton);
                choose();
            }
            emptyOrYellowLeft = false;
            for (int item = 1; item <= TemperamentWindow::ItemCount; ++item) {
                cellSum += w->cell(item)->text().toInt();
                if (w->cell(item)->text().isEmpty() || w->cell(item)->palette().color(QPalette::Window) == TemperamentWindow::Skipped)
                    emptyOrYellowLeft = true;
            }
            click("Command5"); // 统计结果
            for (const char *name : {"Label5", "Label6", "Label7", "Label8"})
                totalSum += w->findChild<QLabel *>(QString::fromLatin1(name))->text().toInt();
            panels << panel();
            click("Command3"); // 提交测试
            panels << panel();
            click("Command5"); // 气质解释
            panels << panel();
            click("Command3"); // 返回
            panels << panel();
            leave(w);
        });
        QVERIFY(closed);
        QCOMPARE(skipped.size(), 9);
        QVERIFY(!emptyOrYellowLeft);
        // Each item counts for exactly one temperament.
        QCOMPARE(totalSum, cellSum);
        QCOMPARE(panels, QStringList({"Frame1", "Frame3", "Frame2", "Frame3"}));
        QCOMPARE(titlesAsked(answers), QStringList({"提交测试提示", "结束测试确认"}));
    }

    // The program itself, copied with its bank into a folder of its own:
    // checking the bank, then starting up, leaves the folder as it was.
    void theProgramWritesNothingBesideItself()
    {
        const QString built = qEnvironmentVariable("ZENTROVA_PROGRAM");
        QVERIFY2(QFileInfo(built).isExecutable(), qPrintable(built));
        QTemporaryDir installed;
        const QString program = installed.filePath("zentrova");
        QVERIFY(QFile::copy(built, program));
        QVERIFY(QFile::copy(shippedBankPath(), bankPathIn(installed.path())));
        const QStringList before = folderState(installed.path());

        QProcess check;
        check.setWorkingDirectory(QDir::tempPath());
        check.start(program, {"--check-bank"});
        QVERIFY(check.waitForFinished());
        QCOMPARE(check.exitStatus(), QProcess::NormalExit);
        QCOMPARE(check.exitCode(), 0);
        QVERIFY2(QString::fromUtf8(check.readAllStandardOutput()).contains(bankPathIn(installed.path())), "it read the bank beside it");

        QProcess running;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        running.setProcessEnvironment(environment);
        running.setWorkingDirectory(QDir::tempPath()); // it looks beside itself, not here
        running.start(program);
        QVERIFY(running.waitForStarted());
        // Up and waiting for its user a moment later; then it is ended.
        QVERIFY2(!running.waitForFinished(1500), qPrintable(running.readAllStandardError()));
        running.terminate();
        QVERIFY(running.waitForFinished());

        QCOMPARE(folderState(installed.path()), before);
    }
};

ZENTROVA_TEST_MAIN(WalkTest)
#include "tst_walk.moc"
