// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The seat service's connection to the centre's server. Every call has a
// deadline that holds whatever the network does: the connection is made and
// the statement awaited without blocking, the server is told to give up
// (statement_timeout, set here), the kernel to give up on a dead peer
// (tcp_user_timeout, keepalives), and at the deadline the statement is
// cancelled and the connection dropped. A connection is made when there is
// something to send and dropped when asked (after a short idle time).
#pragma once

#include "centre/pg.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

namespace zentrova::seatd {

struct LinkSettings {
    QString conninfo;      // the centre file's connection=
    QByteArray password;   // the seat's, from its credential
    QString seatName;      // the centre file's name=
    bool insecureTransport = false;
    int deadlineMs = 10000; // of one call, the connection included
};

class ServerLink
{
public:
    explicit ServerLink(LinkSettings settings);
    ~ServerLink();
    ServerLink(const ServerLink &) = delete;
    ServerLink &operator=(const ServerLink &) = delete;

    enum class Outcome {
        Sent,    // the server has it, now or from before
        Refused, // the server will never take it (a constraint, its own refusal)
        Wait     // the server or the network cannot now: try again later
    };
    struct Answer {
        Outcome outcome;
        QString why; // for the log; empty when sent
        bool connectionLost = false; // rather than a deadline passed or a refusal
    };

    // Hands in one result (see handin::resultProblem()); safe to repeat,
    // the server keeps a uuid once. A connection lost on the way is made
    // again once and the call repeated.
    Answer submit(const QJsonObject &result);

    // Why the centre file's connection may not be used (its transport), in
    // one sentence; empty when it may. Sends nothing.
    QString transportProblem() const;

    bool isConnected() const { return bool(m_db); }
    void disconnect() { m_db.reset(); }

    // How a failed statement's SQLSTATE and message count: only a
    // constraint or the server's own refusal is for good.
    static Outcome classify(const std::string &sqlState, const QString &message);

private:
    struct Deadline;
    pg::Connection start() const;
    QString connect(const Deadline &deadline);
    Answer call(const QJsonObject &result, const Deadline &deadline);
    bool waitFor(bool forWriting, const Deadline &deadline) const;
    void cancel();

    LinkSettings m_settings;
    pg::Connection m_db;
};

} // namespace zentrova::seatd
