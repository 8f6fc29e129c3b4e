// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// zentrova-centre: sets up a counselling centre's PostgreSQL database for
// Zentrova (its schema, roles and functions, from data/centre) and keeps the
// roster of 测评码 that counsellors read names from.

#include "centre/personcode.h"
#include "centre/pg.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace zentrova;

struct Step {
    int number;
    const char *name;
    const char *sql;
};

// data/centre/*.sql in order, as the build read them.
const Step Steps[] = {
#include "centresteps.inc"
};

// Held while steps are checked and applied, so that two administrators
// applying steps at once take turns ("ZnCentre"). Taken for the session,
// before each step's transaction begins: a transaction begun earlier could
// still see the catalogue as it was before the other one's step.
constexpr auto StepLock = "SELECT pg_advisory_lock(5939989418620576357)";

int fail(const std::string &message)
{
    std::fprintf(stderr, "zentrova-centre: %s\n", message.c_str());
    return 1;
}

pg::Connection connectOrSay(const std::string &conninfo)
{
    auto connection = pg::connect(conninfo);
    if (PQstatus(connection.get()) != CONNECTION_OK) {
        fail("cannot connect: " + pg::lastError(connection.get()));
        return nullptr;
    }
    return connection;
}

// Runs one statement; on failure says what it was doing and rolls back.
bool run(PGconn *db, const std::string &sql, const std::string &doing)
{
    const pg::Result result = pg::exec(db, sql.c_str());
    if (pg::succeeded(result.get()))
        return true;
    fail(doing + ": " + pg::lastError(db));
    pg::exec(db, "ROLLBACK");
    return false;
}

// The steps recorded as applied: -1 when the database has no version table
// (never set up), or on failure (said).
int appliedSteps(PGconn *db, bool &failed)
{
    failed = false;
    const pg::Result present = pg::exec(db, "SELECT to_regclass('zentrova.schema_version') IS NOT NULL");
    if (!pg::succeeded(present.get())) {
        failed = true;
        fail("cannot read the schema version: " + pg::lastError(db));
        return -1;
    }
    if (std::strcmp(PQgetvalue(present.get(), 0, 0), "t") != 0)
        return -1;
    const pg::Result latest = pg::exec(db, "SELECT coalesce(max(step), 0) FROM zentrova.schema_version");
    if (!pg::succeeded(latest.get())) {
        failed = true;
        fail("cannot read the schema version: " + pg::lastError(db));
        return -1;
    }
    return std::atoi(PQgetvalue(latest.get(), 0, 0));
}

// Applies every step the database lacks, each in a transaction of its own
// under the advisory lock (released when the connection closes).
int applySteps(const std::string &conninfo, bool mustExist)
{
    const auto db = connectOrSay(conninfo);
    if (!db || !run(db.get(), StepLock, "cannot take the schema lock"))
        return 1;
    bool failed = false;
    const int before = appliedSteps(db.get(), failed);
    if (failed)
        return 1;
    if (before < 0 && mustExist)
        return fail("this database has no Zentrova schema; set it up with: zentrova-centre init CONNINFO");
    const int known = int(std::size(Steps));
    for (const Step &step : Steps) {
        if (!run(db.get(), "BEGIN", "cannot begin"))
            return 1;
        const int applied = appliedSteps(db.get(), failed);
        if (failed) {
            pg::exec(db.get(), "ROLLBACK");
            return 1;
        }
        if (applied >= step.number) {
            pg::exec(db.get(), "ROLLBACK");
            continue;
        }
        const std::string doing = std::string("step ") + step.name;
        if ((applied < 0
                && !run(db.get(),
                    "CREATE SCHEMA IF NOT EXISTS zentrova; "
                    "CREATE TABLE zentrova.schema_version (step integer PRIMARY KEY, name text NOT NULL, "
                    "applied timestamptz NOT NULL DEFAULT now(), applied_by name NOT NULL DEFAULT session_user)",
                    doing))
            || !run(db.get(), step.sql, doing) || !run(db.get(), "RESET ROLE", doing)
            || !run(db.get(),
                "INSERT INTO zentrova.schema_version (step, name) VALUES (" + std::to_string(step.number) + ", '" + step.name + "')", doing)
            || !run(db.get(), "COMMIT", doing))
            return 1;
        std::printf("applied step %s\n", step.name);
    }
    const int after = appliedSteps(db.get(), failed);
    if (failed)
        return 1;
    if (after > known)
        std::printf("the database is at step %d, newer than this zentrova-centre (%d); nothing done\n", after, known);
    else if (after == before)
        std::printf("the database is up to date (step %d); nothing done\n", after);
    return 0;
}

