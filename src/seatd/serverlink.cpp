// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "serverlink.h"

#include "centre/centrefile.h"
#include "centre/pgtransport.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonArray>

#include <cerrno>
#include <poll.h>
#include <thread>

namespace zentrova::seatd {

struct ServerLink::Deadline {
    explicit Deadline(int milliseconds)
        : total(milliseconds)
    {
        clock.start();
    }
    int remaining() const { return int(qMax<qint64>(0, total - clock.elapsed())); }
    int total;
    QElapsedTimer clock;
};

namespace {

QByteArray pairs(const QJsonValue &list)
{
    std::vector<std::string> elements;
    for (const QJsonValue &pair : list.toArray()) {
        for (const QJsonValue &part : pair.toArray())
            elements.push_back(part.toString().toStdString());
    }
    return QByteArray::fromStdString(pg::textArray(elements));
}

} // namespace

ServerLink::ServerLink(LinkSettings settings)
    : m_settings(std::move(settings))
{
}

ServerLink::~ServerLink() = default;

ServerLink::Outcome ServerLink::classify(const std::string &sqlState, const QString &message)
{
    // Data the server will never take (class 22), a constraint (23), or the
    // server's own refusal (RAISE EXCEPTION, P0001, unless it asks for a
    // later try). Everything else, a full server (53300), a shutdown, a lost
    // connection, a lock or a login without the right, may pass.
    if (sqlState.starts_with("22") || sqlState.starts_with("23"))
        return Outcome::Refused;
    if (sqlState == "P0001")
        return message.contains(QStringLiteral("try again"), Qt::CaseInsensitive) ? Outcome::Wait : Outcome::Refused;
    return Outcome::Wait;
}

QString ServerLink::transportProblem() const
{
    // A service file is checked again once the connection has read it.
    return conninfoProblem(m_settings.conninfo, m_settings.insecureTransport);
}

pg::Connection ServerLink::start() const
{
    // Set after the connection string, so that it cannot lift them: the
    // kernel gives up on a peer that stops acknowledging, keepalives find one
    // that is gone, and the server ends a statement before the deadline.
    const QByteArray conninfo = m_settings.conninfo.toUtf8();
    const QByteArray deadline = QByteArray::number(m_settings.deadlineMs);
    const QByteArray connectSeconds = QByteArray::number(qMax(2, (m_settings.deadlineMs + 999) / 1000));
    const QByteArray options = "-c statement_timeout=" + QByteArray::number(qMax(1, m_settings.deadlineMs * 4 / 5));
    const char *keys[] = {"dbname", "keepalives", "keepalives_idle", "keepalives_interval", "keepalives_count", "tcp_user_timeout",
        "connect_timeout", "options", "client_encoding", "application_name", "password", nullptr};
    const char *values[] = {conninfo.constData(), "1", "5", "2", "2", deadline.constData(), connectSeconds.constData(),
        options.constData(), "UTF8", "zentrova-seatd", m_settings.password.isEmpty() ? nullptr : m_settings.password.constData(),
        nullptr};
    return pg::Connection(PQconnectStartParams(keys, values, 1));
}

bool ServerLink::waitFor(bool forWriting, const Deadline &deadline) const
{
    pollfd descriptor {PQsocket(m_db.get()), short(forWriting ? POLLOUT : POLLIN), 0};
    for (;;) {
        const int ready = ::poll(&descriptor, 1, deadline.remaining());
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

QString ServerLink::connect(const Deadline &deadline)
{
    m_db = start();
    if (!m_db || PQstatus(m_db.get()) == CONNECTION_BAD) {
        const QString why = QString::fromStdString(pg::lastError(m_db.get()));
        m_db.reset();
        return QStringLiteral("无法连接测评中心的服务器：%1").arg(why);
    }
    // Now with the service file and the environment applied, before a byte
    // of the login goes out.
    PQconninfoOption *effective = PQconninfo(m_db.get());
    const QString refused = zentrova::transportProblem(transportOf(effective), m_settings.insecureTransport);
    PQconninfoFree(effective);
    if (!refused.isEmpty()) {
        m_db.reset();
        return refused;
    }
    for (PostgresPollingStatusType status = PGRES_POLLING_WRITING;;) {
        if (status == PGRES_POLLING_OK)
            return {};
        if (status == PGRES_POLLING_FAILED)
            break;
        if (!waitFor(status == PGRES_POLLING_WRITING, deadline)) {
            m_db.reset();
            return QStringLiteral("测评中心的服务器在 %1 毫秒内没有接受连接。").arg(deadline.total);
        }
        status = PQconnectPoll(m_db.get());
    }
    // A server full of connections (53300) fails here too: it is waited for
    // like any other.
    const QString why = QString::fromStdString(pg::lastError(m_db.get()));
    m_db.reset();
    return QStringLiteral("无法连接测评中心的服务器：%1").arg(why);
}

void ServerLink::cancel()
{
    // PQcancel opens a connection of its own and blocks; a peer that has
    // gone silent must not hold the sender, so it runs apart, on its own.
    PGcancel *request = PQgetCancel(m_db.get());
    m_db.reset();
    if (!request)
        return;
    std::thread([request] {
        char error[256];
        PQcancel(request, error, sizeof error);
        PQfreeCancel(request);
    }).detach();
}

ServerLink::Answer ServerLink::call(const QJsonObject &result, const Deadline &deadline)
{
    const auto field = [&](const char *name) { return result.value(QLatin1String(name)).toString().toUtf8(); };
    const QJsonValue elapsed = result.value(QLatin1String("elapsedMinutes"));
    const QByteArray parameters[] = {field("uuid"), field("window"), field("caption"), field("finished"),
        QByteArray::number(result.value(QLatin1String("utcOffset")).toInt()),
        elapsed.isDouble() ? QByteArray::number(elapsed.toInt()) : QByteArray(), field("verdict"), field("person"),
        m_settings.seatName.toUtf8(), field("programVersion"), field("bankSha256"), pairs(result.value(QLatin1String("figures"))),
        pairs(result.value(QLatin1String("answers")))};
    const char *values[std::size(parameters)];
    for (size_t i = 0; i < std::size(parameters); ++i)
        values[i] = parameters[i].constData();
    if (!elapsed.isDouble())
        values[5] = nullptr;
    // An empty text is '', never NULL.
    for (size_t i = 0; i < std::size(parameters); ++i) {
        if (i != 5 && parameters[i].isNull())
            values[i] = "";
    }

    const auto lost = [this](const QString &what) {
        const QString why = QString::fromStdString(pg::lastError(m_db.get()));
        m_db.reset();
        return Answer {Outcome::Wait, what + why, true};
    };
    PGconn *db = m_db.get();
    if (PQsetnonblocking(db, 1) != 0
        || !PQsendQueryParams(db, "SELECT zentrova.submit_record_v1($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13)",
            int(std::size(parameters)), nullptr, values, nullptr, nullptr, 0))
        return lost(QStringLiteral("与测评中心服务器的连接已断开："));
    for (int flushed; (flushed = PQflush(db)) != 0;) {
        if (flushed < 0)
            return lost(QStringLiteral("与测评中心服务器的连接已断开："));
        if (!waitFor(true, deadline)) {
            cancel();
            return {Outcome::Wait, QStringLiteral("测评中心的服务器在 %1 毫秒内没有接收。").arg(deadline.total)};
        }
    }
    while (PQisBusy(db)) {
        if (!waitFor(false, deadline)) {
            cancel();
            return {Outcome::Wait, QStringLiteral("测评中心的服务器在 %1 毫秒内没有回答。").arg(deadline.total)};
        }
        if (!PQconsumeInput(db))
            return lost(QStringLiteral("与测评中心服务器的连接已断开："));
    }
    pg::Result first(PQgetResult(db));
    while (pg::Result(PQgetResult(db))) {
    }
    if (pg::succeeded(first.get()))
        return {Outcome::Sent, {}};
    const std::string state = pg::sqlState(first.get());
    const QString message = QString::fromUtf8(first ? PQresultErrorMessage(first.get()) : "").trimmed();
    if (PQstatus(db) != CONNECTION_OK || state.empty())
        return lost(QStringLiteral("与测评中心服务器的连接已断开："));
    return {classify(state, message), QStringLiteral("测评中心的服务器没有收下（%1）：%2").arg(QString::fromStdString(state), message)};
}

ServerLink::Answer ServerLink::submit(const QJsonObject &result)
{
    const bool reused = isConnected();
    for (int attempt = 0;; ++attempt) {
        const Deadline deadline(m_settings.deadlineMs);
        if (!isConnected()) {
            if (const QString why = connect(deadline); !why.isEmpty())
                return {Outcome::Wait, why};
        }
        const Answer answer = call(result, deadline);
        // A connection kept from before may have been closed meanwhile (a
        // server restart): made again once, and the call repeated.
        if (!answer.connectionLost || !reused || attempt > 0)
            return answer;
    }
}

} // namespace zentrova::seatd
