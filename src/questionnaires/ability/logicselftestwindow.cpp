#include "logicselftestwindow.h"

#include "ui_logicselftestwindow.h"

#include "framework/bankcatalog.h"
#include "framework/numbers.h"

#include <QRadioButton>

#include <utility>

namespace zentrova {

namespace {

const QString PromptYesOrNo = QStringLiteral("你需选择　＜是＞、＜否＞选项中的一个，才能继续答题。");
const QString PromptEachGroup = QStringLiteral("你需选择　＜是＞、＜否＞各组选项中的一个，才能继续答题。");

bool answered(const QAbstractButton *yes, const QAbstractButton *no)
{
    return yes->isChecked() || no->isChecked();
}

} // namespace

LogicSelfTestWindow::LogicSelfTestWindow(QWidget *parent)
    : QuestionnaireForm(parent)
    , ui(std::make_unique<Ui::LogicSelfTestWindow>())
{
    ui->setupUi(this);

    // Option7 and Option8 answer a one-statement item, whose statement is the
    // first one of the row.
    const std::pair<QRadioButton *, QLabel *> scored[] = {
        {ui->Option1, ui->Lbl分1}, {ui->Option2, ui->Lbl分2}, {ui->Option3, ui->Lbl分3}, {ui->Option4, ui->Lbl分4},
        {ui->Option5, ui->Lbl分5}, {ui->Option6, ui->Lbl分6}, {ui->Option7, ui->Lbl分1}, {ui->Option8, ui->Lbl分2}};
    for (const auto &[option, points] : scored)
        scoreWhenChosen(option, [this, points](int sign) { addToTally(ui->Lbl总分, sign * lenientNumber(points->text())); });

    // "开始" becomes "下一题" on the first press, whether or not the press is
    // accepted. Connected before the flow's own handler, so it runs first.
    connect(ui->Command1, &QAbstractButton::clicked, this, [this] { ui->Command1->setText(QStringLiteral("下一题")); });

    load({.options = {ui->Option1, ui->Option2, ui->Option3, ui->Option4, ui->Option5, ui->Option6, ui->Option7, ui->Option8},
          .prompt = {}, // the prompts depend on the layout: unansweredPrompt()
          .itemNumber = ui->Lbl题号,
          .close = CloseMode::Direct,
          // Each 是 and 否 judges the statement beside it; the lone pair, the item text.
          .answerTexts = {ui->Label3, ui->Label3, ui->Label4, ui->Label4, ui->Label5, ui->Label5, ui->Label2, ui->Label2}});
    setLayout(Layout::None);
    clearOptions();
}

LogicSelfTestWindow::~LogicSelfTestWindow() = default;

// Every statement on show needs its answer; the opening page needs none.
QString LogicSelfTestWindow::unansweredPrompt() const
{
    switch (m_layout) {
    case Layout::None:
        return {};
    case Layout::OneStatement:
        return answered(ui->Option7, ui->Option8) ? QString() : PromptYesOrNo;
    case Layout::TwoStatements:
        return answered(ui->Option1, ui->Option2) && answered(ui->Option3, ui->Option4) ? QString() : PromptEachGroup;
    case Layout::ThreeStatements:
        return answered(ui->Option1, ui->Option2) && answered(ui->Option3, ui->Option4) && answered(ui->Option5, ui->Option6)
            ? QString()
            : PromptEachGroup;
    }
    return {};
}

// One answer per statement on show: item "12（2）" is the second statement of
// item 12. A lone statement is the item itself and answers as item "12".
QList<ShownResult::Answer> LogicSelfTestWindow::givenAnswers(const QString &item) const
{
    if (m_layout == Layout::None)
        return {};
    if (m_layout == Layout::OneStatement)
        return QuestionnaireForm::givenAnswers(item);
    const std::pair<QAbstractButton *, QAbstractButton *> statements[] = {
        {ui->Option1, ui->Option2}, {ui->Option3, ui->Option4}, {ui->Option5, ui->Option6}};
    const int shown = m_layout == Layout::TwoStatements ? 2 : 3;
    QList<ShownResult::Answer> answers;
    for (int s = 0; s < shown; ++s) {
        const auto [yes, no] = statements[s];
        answers.append({QStringLiteral("%1（%2）").arg(item).arg(s + 1), answerWords(yes->isChecked() ? yes : no)});
    }
    return answers;
}

void LogicSelfTestWindow::leavingItem(std::optional<int> number)
{
    setLayout(layoutAfter(number));
}

// The test ends once its last item (the end number) has been answered, even
// when the table holds a row after it.
bool LogicSelfTestWindow::closesOnRowLeft() const
{
    return true;
}

// The shape of the next item is fixed by its number, one more than the row
// being left; the catalogue says how many statements each item judges. A row
// whose number cannot be read, or lies outside the items, shows three.
LogicSelfTestWindow::Layout LogicSelfTestWindow::layoutAfter(std::optional<int> number)
{
    const Scoring &scoring = bankTableForWindow("frm逻辑思考能力测试")->scoring;
    const int index = number.value_or(0) + 1 - scoring.firstItem;
    switch (index >= 0 && index < int(scoring.statements.size()) ? scoring.statements[index] : 3) {
    case 1:
        return Layout::OneStatement;
    case 2:
        return Layout::TwoStatements;
    default:
        return Layout::ThreeStatements;
    }
}

void LogicSelfTestWindow::setLayout(Layout layout)
{
    m_layout = layout;
    const bool twoOrMore = layout == Layout::TwoStatements || layout == Layout::ThreeStatements;
    ui->Frame5->setVisible(twoOrMore);
    ui->Frame6->setVisible(twoOrMore);
    ui->Frame7->setVisible(layout == Layout::ThreeStatements);
    ui->Frame8->setVisible(layout == Layout::OneStatement);
}

// No band is picked: the whole scale replaces the instructions.
void LogicSelfTestWindow::showResult()
{
    ui->Frame4->show();
    ui->Label1->hide();
    ui->Label7->show();
    ui->Command3->setEnabled(false);
}

} // namespace zentrova
