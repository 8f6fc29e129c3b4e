// "发挥自我潜能测试": ten three-option items whose scores come from the bank,
// each item's standing answer counted as it is chosen, and the texts of
// three score bands.
#pragma once

#include "framework/questionnaireform.h"

#include <memory>

namespace Ui {
class SelfPotentialWindow;
}

namespace zentrova {

class SelfPotentialWindow : public QuestionnaireForm
{
    Q_OBJECT

public:
    explicit SelfPotentialWindow(QWidget *parent = nullptr);
    ~SelfPotentialWindow() override;

protected:
    void showResult() override;

private:
    std::unique_ptr<Ui::SelfPotentialWindow> ui;
};

} // namespace zentrova
