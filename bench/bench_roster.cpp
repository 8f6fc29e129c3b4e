// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A roster import into a centre's server of its own (started here, as the
// tests do): N people (100,000 by default) imported by zentrova-centre into
// an empty roster, then the same file again with every tenth person moved to
// another class (--yes). Prints the time of each and the rows per second.
//
//   bench_roster [N]

#include "../autotests/pgserver.h"

#include "centre/personcode.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace zentrova;

namespace {

int fail(const QString &what)
{
    std::fprintf(stderr, "bench_roster: %s\n", qPrintable(what));
    return 1;
}

// The roster of people, one class of 40 per 40 rows; every tenth moved by shift.
bool writeRoster(const QString &path, int people, int shift)
{
    QByteArray text = "测评码,姓名,班级\n";
    for (int i = 0; i < people; ++i) {
        const std::string digits = std::to_string(1000000 + i);
        const QByteArray code = QByteArray::fromStdString(digits) + personCodeCheck(digits);
        const int group = i / 40 + (i % 10 == 0 ? shift : 0);
        text += code + ",学生" + QByteArray::number(i) + ",\"初" + QByteArray::number(group) + "班\"\n";
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// Milliseconds of one zentrova-centre run; negative when it failed.
double timedImport(const QString &conninfo, const QString &path)
{
    QElapsedTimer clock;
    clock.start();
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tool.start(QStringLiteral(ZENTROVA_CENTRE_TOOL), {"roster", "import", conninfo, path, "--yes"});
    if (!tool.waitForFinished(600000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return -1;
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int people = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    if (people < 1 || people > 8999999)
        return fail(QStringLiteral("N must be 1 to 8999999"));
    testing::PgServer server;
    if (!server.start())
        return fail(server.error());
    if (QProcess::execute(QStringLiteral(ZENTROVA_CENTRE_TOOL), {"init", server.conninfo("postgres")}) != 0)
        return fail(QStringLiteral("zentrova-centre init failed"));
    if (!server.exec(QStringLiteral("CREATE ROLE teacher LOGIN IN ROLE zentrova_counsellor")))
        return fail(server.error());
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("first.csv")), moved = dir.filePath(QStringLiteral("moved.csv"));
    if (!writeRoster(first, people, 0) || !writeRoster(moved, people, 1))
        return fail(QStringLiteral("cannot write the rosters"));
    const QString teacher = server.conninfo(QStringLiteral("teacher"));
    const double fresh = timedImport(teacher, first);
    const double again = fresh < 0 ? -1 : timedImport(teacher, moved);
    if (fresh < 0 || again < 0)
        return fail(QStringLiteral("zentrova-centre roster import failed"));
    std::printf("roster import of %d people into an empty roster: %8.0f ms  (%.0f rows/s)\n", people, fresh, people / fresh * 1000);
    std::printf("the same with every tenth moved (--yes):       %8.0f ms  (%.0f rows/s)\n", again, people / again * 1000);
    return 0;
}
