// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "creativitywindow.h"

#include "ui_creativitywindow.h"

#include "framework/numbers.h"

namespace zentrova {

CreativityWindow::CreativityWindow(QWidget *parent)
    : QuestionnaireForm(parent)
    , ui(std::make_unique<Ui::CreativityWindow>())
{
    ui->setupUi(this);
    // The bands cover the lower part of the item once shown, whatever the
    // order the layout lists them in.
    ui->Frame5->raise();
    load({.options = {ui->Option1, ui->Option2, ui->Option3, ui->Option4, ui->Option5},
          .prompt = PromptAToE,
          .itemNumber = ui->Lbl题号,
          .close = CloseMode::Direct});
}

CreativityWindow::~CreativityWindow() = default;

void CreativityWindow::tally(int chosen)
{
    const QLabel *points[] = {ui->Label2, ui->Label3, ui->Label4, ui->Label5, ui->Label6};
    addToTally(ui->Lbl总分, lenientNumber(points[chosen]->text()));
}

// No band is picked; the bands lie over the item, which stays in place.
void CreativityWindow::showResult()
{
    ui->Frame4->show();
    ui->Frame5->show();
    ui->Command3->setEnabled(false);
}

} // namespace zentrova
