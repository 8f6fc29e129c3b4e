// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The centre's server as the counsellor's store talks to it: statements on
// one connection, each bounded by a deadline and cancelled on the server
// when its request is. Implemented by the module zentrova-server.so, which
// alone links libpq: the program loads it, the way Qt loads its SQL
// drivers, only at a counsellor's computer, so that no other start maps
// libpq and the Kerberos, LDAP and TLS libraries it brings.
#pragma once

#include "records/storerequest.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

namespace zentrova {

// A statement's rows, each value as the server's text.
class ServerRows
{
public:
    virtual ~ServerRows() = default;
    virtual int count() const = 0;
    virtual bool isNull(int row, int column) const = 0;
    virtual QByteArray value(int row, int column) const = 0;

    QString text(int row, int column) const { return QString::fromUtf8(value(row, column)); }
    qint64 integer(int row, int column) const { return value(row, column).toLongLong(); }
};

using ServerParameters = std::vector<std::optional<QByteArray>>; // nullopt: NULL

class ServerSession
{
public:
    virtual ~ServerSession() = default;
    // The statement's rows; nullptr, with context failed and why, where it
    // failed. One safe to repeat (repeatable) is made once more on a new
    // connection where the old one was lost.
    virtual std::unique_ptr<ServerRows> run(RequestContext &context, const QByteArray &sql, const ServerParameters &parameters = {},
                                            bool repeatable = true)
        = 0;
    // Ends a transaction the request began, whether or not it was cancelled.
    virtual void end(bool commit) = 0;
    // Why the connection may not go the way its string says (TCP without a
    // verified server, unless insecureAllowed), in a sentence; empty when it may.
    virtual QString transportProblem(bool insecureAllowed) const = 0;

    // How a failure for want of a (right) password begins, so that the
    // counsellor can be asked for one.
    static QString passwordWanted() { return QStringLiteral("测评中心的服务器要求密码"); }
};

// The module's one entry point, looked up by this name.
using OpenServerSession = ServerSession *(const QString &conninfo, const QString &password, qint64 deadlineMs);
inline constexpr char OpenServerSessionName[] = "zentrova_open_server_session";

// Loads the module from beside the program (or the file setServerModule()
// named) and opens a session; nullptr and why where it cannot.
std::unique_ptr<ServerSession> openServerSession(const QString &conninfo, const QString &password, std::chrono::milliseconds deadline,
                                                 QString *why);
// The module's file in place of the one beside the program (tests).
void setServerModule(const QString &path);

} // namespace zentrova
