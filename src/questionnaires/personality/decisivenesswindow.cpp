#include "decisivenesswindow.h"

#include "ui_decisivenesswindow.h"

#include "framework/numbers.h"

namespace zentrova {

DecisivenessWindow::DecisivenessWindow(QWidget *parent)
    : QuestionnaireForm(parent)
    , ui(std::make_unique<Ui::DecisivenessWindow>())
{
    ui->setupUi(this);
    load({.options = {ui->Option1, ui->Option2},
          .prompt = PromptYesNo,
          .itemNumber = ui->Lbl题号,
          .close = CloseMode::Confirm});
}

DecisivenessWindow::~DecisivenessWindow() = default;

// Each item carries its own points for "是" and for "否".
void DecisivenessWindow::tally(int chosen)
{
    addToTally(ui->Lbl总分, lenientNumber((chosen == 0 ? ui->Label4 : ui->Label6)->text()));
}

// No band is picked: the four texts take the item's place, the total below.
void DecisivenessWindow::showResult()
{
    ui->Frame1->hide();
    ui->Frame4->show();
    ui->Frame5->show();
    ui->Command3->setEnabled(false);
}

} // namespace zentrova
