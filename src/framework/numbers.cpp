#include "numbers.h"

#include <QString>

#include <charconv>
#include <cmath>

namespace zentrova {

namespace {

// Length of the decimal number at the start of text (sign, digits, one point,
// exponent), or 0 when there is none.
qsizetype numberPrefixLength(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto isDigit = [&](qsizetype at) { return at < n && text[at] >= u'0' && text[at] <= u'9'; };

    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (isDigit(i)) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == u'.') {
        ++i;
        while (isDigit(i)) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    // An exponent counts only when digits follow it.
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            ++j;
        if (isDigit(j)) {
            while (isDigit(j))
                ++j;
            i = j;
        }
    }
    return i;
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
    const qsizetype length = numberPrefixLength(trimmed);
    if (length == 0)
        return 0;
    return parse(trimmed.first(length)).value_or(0);
}

std::optional<double> strictNumber(const QString &text)
{
    const QStringView trimmed = QStringView(text).trimmed();
    if (trimmed.isEmpty() || numberPrefixLength(trimmed) != trimmed.size())
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
