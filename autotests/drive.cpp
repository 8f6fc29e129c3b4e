// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "drive.h"

#include "framework/bankcatalog.h"
#include "framework/strings.h"
#include "framework/testwindow.h"
#include "shell/testcatalog.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMap>
#include <QMenu>
#include <QRegularExpression>
#include <QTextEdit>

#include <sys/stat.h>

namespace zentrova::testing {

namespace {

void collectTests(std::span<const MenuEntry> entries, QList<const MenuEntry *> &tests)
{
    for (const MenuEntry &entry : entries) {
        if (entry.action == MenuAction::OpenTest)
            tests << &entry;
        collectTests(entry.children, tests);
    }
}

QList<const MenuEntry *> testEntries()
{
    QList<const MenuEntry *> tests;
    collectTests(testCatalog(), tests);
    return tests;
}


// The buttons that leave a test, or go back out of it.
bool leavesTheTest(const QAbstractButton *button)
{
    static const QStringList captions = {QStringLiteral("结束测试"), QStringLiteral("测试结束"), QStringLiteral("结束"),
                                         QStringLiteral("返回")};
    return captions.contains(button->text().trimmed());
}

QAbstractButton *button(QWidget *window, const char *name)
{
    return window->findChild<QAbstractButton *>(QString::fromLatin1(name));
}

} // namespace

QAction *testAction(QMainWindow &main, const QString &window)
{
    for (const MenuEntry *entry : testEntries()) {
        if (toQString(entry->window) != window)
            continue;
        for (QAction *action : main.findChildren<QAction *>()) {
            if (action->objectName() == toQString(entry->name) && !action->menu())
                return action;
        }
    }
    return nullptr;
}

QStringList testWindowsInMenuOrder()
{
    QStringList windows;
    for (const MenuEntry *entry : testEntries())
        windows << toQString(entry->window);
    return windows;
}

bool openFromMenu(QMainWindow &main, const QString &window, const std::function<void(QDialog *)> &visit)
{
    QAction *action = testAction(main, window);
    if (!action)
        return false;
    bool visited = false;
    bool leftOpen = false;
    whenModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<QDialog *>(modal);
        if (!dialog || dialog->objectName() != window) {
            // Not the window asked for: close whatever blocks, so the run goes on.
            for (QWidget *top : QApplication::topLevelWidgets()) {
                if (qobject_cast<QDialog *>(top) && top->isVisible())
                    top->close();
            }
            return;
        }
        visited = true;
        visit(dialog);
        if (dialog->isVisible()) {
            leftOpen = true;
            dialog->reject();
        }
    });
    action->trigger();
    return visited && !leftOpen;
}

QList<QList<QAbstractButton *>> optionGroups(QWidget *window)
{
    static const QRegularExpression optionName(QStringLiteral("^Option(\\d+)$"));
    QMap<int, QAbstractButton *> byNumber;
    for (QAbstractButton *option : window->findChildren<QAbstractButton *>(optionName)) {
        if (isUsable(option))
            byNumber.insert(optionName.match(option->objectName()).captured(1).toInt(), option);
    }
    QList<QList<QAbstractButton *>> groups;
    QList<QWidget *> frames;
    for (QAbstractButton *option : std::as_const(byNumber)) {
        qsizetype group = frames.indexOf(option->parentWidget());
        if (group < 0) {
            group = frames.size();
            frames << option->parentWidget();
            groups.append(QList<QAbstractButton *>());
        }
        groups[group] << option;
    }
    return groups;
}

int pressesToFinish(const QString &window)
{
    const BankTable *table = bankTableForWindow(window.toStdString());
    // The temperament sheet ends after its sixtieth item, whatever the bank holds.
    if (!table || (table->endNumber == 0 && window != QStringLiteral("frm气质测试")))
        return 0;
    return table->itemCount + table->scoring.firstItem - 1;
}

int answerItems(QDialog *window, const Picker &picker, int presses, const std::function<void(const QList<int> &)> &answered)
{
    QAbstractButton *next = button(window, "Command1");
    for (int press = 1; press <= presses && isUsable(next); ++press) {
        QList<int> picked;
        for (const QList<QAbstractButton *> &group : optionGroups(window)) {
            picked << picker(int(group.size()));
            group.at(picked.last())->click();
        }
        if (answered)
            answered(picked);
        next->click();
        if (!isUsable(next))
            return press;
    }
    return 0;
}

bool showResult(QDialog *window)
{
    QAbstractButton *result = button(window, "Command3");
    if (!isUsable(result) || leavesTheTest(result))
        return false;
    const QStringList before = visibleWidgets(window);
    result->click();
    return window->isVisible() && visibleWidgets(window) != before;
}

bool leave(QDialog *window)
{
    for (const char *name : {"Command4", "Command2", "Command3"}) {
        QAbstractButton *way = button(window, name);
        if (isUsable(way) && leavesTheTest(way)) {
            way->click();
            return !window->isVisible();
        }
    }
    return false;
}

QString shownText(const QWidget *control)
{
    if (auto *label = qobject_cast<const QLabel *>(control))
        return label->text();
    if (auto *box = qobject_cast<const QTextEdit *>(control))
        return box->toPlainText();
    if (auto *line = qobject_cast<const QLineEdit *>(control))
        return line->text();
    if (auto *button = qobject_cast<const QAbstractButton *>(control))
        return button->text();
    return {};
}

QStringList visibleWidgets(QWidget *window)
{
    QStringList names;
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        if (!widget->objectName().isEmpty() && widget->isVisibleTo(window))
            names << widget->objectName();
    }
    return names;
}

QStringList folderState(const QString &folder)
{
    QStringList lines;
    auto describe = [&lines](const QString &path, const QString &name) {
        struct stat entry {};
        if (::lstat(QFile::encodeName(path).constData(), &entry) != 0) {
            lines << name + QStringLiteral(" (gone)");
            return;
        }
        QString line = QStringLiteral("%1 mode %2 size %3 mtime %4.%5 ctime %6.%7")
                           .arg(name)
                           .arg(entry.st_mode, 0, 8)
                           .arg(entry.st_size)
                           .arg(entry.st_mtim.tv_sec)
                           .arg(entry.st_mtim.tv_nsec, 9, 10, QLatin1Char('0'))
                           .arg(entry.st_ctim.tv_sec)
                           .arg(entry.st_ctim.tv_nsec, 9, 10, QLatin1Char('0'));
        QFile file(path);
        if (S_ISREG(entry.st_mode) && file.open(QIODevice::ReadOnly)) {
            // Mapped rather than read: banks of tens of megabytes are hashed often.
            const uchar *bytes = entry.st_size > 0 ? file.map(0, entry.st_size) : nullptr;
            const QByteArrayView view(reinterpret_cast<const char *>(bytes), bytes ? qsizetype(entry.st_size) : 0);
            line += QStringLiteral(" bytes %1").arg(qHash(view, 0), 0, 16);
        }
        lines << line;
    };
    describe(folder, QStringLiteral("."));
    QDirIterator entries(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    QStringList paths;
    while (entries.hasNext())
        paths << entries.next();
    paths.sort();
    for (const QString &path : std::as_const(paths))
        describe(path, path.mid(folder.size() + 1));
    return lines;
}

} // namespace zentrova::testing
