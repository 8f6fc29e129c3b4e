// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "handin.h"

#include "centre/personcode.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUuid>
#include <QtEndian>

namespace zentrova::handin {

QByteArray frame(const QJsonObject &message)
{
    const QByteArray body = QJsonDocument(message).toJson(QJsonDocument::Compact);
    QByteArray framed(Magic, 4);
    framed.resize(HeaderSize);
    qToBigEndian(quint32(body.size()), framed.data() + 4);
    return framed + body;
}

Taken take(QByteArray &buffer, QJsonObject *message)
{
    // A wrong first byte is refused at once, not after 8 bytes.
    if (!buffer.startsWith(QByteArray(Magic, qMin<qsizetype>(4, buffer.size()))))
        return Taken::Garbage;
    if (buffer.size() < HeaderSize)
        return Taken::Incomplete;
    const quint32 length = qFromBigEndian<quint32>(buffer.constData() + 4);
    if (length > MaxMessage)
        return Taken::Garbage;
    if (buffer.size() < HeaderSize + qsizetype(length))
        return Taken::Incomplete;
    QJsonParseError error {};
    const QJsonDocument document = QJsonDocument::fromJson(buffer.mid(HeaderSize, length), &error);
    buffer.remove(0, HeaderSize + length);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return Taken::Garbage;
    *message = document.object();
    return Taken::Message;
}

namespace {

bool isPairList(const QJsonValue &value)
{
    if (!value.isArray())
        return false;
    for (const QJsonValue &pair : value.toArray()) {
        const QJsonArray both = pair.toArray();
        if (both.size() != 2 || !both[0].isString() || !both[1].isString())
            return false;
    }
    return true;
}

} // namespace

QString resultProblem(const QJsonObject &result)
{
    const QString refused = QStringLiteral("本机的发送服务不接受这份测评结果：%1。");
    for (const char *field : {"window", "caption", "finished", "verdict", "person", "programVersion", "bankSha256"}) {
        if (!result.value(QLatin1String(field)).isString())
            return refused.arg(QStringLiteral("缺少 %1").arg(QLatin1String(field)));
    }
    if (QUuid::fromString(result.value(QLatin1String("uuid")).toString()).isNull())
        return refused.arg(QStringLiteral("没有有效的编号（uuid）"));
    if (result.value(QLatin1String("window")).toString().isEmpty())
        return refused.arg(QStringLiteral("没有写明是哪个测评"));
    const QDateTime finished = QDateTime::fromString(result.value(QLatin1String("finished")).toString(), Qt::ISODateWithMs);
    if (!finished.isValid() || !result.value(QLatin1String("utcOffset")).isDouble())
        return refused.arg(QStringLiteral("完成时间无效"));
    const QJsonValue elapsed = result.value(QLatin1String("elapsedMinutes"));
    if (!elapsed.isNull() && !elapsed.isUndefined() && !elapsed.isDouble())
        return refused.arg(QStringLiteral("用时无效"));
    // The server files it under this code: never under none or a mistyped one.
    const QString person = result.value(QLatin1String("person")).toString();
    if (!isPersonCode(person.toStdString()) || person.endsWith(u'x'))
        return refused.arg(QStringLiteral("测评码“%1”无效").arg(person));
    if (!isPairList(result.value(QLatin1String("figures"))) || !isPairList(result.value(QLatin1String("answers"))))
        return refused.arg(QStringLiteral("得分或答案的格式有误"));
    return {};
}

QJsonObject SendCount::toJson() const
{
    return {{QStringLiteral("sent"), sent}, {QStringLiteral("waiting"), waiting}, {QStringLiteral("setAside"), setAside},
        {QStringLiteral("problem"), problem}, {QStringLiteral("unreadable"), unreadable}};
}

SendCount SendCount::fromJson(const QJsonObject &reply)
{
    SendCount count;
    count.sent = reply.value(QLatin1String("sent")).toInt(-1);
    count.waiting = reply.value(QLatin1String("waiting")).toInt(-1);
    count.setAside = reply.value(QLatin1String("setAside")).toInt(-1);
    count.problem = reply.value(QLatin1String("problem")).toString();
    count.unreadable = reply.value(QLatin1String("unreadable")).toBool();
    if (count.sent < 0 || count.waiting < 0 || count.setAside < 0)
        count.problem = QStringLiteral("本机的发送服务的回答无法理解。");
    return count;
}

QString SendCount::sentence() const
{
    // Never "0 waiting" for an outbox nobody could look into.
    if (unreadable)
        return QStringLiteral("不知道有多少测评结果等待发送：%1").arg(problem);
    QString text = QStringLiteral("已送出 %1 条测评结果，还有 %2 条等待发送").arg(sent).arg(waiting);
    if (setAside > 0)
        text += QStringLiteral("，%1 条被搁置（服务器拒收或已损坏，请告诉管理员）").arg(setAside);
    text += QStringLiteral("。");
    if (!problem.isEmpty())
        text += problem;
    return text;
}

} // namespace zentrova::handin
