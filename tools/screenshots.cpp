// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Renders every window of the program into PNG files, for looking at the
// layout at each scale and for the pictures in the README and the AppStream
// metadata. Run through tools/screenshots.sh, which sets the platform and the
// scale; not installed.
//
//   zentrova-screenshots [--check] OUTDIR [--bank FILE]
//
// Writes main-window.png (a menu open), splash.png, and for each test window
// <objectName>-answering.png and, where the test has one, -result.png (the
// temperament test also -sheet.png and -explanation.png), and records-window.png
// over a few made-up records. Texts that look too wide or too tall for their
// controls are listed on standard error; with --check, any such text makes the
// run fail.

#include "framework/bankcatalog.h"
#include "framework/focusrings.h"
#include "framework/fonts.h"
#include "framework/messages.h"
#include "framework/questionbank.h"
#include "framework/strings.h"
#include "framework/testwindow.h"
#include "framework/textwidgets.h"
#include "framework/translations.h"
#include "questionnaires/testwindows.h"
#include "records/localstore.h"
#include "records/recordstore.h"
#include "recordwindows/recordswindow.h"
#include "shell/mainwindow.h"
#include "shell/splashwindow.h"
#include "shell/testcatalog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QImageWriter>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QtCore/qtestsupport_core.h>
#include <QTextBlock>
#include <QTextEdit>

#include <cstdio>
#include <memory>

using namespace zentrova;

namespace {

QDir g_out;
int g_suspects = 0;

void settle()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

void save(const QImage &picture, const QString &name)
{
    const QString path = g_out.filePath(name + QStringLiteral(".png"));
    QImageWriter writer(path, "png");
    writer.setQuality(0); // for PNG: the strongest compression, still lossless
    if (!writer.write(picture))
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
}

void save(const QPixmap &picture, const QString &name)
{
    save(picture.toImage(), name);
}

// The text box's text, before any scrolling, ends inside the box: the last
// line that holds any text (the empty lines after it hold nothing to read).
template<typename TextBox>
bool showsWhole(const TextBox *box)
{
    QTextBlock block = box->document()->lastBlock();
    while (block.isValid() && block.text().trimmed().isEmpty())
        block = block.previous();
    if (!block.isValid())
        return true;
    QTextCursor end(block);
    end.movePosition(QTextCursor::EndOfBlock);
    return box->cursorRect(end).bottom() <= box->viewport()->height();
}

// A label's text as the user sees it: with a buddy, a single "&" underlines
// the letter after it and "&&" shows one "&".
QString shownText(const QLabel *label)
{
    const QString text = label->text();
    if (!label->buddy())
        return text;
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'&' && ++i == text.size())
            break;
        shown += text.at(i);
    }
    return shown;
}

// The lines of a text box that are wholly in view, where they are drawn in
// the box; a line is placed by its baseline.
QList<TextLabel::ShownLine> linesInView(const QTextEdit *box)
{
    QList<TextLabel::ShownLine> lines;
    const QRect view = box->viewport()->geometry();
    const QPointF offset = QPointF(view.topLeft()) - QPointF(box->horizontalScrollBar()->value(), box->verticalScrollBar()->value());
    const QAbstractTextDocumentLayout *layout = box->document()->documentLayout();
    for (QTextBlock block = box->document()->begin(); block.isValid(); block = block.next()) {
        const QPointF blockTop = layout->blockBoundingRect(block).topLeft() + offset;
        for (int i = 0; i < block.layout()->lineCount(); ++i) {
            const QTextLine line = block.layout()->lineAt(i);
            const QRect rect = line.rect().translated(blockTop).toAlignedRect();
            if (view.contains(rect))
                lines.append({rect, block.text().mid(line.textStart(), line.textLength())});
        }
    }
    return lines;
}

