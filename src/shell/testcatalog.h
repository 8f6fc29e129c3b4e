// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The main window's menu tree: groups, sub-groups and the test entries, each
// entry opening one test window.
#pragma once

#include <span>
#include <string_view>
#include <vector>

namespace zentrova {

enum class MenuAction { Submenu, OpenTest, Exit, About };

struct MenuEntry {
    std::string_view name;    // objectName of the menu or action
    std::string_view caption;
    MenuAction action;
    std::string_view window;  // for OpenTest: objectName of the test window
    std::span<const MenuEntry> children;
};

// The menu bar's menus, in order.
std::span<const MenuEntry> testCatalog();

// The caption of the menu entry that opens the window ("你有几分克制能力？");
// empty for a window no entry opens.
std::string_view testCaption(std::string_view window);

// The windows the menu entries open, in the menu's order.
std::vector<std::string_view> testWindows();

} // namespace zentrova
