// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The one store of a run, chosen once at start by the computer's role: the
// user's record file (personal use, --records naming another), the seat's
// hand-in service (a centre's seat), or the centre's server (a counsellor).
// Nothing else in the program asks which role it plays.
#pragma once

#include "records/store.h"

#include <memory>

namespace zentrova {

// How a counsellor is asked for the server's password, where libpq's own
// sources give none: on the controlling terminal, or in a dialog.
enum class PasswordPrompt { Terminal, Dialog };

std::unique_ptr<Store> openRunStore(PasswordPrompt prompt);

// The person --person names, as the run's store files it into person: at a
// seat a 测评码, taken as the question before a test takes it
// (11010519491231002x as …X). The sentence that refuses one, else empty.
QString personOfRun(const QString &given, QString *person);

} // namespace zentrova
