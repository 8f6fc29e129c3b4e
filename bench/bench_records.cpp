// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What keeping a result costs. Prints the median time to store one record in
// a file that already holds 10,000 (a write that survives a power cut, so
// bound by the disk's flushes), what the result click itself pays (making
// the record, hashing the bank, handing it to a worker thread), reading the
// summaries of 10,000 records, and hashing the shipped bank.
//
//   bench_records [BANK]    (the bank of the build tree by default)

#include "framework/questionbank.h"
#include "records/localstore.h"
#include "records/recordstore.h"
#include "timing.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <unistd.h>
#include <vector>

using namespace zentrova;

namespace {

constexpr int Records = 10000;

ShownResult typicalResult()
{
    ShownResult shown{"frm你可断吗", 14, {{"总分", "23"}}, {}, {}};
    for (int item = 1; item <= 25; ++item)
        shown.answers.append({QString::number(item), "B：有时如此"});
    return shown;
}

// One flush of a small write to the disk under folder: what a durable
// write costs at least, several times over.
double flushMs(const QString &folder)
{
    const QByteArray path = QFile::encodeName(folder + "/flush");
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const double ms = medianMs(21, [fd] {
        if (::pwrite(fd, "x", 1, 0) == 1)
            ::fdatasync(fd);
    });
    ::close(fd);
    ::unlink(path.constData());
    return ms;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The bank is built beside the program, one folder up from the benchmarks.
    setProgramFolder(QDir(QCoreApplication::applicationDirPath() + "/..").absolutePath());
    const QString bank = argc > 1 ? QString::fromLocal8Bit(argv[1]) : bankPath();
    const QString bankHash = fileSha256(bank);
    if (bankHash.isEmpty()) {
        std::fprintf(stderr, "bench_records: cannot read the bank %s\n", qPrintable(bank));
        return 1;
    }
    const Record record = Record::fromShown(typicalResult(), "你可断吗？", "张三", bankHash);

    // Filled in memory where there is a memory file system (flushes cost
    // nothing there), then measured on the disk.
    QTemporaryDir onDisk;
    QTemporaryDir inMemory(QDir("/dev/shm").exists() ? "/dev/shm/bench_records-XXXXXX" : onDisk.filePath("fill-XXXXXX"));
    RecordStore filling(inMemory.filePath("records.db"));
    for (int i = 0; i < Records; ++i)
        filling.add(record);
    const QString path = onDisk.filePath("records.db");
    QFile::copy(filling.path(), path);
    RecordStore store(path);

    const double add = medianMs(51, [&] { store.add(record); });
    LocalStore shell(path);
    const double click = medianMs(51, [&] {
        const Record made = Record::fromShown(typicalResult(), "你可断吗？", "张三", fileSha256(bank));
        shell.keep(made);
    });
    shell.count({})->waitForDone(); // after every save before it
    qsizetype listed = 0;
    const double summaries = medianMs(21, [&] { listed = store.summaries().value_or(QList<RecordSummary>()).size(); });
    const double hash = medianMs(51, [&] { fileSha256(bank); });

    std::printf("store one record in a file of %d:  %7.2f ms  (one disk flush here: %.2f ms)\n", Records, add, flushMs(onDisk.path()));
    std::printf("result click (record, bank hash, hand-over): %7.3f ms\n", click);
    std::printf("summaries of %lld records:               %7.2f ms\n", qlonglong(listed), summaries);
    std::printf("SHA-256 of the bank (%lld bytes):        %7.3f ms\n", qlonglong(QFileInfo(bank).size()), hash);
    return 0;
}
