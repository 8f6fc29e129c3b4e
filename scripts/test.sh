#!/usr/bin/env bash
# Sets up, builds and runs every test. Under CI, warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
preset=dev
[ "${CI:-}" = "true" ] && preset=ci
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset"
