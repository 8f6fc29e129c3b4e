// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The twenty-two test windows, by objectName.
#pragma once

#include <string_view>

class QDialog;
class QWidget;

namespace zentrova {

// A fresh instance of the named test window, or nullptr for an unknown name.
QDialog *createTestWindow(std::string_view name, QWidget *parent);

} // namespace zentrova
