// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "testcatalog.h"

namespace zentrova {

namespace {

constexpr MenuEntry test(std::string_view name, std::string_view caption, std::string_view window)
{
    return {name, caption, MenuAction::OpenTest, window, {}};
}

constexpr MenuEntry submenu(std::string_view name, std::string_view caption, std::span<const MenuEntry> children)
{
    return {name, caption, MenuAction::Submenu, {}, children};
}

constexpr MenuEntry XinggeEntries[] = {
    test("mnuXingge1", "你属于哪种气质？", "frm气质测试"),
    test("mnuXingge2", "你的性格是内向还是外向？", "frm性格内向或外向"),
    test("mnuXingge3", "你果断吗？", "frm你可断吗"),
};
constexpr MenuEntry YiziliEntries[] = {
    test("mnuYizili1", "你有几分克制能力？", "frm意志力"),
};
constexpr MenuEntry XingxuEntries[] = {
    test("mnuXingxu1", "情绪稳定性测试", "frm情绪稳定性1"),
    test("mnuXingxu4", "如何克服自卑感", "frm如何克服自卑感"),
    test("mnuXingxu2", "考试焦虑度测试", "frm考试焦虑"),
    test("mnuXingxu3", "女性嫉妒心理测试", "frm女性嫉妒心理"),
};
constexpr MenuEntry JiaoWangEntries[] = {
    test("mnuJiaoWang1", "你是个受欢迎的人吗？", "frm受欢迎的人"),
    test("mnuJiaoWang2", "你有真正的朋友吗？", "frm知心朋友测试"),
};
constexpr MenuEntry GexingEntries[] = {
    submenu("mnuXingge", "性格与气质测试", XinggeEntries),
    submenu("mnuYizili", "意志力测试", YiziliEntries),
    submenu("mnuXingxu", "情绪与情感测试", XingxuEntries),
    submenu("mnuJiaoWang", "人际交往测试", JiaoWangEntries),
    {"mnuExit", "退出系统", MenuAction::Exit, {}, {}},
};

constexpr MenuEntry Nengli2Entries[] = {
    test("mnuNengli21", "你聪明吗？", "frm你聪明吗"),
};
constexpr MenuEntry Nengli3Entries[] = {
    test("mnuNengli31", "发挥自我潜能测试", "frm发挥自我潜能"),
    test("mnuNengli32", "你富有创造力吗？", "frm富有创造力"),
    test("mnuNengli33", "自我创造潜力测试", "frm自我创造潜力自测"),
};
constexpr MenuEntry Nengli4Entries[] = {
    test("mnuNengli41", "逻辑思维能力测试", "frm逻辑思维能力测试"),
    test("mnuNengli42", "逻辑思考能力自测", "frm逻辑思考能力测试"),
};
constexpr MenuEntry Nengli6Entries[] = {
    test("mnuNengli61", "你的管理方式测试", "frm你的管理方式"),
    test("mnuNengli62", "你的领导类型测试", "frm你的领导类型"),
    test("mnuNengli63", "你具备管理素质吗", "frm具备管理素质"),
    test("mnuNengli64", "知人善任的领导", "frm知人善任的领导"),
};
constexpr MenuEntry NengliEntries[] = {
    submenu("mnuNengli2", "个人智商测试", Nengli2Entries),
    submenu("mnuNengli3", "能力倾向测试", Nengli3Entries),
    submenu("mnuNengli4", "思维能力测试", Nengli4Entries),
    submenu("mnuNengli6", "管理能力测试", Nengli6Entries),
};

constexpr MenuEntry Hunlan1Entries[] = {
    test("mnuHunlan11", "惹人喜爱的女孩", "frm惹人喜爱的女孩"),
    test("mnuHunlan12", "你的爱情分值", "frm你的爱情分值"),
};
constexpr MenuEntry HunglanEntries[] = {
    submenu("mnuHunlan1", "恋爱测试", Hunlan1Entries),
};

constexpr MenuEntry HelpEntries[] = {
    {"mnuAbout", "关于", MenuAction::About, {}, {}},
};

constexpr MenuEntry MenuBar[] = {
    submenu("mnuGexing", "个性测试", GexingEntries),
    submenu("mnuNengli", "能力测试", NengliEntries),
    submenu("mnuHunglan", "婚恋测试", HunglanEntries),
    submenu("mnuHelp", "帮助", HelpEntries),
};

} // namespace

std::span<const MenuEntry> testCatalog()
{
    return MenuBar;
}

namespace {

std::string_view captionIn(std::span<const MenuEntry> entries, std::string_view window)
{
    for (const MenuEntry &entry : entries) {
        if (entry.action == MenuAction::OpenTest && entry.window == window)
            return entry.caption;
        if (const std::string_view caption = captionIn(entry.children, window); !caption.empty())
            return caption;
    }
    return {};
}

void collectWindows(std::span<const MenuEntry> entries, std::vector<std::string_view> &windows)
{
    for (const MenuEntry &entry : entries) {
        if (entry.action == MenuAction::OpenTest)
            windows.push_back(entry.window);
        collectWindows(entry.children, windows);
    }
}

} // namespace

std::string_view testCaption(std::string_view window)
{
    return captionIn(MenuBar, window);
}

std::vector<std::string_view> testWindows()
{
    std::vector<std::string_view> windows;
    collectWindows(MenuBar, windows);
    return windows;
}

} // namespace zentrova
