// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "outbox.h"

#include "centre/centreclient.h"
#include "records/recordstore.h"

#include <QThread>
#include <QTimer>

#include <algorithm>

namespace zentrova {

SendOutcome sendOutbox(RecordStore &store, CentreClient &client, const QString &seatName)
{
    SendOutcome outcome;
    const auto waiting = store.outbox();
    if (!waiting) {
        outcome.error = store.error();
        return outcome;
    }
    outcome.waiting = int(waiting->size());
    for (const RecordStore::Outgoing &outgoing : *waiting) {
        if (!client.submit(outgoing.uuid, outgoing.record, seatName)) {
            outcome.error = client.error();
            break;
        }
        // Killed here, the record is sent again at the next start, and the
        // server keeps it once.
        if (!store.remove({outgoing.record.id})) {
            outcome.error = store.error();
            break;
        }
        ++outcome.sent;
        --outcome.waiting;
    }
    return outcome;
}

int retryDelay(int failures)
{
    return std::min(5 << std::min(failures - 1, 6), 300);
}

// Lives on the worker's thread, with the retry timer and the connection.
class OutboxWorker::Sender : public QObject
{
public:
    Sender(OutboxWorker *worker, const Centre &centre)
        : m_worker(worker)
        , m_client(centre.connection)
        , m_seatName(centre.name)
        , m_retry(new QTimer(this)) // a child, so that it moves to the worker's thread with the sender
    {
        m_retry->setSingleShot(true);
        connect(m_retry, &QTimer::timeout, this, &Sender::send);
    }

    void send()
    {
        m_retry->stop();
        RecordStore store;
        const SendOutcome outcome = sendOutbox(store, m_client, m_seatName);
        m_failures = outcome.waiting > 0 ? m_failures + 1 : 0;
        if (m_failures > 0)
            m_retry->start(retryDelay(m_failures) * 1000);
        Q_EMIT m_worker->attempted(outcome);
    }

private:
    OutboxWorker *m_worker;
    CentreClient m_client;
    QString m_seatName;
    QTimer *m_retry;
    int m_failures = 0;
};

OutboxWorker::OutboxWorker(const Centre &centre, QObject *parent)
    : QObject(parent)
    , m_thread(new QThread(this))
    , m_sender(new Sender(this, centre))
{
    qRegisterMetaType<SendOutcome>();
    m_thread->setObjectName(QStringLiteral("outbox"));
    m_sender->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_sender, &QObject::deleteLater);
    m_thread->start();
    sendSoon();
}

OutboxWorker::~OutboxWorker()
{
    // A send under way finishes (at most the connect timeout); what it did
    // not send waits for the next start.
    m_thread->quit();
    m_thread->wait();
}

void OutboxWorker::sendSoon()
{
    QMetaObject::invokeMethod(m_sender, &Sender::send, Qt::QueuedConnection);
}

} // namespace zentrova
