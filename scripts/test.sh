#!/usr/bin/env bash
# Sets up, builds and runs every test. Under CI, warnings are errors, the fuzz
# targets run briefly (replaying their regression inputs first), and the
# Debian package is built, installed, started and removed; the test suites
# run last, so their summary closes the output.
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
fi
ctest --preset "$preset"
