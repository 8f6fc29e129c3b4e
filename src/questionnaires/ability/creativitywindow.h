// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// "你富有创造力吗？": 45 statements on a five-step agreement scale, each step
// worth the points the bank gives it (negative ones included), and the total
// shown with all five bands.
#pragma once

#include "framework/questionnaireform.h"

#include <memory>

namespace Ui {
class CreativityWindow;
}

namespace zentrova {

class CreativityWindow : public QuestionnaireForm
{
    Q_OBJECT

public:
    explicit CreativityWindow(QWidget *parent = nullptr);
    ~CreativityWindow() override;

protected:
    void tally(int chosen) override;
    void showResult() override;

private:
    std::unique_ptr<Ui::CreativityWindow> ui;
};

} // namespace zentrova
