// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A question asked on the controlling terminal (/dev/tty), not on standard
// input, which may be a file or a pipe: a password without echo, or a yes.
#pragma once

#include <optional>
#include <string>

namespace zentrova {

// The line typed after prompt, without its line break; nullopt without a
// terminal. With echo false the typing is not shown (a password).
std::optional<std::string> askOnTerminal(const std::string &prompt, bool echo);

} // namespace zentrova
