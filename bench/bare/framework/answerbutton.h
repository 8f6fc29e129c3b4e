// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The bare start-up program's stand-in for the answer button: a plain radio
// button, as a Qt program without the program's own widgets would draw it.
#pragma once

#include <QRadioButton>

namespace zentrova {
class AnswerButton : public QRadioButton
{
public:
    using QRadioButton::QRadioButton;
};
} // namespace zentrova
