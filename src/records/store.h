// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Where kept results live, whichever serves the run: the user's record file
// (personal use), the seat's hand-in service (a centre's seat), or the
// centre's server (a counsellor). The program builds exactly one Store at
// start; the shell, the windows, the reports and the command line speak only
// to it. What a role may not do, its store refuses with a sentence.
//
// Every request is answered later, by a signal: a store does its work on one
// thread of its own that owns its connection, one request at a time, so no
// window ever waits for a disk or a network.
#pragma once

#include "record.h"
#include "storerequest.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace zentrova {

// Days from since to until, both included, as the calendar read where each
// record was finished; an open end takes every day on that side.
struct DateRange {
    std::optional<QDate> since;
    std::optional<QDate> until;

    bool holds(const QDateTime &finished) const;
    bool isOpen() const { return !since && !until; }
    friend bool operator==(const DateRange &, const DateRange &) = default;
};

// Which records a request takes.
struct RecordFilter {
    QString test; // a test's caption or window name; empty: every test
    std::optional<QString> group; // none: every group; an empty string: records without one
    DateRange range;
    std::optional<QString> person = std::nullopt; // the person's key (a name, at a centre the 测评码); none: everyone

    bool accepts(const QString &window, const QString &caption, const QString &group, const QDateTime &finished) const;
    template<typename R> bool accepts(const R &record) const
    {
        return accepts(record.window, record.caption, record.group, record.finished);
    }
    friend bool operator==(const RecordFilter &, const RecordFilter &) = default;
};

// Where a record came from, as a centre's server saw it arrive; empty in a
// record file of one's own.
struct Provenance {
    QString seat; // the seat's name, as its centre file gives it
    QString login; // the server login that handed it in
    QDateTime arrived; // when the server took it
};

// A record's line in a listing: what the records window's table shows.
struct RecordSummary {
    qint64 id = 0;
    QDateTime finished;
    QString person; // the name shown (at a centre, the roster's)
    QString personKey; // what tells people apart: the name, or at a centre the 测评码
    QString window;
    QString caption;
    QString resultLine;
    std::optional<double> total;
    std::optional<int> elapsedMinutes;
    QString group;
    // What the result line is made of, for group reports.
    QList<ShownResult::Figure> figures;
    QString verdict;
    Provenance provenance;
    // Why the record is doubtful (figures that do not follow from the
    // answers, a code not on the roster, …), one sentence each; empty for a
    // record that counts as it stands.
    QStringList marks;
    // A row the store holds but cannot read: listed with its id and this
    // sentence, never hidden and never failing the listing.
    QString damage;

    // Takes the result line and what it is made of from a record's figures,
    // verdict and window.
    void setResult(const Record &shown);
};

// The listing's order.
enum class SummaryOrder { Finished, Person, Test, Group, Total, Elapsed };

// One page of a listing, or the whole of it when limit is 0.
struct SummaryQuery {
    RecordFilter filter;
    SummaryOrder order = SummaryOrder::Finished;
    Qt::SortOrder direction = Qt::DescendingOrder;
    // The page starts after the row of this id (which must belong to the
    // same query); none: at the first row.
    std::optional<qint64> after;
    int limit = 0;
};

// A record's total where it shows one, for the charts: one point each.
struct TotalPoint {
    qint64 id = 0;
    QString person;
    QString personKey;
    QDateTime finished;
    double total = 0;
};

// What the filters of a listing can choose from.
struct StoreFacets {
    struct Test {
        QString window;
        QString caption;
    };
    QList<Test> tests;
    QStringList people; // in pinyin order
    QStringList groups; // in pinyin order
    bool unnamed = false; // records without a person
    bool ungrouped = false; // records without a group
};

// A result kept: the id it was filed under (0 where the store hands results
// on rather than keeping them), and what to tell the user, if anything.
struct Kept {
    qint64 id = 0;
    QString notice;
};

class Store : public QObject
{
    Q_OBJECT

public:
    // What a caller may ask; refusal() says whether this store allows it.
    enum class Action {
        Keep, // keep a finished result
        Read, // list, count, read, chart, report on and export kept results
        Remove, // remove chosen records
        RemoveAll, // remove every record
        ReportResult, // save, print or copy the result just shown
    };
    // Empty where this store allows action; else why not, in a sentence.
    virtual QString refusal(Action action) const = 0;

    // How the person taking a test is named: for the run, optionally (one's
    // own record file, a counsellor); or by a 测评码 asked before every test
    // and forgotten once its result is handed in (a seat).
    enum class PersonRule { NameForRun, CodePerTest };
    virtual PersonRule personRule() const { return PersonRule::NameForRun; }

    // Every request below returns a reply that emits finished() once, on the
    // thread that asked, and then deletes itself; see StoreRequest.
    virtual StoreReply<Kept> *keep(const Record &record) = 0;
    virtual StoreReply<int> *count(const RecordFilter &filter) = 0;
    virtual StoreReply<QList<RecordSummary>> *summaries(const SummaryQuery &query) = 0;
    // Every total the filter takes, oldest first.
    virtual StoreReply<QList<TotalPoint>> *totals(const RecordFilter &filter) = 0;
    virtual StoreReply<StoreFacets> *facets() = 0;
    // One whole record; an error where there is none of that id.
    virtual StoreReply<Record> *record(qint64 id) = 0;
    // How many were removed.
    virtual StoreReply<int> *remove(const QList<qint64> &ids) = 0;
    virtual StoreReply<int> *removeAll() = 0;

    // Streams every record the filter takes, oldest first, so that memory
    // does not grow with their number: first names gets the figure names
    // and, where items is set, the answers' item numbers, each in the order
    // they first appear; then visit gets each record. Both run on the store's
    // thread, one call at a time. Either returning false stops the walk
    // without an error; the reply's value is the number of records visited.
    using NamesVisitor = std::function<bool(const QStringList &figureNames, const QStringList &items)>;
    using RecordVisitor = std::function<bool(const Record &record)>;
    virtual StoreReply<qint64> *forEachRecord(const RecordFilter &filter, bool items, NamesVisitor names,
                                              RecordVisitor visit)
        = 0;

protected:
    using QObject::QObject;
};

} // namespace zentrova

