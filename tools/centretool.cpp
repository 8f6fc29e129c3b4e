// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// zentrova-centre: sets up a counselling centre's PostgreSQL database for
// Zentrova (its schema, roles and functions, from data/centre, and the tests
// it takes, from the question bank), keeps the roster of 测评码 that
// counsellors read names from, and opens and closes sittings.

#include "bankcheck.h"
#include "centre/personcode.h"
#include "centre/pg.h"
#include "centre/terminal.h"
#include "framework/bankcatalog.h"
#include "framework/formulaguard.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace zentrova;
namespace fs = std::filesystem;

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

// The steps name the roles of a centre by these; --roles PREFIX renames them.
constexpr std::string_view DefaultPrefix = "zentrova";
constexpr const char *RoleSuffixes[] = {"_owner", "_seat", "_counsellor"};

int fail(const std::string &message)
{
    std::fprintf(stderr, "zentrova-centre：%s\n", message.c_str());
    return 1;
}

// Connects; where the server wants a password that libpq's own sources do
// not give, asks for it on the terminal (never stored).
pg::Connection connectOrSay(const std::string &conninfo)
{
    auto connection = pg::connect(conninfo);
    if (PQstatus(connection.get()) != CONNECTION_OK && PQconnectionNeedsPassword(connection.get())) {
        if (const auto password = askOnTerminal("连接测评中心服务器的密码：", false))
            connection = pg::connect(conninfo, password->c_str());
    }
    if (PQstatus(connection.get()) != CONNECTION_OK) {
        fail("无法连接服务器：" + pg::lastError(connection.get()));
        return nullptr;
    }
    return connection;
}

// What the server said, for a refusal: in plain words where it is a right.
std::string refusal(PGconn *db, const PGresult *result)
{
    if (pg::sqlState(result) == "42501")
        return "服务器不允许这个登录名这样做（" + pg::lastError(db) + "）";
    return pg::lastError(db);
}

// Runs one statement; on failure says what it was doing and rolls back.
bool run(PGconn *db, const std::string &sql, const std::string &doing)
{
    const pg::Result result = pg::exec(db, sql.c_str());
    if (pg::succeeded(result.get()))
        return true;
    fail(doing + "：" + refusal(db, result.get()));
    pg::exec(db, "ROLLBACK");
    return false;
}

// A statement with text parameters (nullopt: NULL).
pg::Result query(PGconn *db, const char *sql, const std::vector<std::optional<std::string>> &parameters = {})
{
    std::vector<const char *> values;
    for (const auto &parameter : parameters)
        values.push_back(parameter ? parameter->c_str() : nullptr);
    return pg::Result(PQexecParams(db, sql, int(values.size()), nullptr, values.data(), nullptr, nullptr, 0));
}

std::string value(const pg::Result &result, int row, int column)
{
    return PQgetvalue(result.get(), row, column);
}

// The steps recorded as applied: -1 when the database has no version table
// (never set up), or on failure (said).
int appliedSteps(PGconn *db, bool &failed)
{
    failed = false;
    const pg::Result present = pg::exec(db, "SELECT to_regclass('zentrova.schema_version') IS NOT NULL");
    if (!pg::succeeded(present.get())) {
        failed = true;
        fail("无法读出数据库的版本：" + pg::lastError(db));
        return -1;
    }
    if (value(present, 0, 0) != "t")
        return -1;
    const pg::Result latest = pg::exec(db, "SELECT coalesce(max(step), 0) FROM zentrova.schema_version");
    if (!pg::succeeded(latest.get())) {
        failed = true;
        fail("无法读出数据库的版本：" + pg::lastError(db));
        return -1;
    }
    return std::atoi(PQgetvalue(latest.get(), 0, 0));
}

// A step's SQL with the roles of prefix in place of the default ones.
std::string withRoles(std::string sql, const std::string &prefix)
{
    if (prefix == DefaultPrefix)
        return sql;
    for (const char *suffix : RoleSuffixes) {
        const std::string from = std::string(DefaultPrefix) + suffix, to = prefix + suffix;
        for (auto at = sql.find(from); at != std::string::npos; at = sql.find(from, at + to.size()))
            sql.replace(at, from.size(), to);
    }
    return sql;
}

