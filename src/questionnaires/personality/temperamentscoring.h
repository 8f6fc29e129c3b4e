// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The temperament key: four temperaments of fifteen items each, and the
// totals worked out afresh from the answers on the score sheet.
#pragma once

#include <QStringList>

#include <array>

namespace zentrova {

struct Temperament {
    const char *name;
    std::array<int, 15> items; // item numbers, 1 to 60
};

// In the order of the score sheet's bands, top to bottom.
extern const std::array<Temperament, 4> TemperamentKey;

// The four totals from the sixty answers (answers[i] is item i + 1: "2" … "-2",
// or empty for an item not answered, which counts 0).
std::array<double, 4> temperamentTotals(const QStringList &answers);

} // namespace zentrova
