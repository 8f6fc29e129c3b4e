#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zentrova developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Builds the libFuzzer targets of fuzz/ with clang and runs each for a fixed
# time, starting from its corpus in fuzz/corpus/<target> (seeds and inputs of
# past findings, which are replayed first). Prints executions and findings per
# target; exits non-zero when anything was found.
#
#   bench/fuzz.sh [seconds per target]    (default 60, or FUZZ_SECONDS)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-${FUZZ_SECONDS:-60}}"
targets=(lenient_number strict_number bank_cursor)
build=build/fuzz
cxx="${FUZZ_CXX:-clang++-14}"

cmake -S fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$cxx" >/dev/null
cmake --build "$build" -j2 >/dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
found=0
for target in "${targets[@]}"; do
  mkdir -p "$work/$target/corpus" "$work/$target/findings"
  # New inputs go to the scratch corpus (the first folder), never into the repository.
  "$build/fuzz_$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$work/$target/findings/" \
    "$work/$target/corpus" "fuzz/corpus/$target" >"$work/$target/log" 2>&1 || true
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target/log" | tail -1)"
  findings=("$work/$target/findings"/*)
  [ -e "${findings[0]}" ] || findings=()
  printf '%-16s %12s executions, %d findings\n' "$target" "${runs:-?}" "${#findings[@]}"
  if [ ${#findings[@]} -gt 0 ]; then
    found=1
    mkdir -p "$build/findings/$target"
    cp "${findings[@]}" "$build/findings/$target/"
    grep -E 'ERROR|runtime error|SUMMARY' "$work/$target/log" | head -5 || true
    echo "  inputs kept in $build/findings/$target/"
  elif [ -z "$runs" ]; then
    found=1
    echo "  the run did not finish:"
    tail -5 "$work/$target/log"
  fi
done
exit $found
