// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// "考试焦虑度测试": 33 items on a four-step scale, 3 to 0 points each, and a
// total read against the reference table of four anxiety levels.
#pragma once

#include "framework/questionnaireform.h"

#include <memory>

namespace Ui {
class ExamAnxietyWindow;
}

namespace zentrova {

class ExamAnxietyWindow : public QuestionnaireForm
{
    Q_OBJECT

public:
    explicit ExamAnxietyWindow(QWidget *parent = nullptr);
    ~ExamAnxietyWindow() override;

protected:
    void tally(int chosen) override;
    void showResult() override;

private:
    std::unique_ptr<Ui::ExamAnxietyWindow> ui;
};

} // namespace zentrova
