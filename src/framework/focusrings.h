// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Focus rings a keyboard user can see: 2 px in a blue that stands at 3:1 or
// more against the controls and the windows around them (WCAG 2.1), where
// the style's own ring is 1 px in a pale tint of the selection colour.
#pragma once

#include <QColor>

namespace zentrova
{

// The ring's colour: 6.6:1 on white, 5.7:1 on the grey of a button's face.
constexpr QColor FocusRingColour(0x1f, 0x5f, 0x9e);

// Puts the application's style behind one that draws these rings on push
// buttons, tool buttons, combo boxes and wherever the style draws a focus
// frame. Call once, after the QApplication is made.
void installFocusRings();

} // namespace zentrova
