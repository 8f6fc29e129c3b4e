// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "framework/bankcatalog.h"
#include "questionnaires/testwindows.h"
#include "records/localstore.h"
#include "recordwindows/recordswindow.h"
#include "shell/layoutscaler.h"
#include "shell/mainwindow.h"
#include "shell/splashwindow.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QTabBar>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

using namespace zentrova;
using namespace zentrova::testing;

namespace {

// The menu tree as the user reads it: one line per entry, "path|objectName".
QStringList menuLines(const QList<QAction *> &actions, const QString &path = {})
{
    QStringList lines;
    for (QAction *action : actions) {
        const QString here = path.isEmpty() ? action->text() : path + " > " + action->text();
        lines << here + "|" + action->objectName();
        if (action->menu())
            lines << menuLines(action->menu()->actions(), here);
    }
    return lines;
}

QAction *findAction(QMainWindow &window, const QString &name)
{
    for (QAction *action : window.findChildren<QAction *>()) {
        if (action->objectName() == name)
            return action;
    }
    return nullptr;
}

QTimer *countdownOf(SplashWindow *splash)
{
    return splash ? splash->findChild<QTimer *>("Timer1") : nullptr;
}

QStringList actionTexts(const QList<QAction *> &actions)
{
    QStringList texts;
    for (const QAction *action : actions)
        texts << action->text() << action->toolTip() << action->shortcut().toString(QKeySequence::NativeText);
    return texts;
}

// Every text a user can read in a window, shown now or in another of its
// states: captions, titles, items, headers, tips and the entries of its
// menus. Names the user typed or the file system holds are not Qt's words.
QStringList readableTexts(const QWidget *root)
{
    QList<const QWidget *> widgets{root};
    for (const QWidget *child : root->findChildren<QWidget *>())
        widgets << child;
    QStringList texts;
    for (const QWidget *w : widgets) {
        texts << w->windowTitle() << w->toolTip() << w->whatsThis() << actionTexts(w->actions());
        if (const auto *label = qobject_cast<const QLabel *>(w))
            texts << label->text();
        else if (const auto *button = qobject_cast<const QAbstractButton *>(w))
            texts << button->text();
        else if (const auto *group = qobject_cast<const QGroupBox *>(w))
            texts << group->title();
        else if (const auto *edit = qobject_cast<const QLineEdit *>(w))
            texts << edit->placeholderText();
        else if (const auto *box = qobject_cast<const QTextEdit *>(w))
            texts << box->toPlainText();
        else if (const auto *tabs = qobject_cast<const QTabBar *>(w)) {
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->tabText(i);
        } else if (const auto *combo = qobject_cast<const QComboBox *>(w); combo && combo->objectName() != "lookInCombo") {
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
        } else if (const auto *header = qobject_cast<const QHeaderView *>(w); header && header->model()) {
            for (int i = 0; i < header->count(); ++i)
                texts << header->model()->headerData(i, header->orientation()).toString();
        }
    }
    return texts;
}

// Latin words of three letters or more, outside the few a Chinese user
// reads as they are: the program's name, file kinds, keys named as their
// keycaps are, paper standards (JIS B5, ANSI C), and the original name that
// Qt's translation keeps in brackets after a paper's Chinese name
// ("美国信纸 (Letter)").
QStringList englishWords(const QStringList &texts)
{
    static const QStringList allowed = {"Zentrova", "PDF", "PNG", "CSV", "SHA", "UTC", "Ctrl", "Shift", "Del", "Delete", "Esc", "Menu", "JIS", "ANSI"};
    static const QRegularExpression word("[A-Za-z]{3,}");
    static const QRegularExpression gloss("(?<=[\\x{4e00}-\\x{9fff}]) ?\\([^()]*\\)");
    QStringList found;
    for (const QString &text : texts) {
        // "P&roperties" reads as one word.
        const QString read = QString(text).remove('&').remove(gloss);
        for (const QRegularExpressionMatch &match : word.globalMatch(read)) {
            if (!allowed.contains(match.captured(), Qt::CaseInsensitive))
                found << QStringLiteral("%1 in \"%2\"").arg(match.captured(), text.left(40));
        }
    }
    found.removeDuplicates();
    return found;
}

using TextsShown = std::function<QStringList()>;

// The texts of the popup menu that opens inside action, which returns once
// the menu has closed.
QStringList popupTexts(const std::function<void()> &action)
{
    QStringList texts;
    QTimer::singleShot(0, qApp, [&] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            texts = readableTexts(menu);
            menu->close();
        }
    });
    action();
    return texts;
}

} // namespace

