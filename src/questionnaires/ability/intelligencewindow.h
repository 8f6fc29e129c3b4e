// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// "你聪明吗？": fifteen statements answered A (fits me), B (cannot tell) or
// C (does not fit). The bank keeps each answer's worth in its option fields,
// which stay hidden; the answer key explains the letters instead.
#pragma once

#include "framework/questionnaireform.h"

#include <memory>

namespace Ui {
class IntelligenceWindow;
}

namespace zentrova {

class IntelligenceWindow : public QuestionnaireForm
{
    Q_OBJECT

public:
    explicit IntelligenceWindow(QWidget *parent = nullptr);
    ~IntelligenceWindow() override;

protected:
    void showResult() override;

private:
    std::unique_ptr<Ui::IntelligenceWindow> ui;
};

} // namespace zentrova
