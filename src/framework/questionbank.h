// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The question bank: a read-only SQLite file "Lumvex.mdb" beside the program,
// one table per test, read one row at a time through a RecordCursor.
#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QWidget;
struct sqlite3;
struct sqlite3_stmt;

namespace zentrova {

inline constexpr auto BankFileName = "Lumvex.mdb";

// The bank's path in a folder: one separator between them, none added when
// the folder already ends in one (a filesystem root).
QString bankPathIn(const QString &folder);

// The folder the program runs from (not the working directory); tests may
// point it elsewhere.
QString programFolder();
void setProgramFolder(const QString &folder);

// A bank file of the user's choosing in place of the one in the program
// folder; empty goes back to that one. It is opened exactly like the shipped
// bank: read-only, and never created.
void setBankFile(const QString &file);

// The bank's path for this run of the program.
QString bankPath();

// Keeps a database file from acting on its own: its views and triggers may
// call only harmless functions, and no statement writes its schema. For every
// connection the program opens, the bank's and the record file's.
void distrustSchema(sqlite3 *db);

// A forward-only cursor over one table in rowid order. Opening and moving read
// one row each, whatever the size of the table. Bound widgets show the fields
// of the current row and are refreshed on every move; NULL shows as empty.
class RecordCursor
{
public:
    RecordCursor();
    ~RecordCursor();
    RecordCursor(const RecordCursor &) = delete;
    RecordCursor &operator=(const RecordCursor &) = delete;

    // Opens the table read-only and stands on its first row. On failure the
    // cursor stays closed and errorText names the file and what is wrong.
    bool open(const QString &path, const QString &table, const QStringList &fields, QString *errorText);
    bool isOpen() const;

    // Shows field in widget (a label, line edit or text edit) from now on.
    void bind(QWidget *widget, const QString &field);

    // Runs after each refresh of the bound widgets, for whatever follows
    // their texts.
    void setOnRefresh(std::function<void()> onRefresh) { m_onRefresh = std::move(onRefresh); }

    // Each returns false when it cannot be done: cursor closed, no current
    // row to move from, empty table, or a read error.
    bool next();
    bool moveLast();

    // True when there is no current row: past the last one, or an empty table.
    bool isPastEnd() const;

    QString value(const QString &field) const;

private:
    bool fetch(sqlite3_stmt *statement, bool withRowid);
    void refreshBindings() const;
    void close();

    struct Binding {
        QPointer<QWidget> widget;
        int column;
    };

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_first = nullptr;
    sqlite3_stmt *m_next = nullptr;
    sqlite3_stmt *m_last = nullptr;
    QStringList m_fields;
    QStringList m_values;
    qint64 m_rowid = 0;
    bool m_pastEnd = true;
    QList<Binding> m_bindings;
    std::function<void()> m_onRefresh;
};

// Identifier quoted for SQL: wrapped in double quotes, inner ones doubled.
QString quotedIdentifier(const QString &name);

} // namespace zentrova
