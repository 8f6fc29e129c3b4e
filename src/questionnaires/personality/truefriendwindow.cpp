// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "truefriendwindow.h"

#include "ui_truefriendwindow.h"

namespace zentrova {

TrueFriendWindow::TrueFriendWindow(QWidget *parent)
    : QuestionnaireForm(parent)
    , ui(std::make_unique<Ui::TrueFriendWindow>())
{
    ui->setupUi(this);
    load({.options = {ui->Option1, ui->Option2, ui->Option3},
          .prompt = PromptAToC,
          .itemNumber = ui->Lbl题号,
          .close = CloseMode::Direct,
          .scores = {ui->Label6, ui->Label7, ui->Label8},
          .total = ui->Lbl总分});
}

TrueFriendWindow::~TrueFriendWindow() = default;

// The legend covers the answer texts; no band is marked.
void TrueFriendWindow::showResult()
{
    ui->Frame4->show();
    ui->Frame5->show();
    ui->Command3->setEnabled(false);
}

} // namespace zentrova
