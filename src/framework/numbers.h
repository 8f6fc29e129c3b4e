// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Reading and writing the numbers that labels hold as text.
#pragma once

#include <optional>

class QString;

namespace zentrova {

// The number that the text starts with (leading blanks skipped), or 0 when it
// starts with none: "12分" reads 12, "" and "abc" read 0. Used for tallies and
// scores, which may be empty or carry trailing text.
double lenientNumber(const QString &text);

// The number that the whole text is (surrounding blanks allowed), or nothing.
// Used for item numbers, where anything else is a fault.
std::optional<double> strictNumber(const QString &text);

// Shortest plain decimal text that reads back as the same value: 12, 2.5, -3.
QString plainNumber(double value);

} // namespace zentrova
