// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "managementqualitieswindow.h"

#include "ui_managementqualitieswindow.h"

namespace zentrova {

ManagementQualitiesWindow::ManagementQualitiesWindow(QWidget *parent)
    : QuestionnaireForm(parent)
    , ui(std::make_unique<Ui::ManagementQualitiesWindow>())
{
    ui->setupUi(this);
    load({.options = {ui->Option1, ui->Option2},
          .prompt = PromptYesNo,
          .itemNumber = ui->Lbl题号,
          .close = CloseMode::Confirm});
}

ManagementQualitiesWindow::~ManagementQualitiesWindow() = default;

// "否" still writes the total, so that all "否" ends at "0" rather than empty.
void ManagementQualitiesWindow::tally(int chosen)
{
    addToTally(ui->Lbl总分, chosen == 0 ? 1 : 0);
}

// The bands are laid over the item text (Frame5 stacks above Frame1, which
// stays shown underneath); the user places the total in them. The result
// button stays usable: pressing it again changes nothing.
void ManagementQualitiesWindow::showResult()
{
    ui->Frame4->show();
    ui->Frame5->show();
    ui->Frame5->raise();
}

} // namespace zentrova
