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

QString LocalStore::refusal(Action action) const
{
    switch (action) {
    case Action::Accept:
        return QStringLiteral("本机测评记录文件中的记录没有存疑的标记，都照原样计算：只有测评中心的记录才需要认可。");
    case Action::Sittings:
        return QStringLiteral("测评场次只在测评中心的服务器上开设：本机的测评记录文件没有测评场次。");
    case Action::Keep:
    case Action::Read:
    case Action::Remove:
    case Action::RemoveAll:
    case Action::ReportResult:
        break;
    }
    return {};
}

template<typename T> StoreReply<T> *LocalStore::refused(Action action)
{
    return m_worker->post<T>([message = refusal(action)](RequestContext &context) {
        context.fail(message);
        return T {};
    });
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

StoreReply<int> *LocalStore::accept(const QList<qint64> &)
{
    return refused<int>(Action::Accept);
}

StoreReply<QList<Sitting>> *LocalStore::sittings()
{
    return refused<QList<Sitting>>(Action::Sittings);
}

StoreReply<qint64> *LocalStore::openSitting(const QString &, const QStringList &, const QDateTime &, const QDateTime &)
{
    return refused<qint64>(Action::Sittings);
}

StoreReply<bool> *LocalStore::closeSitting(qint64)
{
    return refused<bool>(Action::Sittings);
}

StoreReply<qint64> *LocalStore::csvFromOwnBytes(const RecordFilter &filter, bool itemColumns, ByteSink sink)
{
    return ask<qint64>([=](RecordStore &engine) -> std::optional<qint64> {
        const auto written = engine.writeCsv(filter, itemColumns, sink);
        // A sink that stopped the writing is no failure of the file.
        if (!written && engine.error().isEmpty())
            return 0;
        return written;
    });
}

} // namespace zentrova
