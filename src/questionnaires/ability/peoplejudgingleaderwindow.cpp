// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "peoplejudgingleaderwindow.h"

#include "ui_peoplejudgingleaderwindow.h"

namespace zentrova {

PeopleJudgingLeaderWindow::PeopleJudgingLeaderWindow(QWidget *parent)
    : QuestionnaireForm(parent)
    , ui(std::make_unique<Ui::PeopleJudgingLeaderWindow>())
{
    ui->setupUi(this);
    load({.options = {ui->Option1, ui->Option2},
          .prompt = PromptYesNo,
          .itemNumber = ui->Lbl题号,
          .close = CloseMode::Confirm,
          .elapsedTime = ui->Lbl时间});
}

PeopleJudgingLeaderWindow::~PeopleJudgingLeaderWindow() = default;

// "否" adds nothing but still writes the total, so that a test answered
// "否" throughout ends at "0" rather than empty.
void PeopleJudgingLeaderWindow::tally(int chosen)
{
    addToTally(ui->Lbl总分, chosen == 0 ? 1 : 0);
}

// The bands are shown whole; the user places the total in them. The result
// button stays usable: pressing it again changes nothing.
void PeopleJudgingLeaderWindow::showResult()
{
    ui->Frame1->hide();
    ui->Frame4->show();
    ui->Frame5->show();
}

} // namespace zentrova
