// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What looking back costs. Prints the time the records window takes from
// being made to its first page of rows painted, on 10^4, 10^5 and 10^6
// records of 2,000 people in 50 groups; the 小组 filter on 10^5 (from the
// choice to the group's first page painted); scrolling; and the resident
// memory. Runs on the offscreen platform unless told otherwise; a smaller
// largest size (the first argument) makes it a quick check.
//
//   bench_records_window [LARGEST]

#include "benchfigures.h"
#include "framework/fonts.h"
#include "records/localstore.h"
#include "recordwindows/recordswindow.h"
#include "timing.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QProcess>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QtCore/qtestsupport_core.h>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace zentrova;
using namespace zentrova::bench;

namespace {

constexpr int People = 2000;
constexpr int Groups = 50; // of 40 people each

// The first record through the store, for the schema and its indexes; the
// rest copied by SQL in one transaction, in three tests, a record every ten
// minutes.
QString recordFile(const QTemporaryDir &disk, int count)
{
    const QString path = disk.filePath(QStringLiteral("records-%1.db").arg(count));
    Record record;
    record.window = QStringLiteral("frm考试焦虑");
    record.caption = QStringLiteral("考试焦虑度测试");
    record.finished = QDateTime(QDate(2020, 1, 1), QTime(8, 0), Qt::OffsetFromUTC, 8 * 3600);
    record.person = QStringLiteral("学生0");
    record.group = QStringLiteral("班级0");
    record.elapsedMinutes = 12;
    record.figures = {{QStringLiteral("总分"), QStringLiteral("0")}};
    record.verdict = QStringLiteral("25－49");
    if (!RecordStore(path).add(record))
        return {};
    const QByteArray sql = QStringLiteral(R"(
        PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN;
        WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1)
        INSERT INTO records (window, caption, finished_ms, utc_offset, elapsed_minutes, verdict, person, program_version,
                             bank_sha256, person_group)
            SELECT CASE i % 3 WHEN 0 THEN window WHEN 1 THEN 'frm你可断吗' ELSE 'frm知心朋友测试' END,
                   CASE i % 3 WHEN 0 THEN caption WHEN 1 THEN '你可断吗？' ELSE '你有真正的朋友吗' END,
                   finished_ms + i * 600000, utc_offset, i % 30, verdict, '学生' || (i % %2), program_version,
                   bank_sha256, '班级' || (i % %2 % %3)
            FROM records, n WHERE records.id = 1;
        INSERT INTO figures SELECT id, 0, '总分', CAST((id * 37) % 100 AS TEXT) FROM records WHERE id > 1;
        COMMIT;)")
                             .arg(count - 1)
                             .arg(People)
                             .arg(Groups)
                             .toUtf8();
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    const int code = sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr);
    if (code != SQLITE_OK)
        std::fprintf(stderr, "bench_records_window: %s\n", sqlite3_errmsg(db));
    sqlite3_close(db);
    return code == SQLITE_OK ? path : QString();
}

QTableView *tableOf(RecordsWindow &window)
{
    return window.findChild<QTableView *>(QStringLiteral("tblRecords"));
}

// Runs events until the window has every answer it asked for.
bool settle(const RecordsWindow &window)
{
    return QTest::qWaitFor([&] { return !window.isBusy(); }, 120000);
}

// Runs events until the table has rows and paints them once.
bool firstPageShown(RecordsWindow &window)
{
    QTableView *table = tableOf(window);
    const bool shown = QTest::qWaitFor([&] { return table->model()->rowCount() > 0; }, 60000);
    table->viewport()->repaint();
    return shown;
}

