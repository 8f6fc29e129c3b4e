// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "inferioritywindow.h"

#include "ui_inferioritywindow.h"

namespace zentrova {

InferiorityWindow::InferiorityWindow(QWidget *parent)
    : QuestionnaireForm(parent)
    , ui(std::make_unique<Ui::InferiorityWindow>())
{
    ui->setupUi(this);
    load({.options = {ui->Option1, ui->Option2, ui->Option3},
          .prompt = PromptAToC,
          .itemNumber = ui->Lbl题号,
          .close = CloseMode::Confirm,
          .scores = {ui->Lbl分数1, ui->Lbl分数2, ui->Lbl分数3},
          .total = ui->Lbl总分});
}

InferiorityWindow::~InferiorityWindow() = default;

// The bands and types replace the item area; the user reads off the type.
void InferiorityWindow::showResult()
{
    ui->Frame1->hide();
    ui->Frame4->show();
    ui->Frame5->show();
    ui->Command3->setEnabled(false);
}

} // namespace zentrova
