// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The records window's table over the run's store: a page of summaries at a
// time as the view scrolls to them, filtered and sorted by the store (in SQL
// on its indexes), so that a million records open as quickly as a hundred.
// The number of records comes separately, so the first page never waits for
// it. A new filter or order starts again and cancels what is still asked.
#pragma once

#include "records/store.h"

#include <QAbstractTableModel>
#include <QPointer>

#include <optional>

namespace zentrova {

class RecordsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Finished, Person, Group, Test, Result, Elapsed, ColumnCount };
    static constexpr int IdRole = Qt::UserRole + 1;
    // Rows asked of the store at a time: a screenful several times over.
    static constexpr int DefaultPageSize = 200;

    explicit RecordsModel(Store &store, QObject *parent = nullptr, int pageSize = DefaultPageSize);
    ~RecordsModel() override;

    // Starts again with this filter, in the present order.
    void setFilter(const RecordFilter &filter);
    const RecordFilter &filter() const { return m_filter; }
    // Starts again as it is: after a record was removed.
    void restart();

    SummaryOrder order() const { return m_order; }
    Qt::SortOrder direction() const { return m_direction; }
    static SummaryOrder orderOf(int column);

    const RecordSummary &summary(int row) const { return m_rows.at(row); }
    // The row of a loaded record, or -1.
    int rowOf(qint64 id) const;
    // How many records the filter takes, once the store has said.
    std::optional<int> recordCount() const { return m_count; }
    // Whether a page or the count is still being read.
    bool isLoading() const { return m_page || m_counting; }
    bool isComplete() const { return m_atEnd; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;
    void sort(int column, Qt::SortOrder order) override;

Q_SIGNALS:
    // A page was read (also an empty one) and its rows, if any, are in.
    void pageArrived();
    void recordCountChanged();
    // The store could not answer; what was loaded stays.
    void failed(const QString &error);

private:
    void cancelRequests();

    Store &m_store;
    const int m_pageSize;
    RecordFilter m_filter;
    SummaryOrder m_order = SummaryOrder::Finished;
    Qt::SortOrder m_direction = Qt::DescendingOrder;
    QList<RecordSummary> m_rows;
    bool m_atEnd = false;
    std::optional<int> m_count;
    QPointer<StoreRequest> m_page;
    QPointer<StoreRequest> m_counting;
};

// How a person is shown where the name may be empty.
QString personText(const QString &person);

// A record named as the delete question names it: "王小明 2026年12月7日 考试焦虑度测试".
QString recordName(const RecordSummary &summary);

// The question asked before removing these records: one named in full, more
// counted with the first three named.
QString deleteQuestion(const QList<RecordSummary> &records);

} // namespace zentrova
