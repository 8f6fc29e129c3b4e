// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The window fonts are named as on a Simplified-Chinese Windows system; these
// substitutions give them the closest faces installed from Debian, so that
// every machine renders the windows alike.
#pragma once

namespace zentrova {

void installFontSubstitutions();

} // namespace zentrova
