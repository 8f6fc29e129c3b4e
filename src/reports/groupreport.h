// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A group's report on one test: an A4 page showing how the group spreads
// over the test's bands or verdicts, its totals, how it compares with an
// earlier sitting and, where the counsellor has switched it on, whom a
// conversation may help. Drawn in the single report's style, on screen, into
// a PDF and into a picture alike.
#pragma once

#include "records/groupstats.h"
#include "records/statfiles.h"

#include <QStringList>

class QPainter;
class QRectF;

namespace zentrova {

struct GroupReportRequest {
    QString test; // the test's caption or window name
    std::optional<QString> group; // none: every group
    DateRange range; // the sitting reported
    std::optional<DateRange> earlier; // a sitting to compare it with
    bool followUp = false; // list the people in the marked bands
    QStringList markedBands; // bands (or verdicts) marked for a follow-up
    bool itemAnalysis = false; // set by addItemAnalysis()
};

// The page's figures, worked out from the records.
struct GroupReport {
    GroupReportRequest request;
    QString window;
    QString caption;
    QDate first, last; // days of the first and last record counted
    int records = 0; // records of the group and test in the range
    int tested = 0; // people counted: the latest record of each
    std::vector<ScoreBand> bands;
    BandCounts bandCounts; // where the test has bands
    std::optional<TotalsSummary> totals; // where it shows a total
    QList<std::pair<QString, int>> verdicts; // where it words a verdict instead
    QList<std::pair<QString, TotalsSummary>> figures; // where it shows several figures and neither
    std::optional<SittingsCompared> compared;
    QList<FollowUpEntry> followUp;
    std::optional<GroupItemAnalysis> itemAnalysis; // where addItemAnalysis() added it
    // Doubtful records of the group and test in the range (marked, or
    // damaged), not counted: how many, and how many for each reason.
    int leftOut = 0;
    QList<std::pair<QString, int>> leftOutWhy;
};

// The report over records (of every test and group; newest first or not);
// nullopt when the group has no record of the test in the range, with why in
// error. Only records without marks count; the page says how many it left
// out and why.
std::optional<GroupReport> makeGroupReport(const QList<RecordSummary> &records, const GroupReportRequest &request, QString *error);

// The report's A4 pages: one, and more where the follow-up list goes on.
int groupReportPages(const GroupReport &report);

// Adds the item analysis of the report's test, group and days, from the
// whole records of store (the page's records carry no answers); a test whose
// items the bank does not score gets none. False with why in error when the
// store or the bank cannot be read. Waits for the store: for the command
// line; a window asks requestItemAnalysis() for itemAnalysisFilter() and
// hands the answer to setItemAnalysis().
bool addItemAnalysis(GroupReport &report, Store &store, QString *error);
RecordFilter itemAnalysisFilter(const GroupReport &report);
void setItemAnalysis(GroupReport &report, const QList<GroupItemAnalysis> &analyses);

// Paints page number page (from 0) fitted into target, centred; the white
// is the caller's.
void paintGroupReport(QPainter &painter, const QRectF &target, const GroupReport &report, int page = 0);

// The pages as an A4 PDF.
QByteArray groupReportPdf(const GroupReport &report);

// Writes the pages as a PDF or a PNG (by the suffix), readable by the user
// alone, whole or not at all.
bool writeGroupReport(const GroupReport &report, const QString &path, QString *error);

// The follow-up list's switch (off unless set) and a test's marked bands,
// as kept in the settings.
bool followUpEnabled();
QStringList followUpBands(const QString &window);
void setFollowUp(bool enabled);
void setFollowUpBands(const QString &window, const QStringList &bands);

} // namespace zentrova
