// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Text that a spreadsheet would run as a formula when it opens a CSV file:
// it starts with =, +, -, @, a tab or a carriage return and is not a plain
// number. Plain C++ over any code unit, so that the program's export (UTF-16)
// and zentrova-centre's roster (UTF-8) guard alike.
#pragma once

#include <string_view>

namespace zentrova {

// Whether text is a decimal number as a spreadsheet reads one: [+-]digits
// [.digits][e[+-]digits], or a fraction such as .5.
template<typename Char> bool isPlainNumber(std::basic_string_view<Char> text)
{
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t start = i;
        while (i < text.size() && text[i] >= Char('0') && text[i] <= Char('9'))
            ++i;
        return i - start;
    };
    if (i < text.size() && (text[i] == Char('+') || text[i] == Char('-')))
        ++i;
    std::size_t mantissa = digits();
    if (i < text.size() && text[i] == Char('.')) {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return false;
    if (i < text.size() && (text[i] == Char('e') || text[i] == Char('E'))) {
        ++i;
        if (i < text.size() && (text[i] == Char('+') || text[i] == Char('-')))
            ++i;
        if (digits() == 0)
            return false;
    }
    return i == text.size();
}

template<typename Char> bool runsAsFormula(std::basic_string_view<Char> text)
{
    if (text.empty())
        return false;
    const Char first = text.front();
    const bool formulaStart = first == Char('=') || first == Char('+') || first == Char('-') || first == Char('@')
        || first == Char('\t') || first == Char('\r');
    return formulaStart && !isPlainNumber(text);
}

} // namespace zentrova
