// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A test's items as its bank table words and scores them, for the files a
// statistics program reads and for the item analysis: an answer kept as
// "B：有时如此" becomes the number the test adds to its total.
#pragma once

#include <QHash>
#include <QString>

#include <optional>
#include <vector>

namespace zentrova {

class ItemScores
{
public:
    // The items of a test window's table in the bank of this run. A window
    // that reads no table has none; a bank that cannot be read gives
    // nullopt with why in error.
    static std::optional<ItemScores> read(const QString &window, QString *error);

    // Whether the test adds answers up (by its bank fields or by fixed
    // weights); otherwise score() has nothing to give.
    bool scored() const { return m_scored; }
    // The item's words ("考试前的几天……"); empty where the bank has none.
    // An item is numbered as records keep it: "12", or "12（2）" for the
    // second statement of item 12.
    QString text(const QString &item) const;
    // What the test scores an answer to the item; none where it does not
    // score it or the answer is none of the item's.
    std::optional<double> score(const QString &item, const QString &answer) const;

private:
    struct Item {
        QString text;
        std::vector<std::vector<std::optional<double>>> scores; // per statement, per answer
    };
    const Item *find(const QString &item, int *statement) const;

    bool m_scored = false;
    std::vector<int> m_weights;
    QHash<int, Item> m_items; // by item number
};

} // namespace zentrova
