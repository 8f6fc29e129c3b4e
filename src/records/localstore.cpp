// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "localstore.h"

namespace zentrova {

LocalStore::LocalStore(const QString &path, QObject *parent)
    : Store(parent)
    , m_path(path)
    , m_engine(path)
    , m_worker(std::make_unique<StoreWorker>())
{
}

LocalStore::~LocalStore()
{
    m_worker.reset();
}

QString LocalStore::refusal(Action) const
{
    return {};
}

template<typename T> StoreReply<T> *LocalStore::ask(std::function<std::optional<T>(RecordStore &engine)> work)
{
    return m_worker->post<T>([this, work = std::move(work)](RequestContext &context) {
        m_engine.setCancelled([&context] { return context.cancelled(); });
        std::optional<T> value = work(m_engine);
        m_engine.setCancelled({});
        if (!value) {
            context.fail(m_engine.error());
            return T();
        }
        return std::move(*value);
    });
}

StoreReply<Kept> *LocalStore::keep(const Record &record)
{
    return ask<Kept>([record](RecordStore &engine) -> std::optional<Kept> {
        const auto id = engine.add(record);
        if (!id)
            return std::nullopt;
        return Kept{*id, {}};
    });
}

StoreReply<int> *LocalStore::count(const RecordFilter &filter)
{
    return ask<int>([filter](RecordStore &engine) { return engine.count(filter); });
}

StoreReply<QList<RecordSummary>> *LocalStore::summaries(const SummaryQuery &query)
{
    return ask<QList<RecordSummary>>([query](RecordStore &engine) { return engine.summaries(query); });
}

StoreReply<QList<TotalPoint>> *LocalStore::totals(const RecordFilter &filter)
{
    return ask<QList<TotalPoint>>([filter](RecordStore &engine) { return engine.totals(filter); });
}

StoreReply<StoreFacets> *LocalStore::facets()
{
    return ask<StoreFacets>([](RecordStore &engine) { return engine.facets(); });
}

StoreReply<Record> *LocalStore::record(qint64 id)
{
    return ask<Record>([id](RecordStore &engine) { return engine.record(id); });
}

StoreReply<int> *LocalStore::remove(const QList<qint64> &ids)
{
    return ask<int>([ids](RecordStore &engine) { return engine.removeRecords(ids); });
}

StoreReply<int> *LocalStore::removeAll()
{
    return ask<int>([](RecordStore &engine) { return engine.removeAll(); });
}

StoreReply<qint64> *LocalStore::forEachRecord(const RecordFilter &filter, bool items, NamesVisitor names, RecordVisitor visit)
{
    return ask<qint64>([=](RecordStore &engine) { return engine.forEachRecord(filter, items, names, visit); });
}

} // namespace zentrova
