// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "framework/bankcatalog.h"
#include "framework/questionbank.h"
#include "framework/strings.h"
#include "questionnaires/testwindows.h"
#include "records/localstore.h"
#include "records/recordstore.h"
#include "records/localstore.h"
#include "recordwindows/recordswindow.h"
#include "testsupport.h"

#include <QAbstractSpinBox>
#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QBoxLayout>
#include <QComboBox>
#include <QDialog>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QStatusBar>
#include <QTableView>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

#include <cmath>
#include <memory>

using namespace zentrova;
using namespace zentrova::testing;

namespace {

// A bank holding only the window's table, rows 1 … rows, every field but the
// item number reading "<field> 第<row>题".
QString bankSql(const QString &window, int rows)
{
    const BankTable *table = bankTableForWindow(window.toStdString());
    const QString name = quotedIdentifier(toQString(table->table));
    QStringList columns;
    for (std::string_view field : table->fields())
        columns << toQString(field);
    QStringList quoted;
    for (const QString &column : columns)
        quoted << quotedIdentifier(column);
    QString sql = QStringLiteral("CREATE TABLE %1 (%2);\n").arg(name, quoted.join(", "));
    for (int n = 1; n <= rows; ++n) {
        QStringList values;
        for (const QString &column : columns)
            values << (column == "测试题号" ? QString::number(n) : QStringLiteral("'%1 第%2题'").arg(column).arg(n));
        sql += QStringLiteral("INSERT INTO %1 VALUES (%2);\n").arg(name, values.join(", "));
    }
    return sql;
}

// The window's accessibility tree as a screen reader walks it, by objectName.
QHash<QString, QAccessibleInterface *> accessibleTree(QWidget *window)
{
    QHash<QString, QAccessibleInterface *> found;
    QList<QAccessibleInterface *> pending = {QAccessible::queryAccessibleInterface(window)};
    while (!pending.isEmpty()) {
        QAccessibleInterface *node = pending.takeLast();
        if (!node)
            continue;
        if (node->object() && !node->object()->objectName().isEmpty())
            found.insert(node->object()->objectName(), node);
        for (int i = 0; i < node->childCount(); ++i)
            pending << node->child(i);
    }
    return found;
}

std::unique_ptr<QDialog> shown(const QString &window)
{
    std::unique_ptr<QDialog> dialog(createTestWindow(window.toStdString(), nullptr));
    dialog->show();
    return dialog;
}

// Answers named after their bound 选项 fields: "A：选项A 第%1题" …
QStringList letters(int count, bool fullWidthFields = false)
{
    QStringList names;
    for (int i = 0; i < count; ++i) {
        const QString letter(QChar(u'A' + i));
        const QString field = QStringLiteral("选项") + (fullWidthFields ? QString(QChar(u'Ａ' + i)) : letter);
        names << letter + QStringLiteral("：") + field + QStringLiteral(" 第%1题");
    }
    return names;
}

// An expected text on the row on show: "%1" is the row.
QString onRow(const QString &expected, int row)
{
    return QString(expected).replace(QStringLiteral("%1"), QString::number(row));
}

} // namespace

class AccessibilityTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { zentrova::testing::failOnThreadWarnings(); }
    void cleanup()
    {
        setProgramFolder({});
        QVERIFY(visibleTopLevels().isEmpty());
    }

    // The records window by keyboard and screen reader: Tab visits every
    // control in the order they are laid out and comes round again; each
    // control is named and the preview says what it shows; Delete asks with
    // No the default; a copy is said on a status line; Escape closes.
    void recordsWindowByKeyboard()
    {
        QTemporaryDir dir;
        RecordStore::setDefaultPath(dir.filePath(QStringLiteral("records.db")));
        for (int day = 1; day <= 2; ++day) {
            Record record;
            record.window = QStringLiteral("frm考试焦虑");
            record.caption = QStringLiteral("考试焦虑度测试");
            record.finished = QDateTime(QDate(2026, 3, day), QTime(9, 0));
            record.person = QStringLiteral("王小明");
            record.group = QStringLiteral("初二（3）班");
            record.figures = {{QStringLiteral("总分"), QString::number(30 * day)}};
            record.verdict = day == 1 ? QStringLiteral("25－49") : QStringLiteral("50－74"); // the band, as a result view hands it over
            QVERIFY(RecordStore().add(record));
        }
        LocalStore store;
        RecordsWindow window(store);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(settled(window));

        // In layout order; a control that takes no focus is left out.
        QList<QWidget *> expected;
        for (const char *name : {"cboTest", "cboPerson", "cboGroup", "cmdGroupReport", "cmdDelete", "actReportSavePdfButton",
                 "actReportPrintButton", "actReportCopyImageButton", "dtpSince", "dtpUntil", "tblRecords", "totalsChart", "bandChart", "cboZoom",
                 "cmdOpenReport", "reportView"}) {
            auto *control = window.findChild<QWidget *>(QString::fromLatin1(name));
            QVERIFY2(control, name);
            if (control->isVisible() && (control->focusPolicy() & Qt::TabFocus))
                expected << control;
        }
        // Nothing else takes Tab; a date field's own text box is the field.
        const auto partOfExpected = [&](QWidget *control) {
            return expected.contains(control) || (qobject_cast<QAbstractSpinBox *>(control->parentWidget()) && expected.contains(control->parentWidget()));
        };
        for (QWidget *control : window.findChildren<QWidget *>())
            QVERIFY2(!control->isVisible() || !(control->focusPolicy() & Qt::TabFocus) || partOfExpected(control),
                qPrintable(control->objectName() + u' ' + QString::fromLatin1(control->metaObject()->className())));
        expected.first()->setFocus();
        QList<QWidget *> visited;
        do {
            visited << QApplication::focusWidget();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        } while (QApplication::focusWidget() != expected.first() && visited.size() <= expected.size());
        QCOMPARE(visited, expected);

        for (QWidget *control : expected) {
            QAccessibleInterface *node = QAccessible::queryAccessibleInterface(control);
            QVERIFY2(!node->text(QAccessible::Name).isEmpty(), qPrintable(control->objectName()));
        }
        QCOMPARE(QAccessible::queryAccessibleInterface(&window)->role(), QAccessible::Window);
        QVERIFY(QAccessible::queryAccessibleInterface(&window)
                    ->text(QAccessible::Description)
                    .contains(QStringLiteral("复制为图片（Ctrl+Shift+C）")));
        QVERIFY(QAccessible::queryAccessibleInterface(window.findChild<QWidget *>(QStringLiteral("actReportSavePdfButton")))
                    ->text(QAccessible::Description)
                    .contains(QStringLiteral("Ctrl+S")));
        QCOMPARE(
            QAccessible::queryAccessibleInterface(window.findChild<QTableView *>())->text(QAccessible::Name), QStringLiteral("测评记录"));
        QVERIFY(QAccessible::queryAccessibleInterface(window.findChild<QWidget *>(QStringLiteral("cmdGroupReport")))
                    ->text(QAccessible::Description)
                    .contains(QStringLiteral("小组")));
        for (const char *combo : {"cboTest", "cboPerson", "cboGroup"}) { // told by their labels
            const auto labels = QAccessible::queryAccessibleInterface(window.findChild<QComboBox *>(QString::fromLatin1(combo)))
                                    ->relations(QAccessible::Label);
            QVERIFY2(labels.size() == 1 && labels.first().first->text(QAccessible::Name).endsWith(u'：'), combo);
        }
        QAccessibleInterface *preview = QAccessible::queryAccessibleInterface(window.findChild<QWidget *>(QStringLiteral("reportView")));
        for (const QString &part :
            {QStringLiteral("考试焦虑度测试"), QStringLiteral("王小明"), QStringLiteral("总分 60"), QStringLiteral("50－74")})
            QVERIFY2(preview->text(QAccessible::Description).contains(part), qPrintable(preview->text(QAccessible::Description)));

        ScriptedAnswers answers;
        window.findChild<QTableView *>()->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
        QCOMPARE(answers.asked().size(), 1);
        QVERIFY(answers.asked().first().defaultAnswer == MessageAnswer::No);
        QCOMPARE(RecordStore().summaries()->size(), 2);

        QTest::keyClick(&window, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QAccessibleInterface *status = QAccessible::queryAccessibleInterface(window.statusBar());
        QCOMPARE(status->role(), QAccessible::StatusBar);
        QVERIFY2(status->text(QAccessible::Name).contains(QStringLiteral("剪贴板")), qPrintable(status->text(QAccessible::Name)));

        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(!window.isVisible());
        RecordStore::setDefaultPath({});
    }

    // "%1" in an expected text is the row on show.
    // A control reached by Tab wears a ring 2 px wide all round whose
    // colours stand at 3:1 or more against the same pixels unfocused (WCAG
    // 2.1, focus visible).
    void focusRingsStandOut_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("push button") << "QPushButton";
        QTest::newRow("tool button") << "QToolButton";
        QTest::newRow("combo box") << "QComboBox";
    }
    void focusRingsStandOut()
    {
        QFETCH(QString, kind);
        QWidget window;
        auto *layout = new QHBoxLayout(&window);
        auto *before = new QLineEdit(&window);
        QWidget *control = nullptr;
        if (kind == "QComboBox") {
            auto *box = new QComboBox(&window);
            box->addItems({QStringLiteral("适合宽度"), QStringLiteral("整页")});
            control = box;
        } else if (kind == "QToolButton") {
            auto *button = new QToolButton(&window);
            button->setText(QStringLiteral("复制为图片"));
            button->setFocusPolicy(Qt::StrongFocus);
            control = button;
        } else {
            control = new QPushButton(QStringLiteral("打印…"), &window);
        }
        layout->addWidget(before);
        layout->addWidget(control);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        before->setFocus();
        const QImage plain = control->grab().toImage();
        QTest::keyClick(before, Qt::Key_Tab);
        QVERIFY(control->hasFocus());
        const QImage focused = control->grab().toImage();
        QCOMPARE(focused.size(), plain.size());
        const auto luminance = [](QRgb rgb) {
            const auto linear = [](int c) {
                const double v = c / 255.0;
                return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
            };
            return 0.2126 * linear(qRed(rgb)) + 0.7152 * linear(qGreen(rgb)) + 0.0722 * linear(qBlue(rgb));
        };
        int standingOut = 0;
        for (int y = 0; y < plain.height(); ++y) {
            for (int x = 0; x < plain.width(); ++x) {
                const double a = luminance(focused.pixel(x, y)), b = luminance(plain.pixel(x, y));
                standingOut += (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05) >= 3;
            }
        }
        // Two pixels deep all round, inside the style's 1 px outline.
        const int ring = 2 * 2 * (plain.width() - 2 + plain.height() - 2) - 16;
        QVERIFY2(standingOut >= ring, qPrintable(QStringLiteral("%1 of %2").arg(standingOut).arg(ring)));
    }

    void namesFollowTheItem_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QStringList>("judged"); // descriptions of the answers
        QTest::addColumn<QStringList>("displays"); // objectName=accessible name

        const QStringList yesNo = {"是", "否"};
        const QStringList standard = {"Lbl题号=题号", "Label1=题目", "Lbl总分=总分"};
        QTest::newRow("temperament") << "frm气质测试"
                                     << QStringList{"A：很符合自己情况的", "B：比较符合的", "C：介于符合与不够之间的",
                                                    "D：比较不符合的", "E：完全不符合的"}
                                     << QStringList{}
                                     << QStringList{"Label1=题目", "Label5=胆汁质总分", "Label8=抑郁质总分", "Label2_0=第1题得分",
                                                    "Label2_59=第60题得分"};
        QTest::newRow("introversion") << "frm性格内向或外向" << yesNo << QStringList{}
                                      << QStringList{"Lbl题号=题号", "Label1=题目", "Lbl测试结果=测试结果"};
        QTest::newRow("decisiveness") << "frm你可断吗" << yesNo << QStringList{} << standard;
        QTest::newRow("self-control") << "frm意志力" << letters(4) << QStringList{}
                                      << QStringList{"Label6=题号", "Label1=题目", "Label7=A个数", "Label10=D个数"};
        QTest::newRow("emotional stability") << "frm情绪稳定性1" << QStringList{"是", "不确定", "否"} << QStringList{}
                                             << QStringList{"Label5=题目"};
        QTest::newRow("inferiority") << "frm如何克服自卑感" << letters(3) << QStringList{} << standard;
        QTest::newRow("exam anxiety") << "frm考试焦虑"
                                      << QStringList{"A：很符合自己的情况", "B：较符合自己的情况", "C：较不符合自己的情况",
                                                     "D：很不符合自己的情况"}
                                      << QStringList{} << QStringList{"Lbl题号=题号", "Lbl题目=题目", "Label10=总分"};
        QTest::newRow("jealousy") << "frm女性嫉妒心理" << letters(4, true) << QStringList{} << standard;
        QTest::newRow("popularity") << "frm受欢迎的人" << letters(3) << QStringList{}
                                    << QStringList{"Lbl题号=题号", "Label2=题目", "Lbl总分=总分"};
        QTest::newRow("true friend") << "frm知心朋友测试" << letters(3) << QStringList{}
                                     << QStringList{"Lbl题号=题号", "Label2=题目", "Lbl总分=总分"};
        QTest::newRow("intelligence") << "frm你聪明吗"
                                      << QStringList{"A：题目所说的意思切合自己的情况", "B：题目所说的意思自己不能确定",
                                                     "C：题目所说的意思不符合自己的情况"}
                                      << QStringList{} << QStringList{"Lbl题号=题号", "Lbl题目=题目", "Lbl总分=总分"};
        QTest::newRow("self-potential") << "frm发挥自我潜能" << letters(3) << QStringList{}
                                        << QStringList{"Lbl题号=题号", "Lbl题目=题目", "Lbl总分=总分"};
        QTest::newRow("creativity") << "frm富有创造力" << QStringList{"非常同意", "一般同意", "模棱两可", "不同意", "强烈反对"}
                                    << QStringList{} << standard;
        QTest::newRow("creative potential") << "frm自我创造潜力自测" << yesNo << QStringList{}
                                            << QStringList{"Lbl题号=题号", "Label2=题目", "Lbl总分=总分"};
        QTest::newRow("logical thinking") << "frm逻辑思维能力测试" << letters(5) << QStringList{}
                                          << QStringList{"Lbl题号=题号", "Text1=题目", "Lbl总分=总分"};
        QTest::newRow("logic self-test") << "frm逻辑思考能力测试" << (yesNo + yesNo + yesNo + yesNo)
                                         << QStringList{"选项1 第%1题", "选项1 第%1题", "选项2 第%1题", "选项2 第%1题",
                                                        "选项3 第%1题", "选项3 第%1题", "测试题目 第%1题", "测试题目 第%1题"}
                                         << QStringList{"Lbl题号=题号", "Label2=题目", "Lbl总分=总分"};
        QTest::newRow("management style") << "frm你的管理方式" << yesNo << QStringList{}
                                          << QStringList{"Lbl题号=题号", "Label1=题目", "Lbl评价=测试结果"};
        QTest::newRow("leadership type") << "frm你的领导类型" << yesNo << QStringList{}
                                         << QStringList{"Lbl题号=题号", "Label1=题目", "Lbl评价=测试结果"};
        QTest::newRow("management qualities") << "frm具备管理素质" << yesNo << QStringList{} << standard;
        QTest::newRow("people-judging leader") << "frm知人善任的领导" << yesNo << QStringList{} << standard;
        QTest::newRow("lovable girl") << "frm惹人喜爱的女孩" << letters(3) << QStringList{} << standard;
        QTest::newRow("love score") << "frm你的爱情分值" << QStringList{"是", "不知道", "否"} << QStringList{} << standard;
    }
    void namesFollowTheItem()
    {
        QFETCH(QString, window);
        QFETCH(QStringList, answers);
        QFETCH(QStringList, judged);
        QFETCH(QStringList, displays);
        TestBank bank(bankSql(window, 3));
        ScriptedAnswers boxes;
        const std::unique_ptr<QDialog> dialog = shown(window);
        const QString itemField = window == "frm气质测试" ? "测试内容" : "测试题目";

        for (int row = 1; row <= 2; ++row) {
            const QHash<QString, QAccessibleInterface *> tree = accessibleTree(dialog.get());
            for (int i = 0; i < answers.size(); ++i) {
                QAccessibleInterface *option = tree.value(QStringLiteral("Option%1").arg(i + 1));
                QVERIFY(option);
                QCOMPARE(option->role(), QAccessible::RadioButton);
                QCOMPARE(option->text(QAccessible::Name), onRow(answers.at(i), row));
                QCOMPARE(option->text(QAccessible::Description), onRow(judged.value(i), row));
            }
            for (const QString &display : displays) {
                const QString object = display.section(u'=', 0, 0);
                QAccessibleInterface *shown = tree.value(object);
                QVERIFY2(shown, qPrintable(object));
                QCOMPARE(shown->text(QAccessible::Name), display.section(u'=', 1));
                // The text on show stays readable, as the value (a label's
                // also as its description), and follows every change.
                const auto *label = dialog->findChild<QLabel *>(object);
                const auto *box = dialog->findChild<QTextEdit *>(object);
                QVERIFY(label || box);
                const QString text = label ? label->text() : box->toPlainText();
                QCOMPARE(shown->text(QAccessible::Value), text);
                if (label)
                    QCOMPARE(shown->text(QAccessible::Description), text);
                if (display.section(u'=', 1) == "题目")
                    QCOMPARE(text, QStringLiteral("%1 第%2题").arg(itemField).arg(row));
            }
            if (row == 1) {
                dialog->findChild<QAbstractButton *>("Option1")->click();
                dialog->findChild<QAbstractButton *>("Command1")->click();
            }
        }
        QVERIFY(boxes.asked().isEmpty());
    }

    // On the shipped bank: every button a user can reach is named, and no
    // two answers on show sound alike.
    void everyAnswerOnShowTellsItself_data()
    {
        QTest::addColumn<QString>("window");
        for (const BankTable &table : bankTables())
            QTest::newRow(table.window.data()) << toQString(table.window);
    }
    void everyAnswerOnShowTellsItself()
    {
        QFETCH(QString, window);
        useShippedBank();
        const std::unique_ptr<QDialog> dialog = shown(window);
        QSet<QString> heard;
        int answers = 0;
        for (QAccessibleInterface *node : accessibleTree(dialog.get())) {
            const QAccessible::Role role = node->role();
            if ((role != QAccessible::RadioButton && role != QAccessible::PushButton) || node->state().invisible)
                continue;
            const QString name = node->text(QAccessible::Name);
            QVERIFY2(!name.isEmpty(), qPrintable(node->object()->objectName()));
            if (role != QAccessible::RadioButton)
                continue;
            ++answers;
            // A lone letter says nothing of the answer ("是" does).
            QVERIFY2(name.size() > 1 || name.at(0).unicode() > 0x7f, qPrintable(name));
            const QString said = name + u'|' + node->text(QAccessible::Description);
            QVERIFY2(!heard.contains(said), qPrintable(said));
            heard << said;
        }
        // The logic self-test opens on a page without answers.
        QCOMPARE(answers > 0, window != "frm逻辑思考能力测试");
    }
};

ZENTROVA_TEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
