// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "intelligencewindow.h"

#include "ui_intelligencewindow.h"

namespace zentrova {

IntelligenceWindow::IntelligenceWindow(QWidget *parent)
    : QuestionnaireForm(parent)
    , ui(std::make_unique<Ui::IntelligenceWindow>())
{
    ui->setupUi(this);
    load({.options = {ui->Option1, ui->Option2, ui->Option3},
          .prompt = PromptAToC,
          .itemNumber = ui->Lbl题号,
          .close = CloseMode::Direct,
          .scores = {ui->Label2, ui->Label3, ui->Label4},
          .total = ui->Lbl总分,
          .answerTexts = {ui->Label5, ui->Label7, ui->Label9}});
}

IntelligenceWindow::~IntelligenceWindow() = default;

// The total where the answer buttons stood, and the legend over the lower
// part of the statement; no band is picked.
void IntelligenceWindow::showResult()
{
    ui->Frame5->show();
    ui->Label10->show();
    ui->Command3->setEnabled(false);
}

} // namespace zentrova
