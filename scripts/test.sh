#!/usr/bin/env bash
# Sets up, builds and runs every test. Under CI, warnings are errors, and the
# fuzz targets run briefly, replaying their regression inputs first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
preset=dev
[ "${CI:-}" = "true" ] && preset=ci
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
if [ "${CI:-}" = "true" ]; then
  bench/fuzz.sh "${FUZZ_SECONDS:-20}"
fi
ctest --preset "$preset"
# Under CI the Debian package is also built, installed, started and removed.
if [ "${CI:-}" = "true" ]; then
  tools/check-package.sh
fi
