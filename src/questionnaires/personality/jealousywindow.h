// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// "女性嫉妒心理测试": seven four-option items, scored from the bank's
// full-width lettered fields, and four jealousy types with a band legend.
#pragma once

#include "framework/questionnaireform.h"

#include <memory>

namespace Ui {
class JealousyWindow;
}

namespace zentrova {

class JealousyWindow : public QuestionnaireForm
{
    Q_OBJECT

public:
    explicit JealousyWindow(QWidget *parent = nullptr);
    ~JealousyWindow() override;

protected:
    void showResult() override;

private:
    std::unique_ptr<Ui::JealousyWindow> ui;
};

} // namespace zentrova
