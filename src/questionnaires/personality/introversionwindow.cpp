#include "introversionwindow.h"

#include "ui_introversionwindow.h"

#include "framework/numbers.h"

#include <cmath>

namespace zentrova {

IntroversionWindow::IntroversionWindow(QWidget *parent)
    : QuestionnaireForm(parent)
    , ui(std::make_unique<Ui::IntroversionWindow>())
{
    ui->setupUi(this);
    // "是" on items 1, 3 … 19 counts as extrovert, on any other item as
    // introvert. Without a readable item number (a bank that did not open)
    // there is nothing to count.
    scoreWhenChosen(ui->Option1, [this](int sign) {
        const auto number = strictNumber(ui->Lbl题号->text());
        if (!number)
            return;
        const bool odd = *number >= 1 && *number <= 19 && std::fmod(*number, 2) == 1;
        addToTally(odd ? ui->Lbl总分1 : ui->Lbl总分2, sign);
    });
    load({.options = {ui->Option1, ui->Option2},
          .prompt = PromptYesNo,
          .itemNumber = ui->Lbl题号,
          .close = CloseMode::Confirm,
          .verdict = ui->Lbl测试结果});
}

IntroversionWindow::~IntroversionWindow() = default;

// Only the verdict is shown; the two counts stay hidden.
void IntroversionWindow::showResult()
{
    ui->Frame4->show();
    ui->Command3->setEnabled(false);
    const double extrovert = lenientNumber(ui->Lbl总分1->text());
    const double introvert = lenientNumber(ui->Lbl总分2->text());
    ui->Lbl测试结果->setText(introvert < extrovert    ? QStringLiteral("外向性格")
                             : introvert == extrovert ? QStringLiteral("中性性格")
                                                      : QStringLiteral("内向性格"));
}

} // namespace zentrova
