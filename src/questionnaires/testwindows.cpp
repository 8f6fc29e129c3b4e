// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "testwindows.h"

#include "ability/creativepotentialwindow.h"
#include "ability/creativitywindow.h"
#include "ability/intelligencewindow.h"
#include "ability/leadershiptypewindow.h"
#include "ability/logicalthinkingwindow.h"
#include "ability/logicselftestwindow.h"
#include "ability/managementqualitieswindow.h"
#include "ability/managementstylewindow.h"
#include "ability/peoplejudgingleaderwindow.h"
#include "ability/selfpotentialwindow.h"
#include "love/lovablegirlwindow.h"
#include "love/lovescorewindow.h"
#include "personality/decisivenesswindow.h"
#include "personality/emotionalstabilitywindow.h"
#include "personality/examanxietywindow.h"
#include "personality/inferioritywindow.h"
#include "personality/introversionwindow.h"
#include "personality/jealousywindow.h"
#include "personality/popularitywindow.h"
#include "personality/selfcontrolwindow.h"
#include "personality/temperamentwindow.h"
#include "personality/truefriendwindow.h"

namespace zentrova {

namespace {

template<typename Window>
QDialog *make(QWidget *parent)
{
    return new Window(parent);
}

struct TestWindowEntry {
    std::string_view name;
    QDialog *(*create)(QWidget *parent);
};

// Every test window, in menu order.
const TestWindowEntry TestWindows[] = {
    {"frm气质测试", make<TemperamentWindow>},
    {"frm性格内向或外向", make<IntroversionWindow>},
    {"frm你可断吗", make<DecisivenessWindow>},
    {"frm意志力", make<SelfControlWindow>},
    {"frm情绪稳定性1", make<EmotionalStabilityWindow>},
    {"frm如何克服自卑感", make<InferiorityWindow>},
    {"frm考试焦虑", make<ExamAnxietyWindow>},
    {"frm女性嫉妒心理", make<JealousyWindow>},
    {"frm受欢迎的人", make<PopularityWindow>},
    {"frm知心朋友测试", make<TrueFriendWindow>},
    {"frm你聪明吗", make<IntelligenceWindow>},
    {"frm发挥自我潜能", make<SelfPotentialWindow>},
    {"frm富有创造力", make<CreativityWindow>},
    {"frm自我创造潜力自测", make<CreativePotentialWindow>},
    {"frm逻辑思维能力测试", make<LogicalThinkingWindow>},
    {"frm逻辑思考能力测试", make<LogicSelfTestWindow>},
    {"frm你的管理方式", make<ManagementStyleWindow>},
    {"frm你的领导类型", make<LeadershipTypeWindow>},
    {"frm具备管理素质", make<ManagementQualitiesWindow>},
    {"frm知人善任的领导", make<PeopleJudgingLeaderWindow>},
    {"frm惹人喜爱的女孩", make<LovableGirlWindow>},
    {"frm你的爱情分值", make<LoveScoreWindow>},
};

} // namespace

QDialog *createTestWindow(std::string_view name, QWidget *parent)
{
    for (const TestWindowEntry &entry : TestWindows) {
        if (entry.name == name)
            return entry.create(parent);
    }
    return nullptr;
}

} // namespace zentrova
