// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The wall clock, as seconds since midnight, behind a seam so that tests can
// set the time instead of waiting for it.
#pragma once

#include <functional>

namespace zentrova {

using Clock = std::function<double()>;

double secondsSinceMidnight();

// Replaces the system clock (an empty clock restores it); returns the previous one.
Clock setClock(Clock clock);

} // namespace zentrova
