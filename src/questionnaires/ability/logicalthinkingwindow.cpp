// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "logicalthinkingwindow.h"

#include "ui_logicalthinkingwindow.h"

#include "framework/numbers.h"

namespace zentrova {

LogicalThinkingWindow::LogicalThinkingWindow(QWidget *parent)
    : QuestionnaireForm(parent)
    , ui(std::make_unique<Ui::LogicalThinkingWindow>())
{
    ui->setupUi(this);
    load({.options = {ui->Option1, ui->Option2, ui->Option3, ui->Option4, ui->Option5},
          .prompt = PromptAToE,
          .itemNumber = ui->Lbl题号,
          .close = CloseMode::Confirm});
}

LogicalThinkingWindow::~LogicalThinkingWindow() = default;

void LogicalThinkingWindow::tally(int chosen)
{
    const QLabel *scores[] = {ui->Lbl分数1, ui->Lbl分数2, ui->Lbl分数3, ui->Lbl分数4, ui->Lbl分数5};
    addToTally(ui->Lbl总分, lenientNumber(scores[chosen]->text()));
}

// The legend takes the item's place; the count has been on show all along,
// and no band is picked.
void LogicalThinkingWindow::showResult()
{
    ui->Frame1->hide();
    ui->Frame5->show();
    ui->Command3->setEnabled(false);
}

} // namespace zentrova
