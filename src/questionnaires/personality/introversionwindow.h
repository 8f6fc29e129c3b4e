// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// "你的性格是内向还是外向？": twenty yes/no items; "是" on an odd item is an
// extrovert answer, on an even one an introvert answer, and the verdict
// compares the two counts, which the user never sees.
#pragma once

#include "framework/questionnaireform.h"

#include <memory>

namespace Ui {
class IntroversionWindow;
}

namespace zentrova {

class IntroversionWindow : public QuestionnaireForm
{
    Q_OBJECT

public:
    explicit IntroversionWindow(QWidget *parent = nullptr);
    ~IntroversionWindow() override;

protected:
    void showResult() override;

private:
    std::unique_ptr<Ui::IntroversionWindow> ui;
};

} // namespace zentrova
