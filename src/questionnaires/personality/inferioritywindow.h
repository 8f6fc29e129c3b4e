// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// "如何克服自卑感": eleven three-option items worth 1 to 5 points each, and
// four types of inferiority feeling by score band.
#pragma once

#include "framework/questionnaireform.h"

#include <memory>

namespace Ui {
class InferiorityWindow;
}

namespace zentrova {

class InferiorityWindow : public QuestionnaireForm
{
    Q_OBJECT

public:
    explicit InferiorityWindow(QWidget *parent = nullptr);
    ~InferiorityWindow() override;

protected:
    void showResult() override;

private:
    std::unique_ptr<Ui::InferiorityWindow> ui;
};

} // namespace zentrova