// The longest run of pixel rows from y0 to y1 (device pixels) in which no
// pixel between x0 and x1 stands out from the background by more than the
// faintest edge of a stroke.
int clearRows(const QImage &image, QRgb background, int x0, int x1, int y0, int y1)
{
    constexpr int Faint = 16;
    int longest = 0;
    int run = 0;
    for (int y = std::max(y0, 0); y < std::min(y1, image.height()); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        bool clear = true;
        for (int x = std::max(x0, 0); x < std::min(x1, image.width()) && clear; ++x) {
            clear = std::abs(qRed(row[x]) - qRed(background)) <= Faint && std::abs(qGreen(row[x]) - qGreen(background)) <= Faint
                && std::abs(qBlue(row[x]) - qBlue(background)) <= Faint;
        }
        run = clear ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

// The clear space between each two neighbouring lines of text, measured on
// the control as drawn: one pixel at least at 1x, two at 2x, or the lines
// read as touching. Returns a description of the closest pair, or nothing.
QString touchingLines(const QWidget *control, const QList<TextLabel::ShownLine> &lines)
{
    if (lines.size() < 2)
        return {};
    // Drawn as part of its window: a control alone has no background of its own.
    QWidget *window = control->window();
    const QImage image
        = window->grab(QRect(control->mapTo(window, QPoint()), control->size())).toImage().convertToFormat(QImage::Format_RGB32);
    const qreal scale = image.devicePixelRatio();
    // The background is the colour most of the text's area has.
    QHash<QRgb, int> counts;
    const QRect area = QRect(lines.first().rect.topLeft() * scale, lines.last().rect.bottomRight() * scale) & image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y)];
    }
    QRgb background = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > counts.value(background))
            background = it.key();
    }
    const int needed = qCeil(scale);
    const qreal em = QFontInfo(control->font()).pixelSize();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const TextLabel::ShownLine &above = lines.at(i - 1);
        const TextLabel::ShownLine &below = lines.at(i);
        if (above.text.trimmed().isEmpty() || below.text.trimmed().isEmpty())
            continue;
        // From the middle of one line's ideographs to the middle of the next.
        const auto middle = [&](const QRect &line) { return line.center().y() + em * 0.05; };
        const int gap = clearRows(image, background, qFloor(above.rect.left() * scale), qCeil((above.rect.right() + 1) * scale),
                                  qRound(middle(above.rect) * scale), qRound(middle(below.rect) * scale));
        if (gap < needed)
            return QStringLiteral("%1 px clear above line %2 \"%3\"").arg(gap).arg(i + 1).arg(below.text.left(12));
    }
    return {};
}

// Controls whose text needs more room than they have. A rough check: a frame
// of a label, a style's indicator or a deliberate cover are not weighed.
void reportTightTexts(const QWidget *window, const QString &state)
{
    auto report = [&](const QWidget *control, const QString &text) {
        ++g_suspects;
        std::fprintf(stderr, "%s %s: %s does not fit: %s\n", qPrintable(window->objectName()), qPrintable(state),
                     qPrintable(control->objectName()), qPrintable(text.section(u'\n', 0, 0).left(24)));
    };
    auto reportTouching = [&](const QWidget *control, const QString &where) {
        if (where.isEmpty())
            return;
        ++g_suspects;
        std::fprintf(stderr, "%s %s: %s has lines that touch: %s\n", qPrintable(window->objectName()), qPrintable(state),
                     qPrintable(control->objectName()), qPrintable(where));
    };
    for (const QLabel *label : window->findChildren<QLabel *>()) {
        if (!label->isVisibleTo(window) || label->text().isEmpty() || !label->pixmap().isNull())
            continue;
        const QRect room = label->contentsRect();
        const QString text = shownText(label);
        if (label->wordWrap()) {
            if (label->heightForWidth(label->width()) > label->height() + 1)
                report(label, text);
            if (const auto *wrapped = dynamic_cast<const TextLabel *>(label))
                reportTouching(label, touchingLines(label, wrapped->shownLines()));
        } else {
            // The ink, not the line with its leading, must lie inside the
            // label, where the label puts the line.
            const QFontMetrics metrics = label->fontMetrics();
            const QRect line = metrics.boundingRect(room, int(label->alignment()), text);
            const QRect ink = metrics.tightBoundingRect(text).translated(0, line.top() + metrics.ascent());
            if (line.width() > room.width() || ink.top() < room.top() || ink.bottom() > room.bottom())
                report(label, text);
        }
    }
    for (const QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        if (button->isVisibleTo(window) && !button->text().isEmpty() && button->sizeHint().width() > button->width())
            report(button, button->text());
    }
    // A box marked scrollsByDesign holds a text that its window defines
    // longer than the box can show: the temperament explanation, four
    // paragraphs that fill twice its panel.
    auto mustShowWhole = [&](const QWidget *box) { return box->isVisibleTo(window) && !box->property("scrollsByDesign").toBool(); };
    for (const QTextEdit *box : window->findChildren<QTextEdit *>()) {
        if (mustShowWhole(box) && !showsWhole(box))
            report(box, box->toPlainText());
        if (box->isVisibleTo(window))
            reportTouching(box, touchingLines(box, linesInView(box)));
    }
    for (const QPlainTextEdit *box : window->findChildren<QPlainTextEdit *>()) {
        if (mustShowWhole(box) && !showsWhole(box))
            report(box, box->toPlainText());
    }
}

