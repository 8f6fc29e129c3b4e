// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "centreclient.h"

#include <QDateTime>

namespace zentrova {

namespace {

// A text[] literal of names and values in turn: {"总分","23"}.
QByteArray pairsArray(const auto &pairs, auto first, auto second)
{
    QByteArray literal = "{";
    auto add = [&](const QString &text) {
        if (literal.size() > 1)
            literal += ',';
        QByteArray element = text.toUtf8();
        element.replace('\\', "\\\\").replace('"', "\\\"");
        literal += '"' + element + '"';
    };
    for (const auto &pair : pairs) {
        add(pair.*first);
        add(pair.*second);
    }
    return literal + '}';
}

} // namespace

CentreClient::CentreClient(QString conninfo, QString password)
    : m_conninfo(std::move(conninfo))
    , m_password(std::move(password))
{
}

bool CentreClient::connected()
{
    m_error.clear();
    m_needsPassword = false;
    if (m_db && PQstatus(m_db.get()) == CONNECTION_OK)
        return true;
    const QByteArray password = m_password.toUtf8();
    m_db = pg::connect(m_conninfo.toStdString(), m_password.isEmpty() ? nullptr : password.constData());
    if (PQstatus(m_db.get()) == CONNECTION_OK)
        return true;
    m_needsPassword = PQconnectionNeedsPassword(m_db.get()) || (PQconnectionUsedPassword(m_db.get()) && !m_password.isEmpty());
    m_error = QStringLiteral("无法连接测评中心的服务器：%1").arg(QString::fromStdString(pg::lastError(m_db.get())));
    m_db.reset();
    return false;
}

pg::Result CentreClient::run(const QByteArray &sql, const std::vector<std::optional<QByteArray>> &parameters)
{
    // An empty text is '', never NULL: only nullopt is.
    std::vector<const char *> values;
    for (const std::optional<QByteArray> &parameter : parameters)
        values.push_back(parameter ? (parameter->isNull() ? "" : parameter->constData()) : nullptr);
    return pg::Result(PQexecParams(m_db.get(), sql.constData(), int(values.size()), nullptr, values.data(), nullptr, nullptr, 0));
}

bool CentreClient::failed(const PGresult *result)
{
    const std::string state = pg::sqlState(result);
    const QString why = QString::fromStdString(pg::lastError(m_db.get()));
    if (state == "42501")
        m_error = QStringLiteral("测评中心的服务器不允许这个登录名这样做：%1").arg(why);
    else
        m_error = QStringLiteral("测评中心的服务器没有完成这个操作：%1").arg(why);
    if (PQstatus(m_db.get()) != CONNECTION_OK)
        m_db.reset();
    return false;
}

bool CentreClient::submit(const QUuid &uuid, const Record &record, const QString &seatName)
{
    if (!connected())
        return false;
    const pg::Result result = run("SELECT zentrova.submit_record_v1($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13)",
        {uuid.toString(QUuid::WithoutBraces).toUtf8(), record.window.toUtf8(), record.caption.toUtf8(),
            record.finished.toString(Qt::ISODateWithMs).toUtf8(), QByteArray::number(record.finished.offsetFromUtc()),
            record.elapsedMinutes ? std::optional(QByteArray::number(*record.elapsedMinutes)) : std::nullopt, record.verdict.toUtf8(),
            record.person.toUtf8(), seatName.toUtf8(), record.programVersion.toUtf8(), record.bankSha256.toUtf8(),
            pairsArray(record.figures, &ShownResult::Figure::name, &ShownResult::Figure::value),
            pairsArray(record.answers, &ShownResult::Answer::item, &ShownResult::Answer::answer)});
    return pg::succeeded(result.get()) || failed(result.get());
}

} // namespace zentrova
