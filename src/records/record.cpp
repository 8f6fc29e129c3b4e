// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "record.h"

#include "framework/bankcatalog.h"
#include "framework/numbergrammar.h"
#include "framework/numbers.h"
#include "framework/strings.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QStringList>

#include <algorithm>

namespace zentrova {

namespace {

const QString TotalName = QStringLiteral("总分");
constexpr QChar IdeographicSpace = u'\u3000';

// The catalogue's band that holds the total, the first where bands overlap.
QString bandText(const QString &window, std::optional<double> total)
{
    const BankTable *table = bankTableForWindow(window.toStdString());
    const auto band = table && total ? bandIndex(table->scoring.bands, *total) : std::nullopt;
    return band ? toQString(table->scoring.bands[*band].text) : QString();
}

} // namespace

const ShownResult::Figure *Record::totalFigure() const
{
    const auto found = std::find_if(figures.begin(), figures.end(), [](const auto &figure) { return figure.name == TotalName; });
    return found == figures.end() ? nullptr : &*found;
}

std::optional<double> Record::total() const
{
    const ShownResult::Figure *figure = totalFigure();
    return figure ? numberShown(figure->value) : std::nullopt;
}

std::optional<double> Record::numberShown(const QString &value)
{
    // Read as the window reads its tally label ("23", "23分"), but a label
    // that shows no number shows no total, rather than a total of 0.
    const QStringView text = QStringView(value).trimmed();
    if (numberPrefixLength(text.utf16(), std::size_t(text.size())) == 0)
        return std::nullopt;
    return lenientNumber(value);
}

QString Record::resultLine() const
{
    QStringList parts;
    for (const ShownResult::Figure &figure : figures)
        parts << figure.name + u' ' + figure.value;
    if (!verdict.isEmpty())
        parts << verdict;
    return parts.join(IdeographicSpace);
}

Record Record::fromShown(const ShownResult &shown, const QString &caption, const QString &person, const QString &bankSha256,
                         const QString &group)
{
    Record record;
    record.window = shown.window;
    record.caption = caption;
    const QDateTime now = QDateTime::currentDateTime();
    record.finished = now.toOffsetFromUtc(now.offsetFromUtc());
    record.elapsedMinutes = shown.elapsedMinutes;
    record.figures = shown.figures;
    record.verdict = shown.verdict.isEmpty() ? bandText(shown.window, record.total()) : shown.verdict;
    record.answers = shown.answers;
    record.person = person;
    record.group = group;
    record.programVersion = QCoreApplication::applicationVersion();
    record.bankSha256 = bankSha256;
    return record;
}

QString fileSha256(const QString &path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace zentrova