// Chooses the first answer of every group of answers on show, as a user
// would before "下一题".
void answerWhatIsShown(QWidget *window)
{
    QMap<QWidget *, QList<QAbstractButton *>> groups;
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>(QRegularExpression(QStringLiteral("^Option\\d+$")))) {
        if (isUsable(button))
            groups[button->parentWidget()] << button;
    }
    for (const QList<QAbstractButton *> &group : std::as_const(groups)) {
        bool chosen = false;
        for (QAbstractButton *button : group)
            chosen = chosen || button->isChecked();
        if (!chosen)
            group.first()->click();
    }
}

QAbstractButton *button(QWidget *window, const char *name)
{
    return window->findChild<QAbstractButton *>(QString::fromLatin1(name));
}

void clickIfUsable(QAbstractButton *button)
{
    if (isUsable(button))
        button->click();
}

void shoot(QWidget *window, const QString &state)
{
    settle();
    reportTightTexts(window, state);
    save(window->grab(), window->objectName() + u'-' + state);
}

void shootTemperament(QWidget *window)
{
    for (int item = 0; item < 60 && isUsable(button(window, "Command1")); ++item) {
        answerWhatIsShown(window);
        button(window, "Command1")->click();
    }
    shoot(window, QStringLiteral("sheet"));
    clickIfUsable(button(window, "Command5")); // 统计结果
    clickIfUsable(button(window, "Command3")); // 提交测试
    shoot(window, QStringLiteral("result"));
    clickIfUsable(button(window, "Command5")); // 气质解释
    shoot(window, QStringLiteral("explanation"));
}

void shootTestWindow(const QString &name, QWidget *mainWindow)
{
    std::unique_ptr<QDialog> window(createTestWindow(name.toStdString(), mainWindow));
    window->show();
    settle();
    answerWhatIsShown(window.get());
    shoot(window.get(), QStringLiteral("answering"));

    if (name == QStringLiteral("frm气质测试")) {
        shootTemperament(window.get());
        return;
    }
    // A test without a closing row has no result view.
    const BankTable *table = bankTableForWindow(name.toStdString());
    if (!table || table->endNumber == 0)
        return;
    for (int press = 0; press <= table->itemCount + 1 && isUsable(button(window.get(), "Command1")); ++press) {
        answerWhatIsShown(window.get());
        button(window.get(), "Command1")->click();
        settle();
        reportTightTexts(window.get(), QStringLiteral("item %1").arg(press + 2));
    }
    clickIfUsable(button(window.get(), "Command3"));
    shoot(window.get(), QStringLiteral("result"));
}

// The main window with the first menu and one of its submenus open, drawn
// where they stand over it.
void shootMainWindow(MainWindow &mainWindow)
{
    mainWindow.show();
    settle();
    QAction *first = mainWindow.menuBar()->actions().value(0);
    QMenu *menu = first ? first->menu() : nullptr;
    if (menu) {
        mainWindow.menuBar()->setActiveAction(first);
        settle();
        QAction *sub = nullptr;
        for (QAction *action : menu->actions()) {
            if (action->objectName() == QStringLiteral("mnuXingxu"))
                sub = action;
        }
        if (sub && sub->menu()) {
            menu->setActiveAction(sub);
            sub->menu()->popup(menu->mapToGlobal(menu->actionGeometry(sub).topRight()));
        }
        settle();
    }
    reportTightTexts(&mainWindow, QStringLiteral("menu open"));
    QPixmap picture = mainWindow.grab();
    QPainter painter(&picture);
    const QPoint origin = mainWindow.mapToGlobal(QPoint());
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMenu *>(top) && top->isVisible())
            painter.drawPixmap(top->pos() - origin, top->grab());
    }
    painter.end();
    save(picture, QStringLiteral("main-window"));
    if (menu)
        menu->close();
}

// The picture in the 256 colours it uses most, every pixel taking the
// nearest: a window's flat colours stay exact, text edges come close, and the
// file shrinks to a fraction, as a picture in the README should.
QImage inFewColours(const QImage &picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            ++counts[line[x]];
    }
    QList<QRgb> colours = counts.keys();
    std::sort(colours.begin(), colours.end(), [&](QRgb a, QRgb b) { return counts[a] > counts[b]; });
    colours.resize(std::min<qsizetype>(colours.size(), 256));
    const auto distance = [](QRgb a, QRgb b) {
        const int r = qRed(a) - qRed(b), g = qGreen(a) - qGreen(b), bl = qBlue(a) - qBlue(b);
        return r * r + g * g + bl * bl;
    };
    QHash<QRgb, int> nearest;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        const auto best = std::min_element(
            colours.cbegin(), colours.cend(), [&](QRgb a, QRgb b) { return distance(a, it.key()) < distance(b, it.key()); });
        nearest.insert(it.key(), int(best - colours.cbegin()));
    }
    QImage reduced(image.size(), QImage::Format_Indexed8);
    reduced.setColorTable(colours);
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        uchar *out = reduced.scanLine(y);
        for (int x = 0; x < image.width(); ++x)
            out[x] = uchar(nearest.value(line[x]));
    }
    return reduced;
}

