// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A counselling centre against a PostgreSQL server of its own (started here
// in a temporary folder, as the tests do). Prints the time 40 seats take to
// hand in 100 results each, and how long a counsellor's listing of 100,000
// records takes to come from the server, the records window to open on it,
// and their CSV export (rescored, with where each came from).
//
//   bench_centre [RECORDS]      (RECORDS: a smaller run, 2 seats of 2 results)

#include "../autotests/pgserver.h"

#include "centre/centreclient.h"
#include "centre/serversession.h"
#include "centre/serverstore.h"
#include "records/recordexport.h"
#include "records/recordstore.h"
#include "recordwindows/recordswindow.h"
#include "timing.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtCore/qtestsupport_core.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

using namespace zentrova;

namespace {

int Seats = 40;
int ResultsPerSeat = 100;
int CounsellorRecords = 100000;

ShownResult typicalResult()
{
    ShownResult shown {"frm你可断吗", 14, {{"总分", "23"}}, {}, {}};
    // One answer per item, as the server requires.
    for (int item = 1; item <= 11; ++item)
        shown.answers.append({QString::number(item), "是"});
    return shown;
}

int fail(const QString &what)
{
    std::fprintf(stderr, "bench_centre: %s\n", qPrintable(what));
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    // The records window is drawn, but never shown on a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 1) {
        CounsellorRecords = std::max(10, std::atoi(argv[1]));
        Seats = ResultsPerSeat = 2;
    }
    testing::PgServer server;
    if (!server.start())
        return fail(server.error());
    if (QProcess::execute(QStringLiteral(ZENTROVA_CENTRE_TOOL), {"init", server.conninfo("postgres")}) != 0)
        return fail("zentrova-centre init failed");
    QString roles = "CREATE ROLE teacher LOGIN IN ROLE zentrova_counsellor;";
    for (int seat = 1; seat <= Seats; ++seat)
        roles += QStringLiteral("CREATE ROLE seat%1 LOGIN IN ROLE zentrova_seat;").arg(seat);
    if (!server.exec(roles))
        return fail(server.error());
    const Record record = Record::fromShown(typicalResult(), "你可断吗？", "12345672", "ab12");

    // Seats hand in through their hand-in service: bench_seat times that.
    // Here 40 seats hand results straight to the server, as the service does.
    QElapsedTimer clock;
    clock.start();
    std::vector<std::thread> seats;
    for (int seat = 1; seat <= Seats; ++seat) {
        seats.emplace_back([&, seat] {
            CentreClient client(server.conninfo(QStringLiteral("seat%1").arg(seat)));
            for (int i = 0; i < ResultsPerSeat; ++i)
                client.submit(QUuid::createUuid(), record, QString::number(seat));
        });
    }
    for (std::thread &seat : seats)
        seat.join();
    const double serverAlone = double(clock.nsecsElapsed()) / 1e6;

    // A counsellor's listing over 100,000 records.
    server.exec(QStringLiteral("INSERT INTO zentrova.records (uuid, test_window, caption, finished, utc_offset, verdict, person_code, "
                               "seat_name, program_version, bank_sha256, submitted_by, received) "
                               "SELECT gen_random_uuid(), 'frm你可断吗', '你可断吗？', now() - i * interval '1 minute', 28800, '', "
                               "(i % 500)::text, 'bulk', '1.1', 'ab12', 'seat1', now() FROM generate_series(1, %1) AS i; "
                               "INSERT INTO zentrova.figures SELECT id, 0, '总分', (id % 50)::text FROM zentrova.records "
                               "WHERE seat_name = 'bulk'")
                    .arg(CounsellorRecords));
    setServerModule(QStringLiteral(ZENTROVA_SERVER_MODULE));
    ServerStore counsellor(server.conninfo("teacher"));
    qsizetype listed = 0;
    const double listing = medianMs(5, [&] {
        auto *reply = counsellor.summaries({});
        reply->waitForDone();
        listed = reply->error().isEmpty() ? reply->value().size() : 0;
    });
    if (listed < CounsellorRecords)
        return fail("the counsellor's listing came short");

    // Every record as CSV, each worked out again and with its origin columns.
    qint64 bytes = 0;
    const double exported = medianMs(3, [&] {
        bytes = 0;
        QString error;
        writeCsv(
            counsellor,
            [&](const QByteArray &row) {
                bytes += row.size();
                return true;
            },
            &error);
    });

    // The counsellor's records window, from being made to its first page of
    // rows painted, the server answering on the store's own thread; and on
    // until the count, the filter lists and the charts have come too.
    std::vector<double> shown, settled;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer opening;
        opening.start();
        RecordsWindow opened(counsellor);
        opened.show();
        auto *table = opened.findChild<QTableView *>(QStringLiteral("tblRecords"));
        if (!QTest::qWaitFor([&] { return table->model()->rowCount() > 0; }, 60000))
            return fail("the counsellor's window showed no rows");
        table->viewport()->repaint();
        shown.push_back(double(opening.nsecsElapsed()) / 1e6);
        if (!QTest::qWaitFor([&] { return !opened.isBusy(); }, 60000))
            return fail("the counsellor's window never settled");
        settled.push_back(double(opening.nsecsElapsed()) / 1e6);
    }
    const auto median = [](std::vector<double> samples) {
        std::sort(samples.begin(), samples.end());
        return samples[samples.size() / 2];
    };
    const double window = median(shown);

    // Of which the server's answer alone, as the listing asks for it.
    const auto raw = pg::connect(server.conninfo("teacher").toStdString());
    const double answer = medianMs(5, [&] {
        pg::exec(raw.get(),
            "SELECT l.id, (extract(epoch FROM l.finished) * 1000)::bigint, l.utc_offset, l.person_code, "
            "l.person_name, l.test_window, l.caption, l.elapsed_minutes, l.verdict, f.name, f.value "
            "FROM zentrova.record_list l LEFT JOIN zentrova.record_figures f ON f.record = l.id "
            "ORDER BY l.finished DESC, l.id DESC, f.position");
    });

    std::printf("%d seats x %d results straight to the server: %8.0f ms\n", Seats, ResultsPerSeat, serverAlone);
    std::printf(
        "counsellor's listing of %lld records:      %7.0f ms  (the server's answer: %.0f ms)\n", qlonglong(listed), listing, answer);
    std::printf("counsellor's records window on them:         %7.0f ms to the first page, %.0f ms to its charts\n", window,
                median(settled));
    std::printf("counsellor's CSV export of them:             %7.0f ms  (%.1f MB)\n", exported, double(bytes) / 1e6);
    return 0;
}
