// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The user's record file: a SQLite database of finished tests, private to the
// user (0600 in a 0700 folder), marked as ours with an application id so that
// no other file is ever written by mistake. Every call opens the file, does
// its work in one transaction and closes it again, so that two running copies
// of the program can both save; a file that is not ours, damaged, locked or
// unwritable is left exactly as it was, and error() says why in plain words.
#pragma once

#include "record.h"
#include "recordsource.h"
#include "store.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <functional>
#include <optional>

class QObject;

namespace zentrova {

class RecordStore : public RecordSource
{
public:
    // The record file of this run: the one given to setDefaultPath(), or else
    // the one in the user's data folder ($XDG_DATA_HOME/zentrova/records.db).
    static QString defaultPath();
    // A record file of the user's choosing (--records) in place of the one in
    // the data folder; empty goes back to that one.
    static void setDefaultPath(const QString &path);

    explicit RecordStore(QString path = defaultPath());

    const QString &path() const { return m_path; }

    // Stores a record, creating the file and its folder on first use; returns
    // its id. With an outbox uuid, the record waits there, in the same
    // transaction, to be sent to a centre's server.
    std::optional<qint64> add(const Record &record, const QUuid &outbox = {});
    // add() on a worker thread, so that no window waits for the disk: a write
    // that survives a power cut takes several flushes, each some milliseconds
    // on a slow disk. done then runs on context's thread with the id, or with
    // nullopt and what error() would say; not at all if context is gone.
    void addInBackground(const Record &record, QObject *context,
                         std::function<void(std::optional<qint64> id, const QString &error)> done, const QUuid &outbox = {}) const;

    // The records waiting to be sent to a centre's server, oldest first;
    // remove() takes one out once the server has it.
    struct Outgoing {
        QUuid uuid;
        Record record;
    };
    std::optional<QList<Outgoing>> outbox();

    // Every record's summary, newest first. A missing file holds no records.
    std::optional<QList<RecordSummary>> summaries() override;
    // Whole records, newest first.
    std::optional<QList<Record>> records();
    // One whole record; nullopt with error() when there is none of that id.
    std::optional<Record> record(qint64 id) override;
    bool forEachRecord(const std::function<bool(const QStringList &figureNames, const QStringList &items)> &names,
                       const std::function<bool(const Record &)> &visit, const QString &test = {}, bool items = false) override;

    bool remove(const QList<qint64> &ids) override;
    bool removeAll();

    // Why the last call failed, in a plain sentence naming the file.
    const QString &error() const override { return m_error; }

    // How long a call waits for another copy of the program to finish its
    // write before it gives up.
    void setBusyTimeout(int milliseconds) { m_busyTimeout = milliseconds; }

private:
    QString m_path;
    QString m_error;
    int m_busyTimeout = 5000;
};

} // namespace zentrova