// The records window over a few records made up for the picture, kept in a
// record file of its own that goes when the picture is taken.
void shootRecordsWindow()
{
    QTemporaryDir folder;
    RecordStore::setDefaultPath(folder.filePath(QStringLiteral("records.db")));
    RecordStore store;
    const QStringList options = {QStringLiteral("A：很符合自己的情况"), QStringLiteral("B：比较符合自己的情况"),
        QStringLiteral("C：较不符合自己的情况"), QStringLiteral("D：很不符合自己的情况")};
    const QStringList people = {QStringLiteral("王小明"), QStringLiteral("李华"), QStringLiteral("张丽")};
    const QDateTime start(QDate(2026, 3, 2), QTime(9, 30), Qt::OffsetFromUTC, 8 * 3600);
    for (int i = 0; i < 9; ++i) {
        ShownResult shown {
            QStringLiteral("frm考试焦虑"), std::nullopt, {{QStringLiteral("总分"), QString::number(70 - 4 * i - 9 * (i % 3))}}, {}, {}};
        for (int item = 1; item <= 33; ++item)
            shown.answers.append({QString::number(item), options.at((item * 7 + i) % 4)});
        Record record = Record::fromShown(shown, QStringLiteral("考试焦虑度测试"), people.at(i % 3), {});
        record.finished = start.addDays(i * 4).addSecs(i * 1500);
        store.add(record);
    }
    ShownResult shown {QStringLiteral("frm性格内向或外向"), std::nullopt, {}, QStringLiteral("你的性格偏于外向。"), {}};
    Record introversion = Record::fromShown(shown, QStringLiteral("你的性格是内向还是外向？"), people.at(1), {});
    introversion.finished = start.addDays(37);
    store.add(introversion);

    LocalStore local;
    RecordsWindow window(local);
    window.resize(1000, 560);
    window.show();
    const auto answered = [&] { return QTest::qWaitFor([&] { return !window.isBusy(); }); };
    answered();
    window.findChild<QTableView *>(QStringLiteral("tblRecords"))->selectRow(1);
    answered();
    settle();
    reportTightTexts(&window, QStringLiteral("listing"));
    save(inFewColours(window.grab().toImage()), QStringLiteral("records-window"));
    RecordStore::setDefaultPath({});
}

void collectTestWindows(std::span<const MenuEntry> entries, QStringList &names)
{
    for (const MenuEntry &entry : entries) {
        if (entry.action == MenuAction::OpenTest)
            names << toQString(entry.window);
        collectTestWindows(entry.children, names);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool check = arguments.removeAll(QStringLiteral("--check")) > 0;
    if (const qsizetype bank = arguments.indexOf(QStringLiteral("--bank")); bank >= 0 && bank + 1 < arguments.size()) {
        setBankFile(arguments.at(bank + 1));
        arguments.remove(bank, 2);
    }
    if (arguments.size() != 1) {
        std::fprintf(stderr, "usage: zentrova-screenshots [--check] OUTDIR [--bank FILE]\n");
        return 2;
    }
    g_out.setPath(arguments.first());
    if (!g_out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(arguments.first()));
        return 1;
    }
    installQtTranslations();
    installFontSubstitutions();
    installFocusRings();
    // Questions are answered Yes (the temperament test asks before it
    // submits), except the one that would end a test.
    setMessageAnswerer([](const MessageRequest &request) {
        if (request.buttons == MessageButtons::Ok) {
            std::fprintf(stderr, "message box: %s\n", qPrintable(request.text));
            return MessageAnswer::Ok;
        }
        return request.title == QStringLiteral("结束测试确认") ? MessageAnswer::No : MessageAnswer::Yes;
    });

    MainWindow mainWindow;
    SplashWindow *splash = SplashWindow::present(&mainWindow);
    settle();
    reportTightTexts(splash, QStringLiteral("shown"));
    save(splash->grab(), QStringLiteral("splash"));
    splash->close();

    shootMainWindow(mainWindow);
    QStringList windows;
    collectTestWindows(testCatalog(), windows);
    for (const QString &name : std::as_const(windows))
        shootTestWindow(name, &mainWindow);
    shootRecordsWindow();

    std::fprintf(stderr, "%d control(s) with a text that may not fit\n", g_suspects);
    return check && g_suspects > 0 ? 1 : 0;
}