bool isRolePrefix(const std::string &prefix)
{
    if (prefix.empty() || prefix.size() > 40 || !(prefix[0] >= 'a' && prefix[0] <= 'z'))
        return false;
    return std::all_of(prefix.begin(), prefix.end(), [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'; });
}

// A test the server takes: its window, the bank's table and how many answers
// a record of it holds (at most that many, for a sheet answered in any order).
struct TestEntry {
    std::string window, title;
    int answers;
    bool exact;
};

fs::path defaultBank()
{
    std::error_code error;
    const fs::path folder = fs::read_symlink("/proc/self/exe", error).parent_path();
    const fs::path beside = folder / "Lumvex.mdb";
    if (fs::exists(beside, error))
        return beside;
    return (folder / ZENTROVA_INSTALLED_BANK_FOLDER / "Lumvex.mdb").lexically_normal();
}

// The tests of a bank that passes the bank check; nullopt (said) otherwise.
std::optional<std::vector<TestEntry>> readTests(const fs::path &bank)
{
    sqlite3 *db = nullptr;
    const std::string uri = bank::fileUri(bank) + "?mode=ro&immutable=1";
    struct Closer {
        sqlite3 *&db;
        ~Closer() { sqlite3_close(db); }
    } closer {db};
    if (!fs::is_regular_file(bank) || sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) != SQLITE_OK) {
        fail("无法打开题库 " + bank.string() + "（用 --bank FILE 指定题库）");
        return std::nullopt;
    }
    const bank::CheckResult checked = bank::checkBank(db);
    if (!checked.problems.empty()) {
        fail("题库 " + bank.string() + " 没有通过检查：" + checked.problems.front() + "（zentrova-bank check 列出全部问题）");
        return std::nullopt;
    }
    std::vector<TestEntry> tests;
    for (const BankTable &table : bankTables()) {
        const auto &statements = table.scoring.statements;
        const int answers = statements.empty() ? table.itemCount : std::accumulate(statements.begin(), statements.end(), 0);
        // Without a closing row the test is a sheet, whose items may be left out.
        tests.push_back({std::string(table.window), std::string(table.table), answers, table.endNumber != 0});
    }
    return tests;
}

// The role prefix the database was set up with (from its schema's owner);
// empty where it has no schema.
std::string prefixInUse(PGconn *db)
{
    const pg::Result owner = pg::exec(db, "SELECT nspowner::regrole::text FROM pg_namespace WHERE nspname = 'zentrova'");
    if (!pg::succeeded(owner.get()) || PQntuples(owner.get()) == 0)
        return {};
    const std::string name = value(owner, 0, 0);
    const std::string suffix = RoleSuffixes[0];
    return name.size() > suffix.size() && name.ends_with(suffix) ? name.substr(0, name.size() - suffix.size()) : std::string();
}

// Other databases of the server that the roles of prefix own objects in or
// hold rights on: another centre whose people would reach this one.
std::vector<std::string> otherDatabasesOf(PGconn *db, const std::string &prefix)
{
    std::vector<std::optional<std::string>> names;
    for (const char *suffix : RoleSuffixes)
        names.push_back(prefix + suffix);
    const pg::Result found = query(db,
        "SELECT DISTINCT d.datname FROM pg_shdepend s "
        "JOIN pg_database d ON d.oid = CASE WHEN s.classid = 'pg_database'::regclass THEN s.objid ELSE s.dbid END "
        "WHERE s.refclassid = 'pg_authid'::regclass AND d.datname <> current_database() "
        "AND s.refobjid IN (SELECT oid FROM pg_roles WHERE rolname IN ($1, $2, $3)) ORDER BY 1",
        names);
    std::vector<std::string> databases;
    for (int i = 0; pg::succeeded(found.get()) && i < PQntuples(found.get()); ++i)
        databases.push_back(value(found, i, 0));
    return databases;
}

// Makes the server's catalogue of tests the bank's, in one transaction.
bool loadTests(PGconn *db, const std::vector<TestEntry> &tests)
{
    if (!run(db, "BEGIN", "无法开始事务"))
        return false;
    for (const TestEntry &test : tests) {
        const pg::Result result = query(db,
            "INSERT INTO zentrova.tests (test_window, title, answers, answers_exact) VALUES ($1, $2, $3, $4) "
            "ON CONFLICT (test_window) DO UPDATE SET title = excluded.title, answers = excluded.answers, "
            "answers_exact = excluded.answers_exact",
            {test.window, test.title, std::to_string(test.answers), test.exact ? "true" : "false"});
        if (!pg::succeeded(result.get())) {
            fail("无法载入测验 " + test.window + "：" + refusal(db, result.get()));
            pg::exec(db, "ROLLBACK");
            return false;
        }
    }
    if (!run(db, "COMMIT", "无法提交"))
        return false;
    std::printf("已从题库载入 %zu 个测验\n", tests.size());
    return true;
}

// Applies every step the database lacks, each in a transaction of its own
// under the advisory lock (released when the connection closes), then loads
// the bank's tests.
int applySteps(const std::string &conninfo, bool mustExist, const std::optional<std::string> &roles, const fs::path &bank)
{
    if (roles && !isRolePrefix(*roles))
        return fail("角色前缀 “" + *roles + "” 只能由小写字母、数字和 _ 组成，以字母开头，至多 40 个字符");
    const auto tests = readTests(bank);
    if (!tests)
        return 1;
    const auto db = connectOrSay(conninfo);
    if (!db || !run(db.get(), StepLock, "无法取得结构锁"))
        return 1;
    bool failed = false;
    const int before = appliedSteps(db.get(), failed);
    if (failed)
        return 1;
    if (before < 0 && mustExist)
        return fail("这个数据库还没有 Zentrova 的结构；先用 zentrova-centre init CONNINFO 建立");
    std::string prefix = before < 0 ? roles.value_or(std::string(DefaultPrefix)) : prefixInUse(db.get());
    if (prefix.empty())
        return fail("无法读出这个数据库的角色前缀");
    if (roles && *roles != prefix)
        return fail("这个数据库已用角色前缀 " + prefix + " 建立，不能改为 " + *roles);
    if (const auto others = otherDatabasesOf(db.get(), prefix); !others.empty()) {
        std::string list;
        for (const std::string &name : others)
            list += (list.empty() ? "" : "、") + name;
        const std::string why = "角色 " + prefix + "_seat 和 " + prefix + "_counsellor 也属于数据库 " + list;
        if (before < 0)
            return fail(why + "；同一服务器上的每个测评中心要有自己的角色：用 --roles 前缀（例如 --roles centre2）");
        std::fprintf(stderr, "zentrova-centre：注意：%s，两个测评中心没有分开\n", why.c_str());
    }
    const int known = int(std::size(Steps));
    for (const Step &step : Steps) {
        if (!run(db.get(), "BEGIN", "无法开始事务"))
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
        const std::string doing = std::string("第 ") + step.name + " 步";
        if ((applied < 0
                && !run(db.get(),
                    "CREATE SCHEMA IF NOT EXISTS zentrova; "
                    "CREATE TABLE zentrova.schema_version (step integer PRIMARY KEY, name text NOT NULL, "
                    "applied timestamptz NOT NULL DEFAULT now(), applied_by name NOT NULL DEFAULT session_user)",
                    doing))
            || !run(db.get(), withRoles(step.sql, prefix), doing) || !run(db.get(), "RESET ROLE", doing)
            || !run(db.get(),
                "INSERT INTO zentrova.schema_version (step, name) VALUES (" + std::to_string(step.number) + ", '" + step.name + "')", doing)
            || !run(db.get(), "COMMIT", doing))
            return 1;
        std::printf("已应用 %s\n", step.name);
    }
    const int after = appliedSteps(db.get(), failed);
    if (failed)
        return 1;
    if (after > known)
        std::printf("数据库在第 %d 步，比这个 zentrova-centre（第 %d 步）新；未做改动\n", after, known);
    else if (after == before)
        std::printf("数据库已是最新（第 %d 步）\n", after);
    if (after == known && !loadTests(db.get(), *tests))
        return 1;
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


// The first control character of text (NUL included), as U+XXXX; empty
// where there is none.
std::string controlCharacter(const std::string &text)
{
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char name[8];
            std::snprintf(name, sizeof name, "U+%04X", byte);
            return name;
        }
    }
    return {};
}