// The CSV's rows, each with the line it starts on (RFC 4180: quoted fields
// may hold commas, quotes doubled, and line breaks).
struct Row {
    int line;
    std::vector<std::string> fields;
};

std::vector<Row> parseCsv(const std::string &text)
{
    std::vector<Row> rows;
    Row row {1, {}};
    std::string field;
    bool quoted = false, fieldStarted = false;
    int line = 1;
    auto endRow = [&] {
        if (fieldStarted || !row.fields.empty())
            row.fields.push_back(field);
        if (!row.fields.empty())
            rows.push_back(row);
        row = Row {line, {}};
        field.clear();
        fieldStarted = false;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                if (c == '\n')
                    ++line;
                field += c;
            }
        } else if (c == '"') {
            quoted = fieldStarted = true;
        } else if (c == ',') {
            row.fields.push_back(field);
            field.clear();
            fieldStarted = true;
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            ++line;
            endRow();
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    endRow();
    return rows;
}

std::string trimmed(const std::string &text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool isUtf8(const std::string &text)
{
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 0x2)
                return false;
        }
        i += length;
    }
    return true;
}

const char *const RosterHeader = "测评码,姓名,班级";

int importRoster(const std::string &conninfo, const std::string &file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return fail("cannot read " + file);
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string text = buffer.str();
    if (text.rfind("\xEF\xBB\xBF", 0) == 0)
        text.erase(0, 3);
    if (!isUtf8(text))
        return fail(file + ": not UTF-8 text; save the roster as CSV UTF-8");

    const std::vector<Row> rows = parseCsv(text);
    std::vector<std::string> problems;
    auto problem = [&](int line, const std::string &what) { problems.push_back(file + ":" + std::to_string(line) + ": " + what); };
    if (rows.empty() || rows.front().fields != std::vector<std::string> {"测评码", "姓名", "班级"}) {
        problem(1, std::string("the first line must be the header ") + RosterHeader);
    }
    struct Person {
        std::string code, name, group;
    };
    std::vector<Person> people;
    std::map<std::string, int> lineOfCode;
    for (size_t i = 1; i < rows.size(); ++i) {
        const Row &row = rows[i];
        if (row.fields.size() != 3) {
            problem(row.line, "expected 3 fields (测评码,姓名,班级), found " + std::to_string(row.fields.size()));
            continue;
        }
        Person person {trimmed(row.fields[0]), trimmed(row.fields[1]), trimmed(row.fields[2])};
        if (!person.code.empty() && person.code.back() == 'x')
            person.code.back() = 'X';
        if (person.name.empty())
            problem(row.line, "the name (姓名) is empty");
        if (!person.code.empty() && !isPersonCode(person.code)) {
            problem(row.line,
                "测评码 " + person.code
                    + " is not 4 to 17 digits followed by their check character (0-9 or X); "
                      "leave it empty to have one made");
        } else if (!person.code.empty()) {
            const auto [earlier, fresh] = lineOfCode.emplace(person.code, row.line);
            if (!fresh)
                problem(row.line, "测评码 " + person.code + " is already on line " + std::to_string(earlier->second));
        }
        people.push_back(person);
    }
    if (!problems.empty()) {
        for (const std::string &line : problems)
            std::fprintf(stderr, "%s\n", line.c_str());
        return fail("nothing imported: correct the lines above and import again");
    }

    const auto db = connectOrSay(conninfo);
    if (!db || !run(db.get(), "BEGIN", "cannot begin")
        || !run(db.get(), "LOCK TABLE zentrova.roster IN SHARE ROW EXCLUSIVE MODE", "cannot lock the roster"))
        return 1;
    const pg::Result known = pg::exec(db.get(), "SELECT code FROM zentrova.roster");
    if (!pg::succeeded(known.get()))
        return fail("cannot read the roster: " + pg::lastError(db.get()));
    std::set<std::string> taken;
    for (int i = 0; i < PQntuples(known.get()); ++i)
        taken.insert(PQgetvalue(known.get(), i, 0));
    for (const auto &[code, line] : lineOfCode)
        taken.insert(code);
    int made = 0;
    for (Person &person : people) {
        if (!person.code.empty())
            continue;
        do
            person.code = newPersonCode();
        while (!taken.insert(person.code).second);
        ++made;
    }
    for (const Person &person : people) {
        const char *values[] = {person.code.c_str(), person.name.c_str(), person.group.c_str()};
        const pg::Result result(PQexecParams(db.get(),
            "INSERT INTO zentrova.roster (code, name, class) VALUES ($1, $2, $3) "
            "ON CONFLICT (code) DO UPDATE SET name = excluded.name, class = excluded.class",
            3, nullptr, values, nullptr, nullptr, 0));
        if (!pg::succeeded(result.get()))
            return fail("cannot import " + person.code + ": " + pg::lastError(db.get()));
    }
    if (!run(db.get(), "COMMIT", "cannot commit"))
        return 1;
    std::printf("%zu people imported, %d of them with a new 测评码; write the codes out with: zentrova-centre roster export\n",
        people.size(), made);
    return 0;
}

