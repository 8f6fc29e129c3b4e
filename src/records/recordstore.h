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
#include "store.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace zentrova {

class RecordStore
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
    // The records waiting to be sent to a centre's server, oldest first;
    // remove() takes one out once the server has it.
    struct Outgoing {
        QUuid uuid;
        Record record;
    };
    std::optional<QList<Outgoing>> outbox();

    // Every record's summary, newest first. A missing file holds no records.
    std::optional<QList<RecordSummary>> summaries();
    // Whole records, newest first.
    std::optional<QList<Record>> records();
    // One whole record; nullopt with error() when there is none of that id.
    std::optional<Record> record(qint64 id);
    bool forEachRecord(const std::function<bool(const QStringList &figureNames, const QStringList &items)> &names,
                       const std::function<bool(const Record &)> &visit, const QString &test = {}, bool items = false);

    bool remove(const QList<qint64> &ids);
    // How many were removed; nullopt with error() when none could be.
    std::optional<int> removeRecords(const QList<qint64> &ids);
    std::optional<int> removeAll();

    // The listing, a page at a time, filtered and sorted on the file's
    // indexes; a row whose index disagrees with its table fails the listing
    // as damage rather than show a wrong value.
    std::optional<QList<RecordSummary>> summaries(const SummaryQuery &query);
    std::optional<int> count(const RecordFilter &filter);
    std::optional<QList<TotalPoint>> totals(const RecordFilter &filter);
    std::optional<StoreFacets> facets();
    // forEachRecord() over the records a filter takes; the number visited.
    std::optional<qint64> forEachRecord(const RecordFilter &filter, bool items, const Store::NamesVisitor &names,
                                        const Store::RecordVisitor &visit);

    // The records a filter takes, oldest first, as the CSV that writeCsv()
    // (recordexport.h) writes of them, byte for byte, but made from the
    // file's own UTF-8 in one large buffer that goes to sink whenever it
    // fills. The number of records written; nullopt where the file failed
    // (error() says why) or sink returned false (error() empty).
    std::optional<qint64> writeCsv(const RecordFilter &filter, bool itemColumns, const Store::ByteSink &sink);

    // Long work stops, failing, once this says so (SQLite's progress handler).
    void setCancelled(std::function<bool()> cancelled) { m_cancelled = std::move(cancelled); }

    // Why the last call failed, in a plain sentence naming the file.
    const QString &error() const { return m_error; }

    // How long a call waits for another copy of the program to finish its
    // write before it gives up.
    void setBusyTimeout(int milliseconds) { m_busyTimeout = milliseconds; }

    // Which file a check found whole, and its change counter then.
    struct FileStamp {
        quint64 device = 0;
        quint64 inode = 0;
        quint32 counter = 0;
        bool operator==(const FileStamp &) const = default;
    };
    // The stamp of the last whole check, shared by the copies of a store
    // (a save on a worker works on a copy), whichever thread they run on.
    class CheckedStamp
    {
    public:
        std::optional<FileStamp> get() const
        {
            std::lock_guard lock(m_mutex);
            return m_stamp;
        }
        void set(const std::optional<FileStamp> &stamp)
        {
            std::lock_guard lock(m_mutex);
            m_stamp = stamp;
        }

    private:
        mutable std::mutex m_mutex;
        std::optional<FileStamp> m_stamp;
    };

private:
    QString m_path;
    std::shared_ptr<CheckedStamp> m_checked = std::make_shared<CheckedStamp>();
    std::function<bool()> m_cancelled;
    QString m_error;
    int m_busyTimeout = 5000;
};

} // namespace zentrova
