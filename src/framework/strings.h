// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The catalogues hold UTF-8 string views; the widgets want QStrings.
#pragma once

#include <QString>

#include <string_view>

namespace zentrova {

inline QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

} // namespace zentrova
