// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What exporting a large record file costs: builds a record file of N
// records (a total and 25 answers each, as a typical test keeps), exports it
// as CSV as --export-records does, and prints the time and the process's
// peak memory, which the export should keep independent of N; the same
// through the engine's own CSV writer, against sqlite3 -csv writing the same
// columns; then as SPSS and Stata files with a column per item.
//
//   bench_export [N]    (1,000,000 by default)

#include "benchfigures.h"
#include "framework/questionbank.h"
#include "records/recordexport.h"
#include "records/localstore.h"
#include "records/recordstore.h"
#include "records/safesave.h"
#include "records/statfiles.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>

using namespace zentrova;
using namespace zentrova::bench;

namespace {

// The export's columns as SQL: the time with its offset, the total, the
// answers joined, the program named.
const char *const SameColumns
    = "SELECT r.id, strftime('%Y-%m-%dT%H:%M:%S', (r.finished_ms + r.utc_offset * 1000) / 1000, 'unixepoch')"
      " || printf('%s%02d:%02d', iif(r.utc_offset < 0, '-', '+'), abs(r.utc_offset) / 3600, abs(r.utc_offset) / 60 % 60),"
      " r.person, r.person_group, r.caption, r.elapsed_minutes,"
      " (SELECT value FROM figures f WHERE f.record = r.id AND f.name = '总分'), r.verdict,"
      " (SELECT group_concat(a.item || ':' || a.answer, '; ') FROM answers a WHERE a.record = r.id),"
      " 'Zentrova ' || r.program_version, r.bank_sha256 FROM records r ORDER BY r.finished_ms, r.id";

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
    // Each figure as it comes: a run at a million records takes minutes.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
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

    // The engine's own CSV writer against sqlite3's, each writing the same
    // columns of the same file, in processor time (a child's counts once
    // it has been waited for).
    const QString engineCsv = dir.filePath("engine.csv");
    timer.restart();
    cpuBefore = cpuSeconds();
    SafeSave engineFile(engineCsv, QStringLiteral("导出文件"));
    const auto written = engineFile.open()
        ? store.writeCsv({}, false, [&](const char *bytes, size_t size) { return engineFile.write(QByteArray::fromRawData(bytes, qsizetype(size))); })
        : std::nullopt;
    if (!written || !engineFile.commit()) {
        std::fprintf(stderr, "bench_export: %s\n", qPrintable(store.error().isEmpty() ? engineFile.error() : store.error()));
        return 1;
    }
    const double engineCpu = cpuSeconds() - cpuBefore;
    std::printf("engine's CSV writer (%.0f MB): %.2f s (processor %.2f s), peak RSS of the process %.1f MB\n",
        QFileInfo(engineCsv).size() / 1e6, timer.nsecsElapsed() / 1e9, engineCpu, peakRssMb());
    const QString sqlite3 = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (sqlite3.isEmpty()) {
        std::printf("sqlite3 -csv: not compared, the sqlite3 program is not installed\n");
    } else {
        QProcess child;
        child.setStandardOutputFile(dir.filePath("sqlite3.csv"));
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        timer.restart();
        const double childBefore = childCpuSeconds();
        child.start(sqlite3, {QStringLiteral("-csv"), QStringLiteral("-readonly"), records, QString::fromUtf8(SameColumns)});
        if (!child.waitForFinished(-1) || child.exitCode() != 0) {
            std::fprintf(stderr, "bench_export: sqlite3 -csv failed\n");
            return 1;
        }
        const double sqliteCpu = childCpuSeconds() - childBefore;
        std::printf("sqlite3 -csv, the same columns (%.0f MB): %.2f s (processor %.2f s); engine / sqlite3: %.2f\n",
            QFileInfo(dir.filePath("sqlite3.csv")).size() / 1e6, timer.nsecsElapsed() / 1e9, sqliteCpu, engineCpu / sqliteCpu);
    }

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
