// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

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

ScoreBand range(int low, int high, std::string_view text)
{
    return {text, low, high};
}

ScoreBand atLeast(int low, std::string_view text)
{
    return {text, low, std::nullopt};
}

ScoreBand atMost(int high, std::string_view text)
{
    return {text, std::nullopt, high};
}

ScoreBand below(int high, std::string_view text)
{
    return {text, std::nullopt, high, false};
}

// The chosen answer scores the field of the same letter.
Scoring byFields(std::vector<std::string_view> answers, std::vector<ScoreBand> bands = {})
{
    Scoring s;
    s.fields = {std::move(answers)};
    s.bands = std::move(bands);
    return s;
}

Scoring byWeights(std::vector<int> weights, std::vector<ScoreBand> bands)
{
    Scoring s;
    s.weights = std::move(weights);
    s.bands = std::move(bands);
    return s;
}

Scoring noTotal(std::string_view shownInstead)
{
    Scoring s;
    s.noTotal = shownInstead;
    return s;
}

// Every answer has a value, but the window adds nothing up.
Scoring valuesOnly()
{
    Scoring s = byFields({"是", "不确定", "否"});
    s.noTotal = "no tally";
    return s;
}

// Questions with one right answer; the total counts the right ones.
Scoring logicQuestions()
{
    Scoring s = byFields({"分数A", "分数B", "分数C", "分数D", "分数E"},
                         {atLeast(25, "25个以上"), range(15, 25, "15－25个"), atMost(15, "15个以下")});
    s.oneRightAnswer = true;
    return s;
}

// Row 1 is an opening page; items 2 to 20 judge one to three statements
// each, "是" or "否" scoring the statement's own field.
Scoring statementJudgements()
{
    Scoring s;
    s.fields = {{"分数A1（是）", "分数B1（否）"}, {"分数A2（是）", "分数B2（否）"}, {"分数A3（是）", "分数B3（否）"}};
    s.statements = {1, 1, 2, 1, 2, 2, 1, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3, 2, 3};
    s.firstItem = 2;
    s.bands = {range(0, 13, "0－13分"), range(14, 19, "14－19分"), range(20, 25, "20－25分"), range(26, 48, "26－48分")};
    return s;
}

// The window shows no bands, but its text names the full score.
Scoring yesNoPointsUpTo(int fullScore)
{
    Scoring s = byFields({"选项\"是\"", "选项\"否\""});
    s.fullScore = fullScore;
    return s;
}

