// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// "你是个惹人喜爱的女孩子吗？": ten three-option items whose scores come from
// the bank, and the descriptions of three score bands beside the total.
#pragma once

#include "framework/questionnaireform.h"

#include <memory>

namespace Ui {
class LovableGirlWindow;
}

namespace zentrova {

class LovableGirlWindow : public QuestionnaireForm
{
    Q_OBJECT

public:
    explicit LovableGirlWindow(QWidget *parent = nullptr);
    ~LovableGirlWindow() override;

protected:
    void showResult() override;

private:
    std::unique_ptr<Ui::LovableGirlWindow> ui;
};

} // namespace zentrova