// The median of rounds of work timed up to where it says, each round then
// left to settle, so that none pays for the one before.
double medianUntil(int rounds, const std::function<void(QElapsedTimer &timer, double &ms)> &work)
{
    std::vector<double> samples;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        double ms = 0;
        work(timer, ms);
        samples.push_back(ms);
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

double elapsedMs(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

double opening(const QString &path, bool &ok)
{
    return medianUntil(5, [&](QElapsedTimer &timer, double &ms) {
        timer.start();
        LocalStore store(path);
        RecordsWindow window(store);
        window.show();
        ok = firstPageShown(window) && ok;
        ms = elapsedMs(timer);
        ok = settle(window) && ok;
    });
}

double residentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    installFontSubstitutions();
    if (argc == 3 && QByteArray(argv[1]) == "--resident") {
        LocalStore store(QString::fromLocal8Bit(argv[2]));
        RecordsWindow window(store);
        window.show();
        const bool shown = firstPageShown(window);
        const double atFirstPage = residentMb();
        const bool settled = settle(window);
        std::printf("%.0f MB at the first page, %.0f MB settled (peak %.0f MB)\n", atFirstPage, residentMb(), peakRssMb());
        return shown && settled ? 0 : 1;
    }
    const int largest = argc > 1 ? QByteArray(argv[1]).toInt() : 1000000;
    if (largest < 2) {
        std::fprintf(stderr, "usage: bench_records_window [LARGEST]\n");
        return 2;
    }
    QTemporaryDir disk;
    bool ok = true;

    // The window's first page at each size.
    QList<int> sizes;
    for (const int size : {10000, 100000, 1000000}) {
        if (size < largest)
            sizes << size;
    }
    sizes << largest;
    QString filterFile;
    for (const int size : std::as_const(sizes)) {
        const QString path = recordFile(disk, size);
        if (path.isEmpty())
            return 1;
        if (size <= 100000)
            filterFile = path;
        std::printf("records window, first page shown, %7d records: %7.1f ms\n", size, opening(path, ok));
    }

    // Resident memory on the largest file, in a process of its own so that
    // no earlier window's freed memory counts: at the first page, and once
    // the charts too have their totals.
    const QString largestFile = disk.filePath(QStringLiteral("records-%1.db").arg(largest));
    QProcess measured;
    measured.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--resident"), largestFile});
    ok = measured.waitForFinished(300000) && measured.exitCode() == 0 && ok;
    std::printf("resident memory, %d records: %s", largest, measured.readAllStandardOutput().constData());
    {
        LocalStore store(largestFile);
        RecordsWindow window(store);
        window.show();
        ok = firstPageShown(window) && ok;
        ok = settle(window) && ok;

        // A page of rows scrolled at a time, each fetched as it comes into view.
        QTableView *table = tableOf(window);
        QScrollBar *scroll = table->verticalScrollBar();
        const int pages = 100;
        QElapsedTimer timer;
        timer.start();
        for (int page = 1; page <= pages; ++page) {
            QApplication::processEvents(); // the rows read laid out
            scroll->setValue(scroll->maximum());
            ok = settle(window) && ok;
            table->viewport()->repaint();
        }
        std::printf("scroll to the end of what is read, %d times: %.2f ms each (%d rows read)\n", pages,
                    double(timer.nsecsElapsed()) / 1e6 / pages, table->model()->rowCount());
    }

    // The 小组 filter, from the choice to the group's first page painted.
    {
        LocalStore store(filterFile);
        RecordsWindow window(store);
        window.show();
        ok = settle(window) && ok;
        auto *group = window.findChild<QComboBox *>(QStringLiteral("cboGroup"));
        QTableView *table = tableOf(window);
        const int groupCount = group->count();
        int round = 0;
        const double toGroup = medianUntil(5, [&](QElapsedTimer &timer, double &ms) {
            group->setCurrentIndex(0);
            ok = settle(window) && ok;
            timer.start();
            group->setCurrentIndex(1 + round++ % std::max(1, groupCount - 1));
            ok = firstPageShown(window) && ok;
            ms = elapsedMs(timer);
        });
        const double toAll = medianUntil(5, [&](QElapsedTimer &timer, double &ms) {
            group->setCurrentIndex(1);
            ok = settle(window) && ok;
            timer.start();
            group->setCurrentIndex(0);
            ok = firstPageShown(window) && ok;
            ms = elapsedMs(timer);
        });
        std::printf("小组 filter on %lld records, to one group's first page: %6.1f ms  (target 100 ms)\n",
                    qlonglong(filterFile.section(u'-', -1).section(u'.', 0, 0).toLongLong()), toGroup);
        std::printf("back to every group (with the previous group settled):   %6.1f ms\n", toAll);
        ok = ok && table->model()->rowCount() > 0;
    }
    return ok ? 0 : 1;
}