const char *const RosterHeader = "测评码,姓名,班级";

// A yes on the terminal; false without one.
bool confirmed(const std::string &question)
{
    const auto answer = askOnTerminal(question + "（是/否）", true);
    return answer && (trimmed(*answer) == "是" || trimmed(*answer) == "y" || trimmed(*answer) == "yes");
}

// A field of COPY's text format: the backslash is its escape.
std::string copyField(const std::string &text)
{
    std::string field;
    field.reserve(text.size());
    for (const char c : text)
        field += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return field;
}

// Sends the rows (COPY's text format) into the staging table.
bool copyIn(PGconn *db, const std::string &data)
{
    const pg::Result started = pg::exec(db, "COPY pg_temp.roster_in (line, code, name, class) FROM STDIN");
    bool ok = PQresultStatus(started.get()) == PGRES_COPY_IN && PQputCopyData(db, data.data(), int(data.size())) == 1
        && PQputCopyEnd(db, nullptr) == 1;
    while (PGresult *result = PQgetResult(db)) {
        ok = ok && pg::succeeded(result);
        PQclear(result);
    }
    if (!ok)
        fail("无法把名单送到服务器：" + pg::lastError(db));
    return ok;
}

int importRoster(const std::string &conninfo, const std::string &file, bool yes)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return fail("无法读取 " + file);
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string text = buffer.str();
    if (text.rfind("\xEF\xBB\xBF", 0) == 0)
        text.erase(0, 3);
    if (!isUtf8(text))
        return fail(file + "：不是 UTF-8 文本；请把名单另存为“CSV UTF-8”");

    const std::vector<Row> rows = parseCsv(text);
    std::vector<std::string> problems;
    auto problem = [&](int line, const std::string &what) { problems.push_back(file + ":" + std::to_string(line) + ": " + what); };
    if (rows.empty() || rows.front().fields != std::vector<std::string> {"测评码", "姓名", "班级"})
        problem(1, std::string("第一行必须是标题行 ") + RosterHeader);
    struct Person {
        int line;
        std::string code, name, group;
    };
    std::vector<Person> people;
    std::map<std::string, int> lineOfCode;
    for (size_t i = 1; i < rows.size(); ++i) {
        const Row &row = rows[i];
        if (row.fields.size() != 3) {
            problem(row.line, "应有 3 栏（测评码,姓名,班级），这一行有 " + std::to_string(row.fields.size()) + " 栏");
            continue;
        }
        Person person {row.line, trimmed(row.fields[0]), trimmed(row.fields[1]), trimmed(row.fields[2])};
        if (const std::string control = controlCharacter(row.fields[0] + row.fields[1] + row.fields[2]); !control.empty()) {
            problem(row.line, "含有控制字符 " + control + "（名单里的姓名和班级只能是文字）");
            continue;
        }
        if (!person.code.empty() && person.code.back() == 'x')
            person.code.back() = 'X';
        if (person.name.empty())
            problem(row.line, "姓名是空的");
        if (person.name.size() > 3 * 64 || person.group.size() > 3 * 64)
            problem(row.line, "姓名或班级太长");
        if (!person.code.empty() && !isPersonCode(person.code)) {
            problem(row.line, "测评码 " + person.code + " 不是 4 到 17 位数字加校验位（0–9 或 X）；留空可自动生成");
        } else if (!person.code.empty()) {
            const auto [earlier, fresh] = lineOfCode.emplace(person.code, row.line);
            if (!fresh)
                problem(row.line, "测评码 " + person.code + " 已在第 " + std::to_string(earlier->second) + " 行出现");
        }
        people.push_back(person);
    }
    if (!problems.empty()) {
        for (const std::string &line : problems)
            std::fprintf(stderr, "%s\n", line.c_str());
        return fail("没有导入任何人：请改正以上各行后再导入");
    }

    const auto db = connectOrSay(conninfo);
    if (!db || !run(db.get(), "BEGIN", "无法开始事务")
        || !run(db.get(), "LOCK TABLE zentrova.roster IN SHARE ROW EXCLUSIVE MODE", "无法锁定名单")
        || !run(db.get(), "CREATE TEMPORARY TABLE roster_in (line integer, code text, name text, class text) ON COMMIT DROP",
            "无法建立导入用的临时表"))
        return 1;
    const pg::Result known = pg::exec(db.get(), "SELECT code FROM zentrova.roster");
    if (!pg::succeeded(known.get()))
        return fail("无法读取名单：" + refusal(db.get(), known.get()));
    std::set<std::string> taken;
    for (int i = 0; i < PQntuples(known.get()); ++i)
        taken.insert(PQgetvalue(known.get(), i, 0));
    for (const auto &[code, line] : lineOfCode)
        taken.insert(code);
    int made = 0;
    std::string data;
    for (Person &person : people) {
        if (person.code.empty()) {
            do
                person.code = newPersonCode();
            while (!taken.insert(person.code).second);
            ++made;
        }
        data += std::to_string(person.line) + '\t' + person.code + '\t' + copyField(person.name) + '\t' + copyField(person.group) + '\n';
    }
    if (!copyIn(db.get(), data))
        return 1;

    // A code that gets another name or class: listed, and asked.
    const pg::Result changes = pg::exec(db.get(),
        "SELECT i.line, i.code, r.name, i.name, r.class, i.class FROM pg_temp.roster_in i "
        "JOIN zentrova.roster r USING (code) WHERE (r.name, r.class) IS DISTINCT FROM (i.name, i.class) ORDER BY i.line");
    if (!pg::succeeded(changes.get()))
        return fail("无法比较名单：" + refusal(db.get(), changes.get()));
    for (int i = 0; i < PQntuples(changes.get()); ++i) {
        std::string what = file + ":" + value(changes, i, 0) + ": 测评码 " + value(changes, i, 1) + "：";
        if (value(changes, i, 2) != value(changes, i, 3))
            what += "改名 " + value(changes, i, 2) + " → " + value(changes, i, 3) + "；";
        if (value(changes, i, 4) != value(changes, i, 5))
            what += "换班 " + value(changes, i, 4) + " → " + value(changes, i, 5) + "；";
        what.erase(what.size() - std::strlen("；"));
        std::printf("%s\n", what.c_str());
    }
    if (const int changed = PQntuples(changes.get()); changed > 0 && !yes) {
        std::fflush(stdout);
        const std::string question = "以上 " + std::to_string(changed) + " 人的姓名或班级会改变（已有的结果仍记在原来的班级）。继续导入吗？";
        if (!confirmed(question)) {
            pg::exec(db.get(), "ROLLBACK");
            return fail("没有导入任何人：名单会改变 " + std::to_string(changed) + " 人的姓名或班级；核对后加上 --yes 再导入");
        }
    }
    // The roster is locked against other writers: the changed rows, then the
    // new ones (a plain insert costs less than one that checks for conflicts).
    if (!run(db.get(),
            "UPDATE zentrova.roster r SET name = i.name, class = i.class FROM pg_temp.roster_in i "
            "WHERE r.code = i.code AND (r.name, r.class) IS DISTINCT FROM (i.name, i.class)",
            "无法导入名单")
        || !run(db.get(),
            "INSERT INTO zentrova.roster (code, name, class) SELECT code, name, class FROM pg_temp.roster_in i "
            "WHERE NOT EXISTS (SELECT FROM zentrova.roster r WHERE r.code = i.code)",
            "无法导入名单")
        || !run(db.get(), "COMMIT", "无法提交"))
        return 1;
    std::printf("已导入 %zu 人，其中 %d 人的测评码是新生成的；用 zentrova-centre roster export 导出测评码\n", people.size(), made);
    return 0;
}

