// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "centrestore.h"

#include "centre/offthreadsource.h"
#include "centre/terminal.h"

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
    , m_client(std::make_unique<CentreClient>(centre.connection, givenPassword()))
{
}

template<typename Call> auto CentreStore::withPassword(Call call) -> decltype(call())
{
    auto result = call();
    if (result || !m_client->needsPassword() || !m_ask)
        return result;
    const std::optional<QString> password = m_ask(QStringLiteral("请输入测评中心服务器的密码（%1）：").arg(m_centre.connection));
    if (!password)
        return result;
    givenPassword() = *password;
    m_client = std::make_unique<CentreClient>(m_centre.connection, *password);
    return call();
}

std::optional<QList<RecordSummary>> CentreStore::summaries()
{
    return withPassword([this] { return m_client->summaries(); });
}

bool CentreStore::forEachRecord(const std::function<bool(const QStringList &, const QStringList &)> &names,
                                const std::function<bool(const Record &)> &visit, const QString &test, bool items)
{
    return withPassword([&] { return m_client->forEachRecord(names, visit, test, items); });
}

std::optional<Record> CentreStore::record(qint64 id)
{
    return withPassword([this, id] { return m_client->record(id); });
}

bool CentreStore::remove(const QList<qint64> &ids)
{
    return withPassword([this, &ids] { return m_client->remove(ids); });
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
