// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Records as text for scripts and spreadsheets: a line each for listing, a
// CSV table for export.
#pragma once

#include "groupstats.h"
#include "recordstore.h"
#include "store.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace zentrova {

// Id, finished time (ISO 8601 with its offset), person, test caption and
// result line, tab-separated, one line whatever the fields hold: a backslash,
// tab, line break, carriage return and NUL inside read \\, \t, \n, \r and \0,
// other control characters \xNN, and the Unicode line separators \uNNNN.
// With origin (a centre's records), then the 测评码, seat, login, arrival and
// marks (see OriginColumns).
QString listingLine(const RecordSummary &summary, bool origin = false);

// What a centre's listing and export add for each record, in this order:
// 测评码, 座位, 登录名, 送达时间, 存疑 (the marks, joined by "；").
extern const QStringList OriginColumns;

// The records, oldest first, as CSV that spreadsheet programs open with the
// Chinese intact: UTF-8 with a byte-order mark, CRLF, a header row, the time
// finished in ISO 8601 with its offset, the program as "Zentrova 1.2" (text,
// not a number), a column per figure name and, with itemColumns, a column per item named by its
// number holding the answer's letter or its word (是, 否). Only the records
// that filter takes are written. Text that a spreadsheet would take for a
// formula (starting with =, +, -, @, a tab or a carriage return, and not a
// number) gets a leading apostrophe. Where the store keeps each record's
// origin, the OriginColumns come before the item columns. Handed to write a
// row at a time (or a large buffer at a time), on the store's thread, while
// the reply waits; write returning false stops the walk.
StoreReply<qint64> *streamCsv(Store &store, std::function<bool(const QByteArray &)> write, const RecordFilter &filter = {},
                              bool itemColumns = false);
// streamCsv() by a walk of whole records, whatever faster way the store has.
StoreReply<qint64> *streamCsvByWalk(Store &store, std::function<bool(const QByteArray &)> write, const RecordFilter &filter = {},
                                    bool itemColumns = false);

// streamCsv(), waited for: for the command line. False when write or the
// store fails (then error says why, if it was the store).
bool writeCsv(Store &store, const std::function<bool(const QByteArray &)> &write, QString *error, const RecordFilter &filter = {},
              bool itemColumns = false);

// writeCsv() into a file that is private to the user and appears whole or
// not at all (see SafeSave): an existing file is replaced only on success.
bool exportCsv(Store &store, const QString &path, QString *error, const RecordFilter &filter = {}, bool itemColumns = false);

// One CSV row of fields, formula-guarded and quoted as writeCsv() writes them.
QString csvLine(const QStringList &fields);

// An answer as a value for analysis: its letter ("B" for "B：有时如此"), or
// the answer itself where it has none ("是").
QString answerCode(const QString &answer);

} // namespace zentrova
