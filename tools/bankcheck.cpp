// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "bankcheck.h"

#include "framework/bankcatalog.h"
#include "framework/numbergrammar.h"
#include "questionnaires/personality/temperamenttexts.h"

#include <sqlite3.h>

#include <algorithm>
#include <optional>
#include <set>

namespace zentrova::bank {

namespace {

constexpr long long Million = 1000000;
// Beyond this many different totals a table's scores are not worth adding up.
constexpr std::size_t MaxTotals = 200000;

using Cell = std::optional<std::string>;

std::string sqlIdentifier(std::string_view name)
{
    std::string result = "\"";
    for (char c : name) {
        result += c;
        if (c == '"')
            result += '"';
    }
    return result + '"';
}

// One table as read: the catalogue's fields that it has, and its rows in
// rowid order, the order the windows see them in.
struct TableContent {
    std::vector<std::string> fields;
    std::vector<std::vector<Cell>> rows;

    int column(std::string_view field) const
    {
        const auto at = std::find(fields.begin(), fields.end(), field);
        return at == fields.end() ? -1 : int(at - fields.begin());
    }
    Cell cell(std::size_t row, std::string_view field) const
    {
        const int c = column(field);
        return c < 0 ? Cell() : rows[row][std::size_t(c)];
    }
};

std::vector<std::string> columnsOf(sqlite3 *db, const std::string &table)
{
    std::vector<std::string> columns;
    sqlite3_stmt *info = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT name FROM pragma_table_info(?1)", -1, &info, nullptr) != SQLITE_OK)
        return columns;
    sqlite3_bind_text(info, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(info) == SQLITE_ROW) {
        const auto *name = reinterpret_cast<const char *>(sqlite3_column_text(info, 0));
        columns.emplace_back(name ? name : "");
    }
    sqlite3_finalize(info);
    return columns;
}

// False when the rows cannot be read (a damaged file).
bool readRows(sqlite3 *db, const std::string &table, TableContent &content)
{
    std::string select = "SELECT rowid";
    for (const std::string &field : content.fields)
        select += ", " + sqlIdentifier(field);
    select += " FROM " + sqlIdentifier(table) + " ORDER BY rowid";
    sqlite3_stmt *rows = nullptr;
    if (sqlite3_prepare_v2(db, select.c_str(), -1, &rows, nullptr) != SQLITE_OK)
        return false;
    int step;
    while ((step = sqlite3_step(rows)) == SQLITE_ROW) {
        std::vector<Cell> row;
        for (int i = 0; i < int(content.fields.size()); ++i) {
            const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(rows, i + 1));
            if (text)
                row.emplace_back(std::string(text, std::size_t(sqlite3_column_bytes(rows, i + 1))));
            else
                row.emplace_back();
        }
        content.rows.push_back(std::move(row));
    }
    sqlite3_finalize(rows);
    return step == SQLITE_DONE;
}

std::string place(std::string_view table, std::size_t row, std::string_view field)
{
    return "table " + std::string(table) + ", row " + std::to_string(row) + ", field " + std::string(field);
}

std::string shown(const Cell &cell)
{
    return cell ? "\"" + *cell + "\"" : "NULL";
}

std::string join(const std::vector<std::string> &parts, std::string_view separator)
{
    std::string result;
    for (const std::string &part : parts)
        result += (result.empty() ? "" : std::string(separator)) + part;
    return result;
}

struct Checker {
    const BankTable &table;
    const std::string name;
    TableContent content;
    std::vector<std::string> &problems;

    void problem(std::string text) { problems.push_back(std::move(text)); }

    std::size_t firstItemRow() const { return std::size_t(table.scoring.firstItem); }
    std::size_t lastItemRow() const { return firstItemRow() + std::size_t(table.itemCount) - 1; }
    bool isItemRow(std::size_t row) const { return row >= firstItemRow() && row <= lastItemRow(); }

    // Statements that the item on a row asks about.
    std::size_t statementsOn(std::size_t row) const
    {
        const std::vector<int> &perItem = table.scoring.statements;
        const std::size_t index = row - firstItemRow();
        if (index < perItem.size())
            return std::min(std::size_t(perItem[index]), table.scoring.fields.size());
        return table.scoring.fields.size();
    }

