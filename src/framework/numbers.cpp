// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "numbers.h"

#include "numbergrammar.h"

#include <QString>

#include <charconv>
#include <cmath>

namespace zentrova {

namespace {

qsizetype prefixLength(QStringView text)
{
    return qsizetype(numberPrefixLength(text.utf16(), std::size_t(text.size())));
}

std::optional<double> parse(QStringView number)
{
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

double lenientNumber(const QString &text)
{
    const QStringView trimmed = QStringView(text).trimmed();
    const qsizetype length = prefixLength(trimmed);
    if (length == 0)
        return 0;
    return parse(trimmed.first(length)).value_or(0);
}

std::optional<double> strictNumber(const QString &text)
{
    const QStringView trimmed = QStringView(text).trimmed();
    if (trimmed.isEmpty() || prefixLength(trimmed) != trimmed.size())
        return std::nullopt;
    return parse(trimmed);
}

QString plainNumber(double value)
{
    if (value == 0 || !std::isfinite(value))
        return QStringLiteral("0");
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

} // namespace zentrova
