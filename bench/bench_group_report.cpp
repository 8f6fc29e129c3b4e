// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What a group report costs on a large record file. Prints, for a file of
// 100,000 records (50 classes of 40 pupils, each taking the test 50 times),
// the time to read the records' summaries, to work out one class's report,
// to draw its page and to write it as a PDF; and the group report window
// from being made to its page shown, for one class of 40 and for all of
// them. Runs on the offscreen platform unless told otherwise; fewer records
// (the first argument) make it a quick check.
//
//   bench_group_report [RECORDS]

#include "framework/fonts.h"
#include "reports/groupreport.h"
#include "records/localstore.h"
#include "records/recordstore.h"
#include "recordwindows/groupreportwindow.h"
#include "reports/reportpainter.h"
#include "timing.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QTemporaryDir>
#include <QtCore/qtestsupport_core.h>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace zentrova;

namespace {

int Records = 100000;

// One record stored as the program stores it, then copied by SQL: adding
// 100,000 records one call at a time would take minutes.
QString recordFile(const QTemporaryDir &disk)
{
    const QString path = disk.filePath(QStringLiteral("records.db"));
    Record record;
    record.window = QStringLiteral("frm考试焦虑");
    record.caption = QStringLiteral("考试焦虑度测试");
    record.finished = QDateTime(QDate(2026, 9, 1), QTime(8, 0), Qt::OffsetFromUTC, 8 * 3600);
    record.person = QStringLiteral("学生0");
    record.group = QStringLiteral("班级0");
    record.figures = {{QStringLiteral("总分"), QStringLiteral("0")}};
    record.programVersion = QStringLiteral("1.1");
    for (int item = 1; item <= 33; ++item)
        record.answers.append({QString::number(item), QStringLiteral("B：比较符合自己的情况")});
    RecordStore(path).add(record);

    const QByteArray fill = QStringLiteral(R"(
        BEGIN;
        WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1)
        INSERT INTO records (window, caption, finished_ms, utc_offset, elapsed_minutes, verdict, person, program_version,
                             bank_sha256, person_group)
            SELECT window, caption, finished_ms + i * 600000, utc_offset, elapsed_minutes, verdict, '学生' || (i % 2000),
                   program_version, bank_sha256, '班级' || (i % 50)
            FROM records, n WHERE records.id = 1;
        INSERT INTO figures SELECT id, 0, '总分', CAST((id * 37) % 100 AS TEXT) FROM records WHERE id > 1;
        INSERT INTO answers SELECT r.id, a.position, a.item, a.answer FROM records r, answers a WHERE a.record = 1 AND r.id > 1;
        COMMIT;)")
                                .arg(Records - 1)
                                .toUtf8();
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    const int code = sqlite3_exec(db, fill.constData(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return code == SQLITE_OK ? path : QString();
}

} // namespace

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    installFontSubstitutions();
    if (argc > 1)
        Records = std::max(2000, QByteArray(argv[1]).toInt());
    QTemporaryDir disk;
    const QString path = recordFile(disk);
    if (path.isEmpty()) {
        std::fprintf(stderr, "bench_group_report: cannot fill the record file\n");
        return 1;
    }
    RecordStore::setDefaultPath(path);
    RecordStore store(path);

    QList<RecordSummary> summaries;
    const double read = medianMs(5, [&] { summaries = store.summaries().value_or(QList<RecordSummary>()); });
    // The later half of the records' days reported, compared with the earlier half.
    const QDate first(2026, 9, 1);
    const QDate last = first.addDays(qint64(Records) * 10 / (60 * 24));
    const QDate middle = first.addDays(first.daysTo(last) / 2);
    const GroupReportRequest request {QStringLiteral("考试焦虑度测试"), QStringLiteral("班级7"), {middle, last},
        DateRange {first, middle.addDays(-1)}, true, {QStringLiteral("75－99")}};
    QString error;
    std::optional<GroupReport> report;
    const double compute = medianMs(11, [&] { report = makeGroupReport(summaries, request, &error); });
    if (!report) {
        std::fprintf(stderr, "bench_group_report: %s\n", qPrintable(error));
        return 1;
    }
    QImage image(1240, 1754, QImage::Format_RGB32);
    const double draw = medianMs(11, [&] {
        image.fill(Qt::white);
        QPainter painter(&image);
        paintGroupReport(painter, image.rect(), *report);
    });
    const QString pdf = disk.filePath(QStringLiteral("group.pdf"));
    const double write = medianMs(11, [&] { writeGroupReport(*report, pdf, &error); });
    const double whole = medianMs(5, [&] {
        const auto all = store.summaries();
        const auto made = makeGroupReport(*all, request, &error);
        writeGroupReport(*made, pdf, &error);
    });

    // The window asks the store for the test's records of the class alone.
    LocalStore local(path);
    const auto windowMs = [&](const std::optional<QString> &group) {
        return medianMs(5, [&] {
            GroupReportWindow window(local, QStringLiteral("考试焦虑度测试"), group);
            window.show();
            if (!QTest::qWaitFor([&] { return !window.isLoading(); }, 60000) || !window.report())
                error = QStringLiteral("the group report window showed no report");
            window.repaint();
        });
    };
    const double listing = medianMs(3, [&] {
        auto *reply = local.summaries({RecordFilter {QStringLiteral("考试焦虑度测试"), std::nullopt, {}}, SummaryOrder::Finished,
                                       Qt::AscendingOrder, std::nullopt, 0});
        reply->waitForDone();
    });
    const double oneGroup = windowMs(QStringLiteral("班级7"));
    const double everyGroup = windowMs(std::nullopt);

    std::printf("read the summaries of %lld records:         %7.1f ms\n", qlonglong(summaries.size()), read);
    std::printf("work out one class's report (%d people, %d records): %5.1f ms\n", report->tested, report->records, compute);
    std::printf("draw its page (1240 px wide):               %7.1f ms\n", draw);
    std::printf("write it as a PDF (%lld bytes):             %7.1f ms\n", qlonglong(QFileInfo(pdf).size()), write);
    std::printf("all of it, from the file to the PDF:        %7.1f ms  (target 1000 ms)\n", whole);
    std::printf("the store's listing of the test's %d records:  %6.1f ms\n", Records, listing);
    std::printf("group report window, one class of 40 in %d records: %6.1f ms  (target 200 ms)\n", Records, oneGroup);
    std::printf("group report window, all %d records:             %6.1f ms  (target 1000 ms)\n", Records, everyGroup);
    if (!error.isEmpty())
        std::fprintf(stderr, "bench_group_report: %s\n", qPrintable(error));
    image.save(disk.filePath(QStringLiteral("group.png")));
    if (qEnvironmentVariableIsSet("BENCH_KEEP_PAGE"))
        QFile::copy(pdf, qEnvironmentVariable("BENCH_KEEP_PAGE"));
    return error.isEmpty() ? 0 : 1;
}
