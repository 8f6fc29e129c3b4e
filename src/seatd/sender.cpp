// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "sender.h"

#include <QRandomGenerator>
#include <QThread>
#include <QTimer>

namespace zentrova::seatd {

int retryPause(int failures, int retryMinMs, int retryMaxMs)
{
    qint64 pause = retryMinMs;
    for (int i = 1; i < failures && pause < retryMaxMs; ++i)
        pause *= 2;
    pause = qMin<qint64>(pause, retryMaxMs);
    return int(qMin<qint64>(pause + QRandomGenerator::global()->bounded(pause / 4 + 1), retryMaxMs));
}

Sender::Sender(const QString &stateFolder, const SenderSettings &settings, QObject *parent)
    : QObject(parent)
    , m_outbox(stateFolder)
    , m_settings(settings)
    , m_link(settings.link)
    // Children, so that they move with the sender to its thread.
    , m_retry(new QTimer(this))
    , m_idle(new QTimer(this))
{
    m_retry->setSingleShot(true);
    m_idle->setSingleShot(true);
    connect(m_retry, &QTimer::timeout, this, [this] { sendNow(); });
    connect(m_idle, &QTimer::timeout, this, [this] {
        if (m_link.isConnected()) {
            m_link.disconnect();
            Q_EMIT logged(QStringLiteral("空闲，已断开与服务器的连接。"), false);
        }
    });
}

Sender::~Sender() = default;

handin::SendCount Sender::sendWaiting()
{
    handin::SendCount count;
    const auto entries = m_outbox.waiting(&count.problem);
    if (!entries) {
        Q_EMIT logged(count.problem, true);
        count.unreadable = true;
        return count;
    }
    count.waiting = int(entries->size());
    for (const SeatOutbox::Entry &entry : *entries) {
        QString setAsideWhy = entry.damage;
        if (setAsideWhy.isEmpty()) {
            const ServerLink::Answer answer = m_link.submit(entry.result);
            if (answer.outcome == ServerLink::Outcome::Wait) {
                count.problem = answer.why;
                Q_EMIT logged(QStringLiteral("%1 等待再送：%2").arg(entry.fileName, answer.why), true);
                break;
            }
            if (answer.outcome == ServerLink::Outcome::Sent) {
                // Killed before this, it is sent again and kept once there.
                if (const QString why = m_outbox.remove(entry); !why.isEmpty()) {
                    count.problem = why;
                    Q_EMIT logged(why, true);
                    break;
                }
                ++count.sent;
                --count.waiting;
                continue;
            }
            setAsideWhy = answer.why;
        }
        if (const QString why = m_outbox.setAside(entry); !why.isEmpty()) {
            count.problem = why;
            Q_EMIT logged(why, true);
            break;
        }
        --count.waiting;
        Q_EMIT logged(QStringLiteral("%1 已搁置到 %2：%3").arg(entry.fileName, m_outbox.setAsideFolder(), setAsideWhy), true);
    }
    count.setAside = m_outbox.setAsideCount().value_or(0);
    return count;
}

handin::SendCount Sender::sendNow()
{
    m_retry->stop();
    m_idle->stop();
    const handin::SendCount count = sendWaiting();
    if (count.waiting > 0 || !count.problem.isEmpty()) {
        // Nothing held open while waiting.
        m_link.disconnect();
        ++m_failures;
        m_retry->start(retryPause(m_failures, m_settings.retryMinMs, m_settings.retryMaxMs));
    } else {
        m_failures = 0;
        if (m_link.isConnected())
            m_idle->start(m_settings.idleMs);
    }
    if (count.sent > 0)
        Q_EMIT logged(QStringLiteral("已送出 %1 条，还有 %2 条等待。").arg(count.sent).arg(count.waiting), false);
    Q_EMIT passed(count);
    return count;
}

SenderThread::SenderThread(const QString &stateFolder, const SenderSettings &settings, QObject *parent)
    : QObject(parent)
    , m_thread(new QThread(this))
    , m_sender(new Sender(stateFolder, settings))
{
    qRegisterMetaType<handin::SendCount>();
    m_thread->setObjectName(QStringLiteral("sender"));
    m_sender->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_sender, &QObject::deleteLater);
    m_thread->start();
    sendSoon();
}

SenderThread::~SenderThread()
{
    stop();
}

void SenderThread::stop()
{
    // What a pass did not send is sent at the next start.
    m_thread->quit();
    m_thread->wait();
}

void SenderThread::sendSoon()
{
    QMetaObject::invokeMethod(m_sender, [sender = m_sender] { sender->sendNow(); }, Qt::QueuedConnection);
}

void SenderThread::sendSoon(QObject *receiver, std::function<void(const handin::SendCount &)> done)
{
    QMetaObject::invokeMethod(
        m_sender,
        [sender = m_sender, receiver, done = std::move(done)] {
            const handin::SendCount count = sender->sendNow();
            QMetaObject::invokeMethod(receiver, [done, count] { done(count); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

} // namespace zentrova::seatd
