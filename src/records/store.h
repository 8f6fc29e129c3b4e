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

// A time in which a class sits some tests (测评场次): results of its class's
// codes for its tests, finished within it, count as they stand.
struct Sitting {
    qint64 id = 0;
    QString group; // the class
    QStringList tests; // the tests' windows; empty: every test
    QDateTime opens;
    QDateTime closes;
    QString openedBy; // the logins that opened and closed it
    QString closedBy; // empty while it runs to the end it was given
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
        Accept, // let a marked record count as it stands
        Sittings, // list, open and close sittings
    };
    // Empty where this store allows action; else why not, in a sentence.
    virtual QString refusal(Action action) const = 0;

    // Whether each record says where it came from (a centre's seat, login
    // and arrival) and whom by 测评码: listings and exports then show it.
    virtual bool keepsOrigin() const { return false; }

    // How the person taking a test is named: for the run, optionally (one's
    // own record file, a counsellor); or by a 测评码 asked before every test
    // and forgotten once its result is handed in (a seat).
    enum class PersonRule { NameForRun, CodePerTest };
    virtual PersonRule personRule() const { return PersonRule::NameForRun; }

    // Results kept in memory only, not yet handed on; lost when the program
    // ends. None where keep() writes them down before it answers.
    virtual int pending() const { return 0; }

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
    // Lets marked records count as they stand, noted with who and when; how
    // many there were to accept.
    virtual StoreReply<int> *accept(const QList<qint64> &ids) = 0;
    // Every sitting, the latest opened first.
    virtual StoreReply<QList<Sitting>> *sittings() = 0;
    // Opens a sitting of a class for tests (windows; none: every test) from
    // opens until closes; the new sitting's id.
    virtual StoreReply<qint64> *openSitting(const QString &group, const QStringList &tests, const QDateTime &opens, const QDateTime &closes)
        = 0;
    // Closes a sitting now, where it has not closed yet; an error where there
    // is none of that id.
    virtual StoreReply<bool> *closeSitting(qint64 id) = 0;

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

    // The export's CSV of what filter takes (see streamCsv()), made by the
    // store from its own bytes where it has a faster way than a walk of whole
    // records; nullptr where it has none. sink gets the bytes on the store's
    // thread; its returning false stops the writing without an error.
    using ByteSink = std::function<bool(const char *bytes, size_t size)>;
    virtual StoreReply<qint64> *csvFromOwnBytes(const RecordFilter &, bool /*itemColumns*/, ByteSink) { return nullptr; }

protected:
    using QObject::QObject;
};

// What an export walks for filter: the whole of its test, so that the
// columns are the test's whatever groups or days the rows are taken from.
inline RecordFilter columnsOf(const RecordFilter &filter)
{
    return {filter.test, std::nullopt, {}};
}

// Walks the store and waits for the walk to end: for the command line, never
// in a window. Why the store failed; empty where the walk went through or
// names or visit stopped it.
inline QString walkAndWait(Store &store, const RecordFilter &filter, bool items, Store::NamesVisitor names, Store::RecordVisitor visit)
{
    StoreReply<qint64> *walk = store.forEachRecord(filter, items, std::move(names), std::move(visit));
    walk->waitForDone();
    return walk->error();
}

} // namespace zentrova

