// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A seat's outbox: every finished result is first kept in the record file
// with a uuid and an outbox entry (one transaction), then sent; only when the
// server confirms it (new, or there already) are the record and its entry
// deleted. Killed at any point, the program loses nothing and the server
// keeps nothing twice.
#pragma once

#include "centre/centrefile.h"

#include <QObject>
#include <QString>

class QThread;
class QTimer;

namespace zentrova {

class CentreClient;
class RecordStore;

struct SendOutcome {
    int sent = 0; // confirmed by the server and deleted here
    int waiting = 0; // still in the outbox
    QString error; // why some still wait
};

// Sends what waits in store's outbox, oldest first, stopping at the first
// failure. Waits for the network: never on the GUI thread.
SendOutcome sendOutbox(RecordStore &store, CentreClient &client, const QString &seatName);

// Seconds to wait before the next attempt after failures failed attempts in
// a row: 5 s doubling to 5 minutes.
int retryDelay(int failures);

// Sends the record file's outbox on a thread of its own: at once when made
// (what an earlier run left), whenever sendSoon() is called, and again after
// a failure with growing pauses.
class OutboxWorker : public QObject
{
    Q_OBJECT

public:
    OutboxWorker(const Centre &centre, QObject *parent = nullptr);
    ~OutboxWorker() override;

    // Asks for a send now (a result was just kept). Callable from any thread.
    void sendSoon();

Q_SIGNALS:
    // After each attempt, on the worker's thread; queued to receivers elsewhere.
    void attempted(const zentrova::SendOutcome &outcome);

private:
    class Sender;
    QThread *m_thread;
    Sender *m_sender;
};

} // namespace zentrova

Q_DECLARE_METATYPE(zentrova::SendOutcome)
