// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The records window: every kept result in a table, newest first, filtered by
// test and person; the selected record's report beside it; and charts of the
// chosen test's totals over time and across its bands.
#pragma once

#include "records/store.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>
#include <optional>

class QComboBox;
class QPushButton;
class QTableView;

namespace zentrova {

class BandCountChart;
class GroupReportWindow;
class RecordsFilter;
class RecordsModel;
class ReportActions;
class PageArea;
class ReportView;
class TotalsChart;

// A main window of its own, so that it reads as a window (not a pane) to a
// screen reader and has a status line for what was saved.
class RecordsWindow : public QMainWindow
{
    Q_OBJECT

public:
    // A top-level window over the store of this run. testOrder lists the
    // tests' windows in the order the filter offers them (the menu's); tests
    // not in it follow by caption. The records come when the store answers.
    explicit RecordsWindow(Store &store, QWidget *parent = nullptr, const QStringList &testOrder = {});
    ~RecordsWindow() override;

    // Reads the records again, keeping the filters; a store that cannot be
    // read is said in a message box and leaves the table empty.
    void reload();

    // Asks, then has the store delete the records selected in the table.
    void deleteSelected();

    // Opens the group report of the test and group the filters choose (the
    // selected record's test where none is chosen).
    GroupReportWindow *showGroupReport();

    // The record whose report shows, if any.
    const std::optional<Record> &shownRecord() const;

    // The shown report in a window of its own, at full size.
    void openReport();

private:
    void fillFilters();
    void fillGroupChoice();
    void applyFilters();
    void showCurrentRecord();
    void showRecord(const std::optional<Record> &record, const QString &note);
    void updateCharts();
    QString chartedTest() const;
    void updateDeleteEnabled();

    QStringList m_testOrder;
    Store &m_store;
    // The answers waited for; one asked again lets the earlier go.
    QPointer<StoreRequest> m_loading;
    QPointer<StoreRequest> m_reading;
    RecordsModel *m_model;
    RecordsFilter *m_filter;
    QTableView *m_table;
    QComboBox *m_testChoice;
    QComboBox *m_personChoice;
    QComboBox *m_groupChoice;
    PageArea *m_area;
    ReportView *m_report;
    QComboBox *m_zoom;
    QPushButton *m_delete;
    QPushButton *m_groupReport;
    QPushButton *m_open;
    QAction *m_deleteAction;
    TotalsChart *m_totals;
    BandCountChart *m_bands;
    QWidget *m_charts;
    ReportActions *m_actions;
};

} // namespace zentrova
