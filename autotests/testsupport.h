// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Helpers the test suites share: scripted message-box answers, small banks
// made on the fly, and driving modal windows.
#pragma once

#include "framework/focusrings.h"
#include "framework/fonts.h"
#include "framework/messages.h"
#include "framework/translations.h"

#include <QApplication>
#include <QDialog>
#include <QTest>

#include <QList>
#include <QDir>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class QAbstractButton;
class QLabel;
class QWidget;

namespace zentrova::testing {

// Answers every message box from a script while alive, recording what was asked.
class ScriptedAnswers
{
public:
    explicit ScriptedAnswers(QList<MessageAnswer> answers = {});
    ~ScriptedAnswers();

    void push(MessageAnswer answer) { m_answers.append(answer); }
    // The answer to Yes/No boxes once the script has run out; No unless set.
    void setYesNoDefault(MessageAnswer answer) { m_yesNoDefault = answer; }
    const QList<MessageRequest> &asked() const { return m_asked; }
    void clear() { m_asked.clear(); }

private:
    QList<MessageAnswer> m_answers;
    QList<MessageRequest> m_asked;
    MessageAnswer m_yesNoDefault = MessageAnswer::No;
    MessageAnswerer m_previous;
};

// A bank file written from SQL text into a temporary folder, which becomes
// the program folder for as long as the object lives.
class TestBank
{
public:
    explicit TestBank(const QString &sql);
    ~TestBank();

    QString folder() const { return m_dir.path(); }
    QString path() const;

private:
    QTemporaryDir m_dir;
};

// The shipped bank, as the build made it.
QString shippedBankPath();

// The program folder pointed at the folder of the shipped bank.
void useShippedBank();

// SQL that makes a record file of ours what the first release left: no
// groups, no outbox, none of the listing's indexes.
extern const char *const AsFirstReleaseLeftIt;

// Makes the running test function fail on Qt's warnings of an object used
// from the wrong thread (a timer that never fires, a notifier never woken):
// each hides a fault that no assertion sees. Every suite calls it in init().
void failOnThreadWarnings();

// Waits (events running) until a window that asks a store has every answer;
// false where it has not within a generous while.
template<typename Window> [[nodiscard]] bool settled(const Window &window)
{
    return QTest::qWaitFor([&] { return !window.isBusy(); }, 20000);
}

// Runs action inside the next modal loop (a window's exec()) from a zero-delay timer.
void whenModal(std::function<void(QWidget *modal)> action);

// Visible top-level windows, for the check that a test left none behind.
QList<QWidget *> visibleTopLevels();

// Items of the window's table, from the catalogue.
int itemCount(const QString &window);

// SQL that makes the window's table with the catalogue's fields and rows
// 1 … rows; value(column, row) gives each field's SQL literal. One
// transaction, so that a long table is quick to write.
QString catalogueTableSql(const QString &window, int rows, const std::function<QString(const QString &column, int row)> &value);

// A test window as the menu makes it, shown, with the ways a user drives it.
// Controls are found by name; a missing one fails the test at once.
struct OpenedWindow {
    explicit OpenedWindow(const QString &name);
    ~OpenedWindow();
    OpenedWindow(OpenedWindow &&) = default;

    template<typename T = QWidget>
    T *child(const QString &name) const
    {
        T *found = qobject_cast<T *>(window->findChild<QWidget *>(name));
        if (!found)
            qFatal("no control %s of that kind", qPrintable(name));
        return found;
    }
    QAbstractButton *button(const QString &name) const;
    QLabel *label(const QString &name) const;
    QString text(const QString &label) const;
    QStringList texts(const QStringList &labels) const;
    bool shown(const QString &name) const;

    void click(const QString &button) const;
    void choose(int option) const; // clicks OptionN
    void next() const;             // clicks Command1
    void answerAll(int option, int items) const;
    void key(Qt::Key key) const;
    int chosen() const; // 1-based number of the chosen answer, 0 for none

    std::unique_ptr<QDialog> window;
};

} // namespace zentrova::testing

// QTEST_MAIN with the program's font substitutions and Qt's translations in
// place, so that tests see the dialogs as users do.
#define ZENTROVA_TEST_MAIN(TestClass)                                                                                                      \
    int main(int argc, char *argv[])                                                                                                       \
    {                                                                                                                                      \
        QStandardPaths::setTestModeEnabled(true); /* never the user's records or settings */                                             \
        QApplication app(argc, argv);                                                                                                      \
        /* records an earlier run (or another build) left would change what the suite sees */                                             \
        QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).removeRecursively();                                       \
        zentrova::installQtTranslations();                                                                                                 \
        zentrova::installFontSubstitutions();                                                                                              \
        zentrova::installFocusRings();                                                                                                     \
        TestClass test;                                                                                                                    \
        return QTest::qExec(&test, argc, argv);                                                                                            \
    }
