// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What looking back costs. Prints the time the records window takes to open
// on 10 and on 10,000 records (until its first paint), to scroll a page of
// rows and repaint, to sort and to filter all of them, and to write one
// report as a PDF. Runs on the offscreen platform unless told otherwise.
//
//   bench_records_window

#include "framework/fonts.h"
#include "records/localstore.h"
#include "records/recordstore.h"
#include "recordwindows/recordswindow.h"
#include "reports/reportpainter.h"
#include "timing.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

using namespace zentrova;

namespace {

Record examRecord(int n)
{
    Record record;
    record.window = QStringLiteral("frm考试焦虑");
    record.caption = QStringLiteral("考试焦虑度测试");
    record.finished = QDateTime::currentDateTime().addSecs(-600 * n);
    record.person = QStringLiteral("学生%1").arg(n % 40);
    record.figures = {{QStringLiteral("总分"), QString::number(n % 100)}};
    record.verdict = QStringLiteral("25－49");
    record.programVersion = QStringLiteral("1.0");
    for (int item = 1; item <= 33; ++item)
        record.answers.append({QString::number(item), QStringLiteral("B：比较符合自己的情况")});
    return record;
}

// A record file of count records, filled in memory where there is a memory
// file system, then copied to the disk that is measured.
QString recordFile(const QTemporaryDir &disk, int count)
{
    QTemporaryDir memory(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/bench_records_window-XXXXXX")
                                                                   : disk.filePath(QStringLiteral("fill-XXXXXX")));
    RecordStore filling(memory.filePath(QStringLiteral("records.db")));
    for (int n = 0; n < count; ++n)
        filling.add(examRecord(n));
    const QString path = disk.filePath(QStringLiteral("records-%1.db").arg(count));
    QFile::copy(filling.path(), path);
    return path;
}

double openingMs(const QString &path)
{
    RecordStore::setDefaultPath(path);
    LocalStore store(path);
    return medianMs(11, [&] {
        RecordsWindow window(store);
        window.show();
        untilListed(window.findChild<QTableView *>(QStringLiteral("tblRecords")));
        window.repaint();
        QApplication::processEvents();
    });
}

} // namespace

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    installFontSubstitutions();
    QTemporaryDir disk;

    // A smaller file for the smoke run.
    const int count = argc > 1 ? std::max(20, std::atoi(argv[1])) : 10000;
    const double few = openingMs(recordFile(disk, 10));
    const double many = openingMs(recordFile(disk, count));

    LocalStore store;
    RecordsWindow window(store);
    window.show();
    auto *table = window.findChild<QTableView *>(QStringLiteral("tblRecords"));
    untilListed(table);
    QApplication::processEvents();
    QScrollBar *scroll = table->verticalScrollBar();
    const int pages = std::min(200, scroll->maximum() / std::max(1, scroll->pageStep()));
    QElapsedTimer timer;
    timer.start();
    for (int page = 1; page <= pages; ++page) {
        scroll->setValue(page * scroll->pageStep());
        table->viewport()->repaint();
    }
    const double perPage = double(timer.nsecsElapsed()) / 1e6 / std::max(1, pages);
    const double sort = medianMs(5, [&] {
        table->sortByColumn(1, Qt::AscendingOrder);
        table->sortByColumn(0, Qt::DescendingOrder);
    }) / 2;
    auto *person = window.findChild<QComboBox *>(QStringLiteral("cboPerson"));
    const double filter = medianMs(5, [&] {
        person->setCurrentIndex(1);
        person->setCurrentIndex(0);
    }) / 2;

    const Record record = *RecordStore().record(RecordStore().summaries()->first().id);
    const QString pdf = disk.filePath(QStringLiteral("report.pdf"));
    QString error;
    const double report = medianMs(11, [&] { writeReport(record, pdf, &error); });

    std::printf("records window opens, 10 records:       %7.1f ms\n", few);
    std::printf("records window opens, %d records:   %7.1f ms\n", count, many);
    std::printf("scroll one page of %2d rows and repaint: %7.2f ms  (%d pages)\n", scroll->pageStep(), perPage, pages);
    std::printf("sort %d records by a column:        %7.1f ms\n", count, sort);
    std::printf("filter %d records by person:        %7.1f ms\n", count, filter);
    std::printf("write one PDF report (%lld bytes):      %7.1f ms\n", qlonglong(QFileInfo(pdf).size()), report);
    return error.isEmpty() ? 0 : 1;
}
