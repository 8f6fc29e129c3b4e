// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A centre's seat as a store: each result is handed to the seat's hand-in
// service (zentrova-seatd) over its local socket and forgotten; nothing of
// it is written here, and every read is refused. A result the service did not
// take stays in memory only and is handed in again, under the same uuid, as
// long as the program runs.
#pragma once

#include "centre/handin.h"
#include "records/store.h"

#include <QHash>
#include <QSet>
#include <QJsonObject>
#include <QUuid>

#include <functional>
#include <memory>

class QTimer;

namespace zentrova {

namespace seat {

// $ZENTROVA_SEAT_SOCKET, else /run/zentrova/seat.socket.
QString socketPath();
// What the service is handed for a record kept under uuid.
QJsonObject handInOf(const Record &record, const QUuid &uuid);

struct ServiceAnswer {
    QJsonObject reply;
    QString failure; // the service could not be reached or did not answer
};
// Asks the service one thing and waits for its answer, up to withinMs,
// stopping early when cancelled says so. Blocks: never on a window's thread.
ServiceAnswer askService(const QJsonObject &message, int withinMs, const std::function<bool()> &cancelled = {});
// What the program says where the service cannot be reached.
QString serviceUnreachable(const QString &why);
// What the program says once the service has a result.
QString handedIn();

} // namespace seat

class SeatStore : public Store
{
    Q_OBJECT

public:
    explicit SeatStore(QObject *parent = nullptr);
    ~SeatStore() override;

    QString refusal(Action action) const override;
    PersonRule personRule() const override { return PersonRule::CodePerTest; }

    StoreReply<Kept> *keep(const Record &record) override;
    StoreReply<int> *count(const RecordFilter &filter) override;
    StoreReply<QList<RecordSummary>> *summaries(const SummaryQuery &query) override;
    StoreReply<QList<TotalPoint>> *totals(const RecordFilter &filter) override;
    StoreReply<StoreFacets> *facets() override;
    StoreReply<Record> *record(qint64 id) override;
    StoreReply<int> *remove(const QList<qint64> &ids) override;
    StoreReply<int> *removeAll() override;
    StoreReply<qint64> *forEachRecord(const RecordFilter &filter, bool items, NamesVisitor names, RecordVisitor visit) override;
    StoreReply<int> *accept(const QList<qint64> &ids) override;
    StoreReply<QList<Sitting>> *sittings() override;
    StoreReply<qint64> *openSitting(
        const QString &group, const QStringList &tests, const QDateTime &opens, const QDateTime &closes) override;
    StoreReply<bool> *closeSitting(qint64 id) override;

    // Results the service has not taken yet.
    int pending() const override { return int(m_pending.size()); }

    // How long one hand-in waits for the service.
    static constexpr int AnswerWithinMs = 10000;
    // Pauses between hand-ins of what is pending.
    static constexpr int RetryMs = 5000;

Q_SIGNALS:
    // The number of pending results changed (one was handed in later, or
    // one failed).
    void pendingChanged(int pending);

private:
    StoreReply<Kept> *handIn(const QUuid &uuid, const Record &record);
    template<typename T> StoreReply<T> *refused();
    void retry();

    std::unique_ptr<StoreWorker> m_worker;
    QHash<QUuid, Record> m_pending;
    QSet<QUuid> m_handingIn; // asked and not yet answered
    QTimer *m_retry;
};

} // namespace zentrova
