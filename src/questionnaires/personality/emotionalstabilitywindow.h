// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// "情绪稳定性测试": 210 statements answered 是, 不确定 or 否, one after another.
// Nothing is scored and there is no result view; "返回" leaves at any time.
#pragma once

#include "framework/questionnaireform.h"

#include <memory>

namespace Ui {
class EmotionalStabilityWindow;
}

namespace zentrova {

class EmotionalStabilityWindow : public QuestionnaireForm
{
    Q_OBJECT

public:
    explicit EmotionalStabilityWindow(QWidget *parent = nullptr);
    ~EmotionalStabilityWindow() override;

protected:
    void showResult() override;

private:
    std::unique_ptr<Ui::EmotionalStabilityWindow> ui;
};

} // namespace zentrova
