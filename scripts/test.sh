#!/usr/bin/env bash
# Sets up this machine, builds everything and runs every test: the native
# unit tests under sanitizers and the real quorvane.exe under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native
