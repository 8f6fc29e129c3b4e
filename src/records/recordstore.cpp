// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "recordstore.h"

#include "framework/formulaguard.h"
#include "framework/questionbank.h"
#include "recordexport.h"
#include "safesave.h"

#include <QCollator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>
#include <QUuid>
#include <QtEndian>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zentrova {

namespace {

// Marks a SQLite file as a record file of this program ("ZnRc").
constexpr int ApplicationId = 0x5A6E5263;

// Step n takes a file from schema version n to n + 1; a new file takes them
// all. A released step never changes: a new version adds a step.
const char *const SchemaSteps[] = {
    R"(CREATE TABLE records (
           id INTEGER PRIMARY KEY AUTOINCREMENT, -- never reused: an id named once stays that record's
           window TEXT NOT NULL,
           caption TEXT NOT NULL,
           finished_ms INTEGER NOT NULL,         -- milliseconds since 1970 UTC
           utc_offset INTEGER NOT NULL,          -- seconds east of UTC where it was finished
           elapsed_minutes INTEGER,
           verdict TEXT NOT NULL,
           person TEXT NOT NULL,
           program_version TEXT NOT NULL,
           bank_sha256 TEXT NOT NULL);
       CREATE INDEX records_by_finished ON records (finished_ms);
       CREATE TABLE figures (
           record INTEGER NOT NULL REFERENCES records (id) ON DELETE CASCADE,
           position INTEGER NOT NULL,
           name TEXT NOT NULL,
           value TEXT NOT NULL,
           PRIMARY KEY (record, position)) WITHOUT ROWID;
       CREATE TABLE answers (
           record INTEGER NOT NULL REFERENCES records (id) ON DELETE CASCADE,
           position INTEGER NOT NULL,
           item TEXT NOT NULL,
           answer TEXT NOT NULL,
           PRIMARY KEY (record, position)) WITHOUT ROWID;)",
    // The person's class or group, for group reports.
    "ALTER TABLE records ADD COLUMN person_group TEXT NOT NULL DEFAULT ''",
    // A centre's seat keeps a record only until the centre's server has it.
    R"(CREATE TABLE outbox (
           record INTEGER PRIMARY KEY REFERENCES records (id) ON DELETE CASCADE,
           uuid TEXT NOT NULL UNIQUE);              -- the server's key: sent twice, kept once)",
    // The listing's filters and orders, each ending in the finishing time, so
    // that a page is read from an index whatever the file's size.
    R"(CREATE INDEX records_by_window ON records (window, finished_ms);
       CREATE INDEX records_by_caption ON records (caption, finished_ms);
       CREATE INDEX records_by_person ON records (person, finished_ms);
       CREATE INDEX records_by_group ON records (person_group, finished_ms);
       CREATE INDEX records_by_elapsed ON records (ifnull(elapsed_minutes, -1), finished_ms);)",
    // The total as a number beside its record, so that the listing's order
    // by total is read from an index too: a record's first 总分 figure that
    // shows a number, kept by its figures however they are written.
    R"(ALTER TABLE records ADD COLUMN total REAL;
       CREATE INDEX records_by_total ON records (ifnull(total, -1e308), finished_ms);
       CREATE TRIGGER figures_give_total AFTER INSERT ON figures WHEN new.name = '总分' BEGIN
           UPDATE records SET total = (SELECT CAST(value AS REAL) FROM figures
                                       WHERE record = new.record AND name = '总分' AND ltrim(value) GLOB '[-+.0-9]*')
           WHERE id = new.record;
       END;
       UPDATE records SET total = (SELECT CAST(value AS REAL) FROM figures
                                   WHERE record = records.id AND name = '总分' AND ltrim(value) GLOB '[-+.0-9]*');)",
};
constexpr int SchemaVersion = int(std::size(SchemaSteps));

// A file's tables, indexes, triggers and views, one line each.
const char *const SchemaQuery = "SELECT json_array(type, name, tbl_name, sql) FROM sqlite_schema ORDER BY 1";

// The columns recordOfRow() reads; the last is the group's (see
// Connection::recordColumns()).
const char *const RecordColumns
    = "id, window, caption, finished_ms, utc_offset, elapsed_minutes, verdict, person, program_version, bank_sha256, ";
// A file of an older version, read as it is, has no groups yet.
const char *const GroupColumn = "person_group";
const char *const NoGroupColumn = "''";
constexpr int GroupSchemaVersion = 2;
constexpr int TotalSchemaVersion = 5;
const char *const NewestFirst = " ORDER BY finished_ms DESC, id DESC";

QString &defaultPathOverride()
{
    static QString path;
    return path;
}

// Makes the missing folders of a path, each private to the user; folders that
// exist are left as they are.
bool makeFolders(const QString &folder)
{
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) == 0 || errno == EEXIST)
        return true;
    const QString parent = QFileInfo(folder).path();
    if (errno != ENOENT || parent == folder)
        return false;
    return makeFolders(parent) && (::mkdir(native.constData(), 0700) == 0 || errno == EEXIST);
}

class Statement
{
public:
    Statement(sqlite3 *db, const QByteArray &sql) { m_code = sqlite3_prepare_v2(db, sql.constData(), -1, &m_statement, nullptr); }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    void bind(int index, const QString &text)
    {
        sqlite3_bind_text16(m_statement, index, text.utf16(), int(text.size() * sizeof(char16_t)), SQLITE_TRANSIENT);
    }
    void bind(int index, qint64 value) { sqlite3_bind_int64(m_statement, index, value); }
    // Binds a named parameter where the statement has it.
    template<typename Value> void bind(const char *name, const Value &value)
    {
        if (const int index = sqlite3_bind_parameter_index(m_statement, name))
            bind(index, value);
    }
    void bind(int index, std::optional<int> value)
    {
        if (value)
            sqlite3_bind_int(m_statement, index, *value);
        else
            sqlite3_bind_null(m_statement, index);
    }

    // A row ready to read; otherwise done, or failed with code() set.
    bool next()
    {
        if (failed())
            return false;
        m_code = sqlite3_step(m_statement);
        return m_code == SQLITE_ROW;
    }
    // Runs a statement that returns no rows, ready to run again.
    bool run()
    {
        next();
        sqlite3_reset(m_statement);
        return m_code == SQLITE_DONE;
    }
    sqlite3_stmt *handle() const { return m_statement; }
    bool failed() const { return m_code != SQLITE_OK && m_code != SQLITE_ROW && m_code != SQLITE_DONE; }
    int code() const { return m_code; }

    QString text(int column) const
    {
        return QString::fromUtf8(
            reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column)), sqlite3_column_bytes(m_statement, column));
    }
    bool isNull(int column) const { return sqlite3_column_type(m_statement, column) == SQLITE_NULL; }
    qint64 integer(int column) const { return sqlite3_column_int64(m_statement, column); }
    std::optional<int> optionalInteger(int column) const
    {
        if (isNull(column))
            return std::nullopt;
        return sqlite3_column_int(m_statement, column);
    }

private:
    sqlite3_stmt *m_statement = nullptr;
    int m_code;
};

// The lines of SchemaQuery; failed() tells whether they are all there.
QStringList schemaLines(Statement &rows)
{
    QStringList lines;
    while (rows.next())
        lines << rows.text(0);
    return lines;
}

// What the schema steps up to version make of an empty file.
QStringList makeSchemaAt(int version)
{
    sqlite3 *db = nullptr;
    QStringList lines;
    if (sqlite3_open(":memory:", &db) == SQLITE_OK) {
        for (int step = 0; step < version; ++step)
            sqlite3_exec(db, SchemaSteps[step], nullptr, nullptr, nullptr);
        Statement rows(db, SchemaQuery);
        lines = schemaLines(rows);
    }
    sqlite3_close(db);
    return lines;
}

// The same, made once per version and run: a seat compares it at every save.
const QStringList &schemaAt(int version)
{
    static QStringList made[SchemaVersion + 1];
    static std::once_flag once[SchemaVersion + 1];
    std::call_once(once[version], [version] { made[version] = makeSchemaAt(version); });
    return made[version];
}

