// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A store whose calls may wait for the network (a centre's server), run on
// a worker thread while the calling thread's windows go on painting; input
// is held back meanwhile, so the user cannot start a second call. The wait
// is bounded by the connection's timeout.
#pragma once

#include "records/recordsource.h"

#include <memory>
#include <type_traits>

namespace zentrova {

class OffThreadSource : public RecordSource
{
public:
    explicit OffThreadSource(std::unique_ptr<RecordSource> inner);

    std::optional<QList<RecordSummary>> summaries() override;
    bool forEachRecord(const std::function<bool(const QStringList &, const QStringList &)> &names,
                       const std::function<bool(const Record &)> &visit, const QString &test = {}, bool items = false) override;
    std::optional<Record> record(qint64 id) override;
    bool remove(const QList<qint64> &ids) override;
    bool keepsOrigin() const override { return m_inner->keepsOrigin(); }
    const QString &error() const override { return m_error; }

private:
    template<typename Call> std::invoke_result_t<Call, RecordSource &> offThread(Call call);

    std::shared_ptr<RecordSource> m_inner;
    QString m_error;
};

} // namespace zentrova
