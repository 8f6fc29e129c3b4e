// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// "逻辑思维能力测试": 32 questions with five answers each, shown in text boxes;
// the bank scores the right answer 1, and the count of right answers stays on
// show from the first item. The result is a legend of three bands.
#pragma once

#include "framework/questionnaireform.h"

#include <memory>

namespace Ui {
class LogicalThinkingWindow;
}

namespace zentrova {

class LogicalThinkingWindow : public QuestionnaireForm
{
    Q_OBJECT

public:
    explicit LogicalThinkingWindow(QWidget *parent = nullptr);
    ~LogicalThinkingWindow() override;

protected:
    void tally(int chosen) override;
    void showResult() override;

private:
    std::unique_ptr<Ui::LogicalThinkingWindow> ui;
};

} // namespace zentrova