// Quoted where the text holds a separator, quote or line break (RFC 4180);
// text a spreadsheet would run as a formula gets an apostrophe, as in the
// program's own CSV.
std::string csvField(const std::string &text)
{
    const std::string field = runsAsFormula(std::string_view(text)) ? "'" + text : text;
    if (field.find_first_of(",\"\r\n") == std::string::npos)
        return field;
    std::string quoted = "\"";
    for (const char c : field)
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
        return fail("无法读取名单：" + refusal(db.get(), rows.get()));
    // With a BOM, as spreadsheets want to see UTF-8; names are private: 0600.
    std::string text = std::string("\xEF\xBB\xBF") + RosterHeader + "\r\n";
    for (int i = 0; i < PQntuples(rows.get()); ++i)
        text += csvField(value(rows, i, 0)) + ',' + csvField(value(rows, i, 1)) + ',' + csvField(value(rows, i, 2)) + "\r\n";
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || ::fchmod(fd, 0600) != 0 || ::write(fd, text.data(), text.size()) != ssize_t(text.size()) || ::close(fd) != 0)
        return fail("无法写入 " + file + "：" + std::strerror(errno));
    std::printf("已把 %d 人写入 %s\n", PQntuples(rows.get()), file.c_str());
    return 0;
}

// A text[] literal: {"a","b"}.
std::string textArray(const std::vector<std::string> &items)
{
    std::string literal = "{";
    for (const std::string &item : items) {
        literal += literal.size() > 1 ? ",\"" : "\"";
        for (const char c : item)
            literal += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
        literal += '"';
    }
    return literal + '}';
}

