// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A district's seats against one server: SEATS senders (threads), each
// running the seat service's own sending code on an outbox of its own,
// hand in RESULTS results each into one PostgreSQL server with
// max_connections = 100 (started here, as the tests start theirs). Most
// find the server full at first and wait, as a seat does. Prints the time
// until every result has arrived, and fails unless each arrived exactly once.
//
//   bench_seat [SEATS=1000] [RESULTS=10]

#include "../autotests/pgserver.h"

#include "seatd/sender.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>

#include <atomic>
#include <cstdio>
#include <memory>
#include <vector>

using namespace zentrova;

namespace {

int fail(const QString &what)
{
    std::fprintf(stderr, "bench_seat: %s\n", qPrintable(what));
    return 1;
}

QJsonObject typicalResult()
{
    QJsonArray answers;
    for (int item = 1; item <= 11; ++item) // as many as the test has items
        answers.append(QJsonArray {QString::number(item), "B：有时如此"});
    return {{"uuid", QUuid::createUuid().toString(QUuid::WithoutBraces)}, {"window", "frm你可断吗"}, {"caption", "你可断吗？"},
        {"finished", "2026-12-07T09:26:53.589+08:00"}, {"utcOffset", 8 * 3600}, {"elapsedMinutes", 14}, {"verdict", ""},
        {"person", "12345672"}, {"programVersion", "1.2"}, {"bankSha256", "ab12"},
        {"figures", QJsonArray {QJsonArray {"总分", "23"}}}, {"answers", answers}};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int seats = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int results = argc > 2 ? std::atoi(argv[2]) : 10;
    testing::PgServer server;
    if (!server.start())
        return fail(server.error());
    if (QProcess::execute(QStringLiteral(ZENTROVA_CENTRE_TOOL), {"init", server.conninfo("postgres")}) != 0)
        return fail("zentrova-centre init failed");
    if (!server.exec("CREATE ROLE room LOGIN IN ROLE zentrova_seat"))
        return fail(server.error());

    // Each seat's outbox as its service keeps it, in memory, as each seat
    // would write to a disk of its own.
    QTemporaryDir onDisk;
    QTemporaryDir states(QDir("/dev/shm").exists() ? "/dev/shm/bench_seat-XXXXXX" : onDisk.filePath("seats-XXXXXX"));
    for (int seat = 0; seat < seats; ++seat) {
        seatd::SeatOutbox outbox(states.filePath(QString::number(seat)));
        if (const QString why = outbox.prepare(); !why.isEmpty())
            return fail(why);
        for (int i = 0; i < results; ++i) {
            if (const QString why = outbox.keep(typicalResult()); !why.isEmpty())
                return fail(why);
        }
    }

    seatd::SenderSettings settings;
    settings.link = {server.conninfo("room"), {}, {}, false, 10000};
    // A district's seats fail together; short pauses keep the run short,
    // the jitter spreads them as it does with the service's own.
    settings.retryMinMs = 50;
    settings.retryMaxMs = 2000;
    std::atomic<int> passes = 0, stuck = 0, ready = 0;
    std::atomic<bool> go = false;
    std::vector<std::unique_ptr<QThread>> threads;
    QElapsedTimer clock;
    for (int seat = 0; seat < seats; ++seat) {
        threads.emplace_back(QThread::create([&, seat] {
            seatd::Sender sender(states.filePath(QString::number(seat)), settings);
            // Every seat at once, as a room's seats come back after a
            // network failure.
            ++ready;
            go.wait(false);
            for (int failures = 0;;) {
                ++passes;
                const handin::SendCount count = sender.sendWaiting();
                if (count.waiting == 0 && count.problem.isEmpty())
                    break;
                if (count.setAside > 0 || failures > 200) {
                    ++stuck;
                    break;
                }
                QThread::msleep(seatd::retryPause(++failures, settings.retryMinMs, settings.retryMaxMs));
            }
        }));
        threads.back()->setStackSize(512 * 1024);
        threads.back()->start();
    }
    while (ready < seats)
        QThread::msleep(10);
    clock.start();
    go = true;
    go.notify_all();
    for (auto &thread : threads)
        thread->wait();
    const double seconds = double(clock.elapsed()) / 1000;

    const auto db = pg::connect(server.conninfo("postgres").toStdString());
    const pg::Result counted = pg::exec(db.get(), "SELECT count(*), count(DISTINCT uuid) FROM zentrova.records");
    if (!pg::succeeded(counted.get()))
        return fail(QString::fromStdString(pg::lastError(db.get())));
    const int rows = std::atoi(PQgetvalue(counted.get(), 0, 0));
    const int distinct = std::atoi(PQgetvalue(counted.get(), 0, 1));
    std::printf("%d senders x %d results into one server (max_connections = 100): %.2f s, %d passes, "
                "%d rows, %d distinct, %d senders gave up\n",
        seats, results, seconds, passes.load(), rows, distinct, stuck.load());
    if (rows != seats * results || distinct != rows || stuck > 0)
        return fail(QStringLiteral("expected %1 results, each once").arg(seats * results));
    return 0;
}
