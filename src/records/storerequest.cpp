// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "storerequest.h"

#include <QMetaObject>

namespace zentrova {

StoreRequest::StoreRequest(std::shared_ptr<detail::RequestState> state)
    : m_state(std::move(state))
{
}

void StoreRequest::cancel()
{
    m_state->cancelled = true;
}

QString StoreRequest::error() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->error;
}

void StoreRequest::waitForDone()
{
    std::unique_lock lock(m_state->mutex);
    m_state->doneChanged.wait(lock, [this] { return m_state->done; });
}

void StoreRequest::deliver()
{
    if (!isCancelled())
        Q_EMIT finished(this);
    deleteLater();
}

StoreWorker::StoreWorker()
    : m_thread([this] { loop(); })
{
}

StoreWorker::~StoreWorker()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        for (const Task &task : m_queue)
            if (task.state)
                task.state->cancelled = true;
        if (m_running)
            m_running->cancelled = true;
    }
    m_queueChanged.notify_one();
    m_thread.join();
}

void StoreWorker::enqueue(StoreRequest *reply, std::shared_ptr<detail::RequestState> state,
                          std::function<void(RequestContext &)> work)
{
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back({reply, std::move(state), std::move(work)});
    }
    m_queueChanged.notify_one();
}

void StoreWorker::run(std::function<void()> work)
{
    enqueue(nullptr, nullptr, [work = std::move(work)](RequestContext &) { work(); });
}

bool StoreWorker::isCurrentThread() const
{
    return std::this_thread::get_id() == m_thread.get_id();
}

void StoreWorker::loop()
{
    for (;;) {
        Task task;
        {
            std::unique_lock lock(m_mutex);
            // Plain work (closing the connection) still runs when stopping;
            // requests are let go unanswered but ended.
            m_queueChanged.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_queue.empty())
                return;
            task = std::move(m_queue.front());
            m_queue.pop_front();
            m_running = task.state;
        }
        if (!task.state) {
            detail::RequestState none;
            RequestContext context(none);
            task.work(context);
            continue;
        }
        std::optional<QString> error = QStringLiteral("请求已取消。");
        if (!task.state->cancelled) {
            RequestContext context(*task.state);
            task.work(context);
            error = context.failure();
        }
        {
            std::lock_guard lock(m_mutex);
            m_running.reset();
        }
        finish(task, error);
    }
}

void StoreWorker::finish(const Task &task, const std::optional<QString> &error)
{
    {
        std::lock_guard lock(task.state->mutex);
        task.state->error = error.value_or(QString());
        task.state->done = true;
    }
    task.state->doneChanged.notify_all();
    // The reply deletes itself only in deliver(), so it is alive here.
    QMetaObject::invokeMethod(task.reply, &StoreRequest::deliver, Qt::QueuedConnection);
}

} // namespace zentrova