int openSitting(const std::string &conninfo, const std::string &group, const std::vector<std::string> &tests,
                const std::optional<std::string> &from, const std::optional<std::string> &until)
{
    const auto db = connectOrSay(conninfo);
    if (!db)
        return 1;
    const pg::Result opened = query(db.get(),
        "SELECT zentrova.open_sitting_v1($1, $2::text[], coalesce($3::timestamptz, now()), "
        "coalesce($4::timestamptz, coalesce($3::timestamptz, now()) + interval '2 hours'))",
        {group, tests.empty() ? std::nullopt : std::optional(textArray(tests)), from, until});
    if (!pg::succeeded(opened.get()))
        return fail("无法开启测评场次：" + refusal(db.get(), opened.get()));
    const std::string id = value(opened, 0, 0);
    const pg::Result shown = query(db.get(),
        "SELECT to_char(opens, 'YYYY-MM-DD HH24:MI'), to_char(closes, 'YYYY-MM-DD HH24:MI') FROM zentrova.sitting_list "
        "WHERE id = $1::bigint",
        {id});
    if (!pg::succeeded(shown.get()) || PQntuples(shown.get()) != 1)
        return fail("已开启测评场次 " + id + "，但无法读回：" + refusal(db.get(), shown.get()));
    std::printf("已开启测评场次 %s：%s，%s 至 %s\n", id.c_str(), group.c_str(), value(shown, 0, 0).c_str(), value(shown, 0, 1).c_str());
    return 0;
}

