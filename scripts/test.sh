#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zentrova developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Sets up, builds and runs every test. Under CI, warnings are errors, the fuzz
# targets run briefly (replaying their regression inputs first), the Debian
# package is built, installed, started and removed, and the walk through the
# whole program runs under AddressSanitizer and UBSan; the test suites run
# last, so their summary closes the output.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
preset=dev
[ "${CI:-}" = "true" ] && preset=ci
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
if [ "${CI:-}" = "true" ]; then
  bench/fuzz.sh "${FUZZ_SECONDS:-20}"
  tools/check-package.sh
  # Only the core and the walk are built with the sanitizers.
  cmake --preset asan >/dev/null
  cmake --build --preset asan -j2 --target tst_walk
  ctest --preset asan -R tst_walk
fi
ctest --preset "$preset"
