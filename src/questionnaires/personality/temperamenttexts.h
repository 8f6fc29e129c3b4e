// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The temperament test's sixty statements ("N、statement。"), held in the
// program for recalling items from the score sheet, and its two report texts.
#pragma once

namespace zentrova {

extern const char *const TemperamentItems[60];
extern const char TemperamentRulesText[];
extern const char TemperamentExplanationText[];

} // namespace zentrova
