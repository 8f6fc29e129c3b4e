// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// "你的爱情能打多少分？": ten statements answered 是, 不知道 or 否, each answer
// worth what the bank says, and a legend of four score bands.
#pragma once

#include "framework/questionnaireform.h"

#include <memory>

namespace Ui {
class LoveScoreWindow;
}

namespace zentrova {

class LoveScoreWindow : public QuestionnaireForm
{
    Q_OBJECT

public:
    explicit LoveScoreWindow(QWidget *parent = nullptr);
    ~LoveScoreWindow() override;

protected:
    void showResult() override;

private:
    std::unique_ptr<Ui::LoveScoreWindow> ui;
};

} // namespace zentrova
