#include "bankcatalog.h"

#include <algorithm>

namespace zentrova {

namespace {

// Number, text and the option texts and scores most tables share.
std::vector<FieldBinding> item(std::string_view number, std::string_view text)
{
    return {{number, "测试题号"}, {text, "测试题目"}};
}

std::vector<FieldBinding> operator+(std::vector<FieldBinding> a, const std::vector<FieldBinding> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<BankTable> &catalogue()
{
    static const std::vector<BankTable> tables = {
        {"frm气质测试", "你属于哪种气质？", {{"Label1", "测试内容"}}, 60, 0},
        {"frm情绪稳定性1",
         "情绪稳定性表",
         {{"Label5", "测试题目"}, {"Label2", "是"}, {"Label3", "不确定"}, {"Label4", "否"}},
         210,
         0},
        {"frm意志力",
         "你有几分克制能力",
         item("Label6", "Label1")
             + std::vector<FieldBinding>{{"Label2", "选项A"}, {"Label3", "选项B"}, {"Label4", "选项C"}, {"Label5", "选项D"}},
         8,
         9},
        {"frm考试焦虑", "考试焦虑度表", item("Lbl题号", "Lbl题目"), 33, 34},
        {"frm发挥自我潜能",
         "你能发挥自我潜能吗",
         item("Lbl题号", "Lbl题目")
             + std::vector<FieldBinding>{{"Label2", "选项A"},
                                         {"Label6", "选项B"},
                                         {"Label7", "选项C"},
                                         {"Label3", "分数A"},
                                         {"Label4", "分数B"},
                                         {"Label5", "分数C"}},
         10,
         11},
        {"frm受欢迎的人",
         "你是个受欢迎的人吗",
         item("Lbl题号", "Label2")
             + std::vector<FieldBinding>{{"Label3", "选项A"},
                                         {"Label4", "选项B"},
                                         {"Label5", "选项C"},
                                         {"Label6", "分数A"},
                                         {"Label7", "分数B"},
                                         {"Label8", "分数C"}},
         7,
         8},
        {"frm你聪明吗",
         "你聪明吗",
         item("Lbl题号", "Lbl题目")
             + std::vector<FieldBinding>{{"Label2", "选项A"}, {"Label3", "选项B"}, {"Label4", "选项C"}},
         15,
         16},
        {"frm知心朋友测试",
         "你有真正的朋友吗",
         item("Lbl题号", "Label2")
             + std::vector<FieldBinding>{{"Label3", "选项A"},
                                         {"Label4", "选项B"},
                                         {"Label5", "选项C"},
                                         {"Label6", "分数A"},
                                         {"Label7", "分数B"},
                                         {"Label8", "分数C"}},
         9,
         10},
        {"frm女性嫉妒心理",
         "女性嫉妒心理测试",
         item("Lbl题号", "Label1")
             + std::vector<FieldBinding>{{"Label2", "选项Ａ"},
                                         {"Label3", "选项Ｂ"},
                                         {"Label4", "选项Ｃ"},
                                         {"Label5", "选项Ｄ"},
                                         {"Label8", "分数Ａ"},
                                         {"Label10", "分数Ｂ"},
                                         {"Label11", "分数Ｃ"},
                                         {"Label12", "分数Ｄ"}},
         7,
         8},
        {"frm逻辑思维能力测试",
         "逻辑思维能力测试",
         item("Lbl题号", "Text1")
             + std::vector<FieldBinding>{{"Text2", "选项A"},
                                         {"Text3", "选项B"},
                                         {"Text4", "选项C"},
                                         {"Text5", "选项D"},
                                         {"Text6", "选项E"},
                                         {"Lbl分数1", "分数A"},
                                         {"Lbl分数2", "分数B"},
                                         {"Lbl分数3", "分数C"},
                                         {"Lbl分数4", "分数D"},
                                         {"Lbl分数5", "分数E"}},
         32,
         33},
        {"frm你的管理方式", "你的管理方式测试", item("Lbl题号", "Label1"), 18, 19},
        {"frm你的领导类型", "你是哪种类型的领导？", item("Lbl题号", "Label1"), 17, 18},
        {"frm惹人喜爱的女孩",
         "你是个惹人喜爱的女孩吗？",
         item("Lbl题号", "Label1")
             + std::vector<FieldBinding>{{"Label2", "选项A"},
                                         {"Label3", "选项B"},
                                         {"Label4", "选项C"},
                                         {"Label5", "分数A"},
                                         {"Label6", "分数B"},
                                         {"Label7", "分数C"}},
         10,
         11},
        {"frm你的爱情分值",
         "你的爱情能打多少分？",
         item("Lbl题号", "Label1")
             + std::vector<FieldBinding>{{"Label5", "分数A"}, {"Label6", "分数B"}, {"Label7", "分数C"}},
         10,
         11},
        {"frm富有创造力",
         "你富有创造力吗？",
         item("Lbl题号", "Label1")
             + std::vector<FieldBinding>{{"Label2", "分数A"},
                                         {"Label3", "分数B"},
                                         {"Label4", "分数C"},
                                         {"Label5", "分数D"},
                                         {"Label6", "分数E"}},
         45,
         46},
        // The opening page is row 1; items 2 to 20 follow, and the test ends
        // once row 20 has been answered.
        {"frm逻辑思考能力测试",
         "逻辑思考能力自测",
         item("Lbl题号", "Label2")
             + std::vector<FieldBinding>{{"Label3", "选项1"},
                                         {"Label4", "选项2"},
                                         {"Label5", "选项3"},
                                         {"Lbl分1", "分数A1（是）"},
                                         {"Lbl分2", "分数B1（否）"},
                                         {"Lbl分3", "分数A2（是）"},
                                         {"Lbl分4", "分数B2（否）"},
                                         {"Lbl分5", "分数A3（是）"},
                                         {"Lbl分6", "分数B3（否）"}},
         19,
         20},
        {"frm性格内向或外向", "你的性格是内向还是外向？", item("Lbl题号", "Label1"), 20, 21},
        {"frm你可断吗",
         "你可断吗？",
         item("Lbl题号", "Label1") + std::vector<FieldBinding>{{"Label4", "选项\"是\""}, {"Label6", "选项\"否\""}},
         11,
         12},
        {"frm如何克服自卑感",
         "如何克服自卑感？",
         item("Lbl题号", "Label1")
             + std::vector<FieldBinding>{{"Label2", "选项A"},
                                         {"Label3", "选项B"},
                                         {"Label4", "选项C"},
                                         {"Lbl分数1", "分数A"},
                                         {"Lbl分数2", "分数B"},
                                         {"Lbl分数3", "分数C"}},
         11,
         12},
        {"frm知人善任的领导", "你是个知人善任的领导吗？", item("Lbl题号", "Label1"), 16, 17},
        {"frm自我创造潜力自测",
         "你知道自己的创造潜力吗？",
         item("Lbl题号", "Label2")
             + std::vector<FieldBinding>{{"Lbl分数1", "选项\"是\""}, {"Lbl分数2", "选项\"否\""}},
         23,
         24},
        {"frm具备管理素质", "你具备管理者的素质吗？", item("Lbl题号", "Label1"), 50, 51},
    };
    return tables;
}

} // namespace

std::vector<std::string_view> BankTable::fields() const
{
    std::vector<std::string_view> result;
    for (const FieldBinding &b : bindings) {
        if (std::find(result.begin(), result.end(), b.field) == result.end())
            result.push_back(b.field);
    }
    return result;
}

std::span<const BankTable> bankTables()
{
    return catalogue();
}

const BankTable *bankTableForWindow(std::string_view window)
{
    for (const BankTable &t : catalogue()) {
        if (t.window == window)
            return &t;
    }
    return nullptr;
}

} // namespace zentrova
