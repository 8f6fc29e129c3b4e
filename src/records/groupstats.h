// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The figures of a group report as plain functions over lists of records and
// of totals: which records count, how they spread over a test's bands, their
// mean and spread, and how two sittings compare. Drawing them is the group
// report's job.
#pragma once

#include "framework/bankcatalog.h"
#include "recordstore.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <utility>

namespace zentrova {

// The window of the test that records name by caption or window name;
// empty where none does.
QString testWindow(const QList<RecordSummary> &records, const QString &test);

// n, mean, standard deviation (with n − 1; none for a single total), median,
// lowest and highest of a list of totals.
struct TotalsSummary {
    int n = 0;
    double mean = 0;
    std::optional<double> sd;
    double median = 0;
    double lowest = 0;
    double highest = 0;
};
std::optional<TotalsSummary> summarise(QList<double> totals);

// How many totals each band holds by the catalogue's rule (the first band
// that holds a total, as a record's band is chosen), and how many none does.
struct BandCounts {
    QList<int> counts; // one per band, in the catalogue's order
    int outside = 0;
};
BandCounts countBands(const std::vector<ScoreBand> &bands, const QList<double> &totals);

// Where one person has several records of a test, the latest (by the
// instant finished; the later stored where two share it). Records without a
// name cannot be told apart: each counts on its own.
QList<RecordSummary> latestPerPerson(const QList<RecordSummary> &records);

// What a record's result is, for counting and comparing: the band holding
// its total where the test has bands, else the verdict the view worded;
// empty where it is neither.
QString resultClass(const RecordSummary &record, const std::vector<ScoreBand> &bands);

// Records per result class, the most frequent first, alike counts by text.
QList<std::pair<QString, int>> countClasses(const QList<RecordSummary> &records, const std::vector<ScoreBand> &bands);

// For tests showing several figures and no total (temperament's four
// totals, a count per letter): each figure name's summary, in the order shown.
QList<std::pair<QString, TotalsSummary>> summariseFigures(const QList<RecordSummary> &records);

// Two sittings of a group, each given as its latest records per person:
// the people named in both, their mean change in total (later minus
// earlier), and how many moved from each result class to each other.
struct SittingsCompared {
    int n = 0;
    std::optional<double> meanChange;
    std::map<std::pair<QString, QString>, int> moves; // (earlier, later) → people
};
SittingsCompared compareSittings(
    const QList<RecordSummary> &earlier, const QList<RecordSummary> &later, const std::vector<ScoreBand> &bands);

// A person whose latest result falls in a band marked for a follow-up.
struct FollowUpEntry {
    QString person;
    QString total; // as the view showed it; empty for a verdict
    QString result; // band or verdict
    QString previous; // result at the sitting before; empty where none
};
// latest: the records the report counts; history: every record of the test
// and group, where each person's sitting before the latest is looked up.
// Nameless records name no one and are left out.
QList<FollowUpEntry> followUpList(const QList<RecordSummary> &latest, const QList<RecordSummary> &history,
    const std::vector<ScoreBand> &bands, const QStringList &marked);

} // namespace zentrova
