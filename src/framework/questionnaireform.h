// The flow shared by the question-bank tests: one item at a time, one chosen
// answer required before moving on, the answer tallied, the closing row
// recognised, then the result view.
//
// A test window is its .ui layout plus a subclass that calls load() once its
// controls exist and overrides the hooks below where the test differs. The
// base finds the standard controls by name: Command1 "下一题", Command2
// "结束测试", Command3 (result), Command4 (close, in the result area),
// Frame2 (next/end buttons) and Frame3 (result/close buttons).
//
// Once Command3 has shown the result, the flow hands over what the view
// shows (TestWindow::handOverResult()): the total, the tallies and the
// verdict the Setup names, the minutes of a timed test, and the answers kept
// at each accepted "下一题". A window only says which of its labels show what.
#pragma once

#include "testwindow.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

class QAbstractButton;
class QLabel;

namespace zentrova {

class ElapsedCounter;

class QuestionnaireForm : public TestWindow
{
    Q_OBJECT

public:
    enum class CloseMode { Direct, Confirm };

    struct Setup {
        QList<QAbstractButton *> options; // in order: Option1 is A (or 是)
        QString prompt;                    // shown when "下一题" finds nothing chosen
        QLabel *itemNumber = nullptr;      // bound to 测试题号
        CloseMode close = CloseMode::Direct; // what Command4 does
        QLabel *elapsedTime = nullptr;     // Lbl时间, for timed tests
        // For tests whose answers carry their own score in a hidden bound
        // label: scores[i] belongs to options[i], and "下一题" adds the
        // chosen one to total.
        QList<QLabel *> scores = {};
        // The label holding the total, named "总分" for screen readers and
        // in the result handed over (Lbl总分 where none is given).
        QLabel *total = nullptr;
        // Where the result is written in words, named for screen readers.
        QLabel *verdict = nullptr;
        // The controls that word each answer, where they are not the ones the
        // catalogue binds to the answer's 选项 field; for screen readers (see
        // TestWindow::setAnswerTexts()).
        QList<QWidget *> answerTexts = {};
        // Counts the result view shows besides the total, each with the name
        // the view gives it ("A个数"), in the order shown; for screen readers
        // and the result handed over.
        QList<std::pair<QString, QLabel *>> tallies = {};
    };

    // The answer prompts, each naming the options the window offers.
    static const QString PromptAToD;
    static const QString PromptAToC;
    static const QString PromptAToE;
    static const QString PromptYesNo;
    static const QString PromptYesUnsureNo;

    ~QuestionnaireForm() override;

    // "下一题": validate, tally, advance. Public so that tests and keys share it.
    void next();

    const QList<QAbstractButton *> &options() const { return m_options; }

protected:
    explicit QuestionnaireForm(QWidget *parent);

    // Opens the bank, wires the buttons, starts the counter of a timed test.
    void load(const Setup &setup);

    /// Adds the answer just given (index into options) to the tallies. Runs
    /// before the cursor moves, so bound score labels still show the item
    /// answered. The default adds the chosen option's score label to the
    /// total where the Setup names them, and nothing otherwise (tests that
    /// score on click).
    virtual void tally(int chosen);

    /// Leaves the answering state once the closing row is current. The
    /// default hides Frame2 and shows Frame3, then hides the item number and
    /// every option.
    virtual void enterFinishedState();

    /// Command3: shows the result frames and interpretation texts, and writes
    /// the verdict where the test has one. The flow then hands over what the
    /// labels named in the Setup show; a view that shows none of them (a
    /// Command3 that only leaves the test) hands over nothing.
    virtual void showResult() = 0;

    /// The answers given on the item being left, kept when "下一题" accepts
    /// them, before anything changes: item is the item number as shown
    /// (empty where the window shows none). The default gives the chosen
    /// option in its own words (answerWords()), or nothing when none is
    /// chosen. An override for a window whose options form several groups
    /// gives one answer per group on show, in order, and must change nothing.
    virtual QList<ShownResult::Answer> givenAnswers(const QString &item) const;

    /// Decides whether "下一题" may leave the current item. Returns the text of
    /// the "答题错误" box when something is left unanswered, or an empty string
    /// when the item may be left. The default asks for one chosen option and
    /// returns the window's prompt. An override for a window whose options
    /// form several groups must check every group on show, and must change
    /// nothing: a refused press leaves tallies, choices and cursor as they are.
    virtual QString unansweredPrompt() const;

    /// Runs once the answer is accepted and tallied, before anything else
    /// changes, with the item number of the row being left (nullopt when that
    /// label does not hold a whole number). An override prepares the window
    /// for the row that follows, such as showing the answer layout that row
    /// needs; it must not move the cursor or touch the tallies. The default
    /// does nothing.
    virtual void leavingItem(std::optional<int> number);

    /// Whether the closing check looks at the row being left rather than at
    /// the row reached. The default (false) enters the finished state when
    /// the row that becomes current carries the end number. An override
    /// returns true for a test that ends once the row carrying the end number
    /// has been answered: the finished state is then entered before the
    /// cursor moves, whether or not a row follows, and the row reached is not
    /// checked.
    virtual bool closesOnRowLeft() const;

    // For tests that score on the click rather than at "下一题": only the
    // answer standing counts. score(+1) runs when option becomes chosen, and
    // score(-1) when the user unchooses it by choosing another answer of the
    // same item, so that the earlier answer's points are taken back at once
    // and the tallies always show the standing answers. Choosing the answer
    // already chosen changes nothing; the unchoosing that "下一题" does takes
    // nothing back, so leaving the item fixes its answer. score weighs the
    // answer by the item on show, which is the same for both calls. Every
    // such test follows this one rule.
    void scoreWhenChosen(QAbstractButton *option, std::function<void(int sign)> score);

    // Adds weight to the number a tally label holds and writes it back.
    static void addToTally(QLabel *tally, double weight);

    // The index of the chosen option, or -1.
    int chosenOption() const;
    void clearOptions();

private:
    QList<QWidget *> boundAnswerTexts() const;
    bool advance();
    std::optional<int> shownItemNumber() const;
    void showAndHandOverResult();
    ShownResult shownResult() const;
    void closeFromResult();

    QList<QAbstractButton *> m_options;
    QString m_prompt;
    QLabel *m_itemNumber = nullptr;
    CloseMode m_close = CloseMode::Direct;
    int m_endNumber = 0;
    QList<QLabel *> m_scores;
    QLabel *m_total = nullptr;
    QList<std::pair<QString, QLabel *>> m_tallies;
    QLabel *m_verdict = nullptr;
    ElapsedCounter *m_counter = nullptr;
    QList<ShownResult::Answer> m_answers;
    bool m_clearingOptions = false;
};

} // namespace zentrova
