#!/usr/bin/env bash
# Sets up, builds and starts Zentrova with the shipped question bank.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
exec build/dev/zentrova "$@"
