// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The lenient reading of tallies and scores, on any text: it always gives a
// finite number, agrees with the strict reading wherever that succeeds, and
// reads the leading number as the C library does.
#include "framework/numbergrammar.h"
#include "framework/numbers.h"

#include <QString>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const double lenient = zentrova::lenientNumber(text);
    if (!std::isfinite(lenient))
        std::abort();

    if (const auto strict = zentrova::strictNumber(text); strict && *strict != lenient)
        std::abort();

    // The leading number, read independently; values too large for a double
    // read as 0 in the program.
    const QStringView trimmed = QStringView(text).trimmed();
    const std::size_t length = zentrova::numberPrefixLength(trimmed.utf16(), std::size_t(trimmed.size()));
    double expected = 0;
    if (length > 0) {
        const std::string prefix = trimmed.first(qsizetype(length)).toString().toStdString();
        char *end = nullptr;
        errno = 0;
        const double value = std::strtod(prefix.c_str(), &end);
        if (end != prefix.c_str() + prefix.size())
            std::abort(); // the grammar accepted what is not a number
        if (std::isfinite(value))
            expected = value;
    }
    if (expected != lenient)
        std::abort();
    return 0;
}
