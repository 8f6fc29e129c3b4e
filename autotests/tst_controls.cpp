// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The windows' controls as the user meets them: answers that a click anywhere
// on them chooses.

#include "drive.h"
#include "framework/bankcatalog.h"
#include "framework/strings.h"
#include "framework/testwindow.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

using namespace zentrova;
using namespace zentrova::testing;

class ControlsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useShippedBank(); }

    void cleanup() { QVERIFY(visibleTopLevels().isEmpty()); }

    // Every answer button of the window, on every item layout it shows, is
    // chosen by a click in its middle and one at its far end, away from its
    // indicator and caption.
    void aClickInAnAnswerChoosesIt_data()
    {
        QTest::addColumn<QString>("window");
        for (const BankTable &table : bankTables())
            QTest::newRow(table.window.data()) << toQString(table.window);
    }
    void aClickInAnAnswerChoosesIt()
    {
        QFETCH(QString, window);
        ScriptedAnswers boxes;
        OpenedWindow opened(window);
        QSet<QString> answers;
        for (const QAbstractButton *option :
            opened.window->findChildren<QAbstractButton *>(QRegularExpression(QStringLiteral("^Option\\d+$"))))
            answers << option->objectName();
        QSet<QString> chosen;
        // The logic self-test opens on a page without answers and shows some only on later items.
        for (int press = 0; press <= itemCount(window) && chosen != answers && isUsable(opened.button("Command1")); ++press) {
            for (const QList<QAbstractButton *> &group : optionGroups(opened.window.get())) {
                for (QAbstractButton *option : group) {
                    const QPoint middle = option->rect().center();
                    for (const QPoint &where : {middle, QPoint(option->width() - 2, middle.y())}) {
                        clearChoice({option});
                        QTest::mouseClick(option, Qt::LeftButton, {}, where);
                        QVERIFY2(option->isChecked(), qPrintable(QStringLiteral("%1 at %2").arg(option->objectName()).arg(where.x())));
                    }
                    chosen << option->objectName();
                }
            }
            opened.next();
        }
        QCOMPARE(chosen, answers);
        QVERIFY(boxes.asked().isEmpty());
    }
};

ZENTROVA_TEST_MAIN(ControlsTest)
#include "tst_controls.moc"