// One connection to the record file for one call, with the call's work in a
// single transaction. Every failure leaves problem() saying what went wrong,
// naming the file; closing without commit() rolls back.
class Connection
{
public:
    using FileStamp = RecordStore::FileStamp;
    // What a connection shares with the store that made it: the stamp of the
    // file's last whole check (none: check at every save), and whether the
    // caller still wants the answer.
    struct Shared {
        RecordStore::CheckedStamp *checked;
        const std::function<bool()> *cancelled;
    };

    Connection(const QString &path, int busyTimeout, Shared shared = Shared {nullptr, nullptr})
        : m_path(path)
        , m_busyTimeout(busyTimeout)
        , m_shared(shared)
    {
    }
    ~Connection() { sqlite3_close_v2(m_db); }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Starts a write transaction on a record file of ours, at the current
    // schema version. A missing file is made first where create is set, and
    // otherwise left missing: hasRecords() tells.
    bool beginWriting(bool create)
    {
        m_writing = true;
        const QFileInfo file(m_path);
        if (!file.exists() && !create)
            return true;
        if (!(file.exists() ? isPlainFile(file) : createFile()) || !inspect() || !open(SQLITE_OPEN_READWRITE))
            return false;
        if (sqlite3_db_readonly(m_db, "main") == 1) {
            m_problem = unwritable();
            return false;
        }
        // Foreign keys for the cascade to figures and answers; deleted records
        // are overwritten, not left readable in free pages.
        if (!exec("PRAGMA foreign_keys = ON; PRAGMA secure_delete = ON"))
            return false;
        // The whole check reads every page: done under the write lock it
        // would keep every other copy of the program from saving meanwhile.
        if (m_shared.checked && !isChecked(stamp()) && !checkUnderReadLock())
            return false;
        if (!exec("BEGIN IMMEDIATE") || !checkOurs())
            return false;
        if (m_version > SchemaVersion) {
            m_problem = QStringLiteral("测评记录文件“%1”是较新版本的程序写的，这个版本不能改动它").arg(m_path);
            return false;
        }
        // Changed by another process since the check above: checked again,
        // now that no one else can change it.
        m_begun = stamp();
        if (m_version > 0 && !isChecked(m_begun) && !checkWhole())
            return false;
        if (m_version < SchemaVersion)
            forgetCheck();
        for (int step = m_version; step < SchemaVersion; ++step) {
            if (!exec(SchemaSteps[step]))
                return false;
        }
        const QByteArray mark = "PRAGMA user_version = " + QByteArray::number(SchemaVersion)
            + "; PRAGMA application_id = " + QByteArray::number(ApplicationId);
        if (m_version < SchemaVersion && !exec(mark.constData()))
            return false;
        m_version = SchemaVersion;
        return true;
    }

    // Starts a read transaction on a record file of ours. A missing or empty
    // file has no records; a newer version is read where its tables still
    // read the same.
    bool beginReading()
    {
        const QFileInfo file(m_path);
        if (!file.exists())
            return true;
        if (!isPlainFile(file) || !inspect())
            return false;
        if (m_empty)
            return true;
        // A save cut short leaves a journal that only a writer can roll back,
        // and a WAL file is read through shared memory that a writer makes.
        return open(m_recover ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) && exec("BEGIN") && checkOurs();
    }

    // Whether the file holds our tables (once begun).
    bool hasRecords() const { return m_version > 0; }
    // The group column, or an empty text where the file predates groups.
    const char *groupColumn() const { return m_version >= GroupSchemaVersion ? GroupColumn : NoGroupColumn; }
    // The listing's key for its order by total: the column where the file
    // has it, else worked out from the figures.
    QByteArray totalKey() const
    {
        if (m_version >= TotalSchemaVersion)
            return "ifnull(total, -1e308)";
        // A figure that shows no number shows no total (see Record::total()).
        return "ifnull((SELECT CAST(value AS REAL) FROM figures WHERE figures.record = records.id"
               " AND figures.name = :totalName AND ltrim(value) GLOB '[-+.0-9]*'), -1e308)";
    }
    // RecordColumns as this file holds them.
    QByteArray recordColumns() const { return RecordColumns + QByteArray(groupColumn()); }

    bool commit()
    {
        const bool changed = sqlite3_total_changes(m_db) > 0;
        if (!exec("COMMIT"))
            return false;
        // The counter moves once for a transaction that changed the file;
        // any other move is another process's, which the next save checks.
        if (m_writing && isChecked(m_begun)) {
            const auto now = stamp();
            if (now && now->counter == m_begun->counter + (changed ? 1 : 0))
                m_shared.checked->set(now);
            else
                forgetCheck();
        }
        return true;
    }

    sqlite3 *handle() const { return m_db; }

    // Records the failure of a statement; false for use in conditions.
    bool failed(const Statement &statement)
    {
        m_problem = describe(statement.code());
        return false;
    }
    // Records that the file holds what no version of the program writes.
    bool damaged()
    {
        m_problem = describe(SQLITE_CORRUPT);
        return false;
    }

    const QString &problem() const { return m_problem; }

private:
    bool isPlainFile(const QFileInfo &file)
    {
        if (file.isDir())
            m_problem = QStringLiteral("“%1”是一个文件夹，不是测评记录文件").arg(m_path);
        else if (!file.isFile())
            m_problem = QStringLiteral("“%1”不是普通文件，不能用作测评记录文件").arg(m_path);
        return m_problem.isEmpty();
    }

