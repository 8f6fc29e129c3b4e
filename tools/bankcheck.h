// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Checks a question bank against the table catalogue: schema, numbering,
// closing rows, and content (scores, the temperament statements, the right
// answers of the logic questions, and the totals a user can reach against
// the bands the windows show).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace zentrova::bank {

struct CheckResult {
    std::vector<std::string> problems; // one line each, naming table, row and field
    std::vector<std::string> summary;  // one line per table
};

CheckResult checkBank(sqlite3 *db);

// A file: URI for SQLite, whose path may hold any character: '?', '#' and
// '%' would otherwise start the query, the fragment or an escape.
std::string fileUri(const std::filesystem::path &path);

// A score read exactly, in millionths, or nothing when the whole text is
// not a number of at most nine integer digits and six decimals.
struct Score {
    long long micros = 0;
    bool isNumber = false;   // the whole text reads as a number
    bool checkable = false;  // and it is small and short enough to add exactly
};
Score readScore(std::string_view text);

// Shortest decimal text of a value in millionths: "12", "-2.5".
std::string formatMicros(long long micros);

} // namespace zentrova::bank
