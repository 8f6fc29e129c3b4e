// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What exporting a large record file costs: builds a record file of N
// records (a total and 25 answers each, as a typical test keeps), exports it
// as CSV as --export-records does, and prints the time and the process's
// peak memory, which the export should keep independent of N; then as SPSS
// and Stata files with a column per item.
//
//   bench_export [N]    (1,000,000 by default)

#include "framework/questionbank.h"
#include "records/recordexport.h"
#include "records/localstore.h"
#include "records/recordstore.h"
#include "records/statfiles.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

using namespace zentrova;

namespace {

double peakRssMb()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// Processor seconds, user and system: on a busy machine the wall clock says
// more about the neighbours.
double cpuSeconds()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The first record through the store, for the schema and the marks; the rest
// copied in one transaction.
bool fill(const QString &path, long long count)
{
    Record record;
    record.window = "frm你可断吗";
    record.caption = "你可断吗？";
    record.finished = QDateTime(QDate(2026, 1, 1), QTime(9, 0), Qt::OffsetFromUTC, 8 * 3600);
    record.elapsedMinutes = 12;
    record.figures = {{"总分", "23"}};
    record.verdict = "16－25分";
    for (int item = 1; item <= 25; ++item)
        record.answers.append({QString::number(item), "B：有时如此"});
    record.person = "张三";
    record.programVersion = "1.1";
    record.bankSha256 = QString(64, u'a');
    if (!RecordStore(path).add(record))
        return false;
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    const QByteArray sql = "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN;"
                           "WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i <= "
        + QByteArray::number(count - 1)
        + ") INSERT INTO records (id, window, caption, finished_ms, utc_offset, elapsed_minutes, verdict, person, program_version,"
          " bank_sha256) SELECT i, window, caption, finished_ms + i * 60000, utc_offset, elapsed_minutes, verdict,"
          " '学生' || (i % 500), program_version, bank_sha256 FROM n, records WHERE id = 1;"
          "INSERT INTO figures SELECT r.id, f.position, f.name, r.id % 100 FROM records r, figures f WHERE r.id > 1 AND f.record = 1;"
          "INSERT INTO answers SELECT r.id, a.position, a.item, a.answer FROM records r, answers a WHERE r.id > 1 AND a.record = 1;"
          "COMMIT;";
    const bool filled = sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return filled;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const long long count = argc > 1 ? std::atoll(argv[1]) : 1000000;
    QTemporaryDir dir;
    const QString records = dir.filePath("records.db"), csv = dir.filePath("export.csv");
    QElapsedTimer timer;
    timer.start();
    if (count < 1 || !fill(records, count)) {
        std::fprintf(stderr, "bench_export: cannot build a record file of %lld records in %s\n", count, qPrintable(dir.path()));
        return 1;
    }
    std::printf("record file of %lld records: %.0f MB, built in %.1f s, peak RSS so far %.1f MB\n", count, QFileInfo(records).size() / 1e6,
        timer.nsecsElapsed() / 1e9, peakRssMb());

    RecordStore store(records);
    timer.restart();
    double cpuBefore = cpuSeconds();
    long long read = 0;
    store.forEachRecord([](const QStringList &, const QStringList &) { return true; }, [&](const Record &) { return ++read; });
    std::printf("reading the %lld records alone: %.2f s (processor %.2f s)\n", read, timer.nsecsElapsed() / 1e9, cpuSeconds() - cpuBefore);

    QString error;
    timer.restart();
    cpuBefore = cpuSeconds();
    LocalStore local(records);
    if (!exportCsv(local, csv, &error)) {
        std::fprintf(stderr, "bench_export: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("export to CSV (%.0f MB): %.2f s (processor %.2f s), peak RSS of the process %.1f MB\n", QFileInfo(csv).size() / 1e6,
        timer.nsecsElapsed() / 1e9, cpuSeconds() - cpuBefore, peakRssMb());

    // The items' words and scores come from the bank the build made.
    setBankFile(QCoreApplication::applicationDirPath() + "/../" + BankFileName);
    for (const auto &[name, format] : {std::pair {"export.sav", ExportFormat::Spss}, std::pair {"export.dta", ExportFormat::Stata}}) {
        const QString path = dir.filePath(name);
        timer.restart();
        cpuBefore = cpuSeconds();
        if (!exportStatFile(local, path, format, &error, {"你可断吗？", std::nullopt, {}}, true)) {
            std::fprintf(stderr, "bench_export: %s\n", qPrintable(error));
            return 1;
        }
        std::printf("export to %s with item columns (%.0f MB): %.2f s (processor %.2f s), peak RSS of the process %.1f MB\n", name,
            QFileInfo(path).size() / 1e6, timer.nsecsElapsed() / 1e9, cpuSeconds() - cpuBefore, peakRssMb());
    }
    return 0;
}
