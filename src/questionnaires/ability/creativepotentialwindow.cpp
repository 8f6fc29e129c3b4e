// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "creativepotentialwindow.h"

#include "ui_creativepotentialwindow.h"

namespace zentrova {

CreativePotentialWindow::CreativePotentialWindow(QWidget *parent)
    : QuestionnaireForm(parent)
    , ui(std::make_unique<Ui::CreativePotentialWindow>())
{
    ui->setupUi(this);
    load({.options = {ui->Option1, ui->Option2},
          .prompt = PromptYesNo,
          .itemNumber = ui->Lbl题号,
          .close = CloseMode::Confirm,
          .elapsedTime = ui->Lbl时间,
          .scores = {ui->Lbl分数1, ui->Lbl分数2},
          .total = ui->Lbl总分});
}

CreativePotentialWindow::~CreativePotentialWindow() = default;

// One text for every total, in place of the instructions; the item stays.
void CreativePotentialWindow::showResult()
{
    ui->Frame5->show();
    ui->Frame6->show();
    ui->Frame4->hide();
    ui->Command3->setEnabled(false);
}

} // namespace zentrova
