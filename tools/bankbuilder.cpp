// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Builds the question bank from its SQL source and checks it against the table
// catalogue, or checks an existing bank; see bankcheck.h for what is checked.
//
//   zentrova-bank build <sql folder> <bank file>
//   zentrova-bank check <bank file>

#include "bankcheck.h"
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

namespace {

struct Database {
    sqlite3 *db = nullptr;
    ~Database() { sqlite3_close(db); }
};

int report(sqlite3 *db, const std::string &what)
{
    const zentrova::bank::CheckResult result = zentrova::bank::checkBank(db);
    for (const std::string &line : result.summary)
        std::printf("%s: %s\n", what.c_str(), line.c_str());
    for (const std::string &problem : result.problems)
        std::fprintf(stderr, "%s: %s\n", what.c_str(), problem.c_str());
    if (!result.problems.empty()) {
        std::fprintf(stderr, "%s: %zu problems\n", what.c_str(), result.problems.size());
        return 1;
    }
    std::printf("%s: %zu tables as catalogued, no problems\n", what.c_str(), zentrova::bankTables().size());
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
    const std::string uri = zentrova::bank::fileUri(bank) + "?mode=ro&immutable=1";
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
