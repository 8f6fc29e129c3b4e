// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// "你用什么方式进行管理？": eighteen yes/no items in three interleaved groups,
// a point per "是" for the group of the item on show, and the management
// style of the group that leads.
#pragma once

#include "framework/questionnaireform.h"
#include "groupverdict.h"

#include <memory>

namespace Ui {
class ManagementStyleWindow;
}

namespace zentrova {

class ManagementStyleWindow : public QuestionnaireForm
{
    Q_OBJECT

public:
    explicit ManagementStyleWindow(QWidget *parent = nullptr);
    ~ManagementStyleWindow() override;

protected:
    void showResult() override;

private:
    GroupTallies tallies() const;

    std::unique_ptr<Ui::ManagementStyleWindow> ui;
};

} // namespace zentrova
