// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "decisivenesswindow.h"

#include "ui_decisivenesswindow.h"

namespace zentrova {

DecisivenessWindow::DecisivenessWindow(QWidget *parent)
    : QuestionnaireForm(parent)
    , ui(std::make_unique<Ui::DecisivenessWindow>())
{
    ui->setupUi(this);
    load({.options = {ui->Option1, ui->Option2},
          .prompt = PromptYesNo,
          .itemNumber = ui->Lbl题号,
          .close = CloseMode::Confirm,
          .scores = {ui->Label4, ui->Label6},
          .total = ui->Lbl总分});
}

DecisivenessWindow::~DecisivenessWindow() = default;

// No band is picked: the four texts take the item's place, the total below.
void DecisivenessWindow::showResult()
{
    ui->Frame1->hide();
    ui->Frame4->show();
    ui->Frame5->show();
    ui->Command3->setEnabled(false);
}

} // namespace zentrova
