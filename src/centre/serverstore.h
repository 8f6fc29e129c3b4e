// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The centre's server as a counsellor's store: every request runs on the
// store's one thread, which alone owns the connection (a session of the
// module that links libpq, loaded when the store is made); a call waits for
// the server in slices, so that a cancelled request or one past its deadline
// is cancelled on the server rather than left running. A read that fails
// because the connection was lost is made once more on a new one. What a
// counsellor may do is the server's rule: a refusal comes back as a
// sentence; where the module cannot be loaded, every request says so. Each
// summary's total is worked out again from its answers with the program's
// bank; one that differs is marked.
#pragma once

#include "records/rescoring.h"
#include "records/store.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace zentrova {

class ServerSession;

class ServerStore : public Store
{
    Q_OBJECT

public:
    // conninfo: a libpq connection string or "service=NAME"; password, where
    // not empty, in place of libpq's own sources. deadline bounds every call
    // (the server's statement_timeout is set to it, and the client cancels
    // a call still waiting at it). Over TCP the server must be verified
    // (sslmode=verify-full or verify-ca) unless insecureTransport is set.
    explicit ServerStore(const QString &conninfo, const QString &password = {}, bool insecureTransport = false,
                         std::chrono::milliseconds deadline = std::chrono::seconds(15), QObject *parent = nullptr);

    // What a record whose 测评码 the roster lacks shows in place of a name.
    static QString unknownPerson(const QString &code);
    ~ServerStore() override;

    // Asks the counsellor for the password where the server wants one that
    // libpq's own sources (PGPASSWORD, the password file) did not give;
    // nullopt where the counsellor declines. Called on the store's thread,
    // once per request that needs it; the password given is used for the
    // rest of the run and kept in memory only. Set before the first request.
    using PasswordAsker = std::function<std::optional<QString>(const QString &prompt)>;
    void setPasswordAsker(PasswordAsker ask) { m_ask = std::move(ask); }

    // Records a walk (forEachRecord) reads from the server at a time.
    static constexpr int PageSize = 1000;

    QString refusal(Action action) const override;
    bool keepsOrigin() const override { return true; }

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

    // What a server mark means, in a sentence for the records window and
    // the group report's small print.
    static QString markSentence(const QString &mark);

private:
    // Marks a whole record whose figures do not follow from its answers.
    void addDoubt(Record &record);
    // Opens the session (in place of the one there was) with password.
    void open(const QString &password);
    // Queues work; where it failed for want of a password, asks for one and
    // makes it once more.
    template<typename T> StoreReply<T> *post(std::function<T(RequestContext &)> work);

    const QString m_conninfo;
    const bool m_insecureTransport;
    const std::chrono::milliseconds m_deadline;
    PasswordAsker m_ask;
    std::unique_ptr<ServerSession> m_session; // touched on the worker only
    Rescorer m_rescorer; // likewise
    StoreWorker m_worker;
};

} // namespace zentrova
