// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "handinserver.h"

#include "seatd/sender.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

namespace zentrova::seatd {

namespace {

QJsonObject refusal(const QString &sentence)
{
    return {{QStringLiteral("refused"), sentence}};
}

} // namespace

HandInServer::HandInServer(const QString &stateFolder, SenderThread *sender, int answerWithinMs, QObject *parent)
    : QObject(parent)
    , m_server(new QLocalServer(this))
    , m_outbox(stateFolder)
    , m_sender(sender)
    , m_answerWithinMs(answerWithinMs)
{
    m_server->setSocketOptions(QLocalServer::WorldAccessOption);
    m_server->setMaxPendingConnections(MaxClients);
    connect(m_server, &QLocalServer::newConnection, this, &HandInServer::accept);
}

bool HandInServer::listen(const QString &path)
{
    QLocalServer::removeServer(path);
    return m_server->listen(path);
}

bool HandInServer::adopt(int descriptor)
{
    return m_server->listen(qintptr(descriptor));
}

QString HandInServer::errorString() const
{
    return m_server->errorString();
}

void HandInServer::accept()
{
    while (QLocalSocket *client = m_server->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        if (findChildren<QLocalSocket *>().size() > MaxClients) {
            answer(client, refusal(QStringLiteral("本机的发送服务正忙，请稍后再交。")));
            client->disconnectFromServer();
            continue;
        }
        // A client that says nothing is let go; one message per timeout.
        auto *timeout = new QTimer(client);
        timeout->setSingleShot(true);
        timeout->start(ClientTimeoutMs);
        connect(timeout, &QTimer::timeout, client, [client] { client->disconnectFromServer(); });
        connect(client, &QLocalSocket::readyRead, this, [this, client] { read(client); });
        read(client);
    }
}

void HandInServer::read(QLocalSocket *client)
{
    QByteArray buffer = client->property("buffer").toByteArray() + client->readAll();
    QJsonObject message;
    switch (handin::take(buffer, &message)) {
    case handin::Taken::Incomplete:
        client->setProperty("buffer", buffer);
        return;
    case handin::Taken::Garbage:
        emit logged(QStringLiteral("一个连接送来的不是测评结果，已断开。"), true);
        answer(client, refusal(QStringLiteral("本机的发送服务无法理解送来的内容。")));
        client->disconnectFromServer();
        return;
    case handin::Taken::Message:
        break;
    }
    // One message per connection; anything after it is not read.
    client->setProperty("buffer", QByteArray());
    disconnect(client, &QLocalSocket::readyRead, this, nullptr);
    if (message.value(QLatin1String("send")).toBool() && message.size() == 1) {
        const handin::SendCount before = countNow();
        QPointer<QLocalSocket> waiting(client);
        auto answered = std::make_shared<bool>(false);
        const auto reply = [this, waiting, answered](const handin::SendCount &count) {
            if (*answered || !waiting)
                return;
            *answered = true;
            answer(waiting, count.toJson());
            waiting->disconnectFromServer();
        };
        client->findChild<QTimer *>()->stop();
        m_sender->sendSoon(this, reply);
        // A pass that takes longer is still honest: what has left the
        // outbox and what is in it now.
        QTimer::singleShot(m_answerWithinMs, client, [this, before, reply] {
            handin::SendCount now = countNow();
            now.sent = qMax(0, before.waiting - now.waiting - qMax(0, now.setAside - before.setAside));
            now.problem += QStringLiteral("发送仍在进行，尚未完成。");
            reply(now);
        });
        return;
    }
    const QJsonObject result = message.value(QLatin1String("keep")).toObject();
    QString problem = message.size() == 1 && message.value(QLatin1String("keep")).isObject()
        ? handin::resultProblem(result)
        : QStringLiteral("本机的发送服务无法理解送来的内容。");
    if (problem.isEmpty()) {
        problem = m_outbox.keep(result);
        if (!problem.isEmpty()) {
            emit logged(problem, true);
            problem = QStringLiteral("本机的发送服务无法保存这份测评结果：%1").arg(problem);
        }
    }
    if (problem.isEmpty()) {
        answer(client, {{QStringLiteral("kept"), true}});
        m_sender->sendSoon();
    } else {
        answer(client, refusal(problem));
    }
    client->disconnectFromServer();
}

void HandInServer::answer(QLocalSocket *client, const QJsonObject &reply)
{
    client->write(handin::frame(reply));
    client->flush();
}

handin::SendCount HandInServer::countNow() const
{
    handin::SendCount count;
    const auto waiting = m_outbox.waitingCount();
    const auto setAside = m_outbox.setAsideCount();
    count.waiting = waiting.value_or(0);
    count.setAside = setAside.value_or(0);
    if (!waiting || !setAside) {
        count.unreadable = true;
        count.problem = QStringLiteral("无法读取发送服务的待发文件夹“%1”。").arg(m_outbox.outboxFolder());
    }
    return count;
}

} // namespace zentrova::seatd