    // Row count, numbering and the closing row; false when rows are missing
    // or extra, so that what follows would be checked against the wrong rows.
    bool checkRows()
    {
        const std::size_t count = content.rows.size();
        if (count == 0) {
            problem("table " + name + " is empty");
            return false;
        }
        const bool numbered = content.column("测试题号") >= 0;
        const std::size_t wanted = lastItemRow() + (table.hasClosingRow() ? 1 : 0);
        std::size_t misnumbered = 0;
        for (std::size_t row = 1; numbered && row <= count && !misnumbered; ++row) {
            const Score number = readScore(content.cell(row - 1, "测试题号").value_or(""));
            if (!number.checkable || number.micros != (long long)row * Million)
                misnumbered = row;
        }
        if (count + 1 == wanted && table.hasClosingRow() && !misnumbered) {
            problem(place(name, wanted, "测试题号") + ": no closing row numbered " + std::to_string(table.endNumber) + " after item "
                    + std::to_string(lastItemRow()));
            return true;
        }
        if (count != wanted) {
            problem("table " + name + ": " + std::to_string(count) + " rows, expected " + std::to_string(wanted));
            return false;
        }
        if (misnumbered) {
            problem(place(name, misnumbered, "测试题号") + ": item number " + shown(content.cell(misnumbered - 1, "测试题号"))
                    + ", expected " + std::to_string(misnumbered));
        }
        return true;
    }

    // Score fields read as numbers wherever an answer scores them; elsewhere
    // (closing rows, the opening page, statements an item does not ask) they
    // may be empty. False when some score cannot be added up.
    bool checkScores()
    {
        bool sound = true;
        for (std::size_t row = 1; row <= content.rows.size(); ++row) {
            const std::size_t asked = isItemRow(row) ? statementsOn(row) : 0;
            for (std::size_t group = 0; group < table.scoring.fields.size(); ++group) {
                for (std::string_view field : table.scoring.fields[group]) {
                    const Cell cell = content.cell(row - 1, field);
                    const std::string text = cell.value_or("");
                    const Score score = readScore(text);
                    if (group >= asked) {
                        if (!text.empty() && !score.isNumber)
                            problem(place(name, row, field) + ": " + shown(cell) + " is not a number");
                        continue;
                    }
                    if (score.checkable)
                        continue;
                    sound = false;
                    if (text.empty())
                        problem(place(name, row, field) + ": the score is " + (cell ? "empty" : "NULL"));
                    else if (!score.isNumber)
                        problem(place(name, row, field) + ": score " + shown(cell) + " is not a number");
                    else
                        problem(place(name, row, field) + ": score " + shown(cell)
                                + " has more than nine digits or six decimals, too many to add up exactly");
                }
            }
        }
        return sound;
    }

    // The program shows its own copy of the statements when an item is recalled.
    void checkTemperamentTexts()
    {
        if (content.column("测试内容") < 0)
            return;
        const std::size_t count = std::min(content.rows.size(), std::size(TemperamentItems));
        for (std::size_t row = 1; row <= count; ++row) {
            const Cell cell = content.cell(row - 1, "测试内容");
            const std::string own = TemperamentItems[row - 1];
            if (cell == own)
                continue;
            const std::string numberMark = std::to_string(row) + "、";
            std::string detail = shown(cell) + " differs from the program's item " + std::to_string(row) + " \"" + own + "\"";
            if (cell && numberMark + *cell == own)
                detail += ": it lacks the item's number \"" + numberMark + "\"";
            problem(place(name, row, "测试内容") + ": " + detail);
        }
    }

    void checkRightAnswers()
    {
        if (!table.scoring.oneRightAnswer || table.scoring.fields.empty())
            return;
        const std::vector<std::string_view> &answers = table.scoring.fields.front();
        for (std::size_t row = firstItemRow(); row <= std::min(lastItemRow(), content.rows.size()); ++row) {
            int right = 0;
            bool binary = true;
            for (std::string_view field : answers) {
                const Score score = readScore(content.cell(row - 1, field).value_or(""));
                if (!score.checkable) {
                    binary = false; // reported with the scores
                } else if (score.micros == Million) {
                    ++right;
                } else if (score.micros != 0) {
                    binary = false;
                    problem(place(name, row, field) + ": scores " + formatMicros(score.micros)
                            + ", but an answer scores 1 when right and 0 when wrong");
                }
            }
            if (binary && right != 1)
                problem(place(name, row, std::string(answers.front()) + " to " + std::string(answers.back())) + ": "
                        + std::to_string(right) + " answers score 1, but exactly one answer is right");
        }
    }

