#include "selfpotentialwindow.h"

#include "ui_selfpotentialwindow.h"

#include "framework/numbers.h"

#include <QRadioButton>

#include <utility>

namespace zentrova {

SelfPotentialWindow::SelfPotentialWindow(QWidget *parent)
    : QuestionnaireForm(parent)
    , ui(std::make_unique<Ui::SelfPotentialWindow>())
{
    ui->setupUi(this);

    const std::pair<QRadioButton *, QLabel *> scored[] = {
        {ui->Option1, ui->Label3}, {ui->Option2, ui->Label4}, {ui->Option3, ui->Label5}};
    for (const auto &[option, score] : scored)
        scoreWhenChosen(option, [this, score](int sign) { addToTally(ui->Lbl总分, sign * lenientNumber(score->text())); });

    load({.options = {ui->Option1, ui->Option2, ui->Option3},
          .prompt = PromptAToC,
          .itemNumber = ui->Lbl题号,
          .close = CloseMode::Direct});
}

SelfPotentialWindow::~SelfPotentialWindow() = default;

// No band is picked: the total stands above all three band texts.
void SelfPotentialWindow::showResult()
{
    ui->Frame4->show();
    ui->Frame1->hide();
    ui->Frame5->show();
    ui->Command3->setEnabled(false);
}

} // namespace zentrova
