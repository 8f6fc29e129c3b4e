// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "offthreadsource.h"

#include "records/recordstore.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QThreadPool>

namespace zentrova {

OffThreadSource::OffThreadSource(std::unique_ptr<RecordSource> inner)
    : m_inner(std::move(inner))
{
}

template<typename Call> std::invoke_result_t<Call, RecordSource &> OffThreadSource::offThread(Call call)
{
    using Result = std::invoke_result_t<Call, RecordSource &>;
    // Shared with the worker, which may outlive a loop ended early.
    struct Outcome {
        Result result {};
        QString error;
    };
    auto outcome = std::make_shared<Outcome>();
    QEventLoop loop;
    QPointer<QEventLoop> waiting(&loop);
    QThreadPool::globalInstance()->start([inner = m_inner, outcome, call, waiting] {
        outcome->result = call(*inner);
        outcome->error = inner->error();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [waiting] {
                if (waiting)
                    waiting->quit();
            },
            Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    m_error = outcome->error;
    return outcome->result;
}

std::optional<QList<RecordSummary>> OffThreadSource::summaries()
{
    return offThread([](RecordSource &store) { return store.summaries(); });
}

bool OffThreadSource::forEachRecord(const std::function<bool(const QStringList &, const QStringList &)> &names,
                                    const std::function<bool(const Record &)> &visit, const QString &test, bool items)
{
    // names and visit run on the worker, one at a time, while this waits.
    return offThread([=](RecordSource &store) { return store.forEachRecord(names, visit, test, items); });
}

std::optional<Record> OffThreadSource::record(qint64 id)
{
    return offThread([id](RecordSource &store) { return store.record(id); });
}

bool OffThreadSource::remove(const QList<qint64> &ids)
{
    return offThread([ids](RecordSource &store) { return store.remove(ids); });
}

} // namespace zentrova