    // The file and any missing folder, private to the user from the first byte.
    bool createFile()
    {
        const QString folder = QFileInfo(m_path).path();
        if (!makeFolders(folder)) {
            m_problem = QStringLiteral("无法创建存放测评记录的文件夹“%1”：%2").arg(folder, systemCause(errno));
            return false;
        }
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return true;
        }
        // Another copy of the program may just have made it.
        if (errno == EEXIST)
            return true;
        m_problem = QStringLiteral("无法创建测评记录文件“%1”：%2").arg(m_path, systemCause(errno));
        return false;
    }

    // Refuses, from its first bytes read without SQLite, a file that SQLite
    // must not open: opening alone rolls back a hot journal and checkpoints a
    // WAL file, which would change a file that is not ours. Sets m_empty, and
    // m_recover where our file has a journal or WAL file to take into account.
    bool inspect()
    {
        bool nonEmptyJournal = false;
        bool hasWal = false;
        for (const QString &log : {m_path + QStringLiteral("-journal"), m_path + QStringLiteral("-wal")}) {
            struct stat status = {};
            if (::lstat(QFile::encodeName(log).constData(), &status) != 0)
                continue;
            if (!S_ISREG(status.st_mode)) {
                m_problem = QStringLiteral("测评记录文件“%1”的日志“%2”%3，不是本程序留下的，程序没有改动它")
                                .arg(m_path, log, S_ISLNK(status.st_mode) ? QStringLiteral("是一个符号链接") : QStringLiteral("不是普通文件"));
                return false;
            }
            if (log.endsWith(QLatin1String("-wal")))
                hasWal = true;
            else
                nonEmptyJournal = status.st_size > 0;
        }

        unsigned char header[100];
        ssize_t size = -1;
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd >= 0) {
            do
                size = ::pread(fd, header, sizeof header, 0);
            while (size < 0 && errno == EINTR);
            const int errnum = errno;
            ::close(fd);
            errno = errnum;
        }
        if (size < 0) {
            m_problem = errno == EACCES || errno == EPERM ? QStringLiteral("没有读取测评记录文件“%1”的权限").arg(m_path)
                                                          : QStringLiteral("无法读取测评记录文件“%1”：%2").arg(m_path, systemCause(errno));
            return false;
        }
        m_empty = size == 0;
        // SQLite would delete a WAL file beside an empty file.
        if (m_empty && !hasWal)
            return true;
        if (!m_empty && (size < ssize_t(sizeof header) || std::memcmp(header, "SQLite format 3", 16) != 0)) {
            m_problem = describe(SQLITE_NOTADB);
            return false;
        }
        if (m_empty || qFromBigEndian<quint32>(header + 68) != quint32(ApplicationId)) {
            m_problem = notOurs();
            return false;
        }
        m_recover = nonEmptyJournal || hasWal || header[18] == 2 || header[19] == 2;
        return true;
    }

    bool open(int flags)
    {
        // Never created here: a missing file was made above with its mode.
        const int code = sqlite3_open_v2(QFile::encodeName(m_path).constData(), &m_db, flags, nullptr);
        if (code != SQLITE_OK) {
            m_problem = describe(code);
            return false;
        }
        sqlite3_extended_result_codes(m_db, 1);
        sqlite3_busy_timeout(m_db, m_busyTimeout);
        distrustSchema(m_db);
        if (m_shared.cancelled && *m_shared.cancelled) {
            sqlite3_progress_handler(
                m_db, 1000, [](void *cancelled) { return int((*static_cast<const std::function<bool()> *>(cancelled))()); },
                const_cast<std::function<bool()> *>(m_shared.cancelled));
        }
        // A finished save survives a power cut: the folder is synced after
        // the journal is deleted, so the save cannot roll back.
        return exec("PRAGMA synchronous = EXTRA");
    }

    bool exec(const char *sql)
    {
        const int code = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
        if (code != SQLITE_OK)
            m_problem = describe(code);
        return code == SQLITE_OK;
    }

    std::optional<qint64> pragma(const char *sql)
    {
        Statement statement(m_db, sql);
        if (!statement.next()) {
            failed(statement);
            return std::nullopt;
        }
        return statement.integer(0);
    }

    // Only a file marked as ours is read or written, and only an empty file
    // (not a single byte) becomes ours. Called in a transaction, whose lock
    // keeps another copy of the program from writing between the checks.
    bool checkOurs()
    {
        const auto id = pragma("PRAGMA application_id");
        const auto version = id ? pragma("PRAGMA user_version") : std::nullopt;
        if (!version)
            return false;
        if (*id != ApplicationId && QFileInfo(m_path).size() > 0) {
            m_problem = notOurs();
            return false;
        }
        // The first save marks the file ours and sets its version together.
        if (*version < 0 || (*version == 0 && *id == ApplicationId)) {
            m_problem = QStringLiteral("测评记录文件“%1”已损坏（文件头中的版本号 %2 无效）").arg(m_path).arg(*version);
            return false;
        }
        m_version = int(*version);
        return true;
    }

    // The file as it stands: which file, and its change counter. None in WAL
    // mode, where the counter stays still: such a file is checked every time.
    // Read through the connection's own file handle: opening and closing
    // another descriptor of the file would drop every lock this process
    // holds on it (POSIX locks belong to the process, not the descriptor).
    std::optional<FileStamp> stamp() const
    {
        sqlite3_file *file = nullptr;
        if (!m_db || sqlite3_file_control(m_db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file
            || !file->pMethods)
            return std::nullopt;
        unsigned char header[28];
        struct stat status = {};
        if (file->pMethods->xRead(file, header, sizeof header, 0) != SQLITE_OK
            || ::stat(QFile::encodeName(m_path).constData(), &status) != 0)
            return std::nullopt;
        if (header[18] == 2 || header[19] == 2)
            return std::nullopt;
        return FileStamp{quint64(status.st_dev), quint64(status.st_ino), qFromBigEndian<quint32>(header + 24)};
    }
    bool isChecked(const std::optional<FileStamp> &now) const
    {
        return m_shared.checked && now && m_shared.checked->get() == now;
    }
    void forgetCheck()
    {
        if (m_shared.checked)
            m_shared.checked->set(std::nullopt);
    }

    // The whole check in a read transaction of its own, remembered by the
    // stamp read while its lock keeps the file still.
    bool checkUnderReadLock()
    {
        if (!exec("BEGIN") || !checkOurs())
            return false;
        const auto now = stamp();
        if (m_version > 0 && m_version <= SchemaVersion && !checkWhole()) {
            exec("ROLLBACK");
            return false;
        }
        if (!exec("COMMIT"))
            return false;
        if (m_shared.checked)
            m_shared.checked->set(now);
        return true;
    }

    bool checkWhole() { return checkIntact() && checkSchema() && checkIndexes(); }

    // An index that disagrees with its table lists records under values they
    // do not hold, and quick_check does not compare the two.
    bool checkIndexes()
    {
        Statement check(m_db, "PRAGMA integrity_check(records)");
        if (!check.next())
            return failed(check);
        return check.text(0) == QLatin1String("ok") || damaged();
    }

    QString notOurs() const { return QStringLiteral("“%1”不是本程序的测评记录文件，程序没有改动它").arg(m_path); }

    // A damaged file may take a record and never give it back, so a save
    // goes only into a file that SQLite finds whole, and whose size is a whole
    // number of its pages: a cut inside the last page can leave every page
    // looking sound.
    bool checkIntact()
    {
        const auto pages = pragma("PRAGMA page_count");
        const auto pageSize = pages ? pragma("PRAGMA page_size") : std::nullopt;
        if (!pageSize)
            return false;
        Statement mode(m_db, "PRAGMA journal_mode");
        if (!mode.next())
            return failed(mode);
        // In WAL mode the newest pages may not be in the file yet.
        if (mode.text(0) != QLatin1String("wal") && QFileInfo(m_path).size() != *pages * *pageSize)
            return damaged();
        Statement check(m_db, "PRAGMA quick_check(1)");
        if (!check.next())
            return failed(check);
        return check.text(0) == QLatin1String("ok") || damaged();
    }

    // The file holds exactly the tables and indexes that the schema steps up
    // to its version make: a trigger or view planted in it would run with
    // every save.
    bool checkSchema()
    {
        Statement rows(m_db, SchemaQuery);
        const QStringList lines = schemaLines(rows);
        if (rows.failed())
            return failed(rows);
        if (lines == schemaAt(m_version))
            return true;
        m_problem = QStringLiteral("测评记录文件“%1”里有不属于本程序的内容（例如触发器或视图），程序没有改动它").arg(m_path);
        return false;
    }

    // Why the file cannot be written: its mode, its disk, or its folder,
    // where the journal goes.
    QString unwritable() const
    {
        const int fileAccess = ::access(QFile::encodeName(m_path).constData(), W_OK) == 0 ? 0 : errno;
        if (fileAccess == 0 && ::access(QFile::encodeName(QFileInfo(m_path).path()).constData(), W_OK) != 0)
            return QStringLiteral("测评记录文件“%1”所在的文件夹不允许写入").arg(m_path);
        if (fileAccess == 0 || fileAccess == EACCES || fileAccess == EPERM)
            return QStringLiteral("没有写入测评记录文件“%1”的权限").arg(m_path);
        return QStringLiteral("无法写入测评记录文件“%1”：%2").arg(m_path, systemCause(fileAccess));
    }

    QString describe(int code) const
    {
        const int errnum = m_db ? sqlite3_system_errno(m_db) : 0;
        switch (code & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return QStringLiteral("测评记录文件“%1”正被另一个程序占用，等了%2秒仍未释放").arg(m_path).arg(m_busyTimeout / 1000.0);
        case SQLITE_INTERRUPT:
            return QStringLiteral("读取测评记录文件“%1”的请求已取消").arg(m_path);
        case SQLITE_CORRUPT:
            return QStringLiteral("测评记录文件“%1”已损坏").arg(m_path);
        case SQLITE_NOTADB:
            return QStringLiteral("“%1”不是测评记录文件，或者已经损坏").arg(m_path);
        case SQLITE_FULL:
            return QStringLiteral("无法写入测评记录文件“%1”：磁盘空间不足").arg(m_path);
        case SQLITE_READONLY:
            if (code == SQLITE_READONLY_ROLLBACK || code == SQLITE_READONLY_RECOVERY)
                return QStringLiteral("测评记录文件“%1”上次没有写完，要等下次保存结果时才能修复").arg(m_path);
            return unwritable();
        case SQLITE_CANTOPEN:
        case SQLITE_PERM:
            if (m_writing)
                return unwritable();
            if (errnum == EACCES || errnum == EPERM)
                return QStringLiteral("没有读取测评记录文件“%1”的权限").arg(m_path);
            [[fallthrough]];
        case SQLITE_IOERR:
            if (errnum != 0)
                return QStringLiteral("读写测评记录文件“%1”时出错：%2").arg(m_path, systemCause(errnum));
            break;
        }
        return QStringLiteral("读写测评记录文件“%1”时出错：%2").arg(m_path, QString::fromUtf8(sqlite3_errstr(code)));
    }

    QString m_path;
    int m_busyTimeout;
    Shared m_shared;
    std::optional<FileStamp> m_begun; // the file as the write transaction found it
    sqlite3 *m_db = nullptr;
    bool m_writing = false;
    bool m_empty = false;
    bool m_recover = false;
    int m_version = 0;
    QString m_problem;
};

