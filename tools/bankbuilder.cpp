// Builds the question bank from its SQL source and checks it against the table
// catalogue, or checks an existing bank.
//
//   zentrova-bank build <sql folder> <bank file>
//   zentrova-bank check <bank file>

#include "framework/bankcatalog.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using zentrova::BankTable;

namespace {

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

struct Database {
    sqlite3 *db = nullptr;
    ~Database() { sqlite3_close(db); }
};

// Every problem found, one line each; empty when the bank is sound.
std::vector<std::string> checkBank(sqlite3 *db, int *emptyTables)
{
    std::vector<std::string> problems;
    *emptyTables = 0;
    for (const BankTable &table : zentrova::bankTables()) {
        const std::string name(table.table);
        sqlite3_stmt *info = nullptr;
        sqlite3_prepare_v2(db, "SELECT name FROM pragma_table_info(?1)", -1, &info, nullptr);
        sqlite3_bind_text(info, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        std::vector<std::string> columns;
        while (sqlite3_step(info) == SQLITE_ROW)
            columns.emplace_back(reinterpret_cast<const char *>(sqlite3_column_text(info, 0)));
        sqlite3_finalize(info);
        if (columns.empty()) {
            problems.push_back("missing table " + name);
            continue;
        }
        std::vector<std::string> expected;
        for (std::string_view field : table.fields())
            expected.emplace_back(field);
        for (const std::string &field : expected) {
            if (std::find(columns.begin(), columns.end(), field) == columns.end())
                problems.push_back("table " + name + ": missing field " + field);
        }
        for (const std::string &column : columns) {
            if (std::find(expected.begin(), expected.end(), column) == expected.end())
                problems.push_back("table " + name + ": unexpected field " + column);
        }

        // Items are numbered 1, 2, 3 … in row order, closing row included.
        const bool numbered = std::find(expected.begin(), expected.end(), "测试题号") != expected.end();
        const std::string numberColumn = numbered ? sqlIdentifier("测试题号") : "rowid";
        sqlite3_stmt *rows = nullptr;
        sqlite3_prepare_v2(db, ("SELECT " + numberColumn + " FROM " + sqlIdentifier(name) + " ORDER BY rowid").c_str(), -1, &rows, nullptr);
        int count = 0;
        bool inOrder = true;
        while (sqlite3_step(rows) == SQLITE_ROW) {
            ++count;
            if (numbered && sqlite3_column_int(rows, 0) != count)
                inOrder = false;
        }
        sqlite3_finalize(rows);
        const int wanted = table.itemCount + (numbered ? 1 : 0);
        if (count == 0)
            ++*emptyTables;
        else if (count != wanted)
            problems.push_back("table " + name + ": " + std::to_string(count) + " rows, expected " + std::to_string(wanted));
        else if (!inOrder)
            problems.push_back("table " + name + ": item numbers are not 1 to " + std::to_string(wanted) + " in row order");
    }
    return problems;
}

int report(sqlite3 *db, const std::string &what)
{
    int empty = 0;
    const std::vector<std::string> problems = checkBank(db, &empty);
    for (const std::string &problem : problems)
        std::fprintf(stderr, "%s: %s\n", what.c_str(), problem.c_str());
    if (!problems.empty())
        return 1;
    std::printf("%s: %zu tables as catalogued, %d still empty\n", what.c_str(), zentrova::bankTables().size(), empty);
    return 0;
}

int build(const fs::path &sqlFolder, const fs::path &bank)
{
    std::vector<fs::path> sources;
    for (const auto &entry : fs::directory_iterator(sqlFolder)) {
        if (entry.path().extension() == ".sql")
            sources.push_back(entry.path());
    }
    std::sort(sources.begin(), sources.end());

    // Build beside the target and rename, so a failed build never leaves a
    // half-written bank behind.
    const fs::path partial = bank.string() + ".partial";
    fs::remove(partial);
    Database out;
    if (sqlite3_open(partial.c_str(), &out.db) != SQLITE_OK) {
        std::fprintf(stderr, "cannot create %s\n", partial.c_str());
        return 1;
    }
    sqlite3_exec(out.db, "BEGIN", nullptr, nullptr, nullptr);
    for (const fs::path &source : sources) {
        std::ifstream in(source, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        char *error = nullptr;
        if (sqlite3_exec(out.db, text.str().c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            std::fprintf(stderr, "%s: %s\n", source.c_str(), error ? error : "error");
            sqlite3_free(error);
            return 1;
        }
    }
    sqlite3_exec(out.db, "COMMIT", nullptr, nullptr, nullptr);
    if (report(out.db, bank.filename().string()) != 0)
        return 1;
    sqlite3_close(out.db);
    out.db = nullptr;
    fs::rename(partial, bank);
    return 0;
}

int check(const fs::path &bank)
{
    Database in;
    const std::string uri = "file:" + bank.string() + "?mode=ro&immutable=1";
    if (sqlite3_open_v2(uri.c_str(), &in.db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "cannot open %s\n", bank.c_str());
        return 1;
    }
    return report(in.db, bank.string());
}

} // namespace

int main(int argc, char *argv[])
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "build" && argc == 4)
        return build(argv[2], argv[3]);
    if (command == "check" && argc == 3)
        return check(argv[2]);
    std::fprintf(stderr, "usage: zentrova-bank build <sql folder> <bank file>\n       zentrova-bank check <bank file>\n");
    return 2;
}
