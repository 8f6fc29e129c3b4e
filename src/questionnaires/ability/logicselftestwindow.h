// "逻辑思考能力自测": an opening page, then 19 items of one, two or three
// statements, each judged "是" or "否". The points of an answer are added the
// moment it is chosen, and taken back when another answer replaces it; a
// lower total is better.
#pragma once

#include "framework/questionnaireform.h"

#include <memory>

namespace Ui {
class LogicSelfTestWindow;
}

namespace zentrova {

class LogicSelfTestWindow : public QuestionnaireForm
{
    Q_OBJECT

public:
    explicit LogicSelfTestWindow(QWidget *parent = nullptr);
    ~LogicSelfTestWindow() override;

protected:
    QString unansweredPrompt() const override;
    void leavingItem(std::optional<int> number) override;
    bool closesOnRowLeft() const override;
    QList<ShownResult::Answer> givenAnswers(const QString &item) const override;
    void showResult() override;

private:
    // Which statement frames are on show: none on the opening page; a single
    // statement is the item text itself, answered in Frame8.
    enum class Layout { None, OneStatement, TwoStatements, ThreeStatements };

    static Layout layoutAfter(std::optional<int> number);
    void setLayout(Layout layout);

    std::unique_ptr<Ui::LogicSelfTestWindow> ui;
    Layout m_layout = Layout::None;
};

} // namespace zentrova
