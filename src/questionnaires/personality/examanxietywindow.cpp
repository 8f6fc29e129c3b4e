// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "examanxietywindow.h"

#include "ui_examanxietywindow.h"

namespace zentrova {

ExamAnxietyWindow::ExamAnxietyWindow(QWidget *parent)
    : QuestionnaireForm(parent)
    , ui(std::make_unique<Ui::ExamAnxietyWindow>())
{
    ui->setupUi(this);
    load({.options = {ui->Option1, ui->Option2, ui->Option3, ui->Option4},
          .prompt = PromptAToD,
          .itemNumber = ui->Lbl题号,
          .close = CloseMode::Direct,
          .total = ui->Label10,
          .answerTexts = {ui->Label5, ui->Label6, ui->Label7, ui->Label8}});
}

ExamAnxietyWindow::~ExamAnxietyWindow() = default;

// A (很符合) to D (很不符合) weigh 3 to 0. D still adds its 0, so that the
// total reads "0" rather than staying empty.
void ExamAnxietyWindow::tally(int chosen)
{
    static constexpr int Weights[] = {3, 2, 1, 0};
    addToTally(ui->Label10, Weights[chosen]);
}

// The level is not computed: the total stands beside the reference table.
void ExamAnxietyWindow::showResult()
{
    ui->Frame1->hide();
    ui->Frame4->hide();
    ui->Frame5->show();
    ui->Frame6->show();
    ui->Text1->show();
    ui->Command3->setEnabled(false);
}

} // namespace zentrova
