// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A request to a store and the thread that answers it, as Akonadi's jobs
// are: the caller gets a reply object at once; the store's one worker thread,
// which alone touches the store's connection, runs the requests in the order
// they came; the reply emits finished() on the caller's thread. A request
// made while another waits simply queues behind it, so a call made from
// inside another's answer can never deadlock.
#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace zentrova {

namespace detail {
// What a reply and the worker share; outlives either.
struct RequestState {
    std::atomic_bool cancelled {false};
    std::mutex mutex;
    std::condition_variable doneChanged;
    bool done = false;
    QString error;
};
template<typename T> struct ValueState : RequestState {
    std::optional<T> value;
};
} // namespace detail

class StoreRequest : public QObject
{
    Q_OBJECT

public:
    // Stops the request: one still waiting never runs, one running stops at
    // its next check. finished() is not emitted after
    // cancel(); the reply deletes itself once its work has stopped.
    void cancel();
    bool isCancelled() const { return m_state->cancelled; }

    // Why the request failed, in a plain sentence naming what failed; empty
    // when it succeeded. Valid once finished() was emitted or waitForDone()
    // returned.
    QString error() const;

    // Blocks until the work is done, without an event loop: for the command
    // line, which has no window to keep painting. Never in a window, never on
    // the store's own thread.
    void waitForDone();

Q_SIGNALS:
    // Once, on the thread that made the request; the reply is deleted later.
    void finished(zentrova::StoreRequest *request);

protected:
    explicit StoreRequest(std::shared_ptr<detail::RequestState> state);

private:
    friend class StoreWorker;
    // On the caller's thread, once the worker is done with the request.
    void deliver();

    std::shared_ptr<detail::RequestState> m_state;
};

template<typename T> class StoreReply : public StoreRequest
{
public:
    explicit StoreReply(std::shared_ptr<detail::ValueState<T>> state)
        : StoreRequest(state)
        , m_value(std::move(state))
    {
    }
    // The answer; only where error() is empty.
    const T &value() const { return *m_value->value; }
    // Calls done with this reply on context's thread once it finished; not at
    // all if context is gone first or the request was cancelled.
    template<typename Done> StoreReply *then(QObject *context, Done done)
    {
        connect(this, &StoreRequest::finished, context, [this, done] { done(*this); });
        return this;
    }

private:
    std::shared_ptr<detail::ValueState<T>> m_value;
};

// What a request's work can ask while it runs on the worker.
class RequestContext
{
public:
    explicit RequestContext(detail::RequestState &state)
        : m_state(state)
    {
    }
    // Whether the caller no longer wants the answer: long work stops early.
    bool cancelled() const { return m_state.cancelled; }
    // Ends the request with this error; the work's value is then ignored.
    void fail(const QString &error) { m_failed = error; }
    const std::optional<QString> &failure() const { return m_failed; }
    // Forgets a failure, for work that is made once more (with a password
    // asked for in the meantime).
    void clearFailure() { m_failed.reset(); }

private:
    detail::RequestState &m_state;
    std::optional<QString> m_failed;
};

// The one thread of a store. Requests run in the order posted; destroying
// the worker cancels what still waits and what runs (each reply still comes
// to an end) and ends the thread. Work that may take long checks
// RequestContext::cancelled() as it goes (SQLite's progress handler, a
// network wait's poll), so that cancelling never needs another thread to
// touch the connection.
class StoreWorker
{
public:
    StoreWorker();
    ~StoreWorker();
    StoreWorker(const StoreWorker &) = delete;
    StoreWorker &operator=(const StoreWorker &) = delete;

    // Queues work; it runs on the worker with a context, and returns the
    // reply's value (ignored where it called fail()).
    template<typename T> StoreReply<T> *post(std::function<T(RequestContext &)> work)
    {
        auto state = std::make_shared<detail::ValueState<T>>();
        auto *reply = new StoreReply<T>(state);
        enqueue(reply, state, [state, work = std::move(work)](RequestContext &context) {
            T value = work(context);
            if (!context.failure())
                state->value = std::move(value);
        });
        return reply;
    }

    // Runs work on the worker after everything queued before it, with no
    // reply: opening or closing the connection.
    void run(std::function<void()> work);

    // Whether the calling thread is the worker's.
    bool isCurrentThread() const;

private:
    struct Task {
        StoreRequest *reply = nullptr; // none for run()
        std::shared_ptr<detail::RequestState> state;
        std::function<void(RequestContext &)> work;
    };
    void enqueue(StoreRequest *reply, std::shared_ptr<detail::RequestState> state,
                 std::function<void(RequestContext &)> work);
    void loop();
    static void finish(const Task &task, const std::optional<QString> &error);

    std::mutex m_mutex;
    std::condition_variable m_queueChanged;
    std::deque<Task> m_queue;
    std::shared_ptr<detail::RequestState> m_running;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace zentrova
