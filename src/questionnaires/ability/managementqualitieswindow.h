// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// "你具备管理者的素质吗？": fifty yes/no items, one point per "是", and the
// total beside all five bands, which are laid over the item.
#pragma once

#include "framework/questionnaireform.h"

#include <memory>

namespace Ui {
class ManagementQualitiesWindow;
}

namespace zentrova {

class ManagementQualitiesWindow : public QuestionnaireForm
{
    Q_OBJECT

public:
    explicit ManagementQualitiesWindow(QWidget *parent = nullptr);
    ~ManagementQualitiesWindow() override;

protected:
    void tally(int chosen) override;
    void showResult() override;

private:
    std::unique_ptr<Ui::ManagementQualitiesWindow> ui;
};

} // namespace zentrova
