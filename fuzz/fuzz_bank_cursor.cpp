// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Any bytes as a bank file: opening a cursor on it and stepping to the end
// must neither crash nor hang, and a cursor that opened reads its rows.
#include "framework/questionbank.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// Far more rows than a test has; a cursor still moving after this is stuck.
constexpr int MaxSteps = 100000;

const std::string &bankFile()
{
    static const std::string path =
        (std::filesystem::temp_directory_path() / ("zentrova-fuzz-" + std::to_string(getpid()) + ".mdb")).string();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::FILE *file = std::fopen(bankFile().c_str(), "wb");
    if (!file)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size)
        std::abort();
    std::fclose(file);

    zentrova::RecordCursor cursor;
    QString error;
    const QStringList fields = {"测试题号", "测试题目", "选项\"是\""};
    if (!cursor.open(QString::fromStdString(bankFile()), "题表", fields, &error)) {
        if (error.isEmpty() || cursor.isOpen() || cursor.next() || cursor.moveLast())
            std::abort();
        return 0;
    }
    int steps = 0;
    while (!cursor.isPastEnd()) {
        for (const QString &field : fields)
            (void)cursor.value(field);
        if (!cursor.next())
            break; // a read error ends the walk, as it ends a window's step
        if (++steps > MaxSteps)
            std::abort();
    }
    cursor.moveLast();
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    std::atexit([] { std::remove(bankFile().c_str()); });
    return 0;
}
