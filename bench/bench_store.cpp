// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What the record file's store costs the records window at any size. Builds
// a record file of N records by P people in groups of 40, then prints, each
// through the store's own thread as the window asks: opening the window (the
// first page and the filters' lists; apart, the count, which the window does
// not wait for); a page from the middle in each order; the 小组 filter; one group's
// report data; the first save, which checks the whole file once; one save.
//
//   bench_store [N [P]]    (1,000,000 records of 2,000 people by default)

#include "benchfigures.h"
#include "timing.h"
#include "records/localstore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>

using namespace zentrova;
using namespace zentrova::bench;

namespace {

constexpr int GroupSize = 40;

Record sample(const QDateTime &finished)
{
    Record record;
    record.window = "frm考试焦虑";
    record.caption = "考试焦虑度测试";
    record.finished = finished;
    record.elapsedMinutes = 12;
    record.figures = {{"总分", "23"}};
    record.verdict = "16－25分";
    record.person = "学生0";
    record.group = "班级0";
    record.programVersion = "1.2";
    record.bankSha256 = QString(64, u'a');
    return record;
}

// The first record through the store, for the schema and its indexes; the
// rest in one transaction, in three tests.
bool fill(const QString &path, long long count, long long people)
{
    if (!RecordStore(path).add(sample(QDateTime(QDate(2026, 1, 1), QTime(9, 0), Qt::OffsetFromUTC, 8 * 3600))))
        return false;
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    const QByteArray sql = "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN;"
                           "WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i < "
        + QByteArray::number(count)
        + ") INSERT INTO records (id, window, caption, finished_ms, utc_offset, elapsed_minutes, verdict, person, program_version,"
          " bank_sha256, person_group) SELECT i, window || (i % 3), caption || (i % 3), finished_ms + i * 60000, utc_offset,"
          " elapsed_minutes, verdict, '学生' || (i % " + QByteArray::number(people) + "), program_version, bank_sha256,"
          " '班级' || (i / " + QByteArray::number(GroupSize) + ") FROM n, records WHERE id = 1;"
          "INSERT INTO figures SELECT r.id, 0, '总分', r.id % 100 FROM records r WHERE r.id > 1;"
          "COMMIT;";
    const bool filled = sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!filled)
        std::fprintf(stderr, "bench_store: %s\n", sqlite3_errmsg(db));
    sqlite3_close(db);
    return filled;
}

// Waits for a reply as the command line does; leaves the process on failure.
template<typename T> T answer(StoreReply<T> *reply)
{
    reply->waitForDone();
    if (!reply->error().isEmpty()) {
        std::fprintf(stderr, "bench_store: %s\n", qPrintable(reply->error()));
        std::exit(1);
    }
    return reply->value();
}

// Runs step and prints its wall and processor time.
template<typename Step> void measure(const char *what, Step step)
{
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = cpuSeconds();
    step();
    std::printf("%-52s %9.1f ms (processor %7.1f ms)\n", what, timer.nsecsElapsed() / 1e6, (cpuSeconds() - cpuBefore) * 1e3);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // Each figure as it comes: a run at a million records takes minutes.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const long long count = argc > 1 ? std::atoll(argv[1]) : 1000000;
    const long long people = argc > 2 ? std::atoll(argv[2]) : 2000;
    QTemporaryDir dir;
    const QString path = dir.filePath("records.db");
    QElapsedTimer timer;
    timer.start();
    if (count < 2 || people < 1 || !fill(path, count, people)) {
        std::fprintf(stderr, "bench_store: cannot build a record file of %lld records in %s\n", count, qPrintable(dir.path()));
        return 1;
    }
    std::printf("record file of %lld records by %lld people: %.0f MB, built in %.1f s\n", count, people,
        QFileInfo(path).size() / 1e6, timer.nsecsElapsed() / 1e9);

    LocalStore store(path);
    SummaryQuery firstPage;
    firstPage.limit = 100;
    // The window shows its first page without waiting for the count.
    measure("records window: first page and filter lists", [&] {
        auto *page = store.summaries(firstPage);
        auto *facets = store.facets();
        answer(page);
        if (answer(facets).people.size() != std::min(count, people))
            std::exit(1);
    });
    measure("records window: count", [&] {
        if (answer(store.count({})) != count)
            std::exit(1);
    });

    // A page from the middle of the listing, in each order the table sorts by.
    const std::pair<const char *, SummaryOrder> orders[] = {{"finished", SummaryOrder::Finished}, {"person", SummaryOrder::Person},
        {"test", SummaryOrder::Test}, {"group", SummaryOrder::Group}, {"total", SummaryOrder::Total},
        {"elapsed", SummaryOrder::Elapsed}};
    for (const auto &[name, order] : orders) {
        SummaryQuery middle = firstPage;
        middle.order = order;
        middle.after = count / 2;
        const QByteArray what = "page from the middle, by " + QByteArray(name);
        measure(what.constData(), [&] {
            if (answer(store.summaries(middle)).isEmpty())
                std::exit(1);
        });
    }

    SummaryQuery group = firstPage;
    group.filter.group = QStringLiteral("班级%1").arg(count / GroupSize / 2);
    measure("小组 filter: count and first page", [&] {
        auto *counted = store.count(group.filter);
        answer(store.summaries(group));
        answer(counted);
    });

    group.limit = 0;
    measure("group report data: one group's records and totals", [&] {
        auto *totals = store.totals(group.filter);
        if (answer(store.summaries(group)).size() != answer(totals).size())
            std::exit(1);
    });

    const Record kept = sample(QDateTime::currentDateTime());
    measure("first save: checks the whole file once", [&] { answer(store.keep(kept)); });
    // A save waits mostly for the disk, whose flushes vary from one to the next.
    constexpr int Saves = 15;
    const double cpuBefore = cpuSeconds();
    const double saveMs = medianMs(Saves, [&] { answer(store.keep(kept)); });
    std::printf("%-52s %9.1f ms (processor %7.1f ms)\n", "one save, median of 15", saveMs, (cpuSeconds() - cpuBefore) * 1e3 / Saves);

    std::printf("peak RSS of the process: %.1f MB\n", peakRssMb());
    return 0;
}
