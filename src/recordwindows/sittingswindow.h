// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A centre's sittings (测评场次) for a counsellor: which are open for which
// class and tests, opening one, closing one early. Results that arrive
// outside every sitting, or of a code not in the sitting's class, are kept
// and marked by the server. Every request goes through the store and is
// answered later, so the window never waits for the server.
#pragma once

#include "records/store.h"

#include <QDialog>
#include <QPointer>

class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace zentrova
{

class SittingsWindow : public QDialog
{
    Q_OBJECT

public:
    // tests: those a sitting may be opened for, in the order offered.
    SittingsWindow(Store &store, const QList<StoreFacets::Test> &tests, QWidget *parent = nullptr);
    ~SittingsWindow() override;

    // Asks the store for the sittings again.
    void refresh();

private:
    void openSitting();
    void closeSitting();
    void showSittings(const QList<Sitting> &sittings);
    // While a request runs, nothing else can be asked.
    void setBusy(bool busy);
    void fail(const QString &error);

    Store &m_store;
    const QList<StoreFacets::Test> m_offered;
    QTableWidget *m_table;
    QLineEdit *m_class;
    QListWidget *m_tests;
    QDateTimeEdit *m_opens;
    QDateTimeEdit *m_closes;
    QPushButton *m_open;
    QPushButton *m_close;
    QPushButton *m_refresh;
    QLabel *m_status;
    QPointer<StoreRequest> m_running;
};

} // namespace zentrova
