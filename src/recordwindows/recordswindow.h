// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The records window: the kept results of the run's store in a table, newest
// first, filtered by test, person, group and days; the selected record's
// report beside it; and charts of the chosen test's totals over time and across its
// bands. Everything it shows it asks of the store and draws when answered:
// the window never waits.
#pragma once

#include "records/store.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>
#include <optional>

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableView;

namespace zentrova {

class BandCountChart;
class GroupReportWindow;
class RecordsModel;
class ReportActions;
class PageArea;
class ReportView;
class SittingsWindow;
class TotalsChart;

// A main window of its own, so that it reads as a window (not a pane) to a
// screen reader and has a status line for what was saved.
class RecordsWindow : public QMainWindow
{
    Q_OBJECT

public:
    // A top-level window over the run's store, which must outlive it.
    // tests are the program's, in the order the filter offers them (the
    // menu's); tests not among them follow by caption. The sittings window
    // offers them too.
    explicit RecordsWindow(Store &store, QWidget *parent = nullptr, const QList<StoreFacets::Test> &tests = {});
    ~RecordsWindow() override;

    // Reads the records again, keeping the filters; a store that cannot be
    // read is said once in a message box and leaves the table empty.
    void reload();

    // Asks, then deletes the records selected in the table (the record on
    // show where it is not among them).
    void deleteSelected();

    // Asks, then has the store count the doubtful records among those
    // selected as they stand (at a centre, which logs who accepted them).
    void acceptSelected();

    // The centre's sittings, in a window of their own; none where the store
    // keeps no sittings.
    SittingsWindow *showSittings();

    // Whether anything asked of the store is still unanswered.
    bool isBusy() const;

    // Opens the group report of the test and group the filters choose (the
    // selected record's test where none is chosen).
    GroupReportWindow *showGroupReport();

    // The record whose report shows, if any.
    const std::optional<Record> &shownRecord() const;

    // The shown report in a window of its own, at full size.
    void openReport();

Q_SIGNALS:
    // Nothing asked of the store is unanswered any more.
    void settled();

private:
    void fillFilters(const StoreFacets &facets);
    RecordFilter chosenFilter() const;
    void applyFilters();
    void pageArrived();
    void showCurrentRecord();
    void updateCharts();
    void showCount();
    QString chartedTest() const;
    void updateDeleteEnabled();
    QList<RecordSummary> chosenRecords() const;
    void tellFailure(const QString &error);
    void checkSettled();
    // Keeps a request's reply, so that it is cancelled when the window goes
    // or asks again, and the window knows when it has settled.
    template<typename T, typename Done> void ask(QPointer<StoreRequest> &slot, StoreReply<T> *reply, Done done);

    Store &m_store;
    QList<StoreFacets::Test> m_offered;
    QList<StoreFacets::Test> m_tests;
    bool m_anyRecords = false;
    bool m_failureTold = false; // said once per reading
    QString m_failure; // the last thing the store could not do
    QPointer<StoreRequest> m_facetsReply;
    QPointer<StoreRequest> m_recordReply;
    QPointer<StoreRequest> m_totalsReply;
    QPointer<StoreRequest> m_removeReply;
    qint64 m_asked = 0; // the record whose report is being read
    std::optional<RecordFilter> m_charted; // what the charts show
    RecordsModel *m_model;
    QTableView *m_table;
    QLabel *m_count;
    QComboBox *m_testChoice;
    QComboBox *m_personChoice;
    QComboBox *m_groupChoice;
    QDateEdit *m_since;
    QDateEdit *m_until;
    PageArea *m_area;
    ReportView *m_report;
    QComboBox *m_zoom;
    QPushButton *m_delete;
    QPushButton *m_groupReport;
    QPushButton *m_open;
    QAction *m_deleteAction;
    // Where the store lets a doubtful record be accepted, and keeps sittings.
    QPushButton *m_accept = nullptr;
    QAction *m_acceptAction = nullptr;
    QPointer<StoreRequest> m_acceptReply;
    QPushButton *m_sittings = nullptr;
    TotalsChart *m_totals;
    BandCountChart *m_bands;
    QWidget *m_charts;
    ReportActions *m_actions;
};

} // namespace zentrova