int closeSitting(const std::string &conninfo, const std::string &id)
{
    const auto db = connectOrSay(conninfo);
    if (!db)
        return 1;
    const pg::Result closed = query(db.get(), "SELECT zentrova.close_sitting_v1($1::bigint)", {id});
    if (!pg::succeeded(closed.get()))
        return fail("无法结束测评场次 " + id + "：" + refusal(db.get(), closed.get()));
    if (value(closed, 0, 0) != "t")
        return fail("没有编号为 " + id + " 的测评场次");
    std::printf("已结束测评场次 %s\n", id.c_str());
    return 0;
}

int listSittings(const std::string &conninfo)
{
    const auto db = connectOrSay(conninfo);
    if (!db)
        return 1;
    const pg::Result sittings = pg::exec(db.get(),
        "SELECT id, class, coalesce(array_to_string(tests, '、'), '全部测验'), to_char(opens, 'YYYY-MM-DD HH24:MI'), "
        "to_char(closes, 'YYYY-MM-DD HH24:MI'), opened_by, "
        "CASE WHEN now() < opens THEN '未开始' WHEN now() <= closes THEN '进行中' ELSE '已结束' END "
        "FROM zentrova.sitting_list ORDER BY opens DESC, id DESC");
    if (!pg::succeeded(sittings.get()))
        return fail("无法读取测评场次：" + refusal(db.get(), sittings.get()));
    std::printf("编号\t班级\t测验\t开始\t结束\t开启者\t状态\n");
    for (int i = 0; i < PQntuples(sittings.get()); ++i) {
        for (int column = 0; column < 7; ++column)
            std::printf(column < 6 ? "%s\t" : "%s\n", PQgetvalue(sittings.get(), i, column));
    }
    return 0;
}

const char *const Help = R"(用法：zentrova-centre init CONNINFO [--roles 前缀] [--bank 题库]
      zentrova-centre upgrade CONNINFO [--bank 题库]
      zentrova-centre roster import CONNINFO 名单.csv [--yes]
      zentrova-centre roster export CONNINFO 名单.csv
      zentrova-centre sitting open CONNINFO 班级 [--test 测验]... [--from 时间] [--until 时间]
      zentrova-centre sitting close CONNINFO 编号
      zentrova-centre sitting list CONNINFO

