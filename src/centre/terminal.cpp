// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "terminal.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace zentrova {

std::optional<std::string> askOnTerminal(const std::string &prompt, bool echo)
{
    const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (tty < 0)
        return std::nullopt;
    termios saved {};
    const bool isTerminal = ::tcgetattr(tty, &saved) == 0;
    termios asking = saved;
    if (!echo)
        asking.c_lflag &= ~tcflag_t(ECHO);
    if (!isTerminal || ::write(tty, prompt.data(), prompt.size()) < 0 || ::tcsetattr(tty, TCSAFLUSH, &asking) != 0) {
        ::close(tty);
        return std::nullopt;
    }
    std::string line;
    char c = 0;
    while (::read(tty, &c, 1) == 1 && c != '\n')
        line += c;
    ::tcsetattr(tty, TCSAFLUSH, &saved);
    if (!echo)
        (void)!::write(tty, "\n", 1);
    ::close(tty);
    return line;
}

} // namespace zentrova
