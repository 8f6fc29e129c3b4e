// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "strings.h"

#include <QTextBoundaryFinder>

namespace zentrova {

namespace {

// Where the first limit characters of text end, in UTF-16 units.
qsizetype characterEnd(const QString &text, qsizetype limit)
{
    QTextBoundaryFinder boundaries(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (qsizetype kept = 0; kept < limit && end < text.size(); ++kept) {
        const qsizetype next = boundaries.toNextBoundary();
        if (next < 0)
            break;
        end = next;
    }
    return end;
}

} // namespace

qsizetype characterCount(const QString &text)
{
    QTextBoundaryFinder boundaries(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (boundaries.toNextBoundary() >= 0)
        ++count;
    return count;
}

QString leftCharacters(const QString &text, qsizetype limit)
{
    return text.left(characterEnd(text, std::max<qsizetype>(limit, 0)));
}

CharacterLimit::CharacterLimit(qsizetype limit, QObject *parent)
    : QValidator(parent)
    , m_limit(limit)
{
}

QValidator::State CharacterLimit::validate(QString &input, int &position) const
{
    if (characterCount(input) <= m_limit)
        return Acceptable;
    // What was typed or pasted ends at the cursor: it gives way, so that
    // the rest of the name stays as it was.
    const QString after = input.mid(position);
    const qsizetype room = m_limit - characterCount(after);
    if (room >= 0) {
        const QString before = leftCharacters(input.left(position), room);
        input = before + after;
        position = int(before.size());
    } else {
        input = leftCharacters(input, m_limit);
        position = int(std::min<qsizetype>(position, input.size()));
    }
    return Acceptable;
}

} // namespace zentrova
