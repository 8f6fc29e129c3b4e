// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// "你是个知人善任的领导吗？": sixteen yes/no items, one point per "是", the
// total shown beside all three bands, and the minutes spent on the test.
#pragma once

#include "framework/questionnaireform.h"

#include <memory>

namespace Ui {
class PeopleJudgingLeaderWindow;
}

namespace zentrova {

class PeopleJudgingLeaderWindow : public QuestionnaireForm
{
    Q_OBJECT

public:
    explicit PeopleJudgingLeaderWindow(QWidget *parent = nullptr);
    ~PeopleJudgingLeaderWindow() override;

protected:
    void tally(int chosen) override;
    void showResult() override;

private:
    std::unique_ptr<Ui::PeopleJudgingLeaderWindow> ui;
};

} // namespace zentrova