// When a record was finished; nullopt for a time that only damage writes: an
// offset from UTC beyond the ±18 hours any place keeps, or a time too far off
// to hold.
constexpr qint64 WidestOffset = 18 * 3600;

std::optional<QDateTime> finishedAt(qint64 milliseconds, qint64 utcOffset)
{
    if (utcOffset < -WidestOffset || utcOffset > WidestOffset)
        return std::nullopt;
    QDateTime finished = QDateTime::fromMSecsSinceEpoch(milliseconds, Qt::OffsetFromUTC, int(utcOffset));
    if (!finished.isValid())
        return std::nullopt;
    return finished;
}

// A row of RecordColumns as a record without its figures and answers;
// nullopt for a finishing time that only damage writes.
std::optional<Record> recordOfRow(const Statement &rows)
{
    const auto finished = finishedAt(rows.integer(3), rows.integer(4));
    if (!finished)
        return std::nullopt;
    Record record;
    record.id = rows.integer(0);
    record.window = rows.text(1);
    record.caption = rows.text(2);
    record.finished = *finished;
    record.elapsedMinutes = rows.optionalInteger(5);
    record.verdict = rows.text(6);
    record.person = rows.text(7);
    record.programVersion = rows.text(8);
    record.bankSha256 = rows.text(9);
    record.group = rows.text(10);
    return record;
}

// Whole records, newest first: all of them, or the one of that id.
std::optional<QList<Record>> readRecords(Connection &db, std::optional<qint64> id)
{
    const QByteArray where = id ? " WHERE id = ?1" : "";
    const QByteArray whereRecord = id ? " WHERE record = ?1" : "";
    Statement rows(db.handle(),
        "SELECT " + db.recordColumns() + " FROM records" + where + NewestFirst);
    Statement figures(db.handle(), "SELECT record, name, value FROM figures" + whereRecord + " ORDER BY record, position");
    Statement answers(db.handle(), "SELECT record, item, answer FROM answers" + whereRecord + " ORDER BY record, position");
    if (id) {
        for (Statement *statement : {&rows, &figures, &answers})
            statement->bind(1, *id);
    }

    QList<Record> records;
    QHash<qint64, qsizetype> index;
    while (rows.next()) {
        std::optional<Record> record = recordOfRow(rows);
        if (!record) {
            db.damaged();
            return std::nullopt;
        }
        index.insert(record->id, records.size());
        records.append(*record);
    }
    // A row whose record is gone (a file that another tool has changed)
    // belongs to no record shown.
    auto owner = [&](qint64 recordId) -> Record * {
        const auto found = index.constFind(recordId);
        return found == index.cend() ? nullptr : &records[*found];
    };
    while (figures.next()) {
        if (Record *record = owner(figures.integer(0)))
            record->figures.append({figures.text(1), figures.text(2)});
    }
    while (answers.next()) {
        if (Record *record = owner(answers.integer(0)))
            record->answers.append({answers.text(1), answers.text(2)});
    }
    for (const Statement *statement : {&rows, &figures, &answers}) {
        if (statement->failed()) {
            db.failed(*statement);
            return std::nullopt;
        }
    }
    return records;
}

// A filter as conditions on the records table, its parameters named; the
// columns are those of records alone, so that a join with figures or answers
// takes it as it is.
class FilterSql
{
public:
    FilterSql(Connection &db, const RecordFilter &filter)
        : m_filter(filter)
    {
        // A test is named by its window or by its caption; each has its index.
        if (!filter.test.isEmpty()) {
            Statement byWindow(db.handle(), "SELECT 1 FROM records WHERE window = ?1 LIMIT 1");
            byWindow.bind(1, filter.test);
            m_conditions << (byWindow.next() ? "window = :test" : "caption = :test");
        }
        if (filter.group)
            m_conditions << QByteArray(db.groupColumn()) + " = :group";
        if (filter.person)
            m_conditions << "person = :person";
        // Days as read where each record was finished; the bound in UTC lets
        // the index of finishing times find where they start.
        if (filter.range.since)
            m_conditions << "finished_ms >= :sinceBound" << "finished_ms + utc_offset * 1000 >= :since";
        if (filter.range.until)
            m_conditions << "finished_ms < :untilBound" << "finished_ms + utc_offset * 1000 < :until";
    }

    // " WHERE …" with these conditions and more, or nothing.
    QByteArray where(const QByteArrayList &more = {}) const
    {
        const QByteArrayList all = m_conditions + more;
        return all.isEmpty() ? QByteArray() : " WHERE " + all.join(" AND ");
    }

    void bind(Statement &statement) const
    {
        statement.bind(":test", m_filter.test);
        if (m_filter.group)
            statement.bind(":group", *m_filter.group);
        if (m_filter.person)
            statement.bind(":person", *m_filter.person);
        if (const auto &since = m_filter.range.since) {
            const qint64 local = QDateTime(*since, QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
            statement.bind(":since", local);
            statement.bind(":sinceBound", local - WidestOffset * 1000);
        }
        if (const auto &until = m_filter.range.until) {
            const qint64 local = QDateTime(until->addDays(1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
            statement.bind(":until", local);
            statement.bind(":untilBound", local + WidestOffset * 1000);
        }
    }

    // Whether a row read from the table itself belongs to the listing.
    bool holds(const RecordSummary &row) const
    {
        return m_filter.accepts(row) && (!m_filter.person || *m_filter.person == row.person);
    }

private:
    const RecordFilter &m_filter;
    QByteArrayList m_conditions;
};

// The listing's order: its column where it has one, then the finishing time
// and the id, so that every row has a place of its own and a page can start
// after any row. Each is read from an index.
QByteArrayList orderKeys(SummaryOrder order, const Connection &db)
{
    const QByteArrayList last = {"finished_ms", "id"};
    switch (order) {
    case SummaryOrder::Finished:
        return last;
    case SummaryOrder::Person:
        return QByteArrayList {"person"} + last;
    case SummaryOrder::Test:
        return QByteArrayList {"caption"} + last;
    case SummaryOrder::Group:
        return QByteArrayList {db.groupColumn()} + last;
    case SummaryOrder::Elapsed:
        return QByteArrayList {"ifnull(elapsed_minutes, -1)"} + last;
    case SummaryOrder::Total:
        return QByteArrayList {db.totalKey()} + last;
    }
    return last;
}

QByteArray columnBytes(const Statement &statement, int column)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement.handle(), column));
    return QByteArray(text, sqlite3_column_bytes(statement.handle(), column));
}

// A column's distinct values in order, each found by one step in its index,
// so that a million records cost what their few people and groups cost.
std::optional<QStringList> distinctValues(Connection &db, const QByteArray &column)
{
    Statement values(db.handle(),
        "WITH RECURSIVE v(x) AS (SELECT min(" + column + ") FROM records UNION ALL SELECT (SELECT min(" + column
        + ") FROM records WHERE " + column + " > v.x) FROM v WHERE v.x IS NOT NULL) SELECT x FROM v WHERE x IS NOT NULL");
    QStringList list;
    while (values.next())
        list << values.text(0);
    if (values.failed()) {
        db.failed(values);
        return std::nullopt;
    }
    return list;
}

// Names in pinyin order. Each name's collation key is made once: comparing
// the names themselves collates each again at every step of the sort, which
// costs more than reading the names when there are thousands of groups.
QStringList inPinyinOrder(const QStringList &names)
{
    const QCollator pinyin(QLocale(QLocale::Chinese, QLocale::China));
    std::vector<QCollatorSortKey> keys;
    keys.reserve(size_t(names.size()));
    std::vector<qsizetype> order(size_t(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i) {
        keys.push_back(pinyin.sortKey(names[i]));
        order[size_t(i)] = i;
    }
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) { return keys[size_t(a)].compare(keys[size_t(b)]) < 0; });
    QStringList sorted;
    sorted.reserve(names.size());
    for (const qsizetype i : order)
        sorted << names[i];
    return sorted;
}

