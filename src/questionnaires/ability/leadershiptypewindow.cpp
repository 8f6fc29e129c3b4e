#include "leadershiptypewindow.h"

#include "ui_leadershiptypewindow.h"

namespace zentrova {

LeadershipTypeWindow::LeadershipTypeWindow(QWidget *parent)
    : QuestionnaireForm(parent)
    , ui(std::make_unique<Ui::LeadershipTypeWindow>())
{
    ui->setupUi(this);
    // Item 18 is the closing row, where "是" is hidden: the third group has
    // five answerable items against six in the others.
    scoreWhenChosen(ui->Option1, [this](int sign) { countYesForGroup(ui->Lbl题号, tallies(), sign); });
    load({.options = {ui->Option1, ui->Option2},
          .prompt = PromptYesNo,
          .itemNumber = ui->Lbl题号,
          .close = CloseMode::Direct,
          .verdict = ui->Lbl评价});
}

LeadershipTypeWindow::~LeadershipTypeWindow() = default;

GroupTallies LeadershipTypeWindow::tallies() const
{
    return {ui->Lbl总分1, ui->Lbl总分2, ui->Lbl总分3};
}

// The verdict lies inside the item area, the three types beside it.
void LeadershipTypeWindow::showResult()
{
    ui->Frame5->show();
    ui->Frame4->show();
    ui->Command3->setEnabled(false);
    static const QString Types[] = {QStringLiteral("极权型领导"), QStringLiteral("民主型领导"), QStringLiteral("放任型领导")};
    ui->Lbl评价->setText(Types[leadingGroup(tallies())]);
}

} // namespace zentrova
