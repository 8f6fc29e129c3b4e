// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// "你有几分克制能力？": eight items, counts of the letters chosen, and the four
// interpretations side by side.
#pragma once

#include "framework/questionnaireform.h"

#include <memory>

namespace Ui {
class SelfControlWindow;
}

namespace zentrova {

class SelfControlWindow : public QuestionnaireForm
{
    Q_OBJECT

public:
    explicit SelfControlWindow(QWidget *parent = nullptr);
    ~SelfControlWindow() override;

protected:
    void tally(int chosen) override;
    void enterFinishedState() override;
    void showResult() override;

private:
    std::unique_ptr<Ui::SelfControlWindow> ui;
};

} // namespace zentrova
