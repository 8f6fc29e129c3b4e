// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The seat service's local socket, which any user of the seat may use: it
// takes one finished result at a time into the outbox and answers only
// "kept" or a refusal, or starts a send and answers with the count. It never
// tells anything of a kept result. See centre/handin.h for the protocol.
#pragma once

#include "centre/handin.h"
#include "seatd/seatoutbox.h"

#include <QObject>

class QLocalServer;
class QLocalSocket;

namespace zentrova::seatd {

class SenderThread;

class HandInServer : public QObject
{
    Q_OBJECT

public:
    // A send request is answered after the next pass or, at the latest,
    // after answerWithinMs with the count as it stands.
    HandInServer(const QString &stateFolder, SenderThread *sender, int answerWithinMs, QObject *parent = nullptr);

    // Listens at path (a stale socket file there removed), world-writable.
    bool listen(const QString &path);
    // Listens on a socket handed over by systemd.
    bool adopt(int descriptor);
    QString errorString() const;

    // Connections served at once; more are refused until one ends.
    static constexpr int MaxClients = 32;
    // A client that has not sent a whole message by then is let go.
    static constexpr int ClientTimeoutMs = 10000;

Q_SIGNALS:
    void logged(const QString &line, bool warning);

private:
    void accept();
    void read(QLocalSocket *client);
    void answer(QLocalSocket *client, const QJsonObject &reply);
    handin::SendCount countNow() const;

    QLocalServer *m_server;
    SeatOutbox m_outbox;
    SenderThread *m_sender;
    int m_answerWithinMs;
};

} // namespace zentrova::seatd
