// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// "你是个受欢迎的人吗": seven three-option items whose scores come from the
// bank. The total is the whole result: no bands, no interpretation.
#pragma once

#include "framework/questionnaireform.h"

#include <memory>

namespace Ui {
class PopularityWindow;
}

namespace zentrova {

class PopularityWindow : public QuestionnaireForm
{
    Q_OBJECT

public:
    explicit PopularityWindow(QWidget *parent = nullptr);
    ~PopularityWindow() override;

protected:
    void showResult() override;

private:
    std::unique_ptr<Ui::PopularityWindow> ui;
};

} // namespace zentrova
