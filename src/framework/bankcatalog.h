// The question bank's table catalogue: which table each test window reads,
// which of its controls show which field, how many items it has and which
// item number marks its closing row. The windows, the bank builder's check
// and the tests all read this one list.
#pragma once

#include <span>
#include <string_view>
#include <vector>

namespace zentrova {

struct FieldBinding {
    std::string_view control; // objectName of the label or text box
    std::string_view field;   // column of the table
};

struct BankTable {
    std::string_view window;   // objectName of the test window
    std::string_view table;    // table name, used verbatim
    std::vector<FieldBinding> bindings;
    int itemCount;             // items the user answers
    int endNumber;             // item number of the closing row; 0 where none is checked

    // Distinct fields of the bindings, in binding order: the table's columns.
    std::vector<std::string_view> fields() const;
};

std::span<const BankTable> bankTables();

// The entry for a window, or nullptr when the window reads no table.
const BankTable *bankTableForWindow(std::string_view window);

} // namespace zentrova
