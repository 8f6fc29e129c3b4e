#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zentrova developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Sets up, builds and starts Zentrova with the shipped question bank.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
exec build/dev/zentrova "$@"
