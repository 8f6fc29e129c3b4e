// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The centre's server as a counsellor's store of records, for the windows
// and the command line that still ask in turn and wait: each call is a
// request to the counsellor's ServerStore, waited for on the calling thread
// (never the store's own). Where libpq's own sources (PGPASSWORD, the
// password file) give no password, the counsellor is asked once; the
// password stays in memory for the run, never on disk.
#pragma once

#include "centre/centrefile.h"
#include "centre/serverstore.h"
#include "records/recordsource.h"

#include <functional>
#include <memory>

namespace zentrova {

// Asks for the password of login user; nullopt when the user declines.
using PasswordAsker = std::function<std::optional<QString>(const QString &prompt)>;

class CentreStore : public RecordSource
{
public:
    CentreStore(const Centre &centre, PasswordAsker ask);

    std::optional<QList<RecordSummary>> summaries() override;
    bool forEachRecord(const std::function<bool(const QStringList &, const QStringList &)> &names,
                       const std::function<bool(const Record &)> &visit, const QString &test = {}, bool items = false) override;
    std::optional<Record> record(qint64 id) override;
    bool remove(const QList<qint64> &ids) override;
    bool keepsOrigin() const override { return true; }
    const QString &error() const override { return m_error; }

private:
    // Makes the request, waits for it, and makes it once more with a
    // password asked for where the server wants one.
    template<typename T> std::optional<T> call(const std::function<StoreReply<T> *(ServerStore &)> &request);

    Centre m_centre;
    PasswordAsker m_ask;
    std::unique_ptr<ServerStore> m_store;
    QString m_error;
};

// Makes the centre's server the store of this run; with offThread, each
// call runs on a worker while the windows go on painting.
void useCentreStore(const Centre &centre, PasswordAsker ask, bool offThread);

// Asks on the controlling terminal, without echo; nullopt without one.
std::optional<QString> askPasswordOnTerminal(const QString &prompt);

} // namespace zentrova
