// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "emotionalstabilitywindow.h"

#include "ui_emotionalstabilitywindow.h"

namespace zentrova {

// No item number is shown and the table has no end number, so the flow never
// finishes: on the last statement "下一题" keeps it on show.
EmotionalStabilityWindow::EmotionalStabilityWindow(QWidget *parent)
    : QuestionnaireForm(parent)
    , ui(std::make_unique<Ui::EmotionalStabilityWindow>())
{
    ui->setupUi(this);
    load({.options = {ui->Option1, ui->Option2, ui->Option3}, .prompt = PromptYesUnsureNo});
}

EmotionalStabilityWindow::~EmotionalStabilityWindow() = default;

// Command3 is "返回" here: with no result to show, it closes at once.
void EmotionalStabilityWindow::showResult()
{
    accept();
}

} // namespace zentrova
