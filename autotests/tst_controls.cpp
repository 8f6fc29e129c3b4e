// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The windows' controls as the user meets them: answers that a click anywhere
// on them chooses, and bold texts that look bold.

#include "drive.h"
#include "framework/bankcatalog.h"
#include "framework/strings.h"
#include "framework/testwindow.h"
#include "questionnaires/testwindows.h"
#include "shell/mainwindow.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QGlyphRun>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QRawFont>
#include <QRegularExpression>
#include <QSet>
#include <QTextEdit>
#include <QTextLayout>
#include <QtTest>

#include <memory>

using namespace zentrova;
using namespace zentrova::testing;

namespace {

// A window as the program makes it: the main window, or a test window by objectName.
std::unique_ptr<QWidget> makeWindow(const QString &name)
{
    if (name == QStringLiteral("frm心理测试界面"))
        return std::make_unique<MainWindow>();
    return std::unique_ptr<QWidget>(createTestWindow(name.toStdString(), nullptr));
}

// The texts that the window defines in a bold font.
QList<QWidget *> boldTexts(QWidget *window)
{
    QList<QWidget *> found;
    for (QWidget *control : window->findChildren<QWidget *>()) {
        if ((qobject_cast<QLabel *>(control) || qobject_cast<QTextEdit *>(control)) && control->font().bold())
            found << control;
    }
    return found;
}

// A line of text drawn in a font: the faces its glyphs come from, the
// picture, and how much ink it lays down.
struct Rendering {
    QStringList faces;
    QImage picture;
    qint64 ink = 0;
};

Rendering render(const QString &text, const QFont &font)
{
    Rendering rendering;
    QTextLayout layout(text, font);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    for (const QGlyphRun &run : layout.glyphRuns()) {
        if (const QString face = run.rawFont().familyName(); !rendering.faces.contains(face))
            rendering.faces << face;
    }
    rendering.picture = QImage(QSizeF(line.naturalTextWidth() + 8, line.height() + 8).toSize(), QImage::Format_Grayscale8);
    rendering.picture.fill(Qt::white);
    QPainter painter(&rendering.picture);
    layout.draw(&painter, QPointF(4, 4));
    painter.end();
    for (int y = 0; y < rendering.picture.height(); ++y) {
        const uchar *row = rendering.picture.constScanLine(y);
        for (int x = 0; x < rendering.picture.width(); ++x)
            rendering.ink += 255 - row[x];
    }
    return rendering;
}

} // namespace

class ControlsTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { zentrova::testing::failOnThreadWarnings(); }
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

    // Every bold a window defines, beside the same text in the same font
    // without bold: heavier, and drawn from the same face.
    void boldIsBoldInItsOwnFamily_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("control");
        const QStringList windows = QStringList{QStringLiteral("frm心理测试界面")} + testWindowsInMenuOrder();
        for (const QString &window : windows) {
            const std::unique_ptr<QWidget> made = makeWindow(window);
            for (const QWidget *control : boldTexts(made.get()))
                QTest::addRow("%s %s", qPrintable(window), qPrintable(control->objectName())) << window << control->objectName();
        }
    }
    void boldIsBoldInItsOwnFamily()
    {
        QFETCH(QString, window);
        QFETCH(QString, control);
        const std::unique_ptr<QWidget> made = makeWindow(window);
        const QWidget *shown = made->findChild<QWidget *>(control);
        QVERIFY(shown);
        // Totals and verdicts are empty until the result; they then hold words and numbers.
        QString text = shownText(shown).split(u'\n').value(0).trimmed();
        if (text.isEmpty())
            text = QStringLiteral("专断的管理方式 42");
        QFont regularFont = shown->font();
        regularFont.setBold(false);
        const Rendering bold = render(text, shown->font());
        const Rendering regular = render(text, regularFont);
        QCOMPARE(bold.faces, regular.faces);
        QCOMPARE(bold.faces.size(), 1);
        QVERIFY2(bold.picture != regular.picture, qPrintable(text));
        QVERIFY2(bold.ink > regular.ink * 11 / 10,
                 qPrintable(QStringLiteral("%1: ink %2, regular %3").arg(text).arg(bold.ink).arg(regular.ink)));
    }
};

ZENTROVA_TEST_MAIN(ControlsTest)
#include "tst_controls.moc"
