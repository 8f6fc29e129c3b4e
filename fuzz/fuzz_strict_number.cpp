// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The strict reading of item numbers, on any text: what it accepts the
// lenient reading reads alike, and the plain decimal text the program writes
// back for the value reads as the same value again.
#include "framework/numbers.h"

#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto strict = zentrova::strictNumber(text);
    if (!strict)
        return 0;
    if (!std::isfinite(*strict) || zentrova::lenientNumber(text) != *strict)
        std::abort();

    const QString written = zentrova::plainNumber(*strict);
    const auto reread = zentrova::strictNumber(written);
    if (!reread || *reread != *strict)
        std::abort();
    return 0;
}
