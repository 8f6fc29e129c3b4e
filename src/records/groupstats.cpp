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

// The regularised incomplete beta function I_x(a, b), by its continued
// fraction (Lentz's method), on the side where that converges fast.
double incompleteBeta(double x, double a, double b)
{
    if (x <= 0)
        return 0;
    if (x >= 1)
        return 1;
    if (x > (a + 1) / (a + b + 2))
        return 1 - incompleteBeta(1 - x, b, a);
    const double front = std::exp(std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) + a * std::log(x) + b * std::log1p(-x)) / a;
    constexpr double Tiny = 1e-300;
    double c = 1, d = 1 - (a + b) * x / (a + 1);
    d = 1 / (std::abs(d) < Tiny ? Tiny : d);
    double fraction = d;
    for (int m = 1; m <= 1000; ++m) {
        for (const double step :
            {m * (b - m) * x / ((a + 2 * m - 1) * (a + 2 * m)), -(a + m) * (a + b + m) * x / ((a + 2 * m) * (a + 2 * m + 1))}) {
            d = 1 + step * d;
            d = 1 / (std::abs(d) < Tiny ? Tiny : d);
            c = 1 + step / c;
            c = std::abs(c) < Tiny ? Tiny : c;
            fraction *= c * d;
        }
        if (std::abs(c * d - 1) < 1e-15)
            break;
    }
    return front * fraction;
}

// α of the items in columns from a covariance matrix: psych's alpha.1.
std::optional<double> alphaOf(const std::vector<std::vector<double>> &cov, const std::vector<int> &columns)
{
    const double k = double(columns.size());
    double trace = 0, sum = 0;
    for (int i : columns) {
        trace += cov[i][i];
        for (int j : columns)
            sum += cov[i][j];
    }
    if (k < 2 || sum == 0)
        return std::nullopt;
    return (1 - trace / sum) * k / (k - 1);
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

double fQuantile(double p, double d1, double d2)
{
    // P(F <= x) = I_y(d1/2, d2/2) with y = d1 x / (d1 x + d2): the y that
    // gives p, by halving, then x from it.
    double low = 0, high = 1;
    for (int i = 0; i < 200 && high - low > 1e-16; ++i) {
        const double middle = (low + high) / 2;
        (incompleteBeta(middle, d1 / 2, d2 / 2) < p ? low : high) = middle;
    }
    const double y = (low + high) / 2;
    return d2 * y / (d1 * (1 - y));
}

ItemAnalysis analyseItems(const QList<QList<double>> &scores)
{
    ItemAnalysis result;
    result.n = int(scores.size());
    const int columns = scores.isEmpty() ? 0 : int(scores.first().size());
    result.perItem.resize(columns);
    if (result.n < 2)
        return result;
    std::vector<double> means(columns, 0);
    for (const QList<double> &row : scores) {
        for (int i = 0; i < columns; ++i)
            means[i] += row[i] / result.n;
    }
    std::vector<std::vector<double>> cov(columns, std::vector<double>(columns, 0));
    for (const QList<double> &row : scores) {
        for (int i = 0; i < columns; ++i) {
            for (int j = 0; j < columns; ++j)
                cov[i][j] += (row[i] - means[i]) * (row[j] - means[j]) / (result.n - 1);
        }
    }
    std::vector<int> kept;
    for (int i = 0; i < columns; ++i) {
        result.perItem[i].constant = !(cov[i][i] > 1e-12);
        if (!result.perItem[i].constant)
            kept.push_back(i);
    }
    result.items = int(kept.size());
    result.alpha = alphaOf(cov, kept);
    if (result.alpha) {
        const double d1 = result.n - 1, d2 = d1 * (result.items - 1);
        result.alphaInterval
            = std::pair {1 - (1 - *result.alpha) * fQuantile(0.975, d1, d2), 1 - (1 - *result.alpha) * fQuantile(0.025, d1, d2)};
    }
    for (int i : kept) {
        std::vector<int> others;
        std::copy_if(kept.begin(), kept.end(), std::back_inserter(others), [i](int j) { return j != i; });
        double withOthers = 0, othersSum = 0;
        for (int j : others) {
            withOthers += cov[i][j];
            for (int l : others)
                othersSum += cov[j][l];
        }
        ItemFigures &figures = result.perItem[i];
        if (othersSum > 0)
            figures.correctedItemTotal = withOthers / std::sqrt(cov[i][i] * othersSum);
        // With two items psych gives, for the one left, its covariance with
        // the other over its own variance.
        if (kept.size() == 2)
            figures.alphaIfDeleted = cov[i][others.front()] / cov[others.front()][others.front()];
        else
            figures.alphaIfDeleted = alphaOf(cov, others);
    }
    return result;
}

} // namespace zentrova
