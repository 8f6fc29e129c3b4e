// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "itemscores.h"

#include "framework/bankcatalog.h"
#include "framework/numbers.h"
#include "framework/questionbank.h"
#include "framework/strings.h"
#include "recordexport.h"

#include <QRegularExpression>
#include <QStringList>

namespace zentrova {

namespace {

const QString NumberField = QStringLiteral("测试题号");

// Which answer of an item a code is: A, B, … in order, or 是 then 否.
std::optional<std::size_t> answerIndex(const QString &answer)
{
    const QString code = answerCode(answer);
    if (code == QStringLiteral("是"))
        return 0;
    if (code == QStringLiteral("否"))
        return 1;
    if (code.size() == 1 && code.front() >= u'A' && code.front() <= u'Z')
        return std::size_t(code.front().unicode() - u'A');
    return std::nullopt;
}

} // namespace

std::optional<ItemScores> ItemScores::read(const QString &window, QString *error)
{
    ItemScores items;
    const BankTable *table = bankTableForWindow(window.toStdString());
    if (!table)
        return items;
    const Scoring &scoring = table->scoring;
    items.m_weights = scoring.weights;
    items.m_scored = scoring.noTotal.empty() && (!scoring.weights.empty() || !scoring.fields.empty());
    QStringList fields;
    for (std::string_view field : table->fields())
        fields << toQString(field);
    // The words are in the second field the window binds (its first is the
    // number, where it shows one).
    const QString textField = fields.contains(NumberField) ? fields.value(1) : fields.value(0);
    RecordCursor cursor;
    if (!cursor.open(bankPath(), toQString(table->table), fields, error))
        return std::nullopt;
    for (int row = 1; !cursor.isPastEnd(); ++row, cursor.next()) {
        const int number = fields.contains(NumberField) ? cursor.value(NumberField).toInt() : row;
        if (number < scoring.firstItem || number >= scoring.firstItem + table->itemCount)
            continue;
        Item &item = items.m_items[number];
        item.text = cursor.value(textField).trimmed();
        for (const auto &statement : scoring.fields) {
            std::vector<std::optional<double>> scores;
            for (std::string_view field : statement)
                scores.push_back(strictNumber(cursor.value(toQString(field)).trimmed()));
            item.scores.push_back(std::move(scores));
        }
    }
    return items;
}

const ItemScores::Item *ItemScores::find(const QString &item, int *statement) const
{
    static const QRegularExpression numbered(QStringLiteral("^(\\d+)(?:（(\\d+)）)?$"));
    const QRegularExpressionMatch match = numbered.match(item.trimmed());
    if (!match.hasMatch())
        return nullptr;
    *statement = match.captured(2).isEmpty() ? 1 : match.captured(2).toInt();
    const auto found = m_items.constFind(match.captured(1).toInt());
    return found == m_items.cend() ? nullptr : &*found;
}

QString ItemScores::text(const QString &item) const
{
    int statement = 1;
    const Item *found = find(item, &statement);
    return found ? found->text : QString();
}

std::optional<double> ItemScores::score(const QString &item, const QString &answer) const
{
    int statement = 1;
    const Item *found = find(item, &statement);
    const std::optional<std::size_t> index = answerIndex(answer);
    if (!m_scored || !found || !index)
        return std::nullopt;
    if (!m_weights.empty())
        return *index < m_weights.size() ? std::optional<double>(m_weights[*index]) : std::nullopt;
    if (statement < 1 || std::size_t(statement) > found->scores.size() || *index >= found->scores[statement - 1].size())
        return std::nullopt;
    return found->scores[statement - 1][*index];
}

} // namespace zentrova
