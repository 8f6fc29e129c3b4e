// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Sends the seat service's outbox to the centre's server, on a thread of its
// own: at once when started, whenever asked (a result was kept, a send was
// requested), and after a failure again with growing pauses. Entries go
// oldest first; one the server refuses for good, or a damaged one, is set
// aside and the rest go on; a server that cannot take one now ends the pass.
#pragma once

#include "centre/handin.h"
#include "seatd/seatoutbox.h"
#include "seatd/serverlink.h"

#include <QObject>

#include <functional>

class QThread;
class QTimer;

namespace zentrova::seatd {

struct SenderSettings {
    LinkSettings link;
    int retryMinMs = 5000;    // the first pause after a failure, doubled each time
    int retryMaxMs = 300000;  // up to this
    int idleMs = 10000;       // a connection with nothing to send is closed after this
};

// The pause after failures failed passes in a row: retryMinMs doubling up to
// retryMaxMs, with up to a quarter more at random so that the seats of a
// room do not all come back in the same instant.
int retryPause(int failures, int retryMinMs, int retryMaxMs);

class Sender : public QObject
{
    Q_OBJECT

public:
    Sender(const QString &stateFolder, const SenderSettings &settings, QObject *parent = nullptr);
    ~Sender() override;

    // One pass over the outbox, on the calling thread: what was sent, what
    // waits and what was set aside.
    handin::SendCount sendWaiting();

    // A pass now, then a retry or the idle close planned; its count. Call
    // on the sender's thread (queued from elsewhere).
    handin::SendCount sendNow();

Q_SIGNALS:
    // After each pass.
    void passed(const zentrova::handin::SendCount &count);
    // Something for the administrator's log.
    void logged(const QString &line, bool warning);

private:
    SeatOutbox m_outbox;
    SenderSettings m_settings;
    ServerLink m_link;
    QTimer *m_retry;
    QTimer *m_idle;
    int m_failures = 0;
};

// A Sender on a thread of its own, started at once with a pass.
class SenderThread : public QObject
{
    Q_OBJECT

public:
    SenderThread(const QString &stateFolder, const SenderSettings &settings, QObject *parent = nullptr);
    ~SenderThread() override;

    // Asks for a pass soon; callable from any thread. Then, where given,
    // done is called on receiver's thread with the pass's count; receiver
    // must outlive this object.
    void sendSoon();
    void sendSoon(QObject *receiver, std::function<void(const handin::SendCount &)> done);
    Sender *sender() const { return m_sender; }
    // Ends the thread after the pass under way (within its deadline).
    void stop();

private:
    QThread *m_thread;
    Sender *m_sender;
};

} // namespace zentrova::seatd