std::string csvField(const std::string &text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + '"';
}

int exportRoster(const std::string &conninfo, const std::string &file)
{
    const auto db = connectOrSay(conninfo);
    if (!db)
        return 1;
    const pg::Result rows = pg::exec(db.get(), "SELECT code, name, class FROM zentrova.roster ORDER BY class, name, code");
    if (!pg::succeeded(rows.get()))
        return fail("cannot read the roster: " + pg::lastError(db.get()));
    // With a BOM, as spreadsheets want to see UTF-8; names are private: 0600.
    std::string text = std::string("\xEF\xBB\xBF") + RosterHeader + "\r\n";
    for (int i = 0; i < PQntuples(rows.get()); ++i) {
        text += csvField(PQgetvalue(rows.get(), i, 0)) + ',' + csvField(PQgetvalue(rows.get(), i, 1)) + ','
            + csvField(PQgetvalue(rows.get(), i, 2)) + "\r\n";
    }
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || ::fchmod(fd, 0600) != 0 || ::write(fd, text.data(), text.size()) != ssize_t(text.size()) || ::close(fd) != 0)
        return fail("cannot write " + file + ": " + std::strerror(errno));
    std::printf("%d people written to %s\n", PQntuples(rows.get()), file.c_str());
    return 0;
}

int usage()
{
    std::fprintf(stderr,
        "usage: zentrova-centre init CONNINFO\n"
        "       zentrova-centre upgrade CONNINFO\n"
        "       zentrova-centre roster import CONNINFO FILE.csv\n"
        "       zentrova-centre roster export CONNINFO FILE.csv\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "init")
        return applySteps(args[1], false);
    if (args.size() == 2 && args[0] == "upgrade")
        return applySteps(args[1], true);
    if (args.size() == 4 && args[0] == "roster" && args[1] == "import")
        return importRoster(args[2], args[3]);
    if (args.size() == 4 && args[0] == "roster" && args[1] == "export")
        return exportRoster(args[2], args[3]);
    return usage();
}
