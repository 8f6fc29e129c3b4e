// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The 测评码 a student types at a seat in place of a name: digits followed by
// an ISO 7064 MOD 11-2 check character (0–9 or X), the rule of the last
// character of a resident identity number, so that a mistyped code is caught
// before it is sent.
#pragma once

#include <string>
#include <string_view>

namespace zentrova {

// The check character of a string of digits; '\0' when it holds anything
// else or nothing.
char personCodeCheck(std::string_view digits);

// Whether code is 4 to 17 digits and their check character (x taken as X).
bool isPersonCode(std::string_view code);

// A code as typed, without surrounding spaces and with its check character
// x written X, as the server files it.
std::string normalPersonCode(std::string_view typed);

// A new code of seven random digits (the first not 0) and its check character.
std::string newPersonCode();

} // namespace zentrova

