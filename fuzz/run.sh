#!/usr/bin/env bash
# Builds the libFuzzer targets with ASan and UBSan and runs each for a while:
# the command-line parser, macro expansion and settings loads.
#   fuzz/run.sh [SECONDS]   (default 60 per target)
# The committed seeds stay as they are; new findings go to build/fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
out=build/fuzz
mkdir -p "$out"
logic=(platform/platform.cpp settings/text.cpp settings/settings.cpp
       settings/start_with_system.cpp settings/credential_store.cpp startup/command_line.cpp mapping/macros.cpp
       mapping/credentials.cpp tests/fake/fake_platform.cpp)
for target in command_line macros settings; do
  clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined \
    -fno-sanitize-recover=all -I. \
    "fuzz/${target}_fuzzer.cpp" "${logic[@]}" -o "$out/${target}_fuzzer"
  corpus="$out/corpus-$target"
  mkdir -p "$corpus"
  echo "fuzz: $target for $seconds s"
  "$out/${target}_fuzzer" -max_total_time="$seconds" -timeout=5 -print_final_stats=1 \
    -artifact_prefix="$out/$target-" "$corpus" "fuzz/corpus/$target" 2>&1 |
    grep -E '^stat::number_of_executed_units|^stat::new_units_added|^stat::peak_rss|ERROR|SUMMARY|^Done' || true
  if ls "$out/$target-"* >/dev/null 2>&1; then
    echo "fuzz: $target FOUND A FAULT: $(ls "$out/$target-"*)"
    exit 1
  fi
done
echo "fuzz: no fault found"
