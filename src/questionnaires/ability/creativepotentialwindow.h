// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// "你知道自己的创造潜力吗？": twenty-three yes/no items whose points come from
// the bank, the total with one interpretation in place of the instructions,
// and the minutes spent on the test.
#pragma once

#include "framework/questionnaireform.h"

#include <memory>

namespace Ui {
class CreativePotentialWindow;
}

namespace zentrova {

class CreativePotentialWindow : public QuestionnaireForm
{
    Q_OBJECT

public:
    explicit CreativePotentialWindow(QWidget *parent = nullptr);
    ~CreativePotentialWindow() override;

protected:
    void showResult() override;

private:
    std::unique_ptr<Ui::CreativePotentialWindow> ui;
};

} // namespace zentrova
