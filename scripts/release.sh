#!/usr/bin/env bash
# Makes the release: both programs built from a clean build folder;
# dist/quorvane-<version>.zip holding them, their SHA256SUMS, an example
# settings file and README.txt; the Windows Installer packages
# dist/quorvane-<version>-x86.msi and -x64.msi; and dist/SHA256SUMS of those
# three: the same bytes on every machine with the same toolchain. Refuses a
# work tree with changes unless given --dirty (the names then say so). With
# --check it then makes the release again in a second clone under another
# time zone, umask, locale and a longer path, and compares the bytes.
# --sign signs both programs and both packages with an organisation's key
# (README, "Signing"); --signatures attaches a signed release's signatures
# to the same files rebuilt, without the key.
#   scripts/release.sh [--dirty] [--check]
#   scripts/release.sh --sign CERT.p12 --password-file FILE --ca ROOT.pem [--timestamp URL]
#   scripts/release.sh --signatures DIR --ca ROOT.pem
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
exec python3 scripts/release.py "$@"