    // What the answers to each item can score, statement by statement.
    std::vector<std::vector<long long>> choices() const
    {
        std::vector<std::vector<long long>> steps;
        for (std::size_t row = firstItemRow(); row <= lastItemRow(); ++row) {
            if (!table.scoring.weights.empty()) {
                std::vector<long long> weights;
                for (int weight : table.scoring.weights)
                    weights.push_back(weight * Million);
                steps.push_back(weights);
                continue;
            }
            for (std::size_t group = 0; group < statementsOn(row); ++group) {
                std::vector<long long> scores;
                for (std::string_view field : table.scoring.fields[group])
                    scores.push_back(readScore(content.cell(row - 1, field).value_or("")).micros);
                steps.push_back(scores);
            }
        }
        return steps;
    }

    std::string scope() const
    {
        std::string text = "table " + name + ", rows " + std::to_string(firstItemRow()) + " to " + std::to_string(lastItemRow());
        if (!table.scoring.weights.empty()) {
            std::vector<std::string> weights;
            for (int weight : table.scoring.weights)
                weights.push_back(std::to_string(weight));
            return text + ", answer weights " + join(weights, "/");
        }
        std::vector<std::string> fields;
        for (const auto &group : table.scoring.fields) {
            for (std::string_view field : group)
                fields.emplace_back(field);
        }
        return text + ", fields " + join(fields, "/");
    }

    static bool inBand(long long total, const ScoreBand &band)
    {
        if (band.low && total < *band.low * Million)
            return false;
        if (band.high && (band.highIncluded ? total > *band.high * Million : total >= *band.high * Million))
            return false;
        return true;
    }

    // Every total a user can reach with one answer per item (per statement),
    // against the bands shown beside it. Returns the summary line.
    std::string checkTotals()
    {
        std::vector<long long> totals = {0};
        for (const std::vector<long long> &step : choices()) {
            std::set<long long> next;
            for (long long total : totals) {
                for (long long score : step)
                    next.insert(total + score);
            }
            totals.assign(next.begin(), next.end());
            if (totals.size() > MaxTotals) {
                problem(scope() + ": more than " + std::to_string(MaxTotals) + " different totals, too many to check against the bands");
                return "table " + name + ": totals not worked out";
            }
        }
        const std::string range = formatMicros(totals.front()) + " to " + formatMicros(totals.back());
        const std::vector<ScoreBand> &bands = table.scoring.bands;
        std::vector<std::string> bandTexts;
        for (const ScoreBand &band : bands)
            bandTexts.emplace_back(band.text);

        if (!bands.empty()) {
            std::vector<std::string> outside;
            for (long long total : totals) {
                if (std::none_of(bands.begin(), bands.end(), [&](const ScoreBand &b) { return inBand(total, b); }))
                    outside.push_back(formatMicros(total));
            }
            if (!outside.empty()) {
                const std::size_t all = outside.size();
                if (all > 8) {
                    outside.erase(outside.begin() + 4, outside.end() - 2);
                    outside.insert(outside.begin() + 4, "…");
                }
                problem(scope() + ": reachable total" + (all > 1 ? "s " : " ") + join(outside, ", ")
                        + (all > 8 ? " (" + std::to_string(all) + " in all)" : "") + (all > 1 ? " lie" : " lies")
                        + " in no band of " + join(bandTexts, ", "));
            }
            // Where bands overlap, the first that holds a total is the one
            // shown: a band whose totals all go to earlier ones is as out of
            // reach as one that holds none.
            std::vector<std::vector<std::string>> shown(bands.size()), shared(bands.size());
            for (long long total : totals) {
                bool first = true;
                for (std::size_t i = 0; i < bands.size(); ++i) {
                    if (!inBand(total, bands[i]))
                        continue;
                    (first ? shown : shared)[i].push_back(formatMicros(total));
                    first = false;
                }
            }
            for (std::size_t i = 0; i < bands.size(); ++i) {
                const std::string band = "the band \"" + std::string(bands[i].text) + "\"";
                if (!shown[i].empty())
                    continue;
                if (shared[i].empty())
                    problem(scope() + ": no reachable total falls in " + band + "; totals run from " + range);
                else
                    problem(scope() + ": " + band + " is never shown: its reachable total" + (shared[i].size() > 1 ? "s " : " ")
                            + join(shared[i], ", ") + " fall" + (shared[i].size() > 1 ? "" : "s") + " first in an earlier band");
            }
        }
        if (table.scoring.fullScore && totals.back() != *table.scoring.fullScore * Million)
            problem(scope() + ": the highest reachable total is " + formatMicros(totals.back()) + ", but the window names "
                    + std::to_string(*table.scoring.fullScore) + " as the full score");

        std::string summary = "table " + name + ": totals from " + range;
        if (!bands.empty())
            summary += ", bands " + join(bandTexts, ", ");
        else if (table.scoring.fullScore)
            summary += ", full score " + std::to_string(*table.scoring.fullScore);
        else
            summary += ", no bands shown";
        return summary;
    }

