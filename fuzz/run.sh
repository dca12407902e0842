#!/usr/bin/env bash
# Builds the libFuzzer targets with ASan and UBSan and runs each for a while.
#   fuzz/run.sh [SECONDS]   (default 60 per target)
# The committed seeds stay as they are; new findings go to build/fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
out=build/fuzz
mkdir -p "$out"
for target in command_line; do
  clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined \
    -fno-sanitize-recover=all -I. \
    "fuzz/${target}_fuzzer.cpp" startup/command_line.cpp settings/text.cpp \
    platform/platform.cpp -o "$out/${target}_fuzzer"
  corpus="$out/corpus-$target"
  mkdir -p "$corpus"
  echo "fuzz: $target for $seconds s"
  "$out/${target}_fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$out/$target-" "$corpus" "fuzz/corpus/$target" 2>&1 |
    grep -E 'stat::number_of_executed_units|stat::new_units_added|ERROR|SUMMARY|Done' || true
  if ls "$out/$target-"* >/dev/null 2>&1; then
    echo "fuzz: $target FOUND A FAULT: $(ls "$out/$target-"*)"
    exit 1
  fi
done
echo "fuzz: no fault found"
