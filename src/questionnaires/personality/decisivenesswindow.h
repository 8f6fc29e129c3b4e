// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// "你可断吗？": eleven yes/no items whose points come from the bank, and the
// total beside all four bands in place of the item.
#pragma once

#include "framework/questionnaireform.h"

#include <memory>

namespace Ui {
class DecisivenessWindow;
}

namespace zentrova {

class DecisivenessWindow : public QuestionnaireForm
{
    Q_OBJECT

public:
    explicit DecisivenessWindow(QWidget *parent = nullptr);
    ~DecisivenessWindow() override;

protected:
    void showResult() override;

private:
    std::unique_ptr<Ui::DecisivenessWindow> ui;
};

} // namespace zentrova
