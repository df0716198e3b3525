#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing
# when they are all present. Needs root (or sudo) only when something is
# missing.
set -euo pipefail
packages=(
  cmake make g++ clang libclang-rt-14-dev python3
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-win32 binutils-mingw-w64
  googletest libgtest-dev libgmock-dev
  zlib1g-dev libdeflate-dev 7zip libarchive-tools hyperfine
  wine64 fonts-wine xvfb xdotool imagemagick fonts-liberation2 x11-utils
  clang-format universal-ctags
)
missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q "${missing[@]}"
