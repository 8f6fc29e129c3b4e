// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The bare start-up program's stand-ins for the text widgets: plain Qt ones.
#pragma once

#include <QLabel>
#include <QTextEdit>

namespace zentrova {
class TextBox : public QTextEdit
{
public:
    using QTextEdit::QTextEdit;
};
class TextLabel : public QLabel
{
public:
    using QLabel::QLabel;
};
} // namespace zentrova