// Stores the figures or the answers of a record, in order.
template<typename Pair>
bool insertInOrder(Connection &db, const QByteArray &tableAndColumns, qint64 record, const QList<Pair> &pairs, QString Pair::*first,
                   QString Pair::*second)
{
    Statement insert(db.handle(), "INSERT INTO " + tableAndColumns + " VALUES (?1, ?2, ?3, ?4)");
    for (qsizetype i = 0; i < pairs.size(); ++i) {
        insert.bind(1, record);
        insert.bind(2, qint64(i));
        insert.bind(3, pairs[i].*first);
        insert.bind(4, pairs[i].*second);
        if (!insert.run())
            return db.failed(insert);
    }
    return true;
}

bool addToOutbox(Connection &db, qint64 record, const QUuid &uuid)
{
    Statement insert(db.handle(), "INSERT INTO outbox (record, uuid) VALUES (?1, ?2)");
    insert.bind(1, record);
    insert.bind(2, uuid.toString(QUuid::WithoutBraces));
    return insert.run() || db.failed(insert);
}

const QString NotSaved = QStringLiteral("本次结果没有保存。");
const QString NotRead = QStringLiteral("无法读取其中的记录。");
const QString NotRemoved = QStringLiteral("记录没有删除。");

// A failed call as the user reads it: what went wrong, and what it cost.
QString told(const Connection &db, const QString &consequence)
{
    return db.problem() + u'，' + consequence;
}

// Starts db reading; false, with what the user reads in error, where it cannot.
bool beginReading(Connection &db, QString &error)
{
    if (db.beginReading())
        return true;
    error = told(db, NotRead);
    return false;
}

// The values of a detail table's column (figures' names, answers' items)
// in the order first met, walking the records a filter takes in time order.
std::optional<QStringList> firstMet(Connection &db, const FilterSql &where, const QByteArray &column, const QByteArray &table)
{
    Statement found(db.handle(),
        "SELECT " + column + " FROM (SELECT d." + column + ", row_number() OVER (ORDER BY r.finished_ms, r.id, d.position) AS n "
        "FROM records r JOIN " + table + " d ON d.record = r.id" + where.where() + ") GROUP BY " + column + " ORDER BY min(n)");
    where.bind(found);
    QStringList list;
    while (found.next())
        list << found.text(0);
    if (found.failed()) {
        db.failed(found);
        return std::nullopt;
    }
    return list;
}

// The records a filter takes, oldest first, with their figures and answers:
// three statements walk the records' time index side by side and find the
// rows of each by key, so that nothing is sorted whole or held.
class RecordWalk
{
public:
    RecordWalk(Connection &db, const FilterSql &where)
        : rows(db.handle(), "SELECT " + db.recordColumns() + " FROM records r" + where.where() + " ORDER BY finished_ms, id")
        , m_db(db)
        , m_figures(db.handle(),
              "SELECT f.record, f.name, f.value FROM records r JOIN figures f ON f.record = r.id" + where.where()
                  + " ORDER BY r.finished_ms, r.id, f.position")
        , m_answers(db.handle(),
              "SELECT a.record, a.item, a.answer FROM records r JOIN answers a ON a.record = r.id" + where.where()
                  + " ORDER BY r.finished_ms, r.id, a.position")
    {
        for (Statement *statement : {&rows, &m_figures, &m_answers})
            where.bind(*statement);
        m_moreFigures = m_figures.next();
        m_moreAnswers = m_answers.next();
    }

    // The record's row: step it with next().
    Statement rows;

    // Calls each with the row of every figure, or answer, of record id, the
    // record rows is on, in order.
    template<typename Each> void figuresOf(qint64 id, Each each) { detailsOf(m_figures, m_moreFigures, id, each); }
    template<typename Each> void answersOf(qint64 id, Each each) { detailsOf(m_answers, m_moreAnswers, id, each); }

    // Whether every statement ran to its end; else the connection says why.
    bool succeeded()
    {
        for (const Statement *statement : {&rows, &m_figures, &m_answers}) {
            if (statement->failed())
                return m_db.failed(*statement);
        }
        return true;
    }

private:
    template<typename Each> static void detailsOf(Statement &details, bool &more, qint64 id, Each &each)
    {
        for (; more && details.integer(0) == id; more = details.next())
            each(std::as_const(details));
    }

    Connection &m_db;
    Statement m_figures;
    Statement m_answers;
    bool m_moreFigures = false;
    bool m_moreAnswers = false;
};

// A text column's bytes as a QString gives them back: UTF-8 as the file
// holds it, or where it is not (only another tool writes that) made so as
// Statement::text() makes it, in scratch.
std::string_view utf8(const Statement &statement, int column, std::string &scratch)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement.handle(), column));
    const std::string_view bytes(text ? text : "", size_t(sqlite3_column_bytes(statement.handle(), column)));
    if (QByteArrayView(bytes.data(), qsizetype(bytes.size())).isValidUtf8())
        return bytes;
    scratch = QString::fromUtf8(bytes.data(), qsizetype(bytes.size())).toStdString();
    return scratch;
}

// Hashes std::string and std::string_view alike, so that looking up a
// column's bytes makes no string.
struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
};

// Which of a row's columns a name fills (figure names, item numbers), and
// which the current record has met: the first of a name counts.
class ColumnsByName
{
public:
    explicit ColumnsByName(const QStringList &names)
    {
        for (const QString &name : names)
            m_columns.emplace(name.toStdString(), int(m_columns.size()));
        m_met.resize(m_columns.size());
    }
    size_t size() const { return m_met.size(); }
    // For the next record.
    void clear() { std::fill(m_met.begin(), m_met.end(), false); }
    // The column name fills, now met; -1 for a name without a column, or
    // one met before.
    int take(std::string_view name)
    {
        const auto found = m_columns.find(name);
        if (found == m_columns.end() || m_met[size_t(found->second)])
            return -1;
        m_met[size_t(found->second)] = true;
        return found->second;
    }
    bool met(size_t column) const { return m_met[column]; }

private:
    std::unordered_map<std::string, int, TextHash, std::equal_to<>> m_columns;
    std::vector<bool> m_met;
};

// CSV as writeCsv() (recordexport.h) writes it, made of bytes in one large
// buffer that goes to a sink whenever it fills.
class CsvWriter
{
public:
    explicit CsvWriter(const Store::ByteSink &sink)
        : m_sink(sink)
    {
        m_bytes.reserve(FlushAt + FlushAt / 4);
    }

    void append(std::string_view bytes) { m_bytes += bytes; }

    // A field, guarded against spreadsheet formulas and quoted as the
    // export's csvField() does it, then a comma.
    void field(std::string_view text)
    {
        const bool guarded = runsAsFormula(text);
        const bool quoted = std::any_of(text.begin(), text.end(), [](char c) { return c == ',' || c == '"' || c == '\n' || c == '\r'; });
        if (quoted)
            m_bytes += '"';
        if (guarded)
            m_bytes += '\'';
        if (!quoted) {
            m_bytes += text;
        } else {
            for (size_t start = 0;;) {
                const size_t quote = text.find('"', start);
                m_bytes += text.substr(start, quote == std::string_view::npos ? quote : quote + 1 - start);
                if (quote == std::string_view::npos)
                    break;
                m_bytes += '"';
                start = quote + 1;
            }
            m_bytes += '"';
        }
        m_bytes += ',';
    }

    // A plain number: never guarded, never quoted.
    void number(qint64 value)
    {
        padded(value, 0);
        m_bytes += ',';
    }

    // The id and the time finished in ISO 8601 with the offset; false for
    // a time that only damage writes.
    bool finished(qint64 id, qint64 milliseconds, qint64 utcOffset)
    {
        // Plain arithmetic between the years 1 and 9999; QDateTime beyond.
        constexpr qint64 Day = 86400000, FirstDay = -719162, LastDay = 2932896;
        const qint64 local = milliseconds + utcOffset * 1000;
        const qint64 day = local >= 0 ? local / Day : (local + 1) / Day - 1;
        QDate date;
        qint64 second = 0;
        if (utcOffset >= -WidestOffset && utcOffset <= WidestOffset && day >= FirstDay && day <= LastDay) {
            date = QDate::fromJulianDay(day + 2440588);
            second = (local - day * Day) / 1000;
        } else if (const auto at = finishedAt(milliseconds, utcOffset)) {
            date = at->date();
            second = at->time().msecsSinceStartOfDay() / 1000;
        } else {
            return false;
        }
        number(id);
        int year = 0, month = 0, dayOfMonth = 0;
        date.getDate(&year, &month, &dayOfMonth);
        padded(year, 4);
        for (const auto &[separator, value] : {std::pair{'-', qint64(month)}, {'-', dayOfMonth}, {'T', second / 3600},
                 {':', second / 60 % 60}, {':', second % 60}}) {
            m_bytes += separator;
            padded(value, 2);
        }
        const qint64 offset = utcOffset < 0 ? -utcOffset : utcOffset;
        m_bytes += utcOffset < 0 ? '-' : '+';
        padded(offset / 3600, 2);
        m_bytes += ':';
        padded(offset / 60 % 60, 2);
        if (offset % 60 != 0) {
            m_bytes += ':';
            padded(offset % 60, 2);
        }
        m_bytes += ',';
        return true;
    }