    std::string run(sqlite3 *db)
    {
        const std::vector<std::string> columns = columnsOf(db, name);
        if (columns.empty()) {
            problem("missing table " + name);
            return "table " + name + ": missing";
        }
        bool complete = true;
        for (std::string_view field : table.fields()) {
            if (std::find(columns.begin(), columns.end(), field) != columns.end()) {
                content.fields.emplace_back(field);
                continue;
            }
            problem("table " + name + ": missing field " + std::string(field));
            complete = false;
        }
        for (const std::string &column : columns) {
            if (content.column(column) < 0)
                problem("table " + name + ": unexpected field " + column);
        }
        if (!readRows(db, name, content)) {
            problem("table " + name + ": rows cannot be read: " + sqlite3_errmsg(db));
            return "table " + name + ": unreadable";
        }
        if (!checkRows() || !complete)
            return "table " + name + ": " + std::to_string(content.rows.size()) + " rows, content not checked";
        const bool scoresSound = checkScores();
        checkTemperamentTexts();
        checkRightAnswers();
        if (!table.scoring.noTotal.empty())
            return "table " + name + ": no total, the window shows " + std::string(table.scoring.noTotal);
        if (!scoresSound)
            return "table " + name + ": totals not worked out";
        return checkTotals();
    }
};

} // namespace

Score readScore(std::string_view text)
{
    Score score;
    if (text.empty() || numberPrefixLength(text.data(), text.size()) != text.size())
        return score;
    score.isNumber = true;

    std::size_t i = 0;
    const bool negative = text[0] == '-';
    if (text[0] == '+' || text[0] == '-')
        ++i;
    std::string digits;
    long long exponent = 0; // value = digits × 10^exponent
    for (; i < text.size() && text[i] != 'e' && text[i] != 'E'; ++i) {
        if (text[i] == '.') {
            exponent = 0;
            for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
                digits += text[i];
                --exponent;
            }
            break;
        }
        digits += text[i];
    }
    if (i < text.size()) { // exponent, clamped: anything this large is out of range anyway
        ++i;
        const bool down = text[i] == '-';
        if (text[i] == '+' || text[i] == '-')
            ++i;
        long long e = 0;
        for (; i < text.size(); ++i)
            e = std::min(e * 10 + (text[i] - '0'), 100000LL);
        exponent += down ? -e : e;
    }
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
    while (!digits.empty() && digits.back() == '0') {
        digits.pop_back();
        ++exponent;
    }
    if (digits.empty()) {
        score.checkable = true;
        return score;
    }
    // At most nine integer digits and six decimals: sums of such scores stay exact.
    if (exponent < -6 || (long long)digits.size() + exponent > 9)
        return score;
    long long micros = 0;
    for (char d : digits)
        micros = micros * 10 + (d - '0');
    for (long long e = exponent + 6; e > 0; --e)
        micros *= 10;
    score.micros = negative ? -micros : micros;
    score.checkable = true;
    return score;
}

std::string formatMicros(long long micros)
{
    const bool negative = micros < 0;
    const unsigned long long magnitude = negative ? 0ULL - (unsigned long long)micros : (unsigned long long)micros;
    std::string text = std::to_string(magnitude / Million);
    std::string fraction = std::to_string(magnitude % Million);
    fraction.insert(0, 6 - fraction.size(), '0');
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    if (!fraction.empty())
        text += "." + fraction;
    return (negative ? "-" : "") + text;
}

CheckResult checkBank(sqlite3 *db)
{
    CheckResult result;
    for (const BankTable &table : bankTables()) {
        Checker checker{table, std::string(table.table), {}, result.problems};
        result.summary.push_back(checker.run(db));
    }
    return result;
}

} // namespace zentrova::bank
