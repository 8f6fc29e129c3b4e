// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "personcode.h"

#include <random>

namespace zentrova {

char personCodeCheck(std::string_view digits)
{
    if (digits.empty())
        return '\0';
    // The weight of each digit is 2^k mod 11, k counted from the check
    // character; carried along as Horner's rule.
    int sum = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return '\0';
        sum = (sum + (c - '0')) * 2 % 11;
    }
    const int check = (12 - sum) % 11;
    return check == 10 ? 'X' : char('0' + check);
}

bool isPersonCode(std::string_view code)
{
    if (code.size() < 5 || code.size() > 18)
        return false;
    const char last = code.back() == 'x' ? 'X' : code.back();
    return personCodeCheck(code.substr(0, code.size() - 1)) == last;
}

std::string normalPersonCode(std::string_view typed)
{
    const auto first = typed.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    std::string code(typed.substr(first, typed.find_last_not_of(" \t\r\n") - first + 1));
    if (code.back() == 'x')
        code.back() = 'X';
    return code;
}

std::string newPersonCode()
{
    static thread_local std::mt19937 random {std::random_device {}()};
    std::uniform_int_distribution<int> first(1, 9), next(0, 9);
    std::string digits(1, char('0' + first(random)));
    while (digits.size() < 7)
        digits += char('0' + next(random));
    return digits + personCodeCheck(digits);
}

} // namespace zentrova
