// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// "你是哪种类型的领导？": seventeen yes/no items in three interleaved groups,
// a point per "是" for the group of the item on show, and the leadership type
// of the group that leads.
#pragma once

#include "framework/questionnaireform.h"
#include "groupverdict.h"

#include <memory>

namespace Ui {
class LeadershipTypeWindow;
}

namespace zentrova {

class LeadershipTypeWindow : public QuestionnaireForm
{
    Q_OBJECT

public:
    explicit LeadershipTypeWindow(QWidget *parent = nullptr);
    ~LeadershipTypeWindow() override;

protected:
    void showResult() override;

private:
    GroupTallies tallies() const;

    std::unique_ptr<Ui::LeadershipTypeWindow> ui;
};

} // namespace zentrova
