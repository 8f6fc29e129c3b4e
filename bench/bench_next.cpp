// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The cost of one press of "下一题" (tally, clear, move, closing-row check) in
// a test window, on a 10-row and on a 1,000,000-row table.

#include "framework/fonts.h"
#include "framework/questionbank.h"
#include "questionnaires/testwindows.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace zentrova;

namespace {

// Items numbered from 100, so the closing row (34) is never reached.
void makeBank(const QString &folder, int rows)
{
    sqlite3 *db = nullptr;
    sqlite3_open(bankPathIn(folder).toUtf8().constData(), &db);
    sqlite3_exec(db, "CREATE TABLE \"考试焦虑度表\" (\"测试题号\" INTEGER, \"测试题目\" TEXT); BEGIN;", nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO \"考试焦虑度表\" VALUES (?1, '考试前的几天，我常常因为担心考试而睡不好觉。')", -1, &insert, nullptr);
    for (int i = 0; i < rows; ++i) {
        sqlite3_bind_int(insert, 1, 100 + i);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

double medianNextUs(int rows)
{
    QTemporaryDir folder;
    makeBank(folder.path(), rows);
    setProgramFolder(folder.path());
    std::unique_ptr<QDialog> window(createTestWindow("frm考试焦虑", nullptr));
    auto *option = window->findChild<QAbstractButton *>(QStringLiteral("Option1"));
    auto *next = window->findChild<QAbstractButton *>(QStringLiteral("Command1"));
    std::vector<double> samples;
    for (int press = 0; press < 2001; ++press) {
        option->click();
        QElapsedTimer timer;
        timer.start();
        next->click();
        samples.push_back(timer.nsecsElapsed() / 1000.0);
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    installFontSubstitutions();
    const double small = medianNextUs(10);
    const double large = medianNextUs(1000000);
    std::printf("\"下一题\" press: 10 rows %.1f us, 1,000,000 rows %.1f us, ratio %.2f\n", small, large, large / small);
    return 0;
}
