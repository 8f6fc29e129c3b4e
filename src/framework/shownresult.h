// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What a test window's result view shows, handed over once when the result
// is shown. The window knows nothing of what becomes of it: the shell keeps
// it as a record.
#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

#include <optional>

namespace zentrova {

struct ShownResult {
    // A number the result view shows, named as the view names it
    // ("总分", "外向", "A型"), with its text exactly as shown.
    struct Figure {
        QString name;
        QString value;
        friend bool operator==(const Figure &, const Figure &) = default;
    };
    // An answer as given: the item number ("12"; "12（2）" for the second
    // statement of a logic self-test item) and the answer in its own words
    // ("B：有时如此", "是").
    struct Answer {
        QString item;
        QString answer;
        friend bool operator==(const Answer &, const Answer &) = default;
    };

    QString window;                     // objectName of the test window
    std::optional<int> elapsedMinutes;  // where the test times itself
    QList<Figure> figures;              // in the order the view shows them
    QString verdict;                    // a verdict the view words, empty where it only shows bands
    QList<Answer> answers;              // in the order given
};

} // namespace zentrova

Q_DECLARE_METATYPE(zentrova::ShownResult)