Q_DECLARE_METATYPE(TextsShown)

class ShellTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { zentrova::testing::failOnThreadWarnings(); }
    void initTestCase() { useShippedBank(); }

    void cleanup()
    {
        if (auto *splash = SplashWindow::instance())
            delete splash;
        QVERIFY(visibleTopLevels().isEmpty());
    }

    void menuTree()
    {
        MainWindow window;
        const QStringList expected = {
            "个性测试|mnuGexing",
            "个性测试 > 性格与气质测试|mnuXingge",
            "个性测试 > 性格与气质测试 > 你属于哪种气质？|mnuXingge1",
            "个性测试 > 性格与气质测试 > 你的性格是内向还是外向？|mnuXingge2",
            "个性测试 > 性格与气质测试 > 你果断吗？|mnuXingge3",
            "个性测试 > 意志力测试|mnuYizili",
            "个性测试 > 意志力测试 > 你有几分克制能力？|mnuYizili1",
            "个性测试 > 情绪与情感测试|mnuXingxu",
            "个性测试 > 情绪与情感测试 > 情绪稳定性测试|mnuXingxu1",
            "个性测试 > 情绪与情感测试 > 如何克服自卑感|mnuXingxu4",
            "个性测试 > 情绪与情感测试 > 考试焦虑度测试|mnuXingxu2",
            "个性测试 > 情绪与情感测试 > 女性嫉妒心理测试|mnuXingxu3",
            "个性测试 > 人际交往测试|mnuJiaoWang",
            "个性测试 > 人际交往测试 > 你是个受欢迎的人吗？|mnuJiaoWang1",
            "个性测试 > 人际交往测试 > 你有真正的朋友吗？|mnuJiaoWang2",
            "个性测试 > 退出系统|mnuExit",
            "能力测试|mnuNengli",
            "能力测试 > 个人智商测试|mnuNengli2",
            "能力测试 > 个人智商测试 > 你聪明吗？|mnuNengli21",
            "能力测试 > 能力倾向测试|mnuNengli3",
            "能力测试 > 能力倾向测试 > 发挥自我潜能测试|mnuNengli31",
            "能力测试 > 能力倾向测试 > 你富有创造力吗？|mnuNengli32",
            "能力测试 > 能力倾向测试 > 自我创造潜力测试|mnuNengli33",
            "能力测试 > 思维能力测试|mnuNengli4",
            "能力测试 > 思维能力测试 > 逻辑思维能力测试|mnuNengli41",
            "能力测试 > 思维能力测试 > 逻辑思考能力自测|mnuNengli42",
            "能力测试 > 管理能力测试|mnuNengli6",
            "能力测试 > 管理能力测试 > 你的管理方式测试|mnuNengli61",
            "能力测试 > 管理能力测试 > 你的领导类型测试|mnuNengli62",
            "能力测试 > 管理能力测试 > 你具备管理素质吗|mnuNengli63",
            "能力测试 > 管理能力测试 > 知人善任的领导|mnuNengli64",
            "婚恋测试|mnuHunglan",
            "婚恋测试 > 恋爱测试|mnuHunlan1",
            "婚恋测试 > 恋爱测试 > 惹人喜爱的女孩|mnuHunlan11",
            "婚恋测试 > 恋爱测试 > 你的爱情分值|mnuHunlan12",
            "测评记录(&R)|mnuRecords",
            "测评记录(&R) > 查看测评记录(&V)…|mnuRecordsView",
            "测评记录(&R) > 当前受测者(&P)…|mnuRecordsPerson",
            "测评记录(&R) > 自动保存测评结果(&A)|mnuRecordsAutoSave",
            "测评记录(&R) > 删除全部记录(&D)…|mnuRecordsDeleteAll",
            "帮助|mnuHelp",
            "帮助 > 关于|mnuAbout",
        };
        QCOMPARE(menuLines(window.menuBar()->actions()), expected);
        for (QAction *action : window.findChildren<QAction *>()) {
            QVERIFY(action->isEnabled());
            // Saving results is the one entry with a check mark, outside the defined menus.
            if (action->objectName() == "mnuRecordsAutoSave")
                continue;
            QVERIFY(!action->isCheckable());
            QVERIFY(!action->isSeparator());
            QVERIFY(action->shortcut().isEmpty());
        }
    }

    // Qt's own dialogs and menus speak Chinese beside the windows' Chinese.
    void noEnglishWords_data()
    {
        QTest::addColumn<TextsShown>("shown");
        QTest::newRow("main window and its menus") << TextsShown([] {
            MainWindow main;
            return readableTexts(&main);
        });
        for (const BankTable &table : bankTables()) {
            QTest::newRow(table.window.data()) << TextsShown([name = table.window] {
                std::unique_ptr<QDialog> window(createTestWindow(name, nullptr));
                return readableTexts(window.get());
            });
        }
        QTest::newRow("records window") << TextsShown([] {
            LocalStore store;
            RecordsWindow window(store);
            [&] { QVERIFY(settled(window)); }();
            return readableTexts(&window);
        });
        QTest::newRow("line edit and text box menus") << TextsShown([] {
            QLineEdit edit("王小明");
            QTextEdit box("结果");
            std::unique_ptr<QMenu> editMenu(edit.createStandardContextMenu()), boxMenu(box.createStandardContextMenu());
            return readableTexts(editMenu.get()) + readableTexts(boxMenu.get());
        });
        QTest::newRow("scroll bar menu") << TextsShown([] {
            QScrollBar bar(Qt::Vertical);
            bar.resize(16, 200);
            bar.show();
            return popupTexts([&] {
                QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(8, 100), bar.mapToGlobal(QPoint(8, 100)));
                QApplication::sendEvent(&bar, &event);
            });
        });
        QTest::newRow("当前受测者…") << TextsShown([] {
            MainWindow main;
            main.show();
            QStringList texts;
            whenModal([&](QWidget *dialog) {
                texts = readableTexts(dialog);
                dialog->close();
            });
            findAction(main, "mnuRecordsPerson")->trigger();
            return texts;
        });
        QTest::newRow("file dialog") << TextsShown([] {
            QTemporaryDir folder;
            QFileDialog dialog(nullptr, "保存报告", folder.path(), "PDF 文件 (*.pdf)");
            dialog.setOption(QFileDialog::DontUseNativeDialog);
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.show();
            return readableTexts(&dialog);
        });
        QTest::newRow("print dialog and the printer's properties") << TextsShown([] {
            QPrinter printer;
            QPrintDialog dialog(&printer);
            dialog.show();
            QStringList texts = readableTexts(&dialog);
            whenModal([&](QWidget *properties) {
                texts << readableTexts(properties);
                properties->close();
            });
            dialog.findChild<QAbstractButton *>("properties")->click();
            return texts;
        });
    }
    void noEnglishWords()
    {
        QFETCH(TextsShown, shown);
        const QStringList texts = shown();
        QVERIFY(!texts.join("").trimmed().isEmpty());
        const QStringList english = englishWords(texts);
        QVERIFY2(english.isEmpty(), qPrintable(english.join("; ")));
    }

    void testEntryOpensItsWindowModally_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("caption");
        QTest::newRow("temperament") << "mnuXingge1" << "frm气质测试" << "";
        QTest::newRow("introversion") << "mnuXingge2" << "frm性格内向或外向" << "你的性格是内向还是外向？";
        QTest::newRow("decisiveness") << "mnuXingge3" << "frm你可断吗" << "你可断吗？";
        QTest::newRow("self-control") << "mnuYizili1" << "frm意志力" << "克制能力测试";
        QTest::newRow("emotional stability") << "mnuXingxu1" << "frm情绪稳定性1" << "情绪稳定性测试";
        QTest::newRow("inferiority") << "mnuXingxu4" << "frm如何克服自卑感" << "如何克服自卑感";
        QTest::newRow("exam anxiety") << "mnuXingxu2" << "frm考试焦虑" << "考试焦虑度测试";
        QTest::newRow("jealousy") << "mnuXingxu3" << "frm女性嫉妒心理" << "女性嫉妒心理测试";
        QTest::newRow("popularity") << "mnuJiaoWang1" << "frm受欢迎的人" << "你是个受欢迎的人吗";
        QTest::newRow("true friend") << "mnuJiaoWang2" << "frm知心朋友测试" << "你有真正的朋友吗？";
        QTest::newRow("intelligence") << "mnuNengli21" << "frm你聪明吗" << "你聪明吗？";
        QTest::newRow("self-potential") << "mnuNengli31" << "frm发挥自我潜能" << "发挥自我潜能测试";
        QTest::newRow("creativity") << "mnuNengli32" << "frm富有创造力" << "你富有创造力吗？";
        QTest::newRow("creative potential") << "mnuNengli33" << "frm自我创造潜力自测" << "你知道自己的创造潜力吗？";
        QTest::newRow("logical thinking") << "mnuNengli41" << "frm逻辑思维能力测试" << "逻辑思维能力测试";
        QTest::newRow("logic self-test") << "mnuNengli42" << "frm逻辑思考能力测试" << "逻辑思考能力测试";
        QTest::newRow("management style") << "mnuNengli61" << "frm你的管理方式" << "你用什么方式进行管理？";
        QTest::newRow("leadership type") << "mnuNengli62" << "frm你的领导类型" << "你是哪种类型的领导？";
        QTest::newRow("management qualities") << "mnuNengli63" << "frm具备管理素质" << "你具备管理者的素质吗？";
        QTest::newRow("people-judging leader") << "mnuNengli64" << "frm知人善任的领导" << "你是个知人善任的领导吗？";
        QTest::newRow("lovable girl") << "mnuHunlan11" << "frm惹人喜爱的女孩" << "你是个惹人喜爱的女孩子吗？";
        QTest::newRow("love score") << "mnuHunlan12" << "frm你的爱情分值" << "你的爱情能打多少分？";
    }
    void testEntryOpensItsWindowModally()
    {
        QFETCH(QString, action);
        QFETCH(QString, window);
        QFETCH(QString, caption);
        ScriptedAnswers answers;
        MainWindow main;
        main.show();

        for (int opening = 0; opening < 2; ++opening) {
            QString seenName, seenCaption;
            bool blocking = false;
            whenModal([&](QWidget *modal) {
                QVERIFY(modal);
                seenName = modal->objectName();
                seenCaption = modal->windowTitle();
                blocking = modal->isModal() && modal->windowModality() == Qt::ApplicationModal && modal->isVisible();
                modal->close();
            });
            findAction(main, action)->trigger();
            // trigger() returns only once the window has closed again.
            QCOMPARE(seenName, window);
            QCOMPARE(seenCaption, caption);
            QVERIFY(blocking);
            QCOMPARE(QApplication::activeModalWidget(), nullptr);
            QVERIFY(main.findChildren<QDialog *>().isEmpty());
        }
        QVERIFY2(answers.asked().isEmpty(), "the shipped bank opened without a message");
    }

    void startUpShowsFullScreenMainWindowUnderTheSplash()
    {
        MainWindow main;
        SplashWindow *splash = SplashWindow::present(&main);
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QVERIFY(main.isVisible());
        // The whole window, frame included, covers the screen.
        QVERIFY2(main.frameGeometry() != main.geometry(), "the offscreen platform frames its windows, so the frame counts here");
        QCOMPARE(main.frameGeometry(), QGuiApplication::primaryScreen()->geometry());
        QCOMPARE(main.pos(), QPoint(0, 0));
        QCOMPARE(main.windowTitle(), "Zentrova1.0");
        QVERIFY(splash->isVisible());
        QCOMPARE(splash->objectName(), "frm心理测试版本");
        QVERIFY(splash->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(splash->size(), QSize(455, 231)); // 6825 × 3465 twips
        // The program's own version, not the layout's 1.0; the caption stays as laid out.
        QCOMPARE(splash->findChild<QLabel *>("Label2")->text(), "版本：  " ZENTROVA_VERSION);
        QVERIFY(QStringLiteral(ZENTROVA_VERSION) != "1.0");
        QImageReader stored(":/images/splash.jpg");
        QCOMPARE(stored.format(), "jpeg");
        QCOMPARE(stored.size(), QSize(694, 449));
        QFile jpeg(":/images/splash.jpg");
        QVERIFY(jpeg.open(QIODevice::ReadOnly));
        const QByteArray bytes = jpeg.readAll();
        QVERIFY2(bytes.contains("\xFF\xC0") && !bytes.contains("\xFF\xC2"), "a baseline, not a progressive, JPEG");
        const QPixmap picture = splash->findChild<QLabel *>("Image1")->pixmap();
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.deviceIndependentSize().toSize(), splash->findChild<QLabel *>("Image1")->size());

        QTimer *timer = countdownOf(splash);
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 4000);

        // The countdown running out unloads the splash; the main window stays.
        QMetaObject::invokeMethod(timer, "timeout");
        QTRY_VERIFY(!SplashWindow::instance());
        QVERIFY(main.isVisible());
    }

    void aboutShowsTheWindowForThreeSeconds()
    {
        MainWindow main;
        SplashWindow *splash = SplashWindow::present(&main);
        QAction *about = findAction(main, "mnuAbout");

        // While the start-up splash shows, "关于" keeps it and shortens the countdown.
        about->trigger();
        QCOMPARE(SplashWindow::instance(), splash);
        QCOMPARE(countdownOf(splash)->interval(), 3000);
        QVERIFY(countdownOf(splash)->isActive());

        // A second click restarts the countdown from its full length.
        QTest::qWait(120);
        const int remaining = countdownOf(splash)->remainingTime();
        about->trigger();
        QVERIFY2(countdownOf(splash)->remainingTime() > remaining,
                 qPrintable(QString("remaining %1 after restart, %2 before").arg(countdownOf(splash)->remainingTime()).arg(remaining)));

        QMetaObject::invokeMethod(countdownOf(splash), "timeout");
        QTRY_VERIFY(!SplashWindow::instance());

        // Once closed, "关于" loads it again, for three seconds.
        about->trigger();
        QVERIFY(SplashWindow::instance());
        QVERIFY(SplashWindow::instance()->isVisible());
        QCOMPARE(countdownOf(SplashWindow::instance())->interval(), 3000);
    }

    void exitEndsTheProgram()
    {
        MainWindow main;
        main.show();
        QTimer::singleShot(0, &main, [&] { findAction(main, "mnuExit")->trigger(); });
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(99); });
        QCOMPARE(QCoreApplication::exec(), 0);
    }

    void theSplashOutlivesAClosedMainWindow()
    {
        MainWindow main;
        SplashWindow::present(&main);
        bool splashKeptTheProgram = false;
        QTimer::singleShot(0, &main, [&] { main.close(); });
        QTimer::singleShot(50, &main, [&] {
            splashKeptTheProgram = SplashWindow::instance() && SplashWindow::instance()->isVisible();
            QMetaObject::invokeMethod(countdownOf(SplashWindow::instance()), "timeout");
        });
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(99); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(splashKeptTheProgram);
    }

    void mainWindowScalesItsLabelsToTheScreen()
    {
        MainWindow main;
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        auto *label = main.findChild<QLabel *>("Label1");
        QWidget *client = label->parentWidget();
        const QSize design = main.layoutScaler().recordedClientTwips() / TwipsPerPixel;
        const QStringList tag = label->property("Tag").toString().split(' ');
        const double ratioX = double(client->width()) / design.width();
        QVERIFY(client->width() > design.width() || client->height() > design.height());
        QVERIFY(qAbs(label->x() - ratioX * tag.at(0).toInt() / TwipsPerPixel) <= 1);
        QVERIFY(qAbs(label->width() - ratioX * tag.at(2).toInt() / TwipsPerPixel) <= 1);
    }

    void theUserCanResizeTheFittedWindow()
    {
        MainWindow main;
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QCOMPARE(main.frameGeometry(), QGuiApplication::primaryScreen()->geometry());

        // Fitting to the screen happens at load only; later sizes are the user's.
        auto *label = main.findChild<QLabel *>("Label1");
        const QRect fitted = label->geometry();
        const QSize half = main.size() / 2;
        main.resize(half);
        QCoreApplication::processEvents();
        QCOMPARE(main.size(), half);
        QVERIFY(label->width() < fitted.width());
    }

    void resizeForm_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::addColumn<double>("ratioX");
        QTest::addColumn<double>("ratioY");
        QTest::newRow("double width") << QSize(800, 300) << 2.0 << 1.0;
        QTest::newRow("recorded size") << QSize(400, 300) << 1.0 << 1.0;
        QTest::newRow("half height") << QSize(400, 150) << 1.0 << 0.5;
        QTest::newRow("width 0 (minimised)") << QSize(0, 300) << 0.0 << 1.0;
    }
    void resizeForm()
    {
        QFETCH(QSize, client);
        QFETCH(double, ratioX);
        QFETCH(double, ratioY);

        QWidget window;
        window.resize(400, 300);
        auto *frame = new QFrame(&window);
        frame->setGeometry(40, 30, 200, 100);
        auto *inner = new QLabel(frame);
        inner->setGeometry(10, 20, 60, 30);
        auto *label = new QLabel(&window);
        label->setGeometry(250, 200, 100, 50);
        label->setProperty("Tag", "kept from before");
        const QList<QPair<QWidget *, QRect>> recorded = {{frame, frame->geometry()}, {inner, inner->geometry()}, {label, label->geometry()}};

        LayoutScaler scaler;
        scaler.resizeInit(&window);
        QCOMPARE(scaler.recordedClientTwips(), QSize(6000, 4500));
        QCOMPARE(label->property("Tag").toString(), "3750 3000 1500 750 ");

        window.resize(client);
        scaler.resizeForm(&window);
        for (const auto &[control, rect] : recorded) {
            QCOMPARE(control->x(), qRound(rect.x() * ratioX));
            QCOMPARE(control->width(), qRound(rect.width() * ratioX));
            QCOMPARE(control->y(), qRound(rect.y() * ratioY));
            QCOMPARE(control->height(), qRound(rect.height() * ratioY));
        }

        // Back at the recorded size every control is where it was designed.
        window.resize(400, 300);
        scaler.resizeForm(&window);
        for (const auto &[control, rect] : recorded)
            QCOMPARE(control->geometry(), rect);
    }

    void resizeFormReadsShortTagsAsZero()
    {
        QWidget window;
        window.resize(400, 300);
        auto *label = new QLabel(&window);
        label->setGeometry(10, 10, 50, 50);
        LayoutScaler scaler;
        scaler.resizeInit(&window);
        label->setProperty("Tag", "150 300 750"); // the last field has no space after it
        scaler.resizeForm(&window);
        QCOMPARE(label->geometry(), QRect(10, 20, 0, 0));
    }
};

ZENTROVA_TEST_MAIN(ShellTest)
#include "tst_shell.moc"
