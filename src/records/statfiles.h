// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Records for statistics programs: SPSS (.sav) and Stata (.dta) files with
// every label, written through ReadStat, and the item analysis of each test
// and group as CSV.
#pragma once

#include "groupstats.h"
#include "store.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace zentrova {

// What an export writes, chosen by the file's suffix: .sav for SPSS and
// PSPP, .dta for Stata, anything else CSV.
enum class ExportFormat { Csv, Spss, Stata };
ExportFormat exportFormat(const QString &path);

// The records the filter takes, oldest first, one case each, as an SPSS or
// Stata file: variables with plain ASCII names and their Chinese labels
// (UTF-8); finished as a date-time of the local clock; figures as numbers;
// the band as a number whose value labels say the band and its meaning;
// with itemColumns, q1 … qN, each labelled with the item's words, holding
// the score the bank gives the answer (or, where the test scores none, the
// answer's place among those given), the answers as value labels. Texts
// are written as they are: no formula guard, statistics programs never run
// a cell. Whole or not at all (see SafeSave).
bool exportStatFile(Store &store, const QString &path, ExportFormat format, QString *error, const RecordFilter &filter = {},
    bool itemColumns = false);

// exportCsv() or exportStatFile(), by the file's suffix.
bool exportRecordsFile(Store &store, const QString &path, QString *error, const RecordFilter &filter = {}, bool itemColumns = false);

// The item analysis of one test in one group: the latest record of each
// person in the filter's days, those with a score for every item counted.
struct GroupItemAnalysis {
    QString window;
    QString caption;
    QString group;
    QStringList items; // item numbers, as records keep them
    QStringList texts; // their words
    int incomplete = 0; // people left out for an item without a score
    ItemAnalysis figures;
};

// The item analyses a walk of the store gathers, per test that scores its
// items and per group (or, without perGroup, all the filter's groups as
// one): a window waits for walk's finished() and, where it has no error,
// takes result() once; nullopt with error where a bank could not be read.
struct ItemAnalysisRequest {
    StoreReply<qint64> *walk = nullptr;
    std::function<std::optional<QList<GroupItemAnalysis>>(QString *error)> result;
};
ItemAnalysisRequest requestItemAnalysis(Store &store, const RecordFilter &filter, bool perGroup);

// requestItemAnalysis(), waited for: for the command line. nullopt with the
// error of the store or the bank.
std::optional<QList<GroupItemAnalysis>> analyseItemsOf(Store &store, const RecordFilter &filter, bool perGroup, QString *error);

// analyseItemsOf() per group as CSV (UTF-8 with a byte-order mark, formula
// guard as the export's), a row per item; whole or not at all.
bool exportItemAnalysis(Store &store, const QString &path, const RecordFilter &filter, QString *error);

} // namespace zentrova
