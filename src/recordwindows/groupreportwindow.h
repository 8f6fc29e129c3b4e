// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The group report on screen, for the test and group the records window's
// filters choose: the days of the sitting, an earlier sitting to compare
// with, the follow-up list's switch and its marked bands; saved as a PDF or
// printed as the page shows.
#pragma once

#include "records/store.h"
#include "reports/groupreport.h"

#include <QMainWindow>
#include <QPointer>

class QBoxLayout;
class QCheckBox;
class QDateEdit;
class QToolButton;

namespace zentrova {

class GroupPageView;
class PageArea;

class GroupReportWindow : public QMainWindow
{
    Q_OBJECT

public:
    // The report of test and group (none: every group) as the store, which
    // must outlive the window, lists their records; asked at once, shown
    // when answered.
    GroupReportWindow(Store &store, const QString &test, const std::optional<QString> &group, QWidget *parent = nullptr);
    ~GroupReportWindow() override;

    // The report on show; none where the choices leave no record, or while
    // the records are still being read.
    const std::optional<GroupReport> &report() const;
    // Whether the records are still being read.
    bool isLoading() const { return !m_records; }

    void saveAsPdf();
    void print();

Q_SIGNALS:
    // The records were read (or could not be) and the report is on show.
    void loaded();

private:
    void recordsRead(const QList<RecordSummary> &records);
    void refresh();
    void fillBandMenu();
    void compareLatestSittings(bool on);
    void addItemAnalysisSwitch(QBoxLayout *row);
    void showReport(std::optional<GroupReport> report, QString error);

    Store &m_store;
    std::optional<QList<RecordSummary>> m_records; // none until the store answers
    QPointer<StoreRequest> m_reading;
    QPointer<StoreRequest> m_analysing; // the item analysis waited for
    QString m_test;
    std::optional<QString> m_group;
    QDateEdit *m_since;
    QDateEdit *m_until;
    QCheckBox *m_compare;
    QDateEdit *m_earlierSince;
    QDateEdit *m_earlierUntil;
    QCheckBox *m_followUp;
    QToolButton *m_bands;
    QCheckBox *m_itemAnalysis = nullptr;
    GroupPageView *m_page;
    PageArea *m_area;
    // The days of each sitting found in the records, oldest first: a gap of
    // more than a week between records starts another.
    QList<std::pair<QDate, QDate>> m_sittings;
};

} // namespace zentrova
