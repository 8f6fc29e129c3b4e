// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "jealousywindow.h"

#include "ui_jealousywindow.h"

namespace zentrova {

JealousyWindow::JealousyWindow(QWidget *parent)
    : QuestionnaireForm(parent)
    , ui(std::make_unique<Ui::JealousyWindow>())
{
    ui->setupUi(this);
    load({.options = {ui->Option1, ui->Option2, ui->Option3, ui->Option4},
          .prompt = PromptAToD,
          .itemNumber = ui->Lbl题号,
          .close = CloseMode::Direct,
          .scores = {ui->Label8, ui->Label10, ui->Label11, ui->Label12},
          .total = ui->Lbl总分});
}

JealousyWindow::~JealousyWindow() = default;

// The type descriptions take the item area's place. The button stays usable:
// pressing it again shows the same view.
void JealousyWindow::showResult()
{
    ui->Frame1->hide();
    ui->Frame4->show();
    ui->Frame5->show();
    ui->Frame6->show();
}

} // namespace zentrova
