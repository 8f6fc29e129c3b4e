// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Who takes the tests in this run as --person and --group name them, until
// the main window's record keeping takes them over (and 当前受测者… changes
// them there). Kept for the run only, so that the next person at a shared
// computer does not inherit them.
#pragma once

#include <QString>

namespace zentrova {

struct Subject {
    QString person; // empty: no name
    QString group; // empty: no group
};

Subject &currentSubject();

} // namespace zentrova
