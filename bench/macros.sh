#!/usr/bin/env bash
# Builds the macro benchmark natively with -O2 (no sanitizers), prints the
# calls per second, then the instructions per call counted by callgrind.
# Usage: bench/macros.sh [TIMED_CALLS [COUNTED_CALLS]] (200000 and 1000).
set -euo pipefail
cd "$(dirname "$0")/.."
out=build/bench
mkdir -p "$out"
g++ -std=c++20 -O2 -I. bench/macros_bench.cpp mapping/macros.cpp settings/text.cpp \
  settings/settings.cpp settings/start_with_system.cpp settings/credential_store.cpp platform/platform.cpp \
  mapping/credentials.cpp \
  tests/fake/fake_platform.cpp -o "$out/macros_bench"
"$out/macros_bench" "${1:-200000}"
calls=${2:-1000}
valgrind --tool=callgrind --callgrind-out-file="$out/callgrind.out" \
  "$out/macros_bench" "$calls" >/dev/null 2>"$out/callgrind.log"
total=$(grep -E '^summary:|^totals:' "$out/callgrind.out" | head -1 | awk '{print $2}')
base=$(valgrind --tool=callgrind --callgrind-out-file="$out/callgrind0.out" \
  "$out/macros_bench" 0 >/dev/null 2>&1; grep -E '^summary:|^totals:' "$out/callgrind0.out" | head -1 | awk '{print $2}')
echo "instructions per call (callgrind, $calls calls less a run of none): $(( (total - base) / calls ))"