    // Ends a row (its last comma becomes the line break); false where the
    // sink failed.
    bool endRow()
    {
        m_bytes.back() = '\r';
        m_bytes += '\n';
        return m_bytes.size() < FlushAt || flush();
    }

    bool flush()
    {
        const bool written = m_bytes.empty() || m_sink(m_bytes.data(), m_bytes.size());
        m_bytes.clear();
        return written;
    }

private:
    static constexpr size_t FlushAt = 4 << 20;

    // As printf's %0*lld: the sign counts towards the width.
    void padded(qint64 value, int width)
    {
        char digits[24];
        const char *end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        const char *start = digits;
        if (value < 0) {
            m_bytes += '-';
            ++start;
            --width;
        }
        if (end - start < width)
            m_bytes.append(size_t(width - (end - start)), '0');
        m_bytes.append(start, end);
    }

    const Store::ByteSink &m_sink;
    std::string m_bytes;
};

} // namespace

void RecordSummary::setResult(const Record &shown)
{
    resultLine = shown.resultLine();
    total = shown.total();
    figures = shown.figures;
    verdict = shown.verdict;
}

QString RecordStore::defaultPath()
{
    const QString &path = defaultPathOverride();
    if (!path.isEmpty())
        return path;
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/records.db");
}

void RecordStore::setDefaultPath(const QString &path)
{
    defaultPathOverride() = path;
}

RecordStore::RecordStore(QString path)
    : m_path(std::move(path))
{
}

std::optional<qint64> RecordStore::add(const Record &record, const QUuid &outbox)
{
    m_error.clear();
    Connection db(m_path, m_busyTimeout, {m_checked.get(), &m_cancelled});
    if (!db.beginWriting(true)) {
        m_error = told(db, NotSaved);
        return std::nullopt;
    }
    Statement insert(db.handle(),
        "INSERT INTO records (window, caption, finished_ms, utc_offset, elapsed_minutes, verdict, person, "
        "program_version, bank_sha256, person_group) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)");
    insert.bind(1, record.window);
    insert.bind(2, record.caption);
    insert.bind(3, record.finished.toMSecsSinceEpoch());
    insert.bind(4, qint64(record.finished.offsetFromUtc()));
    insert.bind(5, record.elapsedMinutes);
    insert.bind(6, record.verdict);
    insert.bind(7, record.person);
    insert.bind(8, record.programVersion);
    insert.bind(9, record.bankSha256);
    insert.bind(10, record.group);
    const bool inserted = insert.run() || db.failed(insert);
    const qint64 id = sqlite3_last_insert_rowid(db.handle());
    if (!inserted
        || !insertInOrder(db, "figures (record, position, name, value)", id, record.figures, &ShownResult::Figure::name,
                          &ShownResult::Figure::value)
        || !insertInOrder(db, "answers (record, position, item, answer)", id, record.answers, &ShownResult::Answer::item,
                          &ShownResult::Answer::answer)
        || (!outbox.isNull() && !addToOutbox(db, id, outbox)) || !db.commit()) {
        m_error = told(db, NotSaved);
        return std::nullopt;
    }
    return id;
}

std::optional<QList<RecordSummary>> RecordStore::summaries()
{
    m_error.clear();
    Connection db(m_path, m_busyTimeout, {m_checked.get(), &m_cancelled});
    if (!beginReading(db, m_error))
        return std::nullopt;
    QList<RecordSummary> summaries;
    if (!db.hasRecords())
        return summaries;
    // One pass: a record's row comes once per figure, its figures in order.
    Statement rows(db.handle(),
        "SELECT r.id, r.finished_ms, r.utc_offset, r.person, r.window, r.caption, r.elapsed_minutes, r.verdict, "
        "f.name, f.value, " + QByteArray(db.groupColumn()) + " FROM records r LEFT JOIN figures f ON f.record = r.id "
        "ORDER BY r.finished_ms DESC, r.id DESC, f.position");
    Record shown; // figures and verdict of the last summary, for its result line
    auto finishLast = [&] {
        if (!summaries.isEmpty())
            summaries.last().setResult(shown);
    };
    while (rows.next()) {
        const qint64 id = rows.integer(0);
        if (summaries.isEmpty() || summaries.last().id != id) {
            const auto finished = finishedAt(rows.integer(1), rows.integer(2));
            if (!finished) {
                db.damaged();
                m_error = told(db, NotRead);
                return std::nullopt;
            }
            finishLast();
            RecordSummary summary;
            summary.id = id;
            summary.finished = *finished;
            summary.person = rows.text(3);
            summary.personKey = summary.person;
            summary.window = rows.text(4);
            summary.caption = rows.text(5);
            summary.elapsedMinutes = rows.optionalInteger(6);
            summary.group = rows.text(10);
            summaries.append(summary);
            shown.figures.clear();
            shown.window = rows.text(4);
            shown.verdict = rows.text(7);
        }
        if (!rows.isNull(8))
            shown.figures.append({rows.text(8), rows.text(9)});
    }
    finishLast();
    if (rows.failed()) {
        db.failed(rows);
        m_error = told(db, NotRead);
        return std::nullopt;
    }
    return summaries;
}

std::optional<QList<Record>> RecordStore::records()
{
    m_error.clear();
    Connection db(m_path, m_busyTimeout, {m_checked.get(), &m_cancelled});
    if (!beginReading(db, m_error))
        return std::nullopt;
    if (!db.hasRecords())
        return QList<Record>();
    auto records = readRecords(db, std::nullopt);
    if (!records)
        m_error = told(db, NotRead);
    return records;
}

std::optional<Record> RecordStore::record(qint64 id)
{
    m_error.clear();
    Connection db(m_path, m_busyTimeout, {m_checked.get(), &m_cancelled});
    if (!beginReading(db, m_error))
        return std::nullopt;
    const auto found = db.hasRecords() ? readRecords(db, id) : QList<Record>();
    if (!found) {
        m_error = told(db, NotRead);
        return std::nullopt;
    }
    if (found->isEmpty()) {
        m_error = QStringLiteral("测评记录文件“%1”中没有编号为 %2 的记录。").arg(m_path).arg(id);
        return std::nullopt;
    }
    return found->first();
}

bool RecordStore::remove(const QList<qint64> &ids)
{
    return removeRecords(ids).has_value();
}

std::optional<int> RecordStore::removeRecords(const QList<qint64> &ids)
{
    m_error.clear();
    Connection db(m_path, m_busyTimeout, {m_checked.get(), &m_cancelled});
    bool removed = db.beginWriting(false);
    int count = 0;
    if (removed && db.hasRecords()) {
        Statement remove(db.handle(), "DELETE FROM records WHERE id = ?1");
        for (qsizetype i = 0; removed && i < ids.size(); ++i) {
            remove.bind(1, ids[i]);
            removed = remove.run() || db.failed(remove);
            count += sqlite3_changes(db.handle());
        }
        removed = removed && db.commit();
    }
    if (!removed) {
        m_error = told(db, NotRemoved);
        return std::nullopt;
    }
    return count;
}

std::optional<int> RecordStore::removeAll()
{
    m_error.clear();
    Connection db(m_path, m_busyTimeout, {m_checked.get(), &m_cancelled});
    bool removed = db.beginWriting(false);
    int count = 0;
    if (removed && db.hasRecords()) {
        Statement remove(db.handle(), "DELETE FROM records");
        removed = remove.run() || db.failed(remove);
        count = sqlite3_changes(db.handle());
        removed = removed && db.commit();
    }
    if (!removed) {
        m_error = told(db, NotRemoved);
        return std::nullopt;
    }
    return count;
}

