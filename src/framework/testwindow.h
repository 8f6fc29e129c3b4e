// What every test window has: a fixed-size modal dialog that owns the cursor
// over its table in the question bank and lets the user answer from the
// keyboard.
#pragma once

#include "questionbank.h"
#include "shownresult.h"

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QStringList>

class QAbstractButton;

namespace zentrova {

class TestWindow : public QDialog
{
    Q_OBJECT

public:
    explicit TestWindow(QWidget *parent = nullptr);

    // The cursor over this window's table (closed when the bank did not open).
    RecordCursor &cursor() { return m_cursor; }

Q_SIGNALS:
    // The result view has been shown, with what it shows; sent once.
    void resultShown(const zentrova::ShownResult &result);

protected:
    // Sends resultShown() the first time it is called; later calls do nothing.
    void handOverResult(ShownResult result);

    // Fixes the window at its designed size, without minimise and maximise
    // buttons. Call once the layout is set up.
    void fixSize();

    // Opens this window's table, found in the bank catalogue by objectName,
    // and binds its controls. A bank, table or field that is missing is told
    // in one message box; the window then goes on with empty bound controls.
    bool openBank();

    // The answer buttons in order, for keyboard answering: a letter caption
    // answers to its letter key, and answer n to digit key n.
    void setAnswerButtons(const QList<QAbstractButton *> &buttons);

    // What each answer button stands for, in the order above, for screen
    // readers: the control that shows the answer's words (a letter button is
    // named after them, and renamed as the cursor moves), or for an answer
    // that is a word itself ("是") the statement it judges, given as its
    // description.
    void setAnswerTexts(const QList<QWidget *> &shownIn);
    // The same for a window that words every answer in one instruction.
    void setAnswerTexts(const QStringList &texts);

    // Asks whether to end the test; Yes closes the window, answers and all.
    void askToEnd();

    // The button that Enter presses: "下一题" (Command1) while answering, the
    // result button (Command3) once finished; nullptr when neither is usable.
    // Never a button that goes back from a view or leaves the test ("返回").
    virtual QAbstractButton *primaryButton() const;

    void keyPressEvent(QKeyEvent *event) override;

private:
    QAbstractButton *answerForKey(int key) const;
    void nameAnswers();

    RecordCursor m_cursor;
    QList<QAbstractButton *> m_answers;
    QList<QPointer<QWidget>> m_answerShownIn;
    QStringList m_answerTexts;
    bool m_resultHandedOver = false;
};

// Unchooses every button of an exclusive group, which clicking cannot do.
void clearChoice(const QList<QAbstractButton *> &buttons);

// The answer a button stands for, in its own words: its screen-reader name
// where it has one ("A：很符合自己的情况"), else its caption ("是").
QString answerWords(const QAbstractButton *button);

// A usable button: shown (as far as its parents go) and enabled.
bool isUsable(const QAbstractButton *button);

} // namespace zentrova
