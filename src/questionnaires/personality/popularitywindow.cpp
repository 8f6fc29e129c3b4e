// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "popularitywindow.h"

#include "ui_popularitywindow.h"

namespace zentrova {

PopularityWindow::PopularityWindow(QWidget *parent)
    : QuestionnaireForm(parent)
    , ui(std::make_unique<Ui::PopularityWindow>())
{
    ui->setupUi(this);
    load({.options = {ui->Option1, ui->Option2, ui->Option3},
          .prompt = PromptAToC,
          .itemNumber = ui->Lbl题号,
          .close = CloseMode::Direct,
          .scores = {ui->Label6, ui->Label7, ui->Label8},
          .total = ui->Lbl总分});
}

PopularityWindow::~PopularityWindow() = default;

void PopularityWindow::showResult()
{
    ui->Frame4->show();
    ui->Command3->setEnabled(false);
}

} // namespace zentrova