std::optional<QList<RecordStore::Outgoing>> RecordStore::outbox()
{
    m_error.clear();
    // Written to, so that a file of an older version gains its outbox.
    Connection db(m_path, m_busyTimeout, {m_checked.get(), &m_cancelled});
    if (!db.beginWriting(false)) {
        m_error = told(db, NotRead);
        return std::nullopt;
    }
    QList<Outgoing> waiting;
    if (!db.hasRecords())
        return waiting;
    Statement rows(db.handle(), "SELECT record, uuid FROM outbox ORDER BY record");
    QHash<qint64, QUuid> uuids;
    bool damaged = false;
    while (rows.next()) {
        const QUuid uuid = QUuid::fromString(rows.text(1));
        damaged = damaged || uuid.isNull();
        uuids.insert(rows.integer(0), uuid);
    }
    // A key that is no UUID is only written by damage: sent, it would be
    // refused for ever or merge with another result.
    if (damaged)
        db.damaged();
    auto records = rows.failed() || damaged ? std::nullopt : readRecords(db, std::nullopt);
    if (!records || !db.commit()) {
        if (rows.failed())
            db.failed(rows);
        m_error = told(db, NotRead);
        return std::nullopt;
    }
    for (Record &record : *records) {
        if (uuids.contains(record.id))
            waiting.prepend({uuids.value(record.id), std::move(record)});
    }
    return waiting;
}

bool RecordStore::forEachRecord(const std::function<bool(const QStringList &, const QStringList &)> &names,
                                const std::function<bool(const Record &)> &visit, const QString &test, bool items)
{
    bool stopped = false;
    const auto walked = forEachRecord(RecordFilter{test, {}, {}, {}}, items,
        [&](const QStringList &figureNames, const QStringList &itemNames) {
            stopped = !names(figureNames, itemNames);
            return !stopped;
        },
        [&](const Record &record) {
            stopped = !visit(record);
            return !stopped;
        });
    return walked && !stopped;
}

std::optional<qint64> RecordStore::forEachRecord(const RecordFilter &filter, bool items, const Store::NamesVisitor &names,
                                                 const Store::RecordVisitor &visit)
{
    m_error.clear();
    Connection db(m_path, m_busyTimeout, {m_checked.get(), &m_cancelled});
    if (!beginReading(db, m_error))
        return std::nullopt;
    if (!db.hasRecords()) {
        names({}, {});
        return 0;
    }
    const FilterSql where(db, filter);
    const auto figureNameList = firstMet(db, where, "name", "figures");
    const auto itemList = figureNameList && items ? firstMet(db, where, "item", "answers") : QStringList();
    if (!figureNameList || !itemList) {
        m_error = told(db, NotRead);
        return std::nullopt;
    }
    qint64 visited = 0;
    if (!names(*figureNameList, *itemList))
        return visited;

    RecordWalk walk(db, where);
    while (walk.rows.next()) {
        std::optional<Record> found = recordOfRow(walk.rows);
        if (!found) {
            db.damaged();
            m_error = told(db, NotRead);
            return std::nullopt;
        }
        Record &record = *found;
        walk.figuresOf(record.id, [&](const Statement &figure) { record.figures.append({figure.text(1), figure.text(2)}); });
        walk.answersOf(record.id, [&](const Statement &answer) { record.answers.append({answer.text(1), answer.text(2)}); });
        ++visited;
        if (!visit(record))
            return visited;
    }
    if (!walk.succeeded()) {
        m_error = told(db, NotRead);
        return std::nullopt;
    }
    return visited;
}

std::optional<qint64> RecordStore::writeCsv(const RecordFilter &filter, bool itemColumns, const Store::ByteSink &sink)
{
    m_error.clear();
    Connection db(m_path, m_busyTimeout, {m_checked.get(), &m_cancelled});
    if (!beginReading(db, m_error))
        return std::nullopt;
    // The columns are those of every record of the test, whatever else the
    // filter leaves out, as writeCsv() has them.
    const RecordFilter ofTest{filter.test, {}, {}, {}};
    const FilterSql columnsWhere(db, ofTest);
    std::optional<QStringList> figureNames = QStringList(), items = QStringList();
    if (db.hasRecords()) {
        figureNames = firstMet(db, columnsWhere, "name", "figures");
        items = figureNames && itemColumns ? firstMet(db, columnsWhere, "item", "answers") : QStringList();
    }
    if (!figureNames || !items) {
        m_error = told(db, NotRead);
        return std::nullopt;
    }
    CsvWriter csv(sink);
    csv.append("\xEF\xBB\xBF");
    csv.append(csvLine(QStringList{QStringLiteral("编号"), QStringLiteral("完成时间"), QStringLiteral("受测者"), QStringLiteral("小组"),
                           QStringLiteral("测试"), QStringLiteral("用时（分钟）")}
                   + *figureNames
                   + QStringList{QStringLiteral("评语或分数段"), QStringLiteral("答案"), QStringLiteral("程序版本"),
                       QStringLiteral("题库SHA-256")}
                   + *items)
                   .toStdString());
    qint64 written = 0;
    if (!db.hasRecords())
        return csv.flush() ? std::optional(written) : std::nullopt;

    ColumnsByName figureColumns(*figureNames), itemColumnsByName(*items);
    std::vector<std::string> figureValues(figureColumns.size()), itemValues(itemColumnsByName.size());
    std::unordered_map<std::string, std::string, TextHash, std::equal_to<>> answerCodes;
    std::string scratch, joined;
    const FilterSql where(db, filter);
    RecordWalk walk(db, where);
    while (walk.rows.next()) {
        const Statement &row = walk.rows;
        const qint64 id = row.integer(0);
        if (!csv.finished(id, row.integer(3), row.integer(4))) {
            db.damaged();
            m_error = told(db, NotRead);
            return std::nullopt;
        }
        // The person, the group and the test, as RecordColumns has them.
        for (const int column : {7, 10, 2})
            csv.field(utf8(row, column, scratch));
        if (row.isNull(5))
            csv.field({});
        else
            csv.number(sqlite3_column_int(row.handle(), 5));
        // The first figure of each name, as a record's figures are searched.
        figureColumns.clear();
        walk.figuresOf(id, [&](const Statement &figure) {
            if (const int column = figureColumns.take(utf8(figure, 1, scratch)); column >= 0)
                figureValues[size_t(column)] = utf8(figure, 2, scratch);
        });
        for (size_t column = 0; column < figureValues.size(); ++column)
            csv.field(figureColumns.met(column) ? std::string_view(figureValues[column]) : std::string_view());
        csv.field(utf8(row, 6, scratch));
        joined.clear();
        itemColumnsByName.clear();
        walk.answersOf(id, [&](const Statement &answer) {
            if (!joined.empty())
                joined += "; ";
            const std::string_view item = utf8(answer, 1, scratch);
            joined += item;
            joined += ':';
            const int column = itemColumnsByName.take(item);
            const std::string_view words = utf8(answer, 2, scratch);
            joined += words;
            if (column < 0)
                return;
            auto code = answerCodes.find(words);
            if (code == answerCodes.end())
                code = answerCodes.emplace(words, answerCode(QString::fromStdString(std::string(words))).toStdString()).first;
            itemValues[size_t(column)] = code->second;
        });
        csv.field(joined);
        // Named, so that no reader takes the version "1.2" for a number.
        joined = "Zentrova ";
        joined += utf8(row, 8, scratch);
        csv.field(joined);
        csv.field(utf8(row, 9, scratch));
        for (size_t column = 0; column < itemValues.size(); ++column)
            csv.field(itemColumnsByName.met(column) ? std::string_view(itemValues[column]) : std::string_view());
        ++written;
        if (!csv.endRow())
            return std::nullopt;
    }
    if (!walk.succeeded()) {
        m_error = told(db, NotRead);
        return std::nullopt;
    }
    return csv.flush() ? std::optional(written) : std::nullopt;
}

std::optional<int> RecordStore::count(const RecordFilter &filter)
{
    m_error.clear();
    Connection db(m_path, m_busyTimeout, {m_checked.get(), &m_cancelled});
    if (!beginReading(db, m_error))
        return std::nullopt;
    if (!db.hasRecords())
        return 0;
    const FilterSql where(db, filter);
    Statement counted(db.handle(), "SELECT count(*) FROM records" + where.where());
    where.bind(counted);
    if (!counted.next()) {
        db.failed(counted);
        m_error = told(db, NotRead);
        return std::nullopt;
    }
    return int(counted.integer(0));
}

