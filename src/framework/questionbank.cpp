// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "questionbank.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QUrl>

#include <sqlite3.h>

namespace zentrova {

namespace {

QString &programFolderOverride()
{
    static QString folder;
    return folder;
}

QString &bankFileOverride()
{
    static QString file;
    return file;
}

// Says which of the usual causes keeps the bank from opening, so that the
// user knows what to put right.
QString describeOpenFailure(const QString &path)
{
    const QFileInfo file(path);
    if (!file.exists())
        return QStringLiteral("找不到题库文件“%1”。").arg(path);
    if (file.isDir())
        return QStringLiteral("“%1”是一个文件夹，不是题库文件。").arg(path);
    if (!file.isFile())
        return QStringLiteral("“%1”不是普通文件，不能用作题库。").arg(path);
    if (!file.isReadable())
        return QStringLiteral("无法读取题库文件“%1”：没有读取它的权限。").arg(path);
    return QStringLiteral("题库文件“%1”已损坏，或者不是题库。").arg(path);
}

bool hasAnyTable(sqlite3 *db)
{
    sqlite3_stmt *tables = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_schema WHERE type = 'table' LIMIT 1", -1, &tables, nullptr) != SQLITE_OK)
        return false;
    const bool any = sqlite3_step(tables) == SQLITE_ROW;
    sqlite3_finalize(tables);
    return any;
}

void setWidgetText(QWidget *widget, const QString &text)
{
    if (auto *label = qobject_cast<QLabel *>(widget))
        label->setText(text);
    else if (auto *edit = qobject_cast<QTextEdit *>(widget))
        edit->setPlainText(text);
    else if (auto *line = qobject_cast<QLineEdit *>(widget))
        line->setText(text);
}

} // namespace

QString bankPathIn(const QString &folder)
{
    const QString name = QString::fromLatin1(BankFileName);
    if (folder.endsWith(u'/') || folder.endsWith(u'\\'))
        return folder + name;
    return folder + u'/' + name;
}

QString programFolder()
{
    const QString &override = programFolderOverride();
    return override.isEmpty() ? QCoreApplication::applicationDirPath() : override;
}

void setProgramFolder(const QString &folder)
{
    programFolderOverride() = folder;
}

void setBankFile(const QString &file)
{
    bankFileOverride() = file;
}

QString bankPath()
{
    const QString &override = bankFileOverride();
    return override.isEmpty() ? bankPathIn(programFolder()) : override;
}

void distrustSchema(sqlite3 *db)
{
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
}

QString quotedIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

RecordCursor::RecordCursor() = default;

RecordCursor::~RecordCursor()
{
    close();
}

void RecordCursor::close()
{
    sqlite3_finalize(m_first);
    sqlite3_finalize(m_next);
    sqlite3_finalize(m_last);
    sqlite3_close(m_db);
    m_first = m_next = m_last = nullptr;
    m_db = nullptr;
    m_values.clear();
    m_pastEnd = true;
}

bool RecordCursor::open(const QString &path, const QString &table, const QStringList &fields, QString *errorText)
{
    close();
    auto fail = [&](const QString &message) {
        close();
        if (errorText)
            *errorText = message;
        refreshBindings();
        return false;
    };

    // Only a regular file is opened: reading a named pipe would wait for ever
    // for a writer, and a device holds no bank.
    if (!QFileInfo(path).isFile())
        return fail(describeOpenFailure(path));
    // immutable: the file is never created, locked or written.
    const QByteArray uri = QUrl::fromLocalFile(path).toEncoded() + "?mode=ro&immutable=1";
    if (sqlite3_open_v2(uri.constData(), &m_db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) != SQLITE_OK)
        return fail(describeOpenFailure(path));
    distrustSchema(m_db);

    // Opening is lazy: the first query tells a database from any other file.
    sqlite3_stmt *columns = nullptr;
    if (sqlite3_prepare_v2(m_db, "SELECT name FROM pragma_table_info(?1)", -1, &columns, nullptr) != SQLITE_OK)
        return fail(describeOpenFailure(path));
    const QByteArray tableUtf8 = table.toUtf8();
    sqlite3_bind_text(columns, 1, tableUtf8.constData(), int(tableUtf8.size()), SQLITE_TRANSIENT);
    QStringList present;
    int step;
    while ((step = sqlite3_step(columns)) == SQLITE_ROW)
        present << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(columns, 0)));
    sqlite3_finalize(columns);
    if (step != SQLITE_DONE)
        return fail(describeOpenFailure(path));
    if (present.isEmpty() && !hasAnyTable(m_db))
        return fail(QStringLiteral("题库文件“%1”是空的：其中没有任何数据表。").arg(path));
    if (present.isEmpty())
        return fail(QStringLiteral("题库文件“%1”中缺少数据表“%2”。").arg(path, table));
    for (const QString &field : fields) {
        if (!present.contains(field))
            return fail(QStringLiteral("题库文件“%1”的数据表“%2”中缺少字段“%3”。").arg(path, table, field));
    }

    QStringList quoted;
    for (const QString &field : fields)
        quoted << quotedIdentifier(field);
    const QString select = QStringLiteral("SELECT rowid, %1 FROM %2 ").arg(quoted.join(u", "), quotedIdentifier(table));
    auto prepare = [&](const QString &tail, sqlite3_stmt **statement) {
        return sqlite3_prepare_v2(m_db, (select + tail).toUtf8().constData(), -1, statement, nullptr) == SQLITE_OK;
    };
    if (!prepare(QStringLiteral("ORDER BY rowid LIMIT 1"), &m_first)
        || !prepare(QStringLiteral("WHERE rowid > ?1 ORDER BY rowid LIMIT 1"), &m_next)
        || !prepare(QStringLiteral("ORDER BY rowid DESC LIMIT 1"), &m_last))
        return fail(describeOpenFailure(path));

    m_fields = fields;
    m_pastEnd = false;
    if (!fetch(m_first, false) && !m_pastEnd)
        return fail(describeOpenFailure(path));
    return true;
}

