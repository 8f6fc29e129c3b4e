// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Driving the program as its user does: a test opened from the main window's
// menu, its items answered, its result shown and the test left by its own
// buttons; and a record of a folder that any write into it would change.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QAbstractButton;
class QDialog;
class QAction;
class QMainWindow;
class QWidget;

namespace zentrova::testing {

// The test windows in menu order, by objectName.
QStringList testWindowsInMenuOrder();

// The menu entry that opens a test window; none where the menu lacks it.
QAction *testAction(QMainWindow &main, const QString &window);

// Opens the test window from its menu entry, as a click would, and runs visit
// inside its modal loop. Returns once the window has closed again: false when
// visit left it open (it is then closed here, so that the run goes on), or
// when another window opened.
bool openFromMenu(QMainWindow &main, const QString &window, const std::function<void(QDialog *)> &visit);

// Picks one answer out of a group of count options: 0 for the first.
using Picker = std::function<int(int count)>;

// The answer buttons (OptionN) the user can see now, one list per group of
// buttons that exclude each other (one frame each), in number order.
QList<QList<QAbstractButton *>> optionGroups(QWidget *window);

// Presses of "下一题" after which the window, over a sound bank, has ended
// answering; 0 for a window that never does.
int pressesToFinish(const QString &window);

// Answers what is on show with picker and presses "下一题", up to presses
// times, stopping once "下一题" is gone. Before each press, answered (if
// given) learns the answer picked in each group. Returns the press after
// which "下一题" went (answering finished), or 0 when it stayed.
int answerItems(QDialog *window, const Picker &picker, int presses,
                const std::function<void(const QList<int> &picked)> &answered = {});

// Presses the result button when the user can reach it. True when that
// changed what the window shows.
bool showResult(QDialog *window);

// Leaves the test with its own button (结束测试, 测试结束, 结束 or 返回), Yes
// to any question. True when the window closed.
bool leave(QDialog *window);

// The text a label, line edit or text box shows.
QString shownText(const QWidget *control);

// Objectnames of the window's widgets that the user can see now.
QStringList visibleWidgets(QWidget *window);

// One line per entry of the folder, itself and everything below it: name,
// kind, permissions, size, modification time to the nanosecond and, for
// files, a hash of the bytes. Equal lists: nothing was created, deleted,
// written or touched.
QStringList folderState(const QString &folder);

} // namespace zentrova::testing
