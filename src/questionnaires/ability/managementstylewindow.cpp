#include "managementstylewindow.h"

#include "ui_managementstylewindow.h"

namespace zentrova {

ManagementStyleWindow::ManagementStyleWindow(QWidget *parent)
    : QuestionnaireForm(parent)
    , ui(std::make_unique<Ui::ManagementStyleWindow>())
{
    ui->setupUi(this);
    scoreWhenChosen(ui->Option1, [this](int sign) { countYesForGroup(ui->Lbl题号, tallies(), sign); });
    load({.options = {ui->Option1, ui->Option2},
          .prompt = PromptYesNo,
          .itemNumber = ui->Lbl题号,
          .close = CloseMode::Direct,
          .verdict = ui->Lbl评价});
}

ManagementStyleWindow::~ManagementStyleWindow() = default;

GroupTallies ManagementStyleWindow::tallies() const
{
    return {ui->Lbl总分1, ui->Lbl总分2, ui->Lbl总分3};
}

// The verdict lies over the foot of the item, the three styles beside it.
void ManagementStyleWindow::showResult()
{
    ui->Frame4->show();
    ui->Frame5->show();
    ui->Command3->setEnabled(false);
    static const QString Styles[] = {QStringLiteral("专断的管理方式"), QStringLiteral("民主的管理方式"), QStringLiteral("自由的管理方式")};
    ui->Lbl评价->setText(Styles[leadingGroup(tallies())]);
}

} // namespace zentrova
