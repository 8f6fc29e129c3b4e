// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Qt's own texts (OK and Cancel, the line edits' menus, the file and print
// dialogs) in Chinese, beside the windows' Chinese texts.
#pragma once

namespace zentrova {

// Loads Qt's Simplified-Chinese translations into the running application,
// whatever the system's locale: a user with an English or C locale would
// otherwise meet English dialogs among Chinese windows. Returns false when
// they are not installed (the dialogs then stay English).
bool installQtTranslations();

} // namespace zentrova