std::optional<QList<RecordSummary>> RecordStore::summaries(const SummaryQuery &query)
{
    m_error.clear();
    Connection db(m_path, m_busyTimeout, {m_checked.get(), &m_cancelled});
    if (!beginReading(db, m_error))
        return std::nullopt;
    QList<RecordSummary> page;
    if (!db.hasRecords())
        return page;
    const auto fail = [&](const Statement &statement) {
        if (statement.failed())
            db.failed(statement);
        else
            db.damaged();
        m_error = told(db, NotRead);
        return std::nullopt;
    };

    const FilterSql filter(db, query.filter);
    const QByteArrayList keys = orderKeys(query.order, db);
    const QByteArray direction = query.direction == Qt::DescendingOrder ? " DESC" : "";
    QByteArrayList places;
    for (qsizetype i = 0; i < keys.size(); ++i)
        places << ":after" + QByteArray::number(i);
    // The row a page starts after, read from the table.
    Statement after(db.handle(), "SELECT " + keys.join(", ") + " FROM records WHERE id = :after");
    if (query.after) {
        after.bind(":after", *query.after);
        after.bind(":totalName", Record::TotalName);
        if (!after.next()) {
            if (after.failed())
                return fail(after);
            m_error = QStringLiteral("测评记录文件“%1”中没有编号为 %2 的记录，列表已经变了。").arg(m_path).arg(*query.after);
            return std::nullopt;
        }
    }
    const auto inOrder = [&](const QByteArrayList &columns) {
        QByteArrayList ordered;
        for (const QByteArray &column : columns)
            ordered << column + direction;
        return " ORDER BY " + ordered.join(", ");
    };
    const QByteArray limit = query.limit > 0 ? " LIMIT " + QByteArray::number(query.limit) : QByteArray();
    QByteArray pageSql = "SELECT " + keys.join(", ") + " FROM records" + filter.where() + inOrder(keys) + limit;
    if (query.after) {
        // The rows that tie with it on the first key, then those beyond:
        // each part seeks in its index, where a comparison of the whole row
        // does not when the first key is an expression (elapsed, total).
        const QByteArray beyond = direction.isEmpty() ? " > " : " < ";
        const QByteArrayList rest = keys.mid(1), restPlaces = places.mid(1);
        const QByteArray ties = "SELECT " + keys.join(", ") + " FROM records"
            + filter.where({keys.first() + " = " + places.first(), "(" + rest.join(", ") + ")" + beyond + "(" + restPlaces.join(", ") + ")"})
            + inOrder(rest) + limit;
        const QByteArray further
            = "SELECT " + keys.join(", ") + " FROM records" + filter.where({keys.first() + beyond + places.first()}) + inOrder(keys) + limit;
        QByteArrayList positions;
        for (qsizetype i = 1; i <= keys.size(); ++i)
            positions << QByteArray::number(i);
        pageSql = "SELECT * FROM (" + ties + ") UNION ALL SELECT * FROM (" + further + ")" + inOrder(positions) + limit;
    }
    Statement rows(db.handle(), pageSql);
    filter.bind(rows);
    rows.bind(":totalName", Record::TotalName);
    if (query.after) {
        for (qsizetype i = 0; i < keys.size(); ++i)
            sqlite3_bind_value(rows.handle(), sqlite3_bind_parameter_index(rows.handle(), places[i].constData()),
                               sqlite3_column_value(after.handle(), int(i)));
    }

    // Each row found through an index is read again from its table, and the
    // two must agree: an index that does not match its table would list a
    // record under values it does not hold.
    const int idColumn = int(keys.size()) - 1;
    Statement row(db.handle(),
        "SELECT " + keys.join(", ") + ", finished_ms, utc_offset, person, window, caption, elapsed_minutes, verdict, "
        + QByteArray(db.groupColumn()) + " FROM records WHERE id = :id");
    Statement figures(db.handle(), "SELECT name, value FROM figures WHERE record = ?1 ORDER BY position");
    while (rows.next()) {
        sqlite3_reset(row.handle());
        row.bind(":id", rows.integer(idColumn));
        row.bind(":totalName", Record::TotalName);
        if (!row.next())
            return fail(row);
        for (int key = 0; key <= idColumn; ++key) {
            if (columnBytes(rows, key) != columnBytes(row, key) || sqlite3_column_type(rows.handle(), key) != sqlite3_column_type(row.handle(), key))
                return fail(row);
        }
        const int first = idColumn + 1;
        const auto finished = finishedAt(row.integer(first), row.integer(first + 1));
        if (!finished)
            return fail(row);
        RecordSummary summary;
        summary.id = rows.integer(idColumn);
        summary.finished = *finished;
        summary.person = row.text(first + 2);
        summary.personKey = summary.person;
        summary.window = row.text(first + 3);
        summary.caption = row.text(first + 4);
        summary.elapsedMinutes = row.optionalInteger(first + 5);
        summary.group = row.text(first + 7);
        if (!filter.holds(summary))
            return fail(row);
        Record shown;
        shown.window = summary.window;
        shown.verdict = row.text(first + 6);
        sqlite3_reset(figures.handle());
        figures.bind(1, summary.id);
        while (figures.next())
            shown.figures.append({figures.text(0), figures.text(1)});
        if (figures.failed())
            return fail(figures);
        summary.setResult(shown);
        page.append(std::move(summary));
    }
    if (rows.failed())
        return fail(rows);
    return page;
}

std::optional<QList<TotalPoint>> RecordStore::totals(const RecordFilter &filter)
{
    m_error.clear();
    Connection db(m_path, m_busyTimeout, {m_checked.get(), &m_cancelled});
    if (!beginReading(db, m_error))
        return std::nullopt;
    QList<TotalPoint> points;
    if (!db.hasRecords())
        return points;
    const FilterSql where(db, filter);
    Statement rows(db.handle(),
        "SELECT id, person, finished_ms, utc_offset, value FROM records JOIN figures ON figures.record = records.id"
        " AND figures.name = :totalName" + where.where() + " ORDER BY finished_ms, id");
    where.bind(rows);
    rows.bind(":totalName", Record::TotalName);
    QHash<QString, QString> names;
    while (rows.next()) {
        const auto total = Record::numberShown(rows.text(4));
        if (!total)
            continue;
        const auto finished = finishedAt(rows.integer(2), rows.integer(3));
        if (!finished) {
            db.damaged();
            m_error = told(db, NotRead);
            return std::nullopt;
        }
        // One copy of each name, however many totals are theirs.
        auto person = names.constFind(rows.text(1));
        if (person == names.constEnd())
            person = names.insert(rows.text(1), rows.text(1));
        points.append({rows.integer(0), *person, *person, *finished, *total});
    }
    if (rows.failed()) {
        db.failed(rows);
        m_error = told(db, NotRead);
        return std::nullopt;
    }
    return points;
}

std::optional<StoreFacets> RecordStore::facets()
{
    m_error.clear();
    Connection db(m_path, m_busyTimeout, {m_checked.get(), &m_cancelled});
    if (!beginReading(db, m_error))
        return std::nullopt;
    StoreFacets facets;
    if (!db.hasRecords())
        return facets;
    const auto windows = distinctValues(db, "window");
    auto people = windows ? distinctValues(db, "person") : std::nullopt;
    auto groups = people ? distinctValues(db, db.groupColumn()) : std::nullopt;
    if (!groups) {
        m_error = told(db, NotRead);
        return std::nullopt;
    }
    Statement caption(db.handle(), "SELECT caption FROM records WHERE window = ?1 LIMIT 1");
    for (const QString &window : *windows) {
        sqlite3_reset(caption.handle());
        caption.bind(1, window);
        if (!caption.next()) {
            db.failed(caption);
            m_error = told(db, NotRead);
            return std::nullopt;
        }
        facets.tests.append({window, caption.text(0)});
    }
    facets.unnamed = people->removeAll(QString()) > 0;
    facets.ungrouped = groups->removeAll(QString()) > 0;
    facets.people = inPinyinOrder(*people);
    facets.groups = inPinyinOrder(*groups);
    return facets;
}

} // namespace zentrova
