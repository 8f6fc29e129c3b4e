// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// One finished test as kept in the user's record file: what the result view
// showed, the answers given, who took it, when, and with which bank.
#pragma once

#include "framework/shownresult.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace zentrova {

// Where a record came from, as a centre's server saw it arrive; empty in a
// record file of one's own.
struct Provenance {
    QString seat; // the seat's name, as its centre file gives it
    QString login; // the server login that handed it in
    QDateTime arrived; // when the server took it

    friend bool operator==(const Provenance &, const Provenance &) = default;
};

struct Record {
    qint64 id = 0;                      // 0 until stored
    QString window;                     // objectName of the test window
    QString caption;                    // its menu caption, "你有几分克制能力？"
    QDateTime finished;                 // local time, kept with its UTC offset
    std::optional<int> elapsedMinutes;  // timed tests only
    QList<ShownResult::Figure> figures; // as the result view shows them
    // The verdict the view words, or else the band of the catalogue that holds
    // the total; empty where there is neither.
    QString verdict;
    QList<ShownResult::Answer> answers;
    QString person;                     // empty when no name was set
    QString group;                      // the person's class or group; empty when none was set
    QString programVersion;
    QString bankSha256;                 // hex, of the bank the test was taken with
    // At a centre: the 测评码 that tells people apart, where the record came
    // from, and why it is doubtful (one sentence each; none once accepted).
    QString personKey;
    Provenance provenance;
    QStringList marks;

    // The figure named 总分, where the view shows one.
    const ShownResult::Figure *totalFigure() const;
    // That figure read as a number, where it shows one.
    std::optional<double> total() const;
    // The name of the figure that holds the total.
    static const QString TotalName;
    // A figure's value read as a number, where it shows one ("23", "23分").
    static std::optional<double> numberShown(const QString &value);
    // The verdict, and where it names a band the band's meaning as the
    // window words it: "50－74　中度焦虑".
    QString conclusion() const;
    // Figures and conclusion in one line: "总分 60　50－74　中度焦虑".
    QString resultLine() const;

    // A record of a result just shown, finished now.
    static Record fromShown(const ShownResult &shown, const QString &caption, const QString &person,
                            const QString &bankSha256, const QString &group = {});

    // Equal fields; finished compares the instant (its offset apart).
    friend bool operator==(const Record &, const Record &) = default;
};

// A band's meaning as the test's window words it beside the band (its
// heading, or the first sentence of what it says of the band); empty where
// the window words none.
QString bandMeaning(const QString &window, const QString &band);

// SHA-256 of a file's bytes as lower-case hex (the bank's, for a record);
// empty when the file cannot be read.
QString fileSha256(const QString &path);

} // namespace zentrova
