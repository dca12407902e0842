#!/usr/bin/env bash
# Makes the release: both programs built from a clean build folder;
# dist/quorvane-<version>.zip holding them, their SHA256SUMS, an example
# settings file and README.txt; the Windows Installer packages
# dist/quorvane-<version>-x86.msi and -x64.msi; and dist/SHA256SUMS of those
# three: the same bytes on every machine with the same toolchain. Refuses a
# work tree with changes unless given --dirty (the names then say so). With
# --check it then makes the release again in a second clone under another
# time zone, umask, locale and a longer path, and compares the bytes.
#   scripts/release.sh [--dirty] [--check]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
exec python3 scripts/release.py "$@"
