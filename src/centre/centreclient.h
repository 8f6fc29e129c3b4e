// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A centre's server as a seat speaks to it: a seat hands in a record (a
// counsellor's computer reads through ServerStore). What a seat may do is
// the server's own rule; a refusal comes back as a sentence in error().
// Every call may wait for the network: never call it on the GUI thread.
// Keeps one connection open between calls, made again when it is lost.
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

    // Why the last call failed, in a plain sentence.
    const QString &error() const { return m_error; }
    // Whether it failed for want of a (right) password.
    bool needsPassword() const { return m_needsPassword; }


private:
    bool connected();
    pg::Result run(const QByteArray &sql, const std::vector<std::optional<QByteArray>> &parameters = {});
    bool failed(const PGresult *result);

    QString m_conninfo;
    QString m_password;
    pg::Connection m_db;
    QString m_error;
    bool m_needsPassword = false;
};

} // namespace zentrova
