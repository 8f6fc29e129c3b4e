// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The module zentrova-server.so: the centre's server over libpq, for the
// counsellor's store (see centre/serversession.h).

#include "centre/pg.h"
#include "centre/pgtransport.h"
#include "centre/serversession.h"

#include <poll.h>

namespace zentrova {

namespace {

class PgRows : public ServerRows
{
public:
    explicit PgRows(pg::Result result)
        : m_result(std::move(result))
    {
    }
    int count() const override { return PQntuples(m_result.get()); }
    bool isNull(int row, int column) const override { return PQgetisnull(m_result.get(), row, column); }
    QByteArray value(int row, int column) const override
    {
        return QByteArray(PQgetvalue(m_result.get(), row, column), PQgetlength(m_result.get(), row, column));
    }

private:
    pg::Result m_result;
};

// The connection and the one way a statement is run on it: sent, then
// waited for in slices, cancelled on the server when the request is
// cancelled or its deadline passes. The server's statement_timeout is the
// deadline too, should the cancel not reach it.
class PgSession : public ServerSession
{
public:
    PgSession(const QString &conninfo, const QString &password, std::chrono::milliseconds deadline)
        : m_conninfo(conninfo.toStdString())
        , m_password(password.toStdString())
        , m_deadline(deadline)
        , m_options("-c statement_timeout=" + std::to_string(deadline.count()))
    {
    }

    // The statement's result; nullptr with context failed where it failed.
    // A statement safe to repeat is repeated once on a new connection where
    // the old one was lost.
    std::unique_ptr<ServerRows> run(RequestContext &context, const QByteArray &sql, const ServerParameters &parameters,
                                    bool repeatable) override
    {
        for (int attempt = 0;; ++attempt) {
            if (!connected(context))
                return nullptr;
            pg::Result result = send(context, sql, parameters);
            if (result && pg::succeeded(result.get()))
                return std::make_unique<PgRows>(std::move(result));
            const bool lost = PQstatus(m_db.get()) != CONNECTION_OK;
            if (lost)
                m_db.reset();
            if (lost && repeatable && attempt == 0 && !context.cancelled() && !m_timedOut)
                continue;
            context.fail(failure(result.get()));
            return nullptr;
        }
    }

    QString transportProblem(bool insecureAllowed) const override
    {
        return conninfoProblem(QString::fromStdString(m_conninfo), insecureAllowed);
    }

    void end(bool commit) override
    {
        if (m_db)
            pg::exec(m_db.get(), commit ? "COMMIT" : "ROLLBACK");
    }

private:
    bool connected(RequestContext &context)
    {
        if (m_db && PQstatus(m_db.get()) == CONNECTION_OK)
            return true;
        m_db = pg::connect(m_conninfo, m_password.empty() ? nullptr : m_password.c_str(), m_options.c_str());
        if (PQstatus(m_db.get()) == CONNECTION_OK)
            return true;
        const QString why = QString::fromStdString(pg::lastError(m_db.get()));
        const bool wantsPassword
            = PQconnectionNeedsPassword(m_db.get()) || (PQconnectionUsedPassword(m_db.get()) && !m_password.empty());
        context.fail(wantsPassword ? QStringLiteral("%1：%2").arg(passwordWanted(), why)
                                   : QStringLiteral("无法连接测评中心的服务器：%1").arg(why));
        m_db.reset();
        return false;
    }

    pg::Result send(RequestContext &context, const QByteArray &sql, const ServerParameters &parameters)
    {
        m_timedOut = false;
        m_cancelled = false;
        std::vector<const char *> values;
        for (const auto &parameter : parameters)
            values.push_back(parameter ? (parameter->isNull() ? "" : parameter->constData()) : nullptr);
        PGconn *db = m_db.get();
        if (!PQsendQueryParams(db, sql.constData(), int(values.size()), nullptr, values.data(), nullptr, nullptr, 0))
            return nullptr;
        const auto deadline = std::chrono::steady_clock::now() + m_deadline;
        bool cancelSent = false;
        while (PQisBusy(db)) {
            if (!cancelSent && (context.cancelled() || std::chrono::steady_clock::now() >= deadline)) {
                m_cancelled = context.cancelled();
                m_timedOut = !m_cancelled;
                if (PGcancel *cancel = PQgetCancel(db)) {
                    char why[256];
                    PQcancel(cancel, why, sizeof why);
                    PQfreeCancel(cancel);
                }
                cancelSent = true;
            }
            pollfd wait {PQsocket(db), POLLIN, 0};
            // Slices short enough that a cancel is noticed at once; after a
            // cancel the server answers at once too, or the line is gone
            // (tcp_user_timeout and the keepalives end it).
            if (::poll(&wait, 1, 100) < 0 || !PQconsumeInput(db))
                break;
        }
        pg::Result last;
        while (PGresult *result = PQgetResult(db)) {
            // The first failure is the one to tell; later results add nothing.
            if (!last || pg::succeeded(last.get()))
                last.reset(result);
            else
                PQclear(result);
        }
        return last;
    }

    QString failure(const PGresult *result) const
    {
        if (m_cancelled)
            return QStringLiteral("请求已取消。");
        if (m_timedOut)
            return QStringLiteral("测评中心的服务器在 %1 秒内没有回答，这次操作已取消。").arg(m_deadline.count() / 1000.0);
        const QString why = QString::fromStdString(pg::lastError(m_db.get()));
        if (!m_db)
            return QStringLiteral("与测评中心服务器的连接断了：%1").arg(why);
        if (pg::sqlState(result) == "42501")
            return QStringLiteral("测评中心的服务器不允许这个登录名这样做：%1").arg(why);
        return QStringLiteral("测评中心的服务器没有完成这个操作：%1").arg(why);
    }

    std::string m_conninfo, m_password;
    std::chrono::milliseconds m_deadline;
    std::string m_options;
    pg::Connection m_db;
    bool m_timedOut = false;
    bool m_cancelled = false;
};

} // namespace

} // namespace zentrova

extern "C" Q_DECL_EXPORT zentrova::ServerSession *zentrova_open_server_session(const QString &conninfo, const QString &password,
                                                                               qint64 deadlineMs)
{
    return new zentrova::PgSession(conninfo, password, std::chrono::milliseconds(deadlineMs));
}
