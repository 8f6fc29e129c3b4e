// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A record's total worked out again from its answers, with the bank's own
// scoring as the test's window adds it up (the catalogue's Scoring: a weight
// per answer, or the score field of the answer in the item's row), so that
// figures a seat could have forged are found out.
#pragma once

#include "record.h"

#include <QHash>
#include <QString>

#include <map>
#include <optional>

namespace zentrova {

class Rescorer
{
public:
    // bankPath: the bank the program runs with; a record taken with another
    // (its SHA-256 differs) cannot be checked against it.
    explicit Rescorer(QString bankPath);

    // Why the record's total does not follow from its answers, in a
    // sentence; empty where it does, or where its test shows no total.
    QString doubt(const Record &record);

private:
    // A test's item rows: item number → field → value; nullopt where the
    // bank's table could not be read.
    using Rows = QHash<int, QHash<QString, QString>>;
    const std::optional<Rows> &rowsOf(const QString &window);

    QString m_bankPath;
    std::optional<QString> m_bankSha256;
    std::map<QString, std::optional<Rows>> m_rows;
};

} // namespace zentrova
