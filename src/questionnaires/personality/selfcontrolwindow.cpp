#include "selfcontrolwindow.h"

#include "ui_selfcontrolwindow.h"

namespace zentrova {

SelfControlWindow::SelfControlWindow(QWidget *parent)
    : QuestionnaireForm(parent)
    , ui(std::make_unique<Ui::SelfControlWindow>())
{
    ui->setupUi(this);
    // Each count is named by the caption beside it ("A个数").
    load({.options = {ui->Option1, ui->Option2, ui->Option3, ui->Option4},
          .prompt = PromptAToD,
          .itemNumber = ui->Label6,
          .tallies = {{ui->Label12_0->text(), ui->Label7},
                      {ui->Label12_1->text(), ui->Label8},
                      {ui->Label12_2->text(), ui->Label9},
                      {ui->Label12_3->text(), ui->Label10}}});
}

SelfControlWindow::~SelfControlWindow() = default;

void SelfControlWindow::tally(int chosen)
{
    const QList<QLabel *> counts = {ui->Label7, ui->Label8, ui->Label9, ui->Label10};
    addToTally(counts.at(chosen), 1);
}

// The buttons stand on the window itself rather than in frames.
void SelfControlWindow::enterFinishedState()
{
    ui->Command3->show();
    ui->Command1->hide();
    for (QAbstractButton *option : options())
        option->hide();
}

void SelfControlWindow::showResult()
{
    ui->Frame1->hide();
    ui->Frame2->show();
    for (QLabel *count : {ui->Label7, ui->Label8, ui->Label9, ui->Label10})
        count->show();
    for (QLabel *caption : {ui->Label12_0, ui->Label12_1, ui->Label12_2, ui->Label12_3})
        caption->show();
    ui->Command3->setEnabled(false);
}

} // namespace zentrova
