// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Records as text for scripts and spreadsheets: a line each for listing, a
// CSV table for export.
#pragma once

#include "recordstore.h"

#include <QList>
#include <QString>

namespace zentrova {

// Id, finished time (ISO 8601 with its offset), person, test caption and
// result line, tab-separated; tabs and line breaks inside turned to spaces.
QString listingLine(const RecordSummary &summary);

// Writes the records, oldest first, as CSV that spreadsheet programs open
// with the Chinese intact: UTF-8 with a byte-order mark, CRLF, a header row,
// a column per figure name and, with itemColumns, a column per item named by
// its number holding the answer's letter or its word (是, 否). The file is
// private to the user and appears whole or not at all; an existing file is
// replaced only on success.
bool exportCsv(const QList<Record> &records, const QString &path, QString *error, bool itemColumns = false);

// An answer as a value for analysis: its letter ("B" for "B：有时如此"), or
// the answer itself where it has none ("是").
QString answerCode(const QString &answer);

} // namespace zentrova