为 Zentrova 建立测评中心的 PostgreSQL 数据库，管理测评码名单和测评场次。
CONNINFO 是 libpq 的连接字符串（如 "host=db.school dbname=centre user=teacher_li"）
或 service=名称；服务器要密码而没有别处给出时，在终端上询问（不保存）。

  init        建立数据库的结构、角色和函数，并从题库载入测验（由数据库管理员运行）；
              --roles 前缀：这个中心的角色叫 前缀_seat、前缀_counsellor（默认 zentrova）；
              --bank 题库：从这个题库载入测验（默认是程序自带的 Lumvex.mdb）
  upgrade     同 init，用于已建立的数据库
  roster import  导入 UTF-8 CSV 名单（第一行：测评码,姓名,班级；测评码留空则自动生成）；
              改名或换班的人会列出并询问，--yes 表示不问直接导入
  roster export  导出名单（只有本人可读），供打印测评码
  sitting open   为一个班级开启测评场次：--test 限定测验（可多次；默认全部），
              --from、--until 为起止时间（如 "2026-12-08 09:00"，默认现在起两小时）
  sitting close  提前结束测评场次
  sitting list   列出测评场次
  --help      显示本说明
  --version   显示版本

退出状态：0 完成；1 服务器、文件或名单有问题（标准错误输出说明原因）；2 命令行有误。
)";

int usage()
{
    std::fprintf(stderr, "%s", Help);
    return 2;
}

// Positional words and the values of the options that take one; options
// that repeat collect every value.
struct Arguments {
    std::vector<std::string> words;
    std::map<std::string, std::vector<std::string>> options;
    std::set<std::string> flags;
    bool bad = false;

    std::optional<std::string> option(const std::string &name) const
    {
        const auto found = options.find(name);
        return found == options.end() ? std::nullopt : std::optional(found->second.back());
    }
};

Arguments parse(const std::vector<std::string> &args)
{
    static const std::set<std::string> withValue = {"--roles", "--bank", "--test", "--from", "--until"};
    static const std::set<std::string> flags = {"--yes", "--help", "--version"};
    Arguments parsed;
    bool onlyWords = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (onlyWords || !arg.starts_with("--")) {
            parsed.words.push_back(arg);
        } else if (arg == "--") {
            onlyWords = true;
        } else if (withValue.contains(arg) && i + 1 < args.size()) {
            parsed.options[arg].push_back(args[++i]);
        } else if (flags.contains(arg)) {
            parsed.flags.insert(arg);
        } else {
            parsed.bad = true;
        }
    }
    return parsed;
}

} // namespace

int main(int argc, char **argv)
{
    const Arguments args = parse(std::vector<std::string>(argv + 1, argv + argc));
    if (args.flags.contains("--help")) {
        std::printf("%s", Help);
        return 0;
    }
    if (args.flags.contains("--version")) {
        std::printf("zentrova-centre %s\n", ZENTROVA_VERSION);
        return 0;
    }
    const auto &w = args.words;
    auto only = [&](std::set<std::string> allowed) {
        for (const auto &[name, values] : args.options) {
            if (!allowed.contains(name))
                return false;
        }
        return !args.bad && (allowed.contains("--yes") || !args.flags.contains("--yes"));
    };
    const fs::path bank = args.option("--bank").value_or(defaultBank().string());
    if (w.size() == 2 && w[0] == "init" && only({"--roles", "--bank"}))
        return applySteps(w[1], false, args.option("--roles"), bank);
    if (w.size() == 2 && w[0] == "upgrade" && only({"--bank"}))
        return applySteps(w[1], true, std::nullopt, bank);
    if (w.size() == 4 && w[0] == "roster" && w[1] == "import" && only({"--yes"}))
        return importRoster(w[2], w[3], args.flags.contains("--yes"));
    if (w.size() == 4 && w[0] == "roster" && w[1] == "export" && only({}))
        return exportRoster(w[2], w[3]);
    if (w.size() == 4 && w[0] == "sitting" && w[1] == "open" && only({"--test", "--from", "--until"})) {
        const auto tests = args.options.find("--test");
        return openSitting(w[2], w[3], tests == args.options.end() ? std::vector<std::string>() : tests->second, args.option("--from"),
            args.option("--until"));
    }
    if (w.size() == 4 && w[0] == "sitting" && w[1] == "close" && only({}))
        return closeSitting(w[2], w[3]);
    if (w.size() == 3 && w[0] == "sitting" && w[1] == "list" && only({}))
        return listSittings(w[2]);
    return usage();
}
