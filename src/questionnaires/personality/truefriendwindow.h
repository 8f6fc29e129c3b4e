// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// "你有真正的朋友吗？": nine three-option items whose scores come from the
// bank, and a legend of three score bands.
#pragma once

#include "framework/questionnaireform.h"

#include <memory>

namespace Ui {
class TrueFriendWindow;
}

namespace zentrova {

class TrueFriendWindow : public QuestionnaireForm
{
    Q_OBJECT

public:
    explicit TrueFriendWindow(QWidget *parent = nullptr);
    ~TrueFriendWindow() override;

protected:
    void showResult() override;

private:
    std::unique_ptr<Ui::TrueFriendWindow> ui;
};

} // namespace zentrova
