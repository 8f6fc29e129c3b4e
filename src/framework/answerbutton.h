// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The answer button of every test window, used from the .ui files as a
// promoted QRadioButton.
#pragma once

#include <QRadioButton>

namespace zentrova {

// A radio button that its whole rectangle chooses. Qt's own reacts only to
// its indicator and caption, so a click in the empty part of a wide answer
// ("是" in a 90-pixel button) would leave the item unanswered.
class AnswerButton : public QRadioButton
{
public:
    using QRadioButton::QRadioButton;

protected:
    bool hitButton(const QPoint &pos) const override { return rect().contains(pos); }
};

} // namespace zentrova
