// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "lovescorewindow.h"

#include "ui_lovescorewindow.h"

namespace zentrova {

LoveScoreWindow::LoveScoreWindow(QWidget *parent)
    : QuestionnaireForm(parent)
    , ui(std::make_unique<Ui::LoveScoreWindow>())
{
    ui->setupUi(this);
    load({.options = {ui->Option1, ui->Option2, ui->Option3},
          .prompt = PromptAToC,
          .itemNumber = ui->Lbl题号,
          .close = CloseMode::Direct,
          .scores = {ui->Label5, ui->Label6, ui->Label7},
          .total = ui->Lbl总分});
}

LoveScoreWindow::~LoveScoreWindow() = default;

// The whole legend, no band marked; the total beside it.
void LoveScoreWindow::showResult()
{
    ui->Frame4->show();
    ui->Frame5->show();
    ui->Command3->setEnabled(false);
}

} // namespace zentrova
