#!/usr/bin/env bash
# Installs, once, what building, testing and running Quorvane needs on Debian 12:
# both cross compilers, and both Wines, since a machine whose kernel cannot
# run 32-bit programs tests the x86-64 build under 64-bit Wine.
# Quick when everything is already there: it only asks dpkg.
set -euo pipefail

packages=(
  cmake make ninja-build g++ clang libclang-rt-14-dev libgtest-dev python3 valgrind
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools binutils-mingw-w64-i686
  wine wine32:i386 wine64 fonts-wine xvfb xauth xdotool imagemagick
  wixl msitools faketime osslsigncode openssl
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  if [ "$(id -u)" -ne 0 ]; then
    sudo=sudo
  else
    sudo=
  fi
  echo "setup: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  # A mirror part-way through a sync fails one index; the others still serve.
  $sudo apt-get update -qq >/dev/null 2>&1 || echo "setup: apt-get update failed in part; installing from what it fetched"
  if ! $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null 2>&1; then
    # Without the i386 index, 32-bit Wine cannot be installed; the tests
    # then run the x86-64 build under 64-bit Wine, and say so.
    native=()
    for p in "${missing[@]}"; do
      [[ $p == *:i386 ]] || native+=("$p")
    done
    echo "setup: the i386 packages cannot be installed now; installing the rest"
    $sudo apt-get install -y -qq --no-install-recommends "${native[@]}" >/dev/null
  fi
fi
