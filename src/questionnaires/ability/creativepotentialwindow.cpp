#include "creativepotentialwindow.h"

#include "ui_creativepotentialwindow.h"

#include "framework/numbers.h"

namespace zentrova {

CreativePotentialWindow::CreativePotentialWindow(QWidget *parent)
    : QuestionnaireForm(parent)
    , ui(std::make_unique<Ui::CreativePotentialWindow>())
{
    ui->setupUi(this);
    load({.options = {ui->Option1, ui->Option2},
          .prompt = PromptYesNo,
          .itemNumber = ui->Lbl题号,
          .close = CloseMode::Confirm,
          .elapsedTime = ui->Lbl时间});
}

CreativePotentialWindow::~CreativePotentialWindow() = default;

// Each item carries its own points for "是" and for "否".
void CreativePotentialWindow::tally(int chosen)
{
    addToTally(ui->Lbl总分, lenientNumber((chosen == 0 ? ui->Lbl分数1 : ui->Lbl分数2)->text()));
}

// One text for every total, in place of the instructions; the item stays.
void CreativePotentialWindow::showResult()
{
    ui->Frame5->show();
    ui->Frame6->show();
    ui->Frame4->hide();
    ui->Command3->setEnabled(false);
}

} // namespace zentrova
