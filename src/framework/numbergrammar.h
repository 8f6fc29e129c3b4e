// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The shape of a decimal number in text, shared by the program's number
// readings and the bank checker (which has no Qt), so both accept the same
// texts: optional sign, digits with at most one point, and an exponent that
// counts only when digits follow it.
#pragma once

#include <cstddef>

namespace zentrova {

// Length of the number at the start of text[0, size), or 0 when there is none.
template <typename Char>
constexpr std::size_t numberPrefixLength(const Char *text, std::size_t size)
{
    auto isDigit = [&](std::size_t at) { return at < size && text[at] >= Char('0') && text[at] <= Char('9'); };
    auto is = [&](std::size_t at, char c) { return at < size && text[at] == Char(c); };

    std::size_t i = 0;
    if (is(i, '+') || is(i, '-'))
        ++i;
    std::size_t digits = 0;
    while (isDigit(i)) {
        ++i;
        ++digits;
    }
    if (is(i, '.')) {
        ++i;
        while (isDigit(i)) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    if (is(i, 'e') || is(i, 'E')) {
        std::size_t j = i + 1;
        if (is(j, '+') || is(j, '-'))
            ++j;
        if (isDigit(j)) {
            while (isDigit(j))
                ++j;
            i = j;
        }
    }
    return i;
}

} // namespace zentrova