const std::vector<BankTable> &catalogue()
{
    static const std::vector<BankTable> tables = {
        {"frm气质测试", "你属于哪种气质？", {{"Label1", "测试内容"}}, 60, 0, noTotal("four temperament totals, no bands")},
        {"frm情绪稳定性1",
         "情绪稳定性表",
         {{"Label5", "测试题目"}, {"Label2", "是"}, {"Label3", "不确定"}, {"Label4", "否"}},
         210,
         0,
         valuesOnly()},
        {"frm意志力",
         "你有几分克制能力",
         item("Label6", "Label1")
             + std::vector<FieldBinding>{{"Label2", "选项A"}, {"Label3", "选项B"}, {"Label4", "选项C"}, {"Label5", "选项D"}},
         8,
         9,
         noTotal("a count per letter")},
        {"frm考试焦虑",
         "考试焦虑度表",
         item("Lbl题号", "Lbl题目"),
         33,
         34,
         byWeights({3, 2, 1, 0}, {range(0, 24, "0－24"), range(25, 49, "25－49"), range(50, 74, "50－74"), range(75, 99, "75－99")})},
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
         11,
         byFields({"分数A", "分数B", "分数C"}, {range(10, 20, "10－20分"), range(21, 35, "21－35分"), range(36, 50, "36－50分")})},
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
         8,
         byFields({"分数A", "分数B", "分数C"})},
        {"frm你聪明吗",
         "你聪明吗",
         item("Lbl题号", "Lbl题目")
             + std::vector<FieldBinding>{{"Label2", "选项A"}, {"Label3", "选项B"}, {"Label4", "选项C"}},
         15,
         16,
         byFields({"选项A", "选项B", "选项C"},
                  {atLeast(90, "90分以上"), range(60, 90, "60分－90分"), range(30, 60, "30分－60分"), atMost(30, "30分以下")})},
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
         10,
         byFields({"分数A", "分数B", "分数C"}, {range(20, 27, "20－27分"), range(14, 19, "14－19分"), range(10, 13, "10－13分")})},
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
         8,
         byFields({"分数Ａ", "分数Ｂ", "分数Ｃ", "分数Ｄ"},
                  {range(30, 35, "30-35分"), range(24, 29, "24－29分"), range(16, 23, "16－23分"), range(8, 15, "8－15分")})},
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
         33,
         logicQuestions()},
        {"frm你的管理方式", "你的管理方式测试", item("Lbl题号", "Label1"), 18, 19, noTotal("a verdict from three counts of 是")},
        {"frm你的领导类型", "你是哪种类型的领导？", item("Lbl题号", "Label1"), 17, 18, noTotal("a verdict from three counts of 是")},
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
         11,
         byFields({"分数A", "分数B", "分数C"}, {range(24, 30, "24－30分"), range(17, 23, "17－23分"), range(10, 16, "10－16分")})},
        {"frm你的爱情分值",
         "你的爱情能打多少分？",
         item("Lbl题号", "Label1")
             + std::vector<FieldBinding>{{"Label5", "分数A"}, {"Label6", "分数B"}, {"Label7", "分数C"}},
         10,
         11,
         byFields({"分数A", "分数B", "分数C"},
                  {atLeast(35, "35分以上"), range(30, 34, "30－34分"), range(25, 29, "25－29分"), below(25, "不足25分")})},
        {"frm富有创造力",
         "你富有创造力吗？",
         item("Lbl题号", "Label1")
             + std::vector<FieldBinding>{{"Label2", "分数A"},
                                         {"Label3", "分数B"},
                                         {"Label4", "分数C"},
                                         {"Label5", "分数D"},
                                         {"Label6", "分数E"}},
         45,
         46,
         // 10 itself is in "10－29分": "10分以下" is the band under it.
         byFields({"分数A", "分数B", "分数C", "分数D", "分数E"},
                  {range(70, 90, "70－90分"),
                   range(50, 69, "50－69分"),
                   range(30, 49, "30－49分"),
                   range(10, 29, "10－29分"),
                   below(10, "10分以下")})},
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
         20,
         statementJudgements()},
        {"frm性格内向或外向",
         "你的性格是内向还是外向？",
         item("Lbl题号", "Label1"),
         20,
         21,
         noTotal("a verdict from the counts of 是 on odd and even items")},
        {"frm你可断吗",
         "你可断吗？",
         item("Lbl题号", "Label1") + std::vector<FieldBinding>{{"Label4", "选项\"是\""}, {"Label6", "选项\"否\""}},
         11,
         12,
         byFields({"选项\"是\"", "选项\"否\""},
                  {range(0, 6, "0－6分"), range(7, 15, "7－15分"), range(16, 25, "16－25分"), atLeast(26, "26－更高分")})},
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
         12,
         byFields({"分数A", "分数B", "分数C"},
                  {range(11, 13, "11－13分"), range(14, 27, "14－27分"), range(28, 41, "28－41分"), range(42, 55, "42－55分")})},
        {"frm知人善任的领导",
         "你是个知人善任的领导吗？",
         item("Lbl题号", "Label1"),
         16,
         17,
         byWeights({1, 0}, {range(13, 16, "13－16分"), range(8, 12, "8－12分"), atMost(7, "7分以下")})},
        {"frm自我创造潜力自测",
         "你知道自己的创造潜力吗？",
         item("Lbl题号", "Label2")
             + std::vector<FieldBinding>{{"Lbl分数1", "选项\"是\""}, {"Lbl分数2", "选项\"否\""}},
         23,
         24,
         yesNoPointsUpTo(28)},
        {"frm具备管理素质",
         "你具备管理者的素质吗？",
         item("Lbl题号", "Label1"),
         50,
         51,
         byWeights({1, 0},
                   {range(45, 50, "45－50分"),
                    range(35, 44, "35－44分"),
                    range(25, 34, "25－34分"),
                    range(15, 24, "15－24分"),
                    atMost(14, "14分以下")})},
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
