#include "testwindows.h"

#include "ability/creativitywindow.h"
#include "ability/logicalthinkingwindow.h"
#include "ability/logicselftestwindow.h"
#include "ability/peoplejudgingleaderwindow.h"
#include "ability/selfpotentialwindow.h"
#include "framework/strings.h"
#include "framework/testwindow.h"
#include "personality/emotionalstabilitywindow.h"
#include "personality/examanxietywindow.h"
#include "personality/selfcontrolwindow.h"
#include "personality/temperamentwindow.h"

#include <functional>

namespace zentrova {

namespace {

template<typename Window>
QDialog *make(QWidget *parent)
{
    return new Window(parent);
}

struct TestWindowEntry {
    std::string_view name;
    const char *caption;
    std::function<QDialog *(QWidget *)> create; // empty: not built yet
};

// Every test window, with the caption it carries.
const TestWindowEntry TestWindows[] = {
    {"frm气质测试", "", make<TemperamentWindow>},
    {"frm性格内向或外向", "你的性格是内向还是外向？", {}},
    {"frm你可断吗", "你可断吗？", {}},
    {"frm意志力", "克制能力测试", make<SelfControlWindow>},
    {"frm情绪稳定性1", "情绪稳定性测试", make<EmotionalStabilityWindow>},
    {"frm如何克服自卑感", "如何克服自卑感", {}},
    {"frm考试焦虑", "考试焦虑度测试", make<ExamAnxietyWindow>},
    {"frm女性嫉妒心理", "女性嫉妒心理测试", {}},
    {"frm受欢迎的人", "你是个受欢迎的人吗", {}},
    {"frm知心朋友测试", "你有真正的朋友吗？", {}},
    {"frm你聪明吗", "你聪明吗？", {}},
    {"frm发挥自我潜能", "发挥自我潜能测试", make<SelfPotentialWindow>},
    {"frm富有创造力", "你富有创造力吗？", make<CreativityWindow>},
    {"frm自我创造潜力自测", "你知道自己的创造潜力吗？", {}},
    {"frm逻辑思维能力测试", "逻辑思维能力测试", make<LogicalThinkingWindow>},
    {"frm逻辑思考能力测试", "逻辑思考能力测试", make<LogicSelfTestWindow>},
    {"frm你的管理方式", "你用什么方式进行管理？", {}},
    {"frm你的领导类型", "你是哪种类型的领导？", {}},
    {"frm具备管理素质", "你具备管理者的素质吗？", {}},
    {"frm知人善任的领导", "你是个知人善任的领导吗？", make<PeopleJudgingLeaderWindow>},
    {"frm惹人喜爱的女孩", "你是个惹人喜爱的女孩子吗？", {}},
    {"frm你的爱情分值", "你的爱情能打多少分？", {}},
};

} // namespace

QDialog *createTestWindow(std::string_view name, QWidget *parent)
{
    for (const TestWindowEntry &entry : TestWindows) {
        if (entry.name != name)
            continue;
        if (entry.create)
            return entry.create(parent);
        // A test still to be built opens as an empty window of its own.
        auto *window = new TestWindow(parent);
        window->setObjectName(toQString(name));
        window->setWindowTitle(QString::fromUtf8(entry.caption));
        window->resize(600, 400);
        return window;
    }
    return nullptr;
}

} // namespace zentrova
