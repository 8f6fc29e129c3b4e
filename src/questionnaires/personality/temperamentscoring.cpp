// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "temperamentscoring.h"

#include "framework/numbers.h"

namespace zentrova {

const std::array<Temperament, 4> TemperamentKey = {{
    {"胆汁质", {2, 6, 9, 14, 17, 21, 27, 31, 36, 38, 42, 48, 50, 54, 58}},
    {"多血质", {4, 8, 11, 16, 19, 23, 25, 29, 34, 40, 44, 46, 52, 56, 60}},
    {"粘液质", {1, 7, 10, 13, 18, 22, 26, 30, 33, 39, 43, 45, 49, 55, 57}},
    {"抑郁质", {3, 5, 12, 15, 20, 24, 28, 32, 35, 37, 41, 47, 51, 53, 59}},
}};

std::array<double, 4> temperamentTotals(const QStringList &answers)
{
    std::array<double, 4> totals{};
    for (size_t band = 0; band < TemperamentKey.size(); ++band) {
        for (int item : TemperamentKey[band].items)
            totals[band] += item <= answers.size() ? lenientNumber(answers.at(item - 1)) : 0;
    }
    return totals;
}

} // namespace zentrova
