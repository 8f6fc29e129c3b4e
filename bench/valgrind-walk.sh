#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zentrova developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Runs the walk through the whole program (autotests/tst_walk: every test
# opened from the menu, answered, its result shown, left) under valgrind's
# memcheck, and prints memcheck's summary. Exits non-zero when memcheck
# reports an error or the walk fails. Leaks are not looked at: Qt and
# fontconfig keep their one-time allocations to the end of the process.
#
#   bench/valgrind-walk.sh [preset]    (default dev)
set -euo pipefail
cd "$(dirname "$0")/.."

preset="${1:-dev}"
build="$PWD/build/$preset"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j2 --target tst_walk >/dev/null

log="$(mktemp)"
trap 'rm -f "$log"' EXIT
status=0
start=$SECONDS
env QT_QPA_PLATFORM=offscreen QT_FONT_DPI=96 QT_SCALE_FACTOR=1 \
  ZENTROVA_SHIPPED_BANK="$build/Lumvex.mdb" ZENTROVA_PROGRAM="$build/zentrova" \
  valgrind --tool=memcheck --error-exitcode=1 --leak-check=no --num-callers=30 \
  --suppressions=bench/valgrind.supp --log-file="$log" \
  "$build/autotests/tst_walk" >"$log.walk" 2>&1 || status=$?
grep -E '^Totals:' "$log.walk" || tail -20 "$log.walk"
rm -f "$log.walk"
sed -n 's/^==[0-9]*== //p' "$log" | grep -E '^ *(ERROR SUMMARY|in use at exit|total heap usage)' || true
if [ "$status" -ne 0 ]; then
  sed -n 's/^==[0-9]*== //p' "$log" | grep -B2 -A25 -E '^(Invalid|Conditional|Use of uninitialised|Syscall param|Mismatched)' | head -80
fi
echo "memcheck walk: $((SECONDS - start)) s"
exit "$status"
