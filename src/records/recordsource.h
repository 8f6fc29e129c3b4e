// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What a store of kept results does, whichever serves the run: the user's
// record file, or a counselling centre's server for a counsellor. The
// records window, the reports and the command line speak to this, and which
// store it is was decided once, at start.
#pragma once

#include "record.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace zentrova {

struct RecordSummary;

class RecordSource
{
public:
    virtual ~RecordSource() = default;

    // Every record's summary, newest first.
    virtual std::optional<QList<RecordSummary>> summaries() = 0;
    // Every whole record, oldest first, one at a time, so that memory does
    // not grow with their number: first names gets the figure names and,
    // where items is set, the answers' item numbers, each in the order they
    // first appear, then visit each record. A test (caption or window name)
    // walks that test's records only. Either returning false stops the walk
    // (error() stays empty).
    virtual bool forEachRecord(const std::function<bool(const QStringList &figureNames, const QStringList &items)> &names,
                               const std::function<bool(const Record &)> &visit, const QString &test = {}, bool items = false)
        = 0;
    // One whole record; nullopt with error() when there is none of that id.
    virtual std::optional<Record> record(qint64 id) = 0;
    virtual bool remove(const QList<qint64> &ids) = 0;
    // Whether each record says where it came from (see Store::keepsOrigin()).
    virtual bool keepsOrigin() const { return false; }
    // Why the last call failed, in a plain sentence.
    virtual const QString &error() const = 0;

    // The store of this run: the record file unless setOpener() said otherwise.
    static std::unique_ptr<RecordSource> open();
    // Decides the store of this run; an empty opener goes back to the record file.
    using Opener = std::function<std::unique_ptr<RecordSource>()>;
    static void setOpener(Opener opener);
};

} // namespace zentrova
