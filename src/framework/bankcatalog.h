// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The question bank's table catalogue: which table each test window reads,
// which of its controls show which field, how many items it has and which
// item number marks its closing row. The windows, the bank builder's check
// and the tests all read this one list.
#pragma once

#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace zentrova {

struct FieldBinding {
    std::string_view control; // objectName of the label or text box
    std::string_view field;   // column of the table
};

// A score band shown beside a test's total, in numbers: "7－15分" is 7 to 15,
// "26－更高分" 26 and more, "7分以下" 7 and less, "不足25分" less than 25.
struct ScoreBand {
    std::string_view text;   // the band as the window words it
    std::optional<int> low;  // none: no lower limit
    std::optional<int> high; // none: no upper limit
    bool highIncluded = true;

    // Whether a total falls in the band; the record's band and the records
    // window's chart both ask this.
    bool holds(double total) const
    {
        return (!low || total >= *low) && (!high || (highIncluded ? total <= *high : total < *high));
    }
};

// The band a total falls in: the first that holds it, where bands overlap
// ("60分－90分" and "90分以上" both hold 90); none where no band does.
inline std::optional<std::size_t> bandIndex(const std::vector<ScoreBand> &bands, double total)
{
    for (std::size_t i = 0; i < bands.size(); ++i) {
        if (bands[i].holds(total))
            return i;
    }
    return std::nullopt;
}

// How answers add up to the total a test window shows, and the bands it shows
// beside it. The bank checker works out from this which totals a user can
// reach with one answer per item.
struct Scoring {
    // Score fields of an item's row, one group per statement the item asks
    // about; the answer chosen for a statement scores its field.
    std::vector<std::vector<std::string_view>> fields;
    // Or a fixed weight per answer, the same for every item.
    std::vector<int> weights;
    // Statements asked by each item in turn, where items differ; otherwise
    // every item asks one per group of fields.
    std::vector<int> statements;
    int firstItem = 1; // 2 where row 1 is an opening page
    std::vector<ScoreBand> bands;
    std::optional<int> fullScore; // the highest total the window's text names
    bool oneRightAnswer = false;  // one answer of each item scores 1, the others 0
    std::string_view noTotal;     // what the window shows instead of a total, if so
};

struct BankTable {
    std::string_view window;   // objectName of the test window
    std::string_view table;    // table name, used verbatim
    std::vector<FieldBinding> bindings;
    int itemCount;             // items the user answers
    int endNumber;             // item number of the closing row; 0 where none is checked
    Scoring scoring;

    // Whether a row numbered after the last item ends the test.
    bool hasClosingRow() const { return endNumber == scoring.firstItem + itemCount; }

    // Distinct fields of the bindings, in binding order: the table's columns.
    std::vector<std::string_view> fields() const;
};

std::span<const BankTable> bankTables();

// The entry for a window, or nullptr when the window reads no table.
const BankTable *bankTableForWindow(std::string_view window);

} // namespace zentrova
