// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The store of personal use: the user's record file, read and written on the
// store's own thread. The file is checked whole once, before the store first
// writes it (reading needs no check, and waits for none), and again only
// where another copy of the program has changed it since, so that a save
// costs the same in a file of a thousand records as in one of a million.
#pragma once

#include "recordstore.h"
#include "store.h"

#include <memory>

namespace zentrova {

class LocalStore : public Store
{
    Q_OBJECT

public:
    explicit LocalStore(const QString &path = RecordStore::defaultPath(), QObject *parent = nullptr);
    ~LocalStore() override;

    QString path() const { return m_path; }

    QString refusal(Action action) const override;

    StoreReply<Kept> *keep(const Record &record) override;
    StoreReply<int> *count(const RecordFilter &filter) override;
    StoreReply<QList<RecordSummary>> *summaries(const SummaryQuery &query) override;
    StoreReply<QList<TotalPoint>> *totals(const RecordFilter &filter) override;
    StoreReply<StoreFacets> *facets() override;
    StoreReply<Record> *record(qint64 id) override;
    StoreReply<int> *remove(const QList<qint64> &ids) override;
    StoreReply<int> *removeAll() override;
    StoreReply<qint64> *forEachRecord(const RecordFilter &filter, bool items, NamesVisitor names, RecordVisitor visit) override;
    StoreReply<qint64> *csvFromOwnBytes(const RecordFilter &filter, bool itemColumns, ByteSink sink) override;
    StoreReply<int> *accept(const QList<qint64> &ids) override;
    StoreReply<QList<Sitting>> *sittings() override;
    StoreReply<qint64> *openSitting(
        const QString &group, const QStringList &tests, const QDateTime &opens, const QDateTime &closes) override;
    StoreReply<bool> *closeSitting(qint64 id) override;

private:
    // Runs work on the file's engine, on the worker, as one request.
    // Fails with the sentence that refuses action.
    template<typename T> StoreReply<T> *refused(Action action);
    template<typename T> StoreReply<T> *ask(std::function<std::optional<T>(RecordStore &engine)> work);

    const QString m_path;
    RecordStore m_engine; // touched on the worker's thread alone
    std::unique_ptr<StoreWorker> m_worker; // ended first: its last work may still use the engine
};

} // namespace zentrova
