// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "centrestore.h"

#include "centre/offthreadsource.h"
#include "centre/serversession.h"
#include "centre/terminal.h"

#include <QCoreApplication>

namespace zentrova {

namespace {

// The password the counsellor gave in this run.
QString &givenPassword()
{
    static QString password;
    return password;
}

} // namespace

CentreStore::CentreStore(const Centre &centre, PasswordAsker ask)
    : m_centre(centre)
    , m_ask(std::move(ask))
    , m_store(std::make_unique<ServerStore>(centre.connection, givenPassword(), centre.insecureTransport))
{
}

template<typename T> std::optional<T> CentreStore::call(const std::function<StoreReply<T> *(ServerStore &)> &request)
{
    for (bool asked = false;; asked = true) {
        StoreReply<T> *reply = request(*m_store);
        reply->waitForDone();
        m_error = reply->error();
        std::optional<T> value;
        if (m_error.isEmpty())
            value = reply->value();
        // Only now delivered, and so deleted, where an event loop runs (this
        // thread may have none).
        reply->moveToThread(QCoreApplication::instance()->thread());
        if (value)
            return value;
        if (asked || !m_error.startsWith(ServerSession::passwordWanted()) || !m_ask)
            return std::nullopt;
        const std::optional<QString> password = m_ask(QStringLiteral("请输入测评中心服务器的密码（%1）：").arg(m_centre.connection));
        if (!password)
            return std::nullopt;
        givenPassword() = *password;
        m_store = std::make_unique<ServerStore>(m_centre.connection, *password, m_centre.insecureTransport);
    }
}

std::optional<QList<RecordSummary>> CentreStore::summaries()
{
    return call<QList<RecordSummary>>([](ServerStore &store) { return store.summaries({}); });
}

bool CentreStore::forEachRecord(const std::function<bool(const QStringList &, const QStringList &)> &names,
                                const std::function<bool(const Record &)> &visit, const QString &test, bool items)
{
    // A walk that names or visit stopped is no error, but did not finish.
    bool stopped = false;
    RecordFilter filter;
    filter.test = test;
    const auto walked = call<qint64>([&](ServerStore &store) {
        return store.forEachRecord(
            filter, items,
            [&](const QStringList &figureNames, const QStringList &itemNames) {
                stopped = !names(figureNames, itemNames);
                return !stopped;
            },
            [&](const Record &record) {
                stopped = !visit(record);
                return !stopped;
            });
    });
    return walked && !stopped;
}

std::optional<Record> CentreStore::record(qint64 id)
{
    return call<Record>([id](ServerStore &store) { return store.record(id); });
}

bool CentreStore::remove(const QList<qint64> &ids)
{
    return call<int>([&ids](ServerStore &store) { return store.remove(ids); }).has_value();
}

void useCentreStore(const Centre &centre, PasswordAsker ask, bool offThread)
{
    RecordSource::setOpener([centre, ask, offThread]() -> std::unique_ptr<RecordSource> {
        auto store = std::make_unique<CentreStore>(centre, ask);
        if (offThread)
            return std::make_unique<OffThreadSource>(std::move(store));
        return store;
    });
}

std::optional<QString> askPasswordOnTerminal(const QString &prompt)
{
    const auto password = askOnTerminal(prompt.toStdString(), false);
    if (!password)
        return std::nullopt;
    return QString::fromStdString(*password);
}

} // namespace zentrova
