// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "groupstats.h"

#include "framework/numbers.h"
#include "framework/strings.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace zentrova {

namespace {

// Whether a comes after b: the later finished, or the later stored.
bool finishedAfter(const RecordSummary &a, const RecordSummary &b)
{
    const qint64 at = a.finished.toMSecsSinceEpoch(), bt = b.finished.toMSecsSinceEpoch();
    return at != bt ? at > bt : a.id > b.id;
}

// A person is their key (at a centre the 测评码) where there is one, else their name.
QString personKey(const RecordSummary &record)
{
    return record.window + u'\n' + (record.personKey.isEmpty() ? record.person : record.personKey);
}

} // namespace

bool DateRange::holds(const QDateTime &finished) const
{
    const QDate day = finished.date();
    return (!since || day >= *since) && (!until || day <= *until);
}

bool RecordFilter::accepts(const QString &window, const QString &caption, const QString &group, const QDateTime &finished) const
{
    return (test.isEmpty() || test == window || test == caption) && (!this->group || *this->group == group) && range.holds(finished);
}

QString testWindow(const QList<RecordSummary> &records, const QString &test)
{
    const auto found
        = std::find_if(records.begin(), records.end(), [&](const RecordSummary &r) { return r.window == test || r.caption == test; });
    return found == records.end() ? QString() : found->window;
}

std::optional<TotalsSummary> summarise(QList<double> totals)
{
    if (totals.isEmpty())
        return std::nullopt;
    std::sort(totals.begin(), totals.end());
    TotalsSummary s;
    s.n = int(totals.size());
    s.mean = std::accumulate(totals.begin(), totals.end(), 0.0) / s.n;
    if (s.n > 1) {
        double squares = 0;
        for (double total : std::as_const(totals))
            squares += (total - s.mean) * (total - s.mean);
        s.sd = std::sqrt(squares / (s.n - 1));
    }
    s.median = s.n % 2 ? totals[s.n / 2] : (totals[s.n / 2 - 1] + totals[s.n / 2]) / 2;
    s.lowest = totals.first();
    s.highest = totals.last();
    return s;
}

BandCounts countBands(const std::vector<ScoreBand> &bands, const QList<double> &totals)
{
    BandCounts result;
    result.counts.fill(0, qsizetype(bands.size()));
    for (double total : totals) {
        if (const auto band = bandIndex(bands, total))
            ++result.counts[qsizetype(*band)];
        else
            ++result.outside;
    }
    return result;
}

QList<RecordSummary> latestPerPerson(const QList<RecordSummary> &records)
{
    QList<RecordSummary> latest;
    QHash<QString, qsizetype> index; // person and test → place in latest
    for (const RecordSummary &record : records) {
        if (record.person.isEmpty()) {
            latest.append(record);
            continue;
        }
        const auto found = index.constFind(personKey(record));
        if (found == index.cend()) {
            index.insert(personKey(record), latest.size());
            latest.append(record);
        } else if (finishedAfter(record, latest[*found])) {
            latest[*found] = record;
        }
    }
    return latest;
}

QString resultClass(const RecordSummary &record, const std::vector<ScoreBand> &bands)
{
    if (!bands.empty()) {
        const auto band = record.total ? bandIndex(bands, *record.total) : std::nullopt;
        return band ? toQString(bands[*band].text) : QString();
    }
    return record.verdict;
}

QList<std::pair<QString, int>> countClasses(const QList<RecordSummary> &records, const std::vector<ScoreBand> &bands)
{
    std::map<QString, int> counts;
    for (const RecordSummary &record : records) {
        const QString found = resultClass(record, bands);
        if (!found.isEmpty())
            ++counts[found];
    }
    QList<std::pair<QString, int>> result(counts.begin(), counts.end());
    std::stable_sort(result.begin(), result.end(), [](const auto &a, const auto &b) { return a.second > b.second; });
    return result;
}

QList<std::pair<QString, TotalsSummary>> summariseFigures(const QList<RecordSummary> &records)
{
    QStringList names;
    QHash<QString, QList<double>> values;
    for (const RecordSummary &record : records) {
        for (const ShownResult::Figure &figure : record.figures) {
            const auto value = Record::numberShown(figure.value);
            if (!value)
                continue;
            if (!names.contains(figure.name))
                names << figure.name;
            values[figure.name] << *value;
        }
    }
    QList<std::pair<QString, TotalsSummary>> result;
    for (const QString &name : std::as_const(names))
        result.append({name, *summarise(values.value(name))});
    return result;
}

SittingsCompared compareSittings(
    const QList<RecordSummary> &earlier, const QList<RecordSummary> &later, const std::vector<ScoreBand> &bands)
{
    QHash<QString, const RecordSummary *> before;
    for (const RecordSummary &record : earlier) {
        if (!record.person.isEmpty())
            before.insert(personKey(record), &record);
    }
    SittingsCompared result;
    double change = 0;
    int changed = 0;
    for (const RecordSummary &record : later) {
        const RecordSummary *first = record.person.isEmpty() ? nullptr : before.value(personKey(record));
        if (!first)
            continue;
        ++result.n;
        ++result.moves[{resultClass(*first, bands), resultClass(record, bands)}];
        if (first->total && record.total) {
            change += *record.total - *first->total;
            ++changed;
        }
    }
    if (changed > 0)
        result.meanChange = change / changed;
    return result;
}

QList<FollowUpEntry> followUpList(
    const QList<RecordSummary> &latest, const QList<RecordSummary> &history, const std::vector<ScoreBand> &bands, const QStringList &marked)
{
    // Each person's sitting just before the latest counted.
    QHash<QString, const RecordSummary *> previous;
    QHash<QString, const RecordSummary *> counted;
    for (const RecordSummary &record : latest)
        counted.insert(personKey(record), &record);
    for (const RecordSummary &record : history) {
        const RecordSummary *last = counted.value(personKey(record));
        if (record.person.isEmpty() || !last || !finishedAfter(*last, record))
            continue;
        const RecordSummary *&best = previous[personKey(record)];
        if (!best || finishedAfter(record, *best))
            best = &record;
    }
    QList<FollowUpEntry> list;
    for (const RecordSummary &record : latest) {
        const QString result = resultClass(record, bands);
        if (record.person.isEmpty() || !marked.contains(result))
            continue;
        const RecordSummary *before = previous.value(personKey(record));
        // Two people of one name are told apart by their codes.
        const QString who = record.personKey.isEmpty() || record.personKey == record.person
            ? record.person
            : QStringLiteral("%1（%2）").arg(record.person, record.personKey);
        list.append({who, record.total ? plainNumber(*record.total) : QString(), result,
            before ? resultClass(*before, bands) : QString()});
    }
    std::sort(list.begin(), list.end(), [](const FollowUpEntry &a, const FollowUpEntry &b) { return a.person < b.person; });
    return list;
}

} // namespace zentrova
