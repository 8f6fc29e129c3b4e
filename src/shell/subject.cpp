// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "subject.h"

namespace zentrova {

Subject &currentSubject()
{
    static Subject subject;
    return subject;
}

} // namespace zentrova
