// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "lovablegirlwindow.h"

#include "ui_lovablegirlwindow.h"

namespace zentrova {

LovableGirlWindow::LovableGirlWindow(QWidget *parent)
    : QuestionnaireForm(parent)
    , ui(std::make_unique<Ui::LovableGirlWindow>())
{
    ui->setupUi(this);
    load({.options = {ui->Option1, ui->Option2, ui->Option3},
          .prompt = PromptAToC,
          .itemNumber = ui->Lbl题号,
          .close = CloseMode::Direct,
          .scores = {ui->Label5, ui->Label6, ui->Label7},
          .total = ui->Lbl总分});
}

LovableGirlWindow::~LovableGirlWindow() = default;

// No band is picked: the total stands below all three descriptions, which
// cover the lower part of the item area.
void LovableGirlWindow::showResult()
{
    ui->Frame4->show();
    ui->Frame5->show();
    ui->Command3->setEnabled(false);
}

} // namespace zentrova
