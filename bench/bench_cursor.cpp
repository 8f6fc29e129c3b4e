// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Opening a table and moving one row must cost the same on a small and a huge
// table. Prints the median cost of each on a 10-row and a 1,000,000-row table.

#include "framework/questionbank.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace zentrova;

namespace {

QString makeBank(const QTemporaryDir &dir, int rows)
{
    const QString path = dir.filePath(QStringLiteral("bank%1.mdb").arg(rows));
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db, "CREATE TABLE \"题表\" (\"测试题号\" INTEGER, \"测试题目\" TEXT, \"分数A\" NUMERIC); BEGIN;", nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO \"题表\" VALUES (?1, '一道普通的测试题目，文字长度和真实题目差不多。', 3)", -1, &insert, nullptr);
    for (int i = 1; i <= rows; ++i) {
        sqlite3_bind_int(insert, 1, i);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return path;
}

double median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

struct Costs {
    double openUs;
    double nextUs;
};

Costs measure(const QString &path)
{
    constexpr int Rounds = 301;
    const QStringList fields = {"测试题号", "测试题目", "分数A"};
    std::vector<double> opens, nexts;
    for (int round = 0; round < Rounds; ++round) {
        RecordCursor cursor;
        QElapsedTimer timer;
        timer.start();
        cursor.open(path, "题表", fields, nullptr);
        opens.push_back(timer.nsecsElapsed() / 1000.0);
        timer.restart();
        for (int i = 0; i < 8; ++i)
            cursor.next();
        nexts.push_back(timer.nsecsElapsed() / 1000.0 / 8);
    }
    return {median(opens), median(nexts)};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const Costs small = measure(makeBank(dir, 10));
    const Costs large = measure(makeBank(dir, 1000000));
    std::printf("cursor open:  10 rows %8.1f us   1,000,000 rows %8.1f us   ratio %.2f\n", small.openUs, large.openUs, large.openUs / small.openUs);
    std::printf("cursor next:  10 rows %8.2f us   1,000,000 rows %8.2f us   ratio %.2f\n", small.nextUs, large.nextUs, large.nextUs / small.nextUs);
    return 0;
}
