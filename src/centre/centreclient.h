// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A centre's server as the program speaks to it: a seat hands in a record;
// a counsellor lists, reads and removes the centre's records. What each may
// do is the server's own rule (roles, views, functions); a refusal comes back
// as a sentence in error(). Every call may wait for the network: never call
// it on the GUI thread. Keeps one connection open between calls, made again
// when it is lost.
#pragma once

#include "centre/pg.h"
#include "records/recordstore.h"

#include <QString>
#include <QStringList>
#include <QUuid>

#include <functional>

namespace zentrova {

class CentreClient
{
public:
    // conninfo: a libpq connection string or "service=NAME"; password, where
    // not empty, in place of libpq's own sources (a counsellor's, asked).
    explicit CentreClient(QString conninfo, QString password = {});

    // Hands in a record under uuid, from the seat named seatName; true once
    // the server has it, whether it came now or earlier.
    bool submit(const QUuid &uuid, const Record &record, const QString &seatName);

    // A counsellor's: every record's summary, newest first, with the name
    // the roster gives its 测评码.
    std::optional<QList<RecordSummary>> summaries();
    // Every whole record, oldest first, as RecordSource::forEachRecord():
    // PageSize records at a time from one snapshot.
    static constexpr int PageSize = 1000;
    bool forEachRecord(const std::function<bool(const QStringList &figureNames, const QStringList &items)> &names,
                       const std::function<bool(const Record &)> &visit, const QString &test = {}, bool items = false);
    // One whole record.
    std::optional<Record> record(qint64 id);
    // Deletes records; the server notes who deleted what.
    bool remove(const QList<qint64> &ids);

    // Why the last call failed, in a plain sentence.
    const QString &error() const { return m_error; }
    // Whether it failed for want of a (right) password.
    bool needsPassword() const { return m_needsPassword; }

    // What a record whose 测评码 the roster lacks shows in place of a name.
    static QString unknownPerson(const QString &code);

private:
    bool connected();
    pg::Result run(const QByteArray &sql, const std::vector<std::optional<QByteArray>> &parameters = {});
    bool failed(const PGresult *result);
    // The records of rows (ListColumns, then the program version and the
    // bank's SHA-256) with their figures and answers.
    std::optional<QList<Record>> withDetails(const pg::Result &rows);

    QString m_conninfo;
    QString m_password;
    pg::Connection m_db;
    QString m_error;
    bool m_needsPassword = false;
};

} // namespace zentrova
