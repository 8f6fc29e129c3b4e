// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Text helpers: the catalogues' UTF-8 views as QStrings, and names cut by
// the characters a reader sees rather than by UTF-16 units.
#pragma once

#include <QString>
#include <QValidator>

#include <string_view>

namespace zentrova {

inline QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// How many characters a reader counts in text: a letter with its accents,
// an ideograph outside the basic plane (𠮷) and an emoji with its modifiers
// are one each (grapheme clusters).
qsizetype characterCount(const QString &text);

// The first limit characters of text, counted as above: a character is kept
// whole or left out whole, never cut inside a surrogate pair or a combining
// sequence, which would leave bytes that are no UTF-8 in a saved name.
QString leftCharacters(const QString &text, qsizetype limit);

// Holds a line edit to limit characters, counted as above, where
// QLineEdit::setMaxLength counts UTF-16 units and can keep half a 𠮷. As
// with setMaxLength, what an edit adds beyond the limit is left out, and the
// text already there stays.
class CharacterLimit : public QValidator
{
public:
    CharacterLimit(qsizetype limit, QObject *parent);
    State validate(QString &input, int &position) const override;

private:
    qsizetype m_limit;
};

} // namespace zentrova
