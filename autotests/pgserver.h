// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A PostgreSQL server of the test's own: a new cluster in a temporary
// folder, listening only on a Unix socket there, stopped and removed with
// the object. No other cluster is ever touched. As root it runs as the
// postgres user, since initdb refuses root.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace zentrova::testing {

class PgServer
{
public:
    PgServer() = default;
    ~PgServer();
    PgServer(const PgServer &) = delete;
    PgServer &operator=(const PgServer &) = delete;

    // Makes and starts the cluster, with database dbname; empty error() on
    // success. Every login is trusted on its socket.
    bool start(const QString &dbname = QStringLiteral("centre"));
    void stop();
    // Starts it again after stop(), on the same data.
    bool restart();

    // A libpq connection string for user on the test's database.
    QString conninfo(const QString &user) const;
    // Runs SQL as the superuser; false with error() on failure.
    bool exec(const QString &sql);

    const QString &error() const { return m_error; }
    QString socketFolder() const { return m_dir.path(); }

private:
    bool run(const QString &program, const QStringList &arguments);

    QTemporaryDir m_dir {QStringLiteral("/tmp/zentrova-pg-XXXXXX")};
    QString m_dbname;
    QString m_error;
    bool m_running = false;
};

} // namespace zentrova::testing