bool RecordCursor::isOpen() const
{
    return m_db != nullptr;
}

void RecordCursor::bind(QWidget *widget, const QString &field)
{
    const int column = int(m_fields.indexOf(field));
    m_bindings.append({widget, column});
    setWidgetText(widget, column >= 0 && column < m_values.size() ? m_values.at(column) : QString());
}

// Runs a one-row query. A row makes it current; no row leaves the cursor past
// the end with the bound widgets as they were. False on no row or an error.
bool RecordCursor::fetch(sqlite3_stmt *statement, bool withRowid)
{
    sqlite3_reset(statement);
    if (withRowid)
        sqlite3_bind_int64(statement, 1, m_rowid);
    const int step = sqlite3_step(statement);
    if (step == SQLITE_DONE) {
        m_pastEnd = true;
        return false;
    }
    if (step != SQLITE_ROW) {
        sqlite3_reset(statement);
        return false;
    }
    const qint64 rowid = sqlite3_column_int64(statement, 0);
    // A damaged file can answer "the row after this one" with this row or an
    // earlier one; moving there would walk in circles. It is a read error.
    if (withRowid && rowid <= m_rowid) {
        sqlite3_reset(statement);
        return false;
    }
    m_rowid = rowid;
    m_values.clear();
    for (int i = 0; i < m_fields.size(); ++i) {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, i + 1));
        m_values << (text ? QString::fromUtf8(text, sqlite3_column_bytes(statement, i + 1)) : QString());
    }
    sqlite3_reset(statement);
    m_pastEnd = false;
    refreshBindings();
    return true;
}

bool RecordCursor::next()
{
    if (!isOpen() || m_pastEnd)
        return false;
    // Stepping off the last row is a move, not a failure.
    return fetch(m_next, true) || m_pastEnd;
}

bool RecordCursor::moveLast()
{
    return isOpen() && fetch(m_last, false);
}

bool RecordCursor::isPastEnd() const
{
    return m_pastEnd;
}

QString RecordCursor::value(const QString &field) const
{
    const qsizetype column = m_fields.indexOf(field);
    return column >= 0 && column < m_values.size() ? m_values.at(column) : QString();
}

void RecordCursor::refreshBindings() const
{
    for (const Binding &binding : m_bindings) {
        if (binding.widget)
            setWidgetText(binding.widget, binding.column >= 0 && binding.column < m_values.size() ? m_values.at(binding.column) : QString());
    }
    if (m_onRefresh)
        m_onRefresh();
}

} // namespace zentrova
