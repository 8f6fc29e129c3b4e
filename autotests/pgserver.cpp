// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "pgserver.h"

#include "centre/pg.h"

#include <QFile>
#include <QProcess>

#include <pwd.h>
#include <unistd.h>

namespace zentrova::testing {

namespace {

QString binFolder()
{
    const QString given = qEnvironmentVariable("ZENTROVA_PG_BINDIR");
    return given.isEmpty() ? QStringLiteral("/usr/lib/postgresql/15/bin") : given;
}

} // namespace

PgServer::~PgServer()
{
    stop();
}

bool PgServer::run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    const QString path = binFolder() + u'/' + program;
    if (::geteuid() == 0)
        process.start(QStringLiteral("runuser"), QStringList {"-u", "postgres", "--", path} + arguments);
    else
        process.start(path, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        m_error = program + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAll()) + process.errorString();
        return false;
    }
    return true;
}

bool PgServer::start(const QString &dbname)
{
    m_dbname = dbname;
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    // The server's own user must reach its folder and own its data.
    if (::geteuid() == 0) {
        const passwd *postgres = ::getpwnam("postgres");
        if (!postgres || ::chown(QFile::encodeName(m_dir.path()).constData(), postgres->pw_uid, postgres->pw_gid) != 0) {
            m_error = QStringLiteral("no postgres user to run the server as");
            return false;
        }
    }
    const QString data = m_dir.filePath(QStringLiteral("data"));
    if (!run(QStringLiteral("initdb"), {"--no-sync", "-D", data, "-A", "trust", "-U", "postgres", "-E", "UTF8", "--locale=C.UTF-8"})
        || !restart())
        return false;
    return exec(QStringLiteral("CREATE DATABASE \"%1\"").arg(dbname));
}

bool PgServer::restart()
{
    const QString data = m_dir.filePath(QStringLiteral("data"));
    // fsync off: the cluster is thrown away.
    m_running = run(QStringLiteral("pg_ctl"),
        {"start", "-w", "-D", data, "-l", m_dir.filePath(QStringLiteral("log")), "-o",
            QStringLiteral("-k %1 -c listen_addresses= -F -c max_connections=100").arg(m_dir.path())});
    return m_running;
}

void PgServer::stop()
{
    if (m_running)
        run(QStringLiteral("pg_ctl"), {"stop", "-w", "-m", "fast", "-D", m_dir.filePath(QStringLiteral("data"))});
    m_running = false;
}

QString PgServer::conninfo(const QString &user) const
{
    return QStringLiteral("host=%1 user=%2 dbname=%3").arg(m_dir.path(), user, m_dbname.isEmpty() ? QStringLiteral("postgres") : m_dbname);
}

bool PgServer::exec(const QString &sql)
{
    // CREATE DATABASE runs on the maintenance database.
    const bool maintenance = sql.startsWith(QStringLiteral("CREATE DATABASE"));
    const QString target
        = QStringLiteral("host=%1 user=postgres dbname=%2").arg(m_dir.path(), maintenance ? QStringLiteral("postgres") : m_dbname);
    const auto db = pg::connect(target.toStdString());
    const pg::Result result = pg::exec(db.get(), sql.toUtf8().constData());
    if (pg::succeeded(result.get()))
        return true;
    m_error = QString::fromStdString(pg::lastError(db.get()));
    return false;
}

} // namespace zentrova::testing
