#include "questionnaireform.h"

#include "accessibility.h"
#include "bankcatalog.h"
#include "elapsedcounter.h"
#include "messages.h"
#include "numbers.h"
#include "strings.h"

#include <QAbstractButton>
#include <QLabel>
#include <QScopedValueRollback>

#include <cmath>

namespace zentrova {

const QString QuestionnaireForm::PromptAToD = QStringLiteral("你需选择　＜A＞、＜B＞、＜C＞、＜D＞四个选项中的一个，才能继续答题。");
const QString QuestionnaireForm::PromptAToC = QStringLiteral("你需选择　＜A＞、＜B＞、＜C＞三个选项中的一个，才能继续答题。");
const QString QuestionnaireForm::PromptAToE = QStringLiteral("你需选择　＜A＞、＜B＞、＜C＞、＜D＞、＜E＞五个选项中的一个，才能继续答题。");
const QString QuestionnaireForm::PromptYesNo = QStringLiteral("你需选择　＜是＞、＜否＞二个选项中的一个，才能继续答题。");
const QString QuestionnaireForm::PromptYesUnsureNo = QStringLiteral("你需选择　＜是＞、＜不确定＞、＜否＞三个选项中的一个，才能继续答题。");

QuestionnaireForm::QuestionnaireForm(QWidget *parent)
    : TestWindow(parent)
{
}

QuestionnaireForm::~QuestionnaireForm() = default;

void QuestionnaireForm::load(const Setup &setup)
{
    m_options = setup.options;
    m_prompt = setup.prompt;
    m_itemNumber = setup.itemNumber;
    m_close = setup.close;
    m_scores = setup.scores;
    m_total = setup.total ? setup.total : findChild<QLabel *>(QStringLiteral("Lbl总分"));
    m_tallies = setup.tallies;
    m_verdict = setup.verdict;
    if (const BankTable *table = bankTableForWindow(objectName().toStdString()))
        m_endNumber = table->endNumber;

    auto button = [this](const char *name) { return findChild<QAbstractButton *>(QString::fromLatin1(name)); };
    if (auto *next = button("Command1"))
        connect(next, &QAbstractButton::clicked, this, &QuestionnaireForm::next);
    if (auto *end = button("Command2"))
        connect(end, &QAbstractButton::clicked, this, &QuestionnaireForm::askToEnd);
    if (auto *result = button("Command3"))
        connect(result, &QAbstractButton::clicked, this, &QuestionnaireForm::showAndHandOverResult);
    if (auto *close = button("Command4"))
        connect(close, &QAbstractButton::clicked, this, &QuestionnaireForm::closeFromResult);

    setAnswerButtons(m_options);
    setAnswerTexts(setup.answerTexts.isEmpty() ? boundAnswerTexts() : setup.answerTexts);
    nameDisplay(m_total, QStringLiteral("总分"));
    for (const auto &[name, tally] : m_tallies)
        nameDisplay(tally, name);
    nameDisplay(m_verdict, QStringLiteral("测试结果"));
    fixSize();
    openBank();
    if (setup.elapsedTime) {
        m_counter = new ElapsedCounter(setup.elapsedTime, this);
        m_counter->arm();
    }
}

// The control bound to the 选项 field of each letter answer ("选项A", or
// "选项Ａ" in full width), leaving out hidden score labels bound to such a
// field.
QList<QWidget *> QuestionnaireForm::boundAnswerTexts() const
{
    QList<QWidget *> shownIn;
    const BankTable *table = bankTableForWindow(objectName().toStdString());
    for (QAbstractButton *option : m_options) {
        QWidget *found = nullptr;
        const QString letter = option->text().trimmed();
        if (table && isAnswerLetter(letter)) {
            const QChar fullWidth(letter.at(0).unicode() - u'A' + u'Ａ');
            for (const FieldBinding &binding : table->bindings) {
                const QString field = toQString(binding.field);
                if (field != QStringLiteral("选项") + letter && field != QStringLiteral("选项") + fullWidth)
                    continue;
                auto *control = findChild<QWidget *>(toQString(binding.control));
                if (control && !m_scores.contains(control))
                    found = control;
            }
        }
        shownIn << found;
    }
    return shownIn;
}

void QuestionnaireForm::next()
{
    if (const QString missing = unansweredPrompt(); !missing.isEmpty()) {
        showMessage(this, missing, QStringLiteral("答题错误"), MessageButtons::Ok);
        return;
    }
    m_answers += givenAnswers(m_itemNumber ? m_itemNumber->text().trimmed() : QString());
    if (const int chosen = chosenOption(); chosen >= 0)
        tally(chosen);
    // Once the answer is tallied, a failure ends the press quietly and keeps
    // the steps already done.
    advance();
}

bool QuestionnaireForm::advance()
{
    const std::optional<int> leaving = shownItemNumber();
    leavingItem(leaving);
    clearOptions();
    if (closesOnRowLeft() && leaving && *leaving == m_endNumber)
        enterFinishedState();
    if (!cursor().next())
        return false;
    // A test without an end number never finishes; it has no closing row to look for.
    if (!closesOnRowLeft() && m_endNumber != 0 && !cursor().isPastEnd()) {
        const auto number = strictNumber(m_itemNumber ? m_itemNumber->text() : QString());
        if (!number)
            return false;
        if (*number == m_endNumber)
            enterFinishedState();
    }
    // A table without its closing row: stay on the last item.
    return !cursor().isPastEnd() || cursor().moveLast();
}

std::optional<int> QuestionnaireForm::shownItemNumber() const
{
    if (!m_itemNumber)
        return std::nullopt;
    const auto number = strictNumber(m_itemNumber->text());
    if (!number || *number != std::trunc(*number) || std::abs(*number) > 1e9)
        return std::nullopt;
    return int(*number);
}

QString QuestionnaireForm::unansweredPrompt() const
{
    return chosenOption() < 0 ? m_prompt : QString();
}

void QuestionnaireForm::leavingItem(std::optional<int>)
{
}

bool QuestionnaireForm::closesOnRowLeft() const
{
    return false;
}

QList<ShownResult::Answer> QuestionnaireForm::givenAnswers(const QString &item) const
{
    const int chosen = chosenOption();
    if (chosen < 0)
        return {};
    return {{item, answerWords(m_options.at(chosen))}};
}

void QuestionnaireForm::tally(int chosen)
{
    if (m_total && chosen < m_scores.size())
        addToTally(m_total, lenientNumber(m_scores.at(chosen)->text()));
}

void QuestionnaireForm::enterFinishedState()
{
    if (auto *frame = findChild<QWidget *>(QStringLiteral("Frame2")))
        frame->hide();
    if (auto *frame = findChild<QWidget *>(QStringLiteral("Frame3")))
        frame->show();
    if (m_itemNumber)
        m_itemNumber->hide();
    for (QAbstractButton *option : std::as_const(m_options))
        option->hide();
}

void QuestionnaireForm::showAndHandOverResult()
{
    showResult();
    ShownResult shown = shownResult();
    if (!shown.figures.isEmpty() || !shown.verdict.isEmpty())
        handOverResult(std::move(shown));
}

// The labels the Setup names, as far as the result view shows them.
ShownResult QuestionnaireForm::shownResult() const
{
    auto onShow = [this](const QLabel *label) { return label && label->isVisibleTo(this); };
    ShownResult shown;
    if (onShow(m_total))
        shown.figures.append({QStringLiteral("总分"), m_total->text()});
    for (const auto &[name, tally] : m_tallies) {
        if (onShow(tally))
            shown.figures.append({name, tally->text()});
    }
    if (onShow(m_verdict))
        shown.verdict = m_verdict->text();
    if (m_counter)
        shown.elapsedMinutes = m_counter->minutes();
    shown.answers = m_answers;
    return shown;
}

void QuestionnaireForm::closeFromResult()
{
    if (m_close == CloseMode::Direct)
        accept();
    else
        askToEnd();
}

void QuestionnaireForm::scoreWhenChosen(QAbstractButton *option, std::function<void(int sign)> score)
{
    connect(option, &QAbstractButton::toggled, this, [this, score = std::move(score)](bool chosen) {
        if (chosen)
            score(+1);
        else if (!m_clearingOptions)
            score(-1);
    });
}

void QuestionnaireForm::addToTally(QLabel *tally, double weight)
{
    tally->setText(plainNumber(lenientNumber(tally->text()) + weight));
}

int QuestionnaireForm::chosenOption() const
{
    for (int i = 0; i < m_options.size(); ++i) {
        if (m_options.at(i)->isChecked())
            return i;
    }
    return -1;
}

void QuestionnaireForm::clearOptions()
{
    const QScopedValueRollback clearing(m_clearingOptions, true);
    clearChoice(m_options);
}

} // namespace zentrova
