#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and the 32-bit
# Wine that runs the i686 build; does nothing when all is present. Needs
# root (or sudo) only when something is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
packages=(
  cmake make ninja-build ccache g++ clang libclang-rt-14-dev lld llvm python3
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-win32 g++-mingw-w64-i686-posix
  binutils-mingw-w64 libz-mingw-w64
  googletest libgtest-dev libgmock-dev
  zlib1g-dev libdeflate-dev 7zip libarchive-tools hyperfine nsis
  wine64 fonts-wine xvfb xdotool imagemagick fonts-liberation2 x11-utils
  clang-format universal-ctags python3-pefile
)
sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
installed() { [ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null || true)" = "install ok installed" ]; }

missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -q
  $sudo apt-get install -y -q "${missing[@]}"
fi

# --- 32-bit Wine for the i686 build -------------------------------------------
# Debian's Wine 8.0 leaves out the zlib1.dll its user32 imports: mingw's
# build of it serves, marked as a Wine builtin DLL (a string at byte 64).
builtin_zlib() {
  local dir=$1 dll=$1/zlib1.dll
  [ -d "$dir" ] || return 0
  if ! cmp -s -i 0:0 -n 80 "$dll" <(head -c 64 /usr/i686-w64-mingw32/lib/zlib1.dll; printf 'Wine builtin DLL') 2>/dev/null; then
    $sudo cp /usr/i686-w64-mingw32/lib/zlib1.dll "$dll"
    printf 'Wine builtin DLL\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0' |
      $sudo dd of="$dll" bs=1 seek=64 conv=notrunc status=none
  fi
}
# shellcheck source=tests/win/wine/i386.sh
source tests/win/wine/i386.sh
if [ "${Q_I386_FORCE_QEMU:-}" != 1 ] && i386_probe; then
  # The kernel runs i386 programs: Debian's wine32, system-wide.
  if ! installed wine32:i386; then
    echo "Installing: wine32:i386 (32-bit Wine for the i686 build)"
    dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
    $sudo apt-get update -q
    $sudo apt-get install -y -q wine32:i386
  fi
  builtin_zlib /usr/lib/i386-linux-gnu/wine/i386-windows
elif [ "$(i386_way)" != qemu ]; then
  # The kernel refuses i386 programs: QEMU 10 user-mode emulation from
  # Debian's backports (Debian 12's own QEMU is far too slow for Wine) and
  # an unpacked i386 sysroot with wine32 (I386_HOME). Both are fetched
  # through a private apt configuration, so the machine's sources,
  # architectures and installed packages stay as they are.
  echo "This kernel runs no 32-bit programs: setting up QEMU and a 32-bit Wine in $I386_HOME"
  command -v unshare >/dev/null || { echo "install-deps: unshare (util-linux) is missing" >&2; exit 1; }
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  private_apt() {  # private_apt ARCH APT-GET-ARGS...
    local arch=$1 dir=$work/apt-$1; shift
    mkdir -p "$dir/lists/partial" "$dir/archives/partial"
    [ -f "$dir/sources.list" ] || {
      touch "$dir/status"
      for s in bookworm bookworm-updates bookworm-backports; do
        echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian $s main"
      done >"$dir/sources.list"
      echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian-security bookworm-security main" >>"$dir/sources.list"
    }
    apt-get -q -o Dir::Etc::SourceList="$dir/sources.list" -o Dir::Etc::SourceParts=/dev/null \
      -o Dir::State::Lists="$dir/lists" -o Dir::State::status="$dir/status" \
      -o Dir::Cache::Archives="$dir/archives" -o Dir::Cache="$dir" \
      -o APT::Architecture="$arch" -o APT::Architectures::="$arch" \
      -o Debug::NoLocking=1 "$@"
  }
  private_apt amd64 update
  (cd "$work" && private_apt amd64 download qemu-user/bookworm-backports)
  dpkg-deb -x "$work"/qemu-user_*.deb "$work/qemu"
  private_apt i386 update
  private_apt i386 install -y --download-only wine32:i386
  $sudo rm -rf "$I386_HOME.new"
  $sudo mkdir -p "$I386_HOME.new/sysroot/etc"
  $sudo cp "$work/qemu/usr/bin/qemu-i386" "$I386_HOME.new/qemu-i386"
  for deb in "$work"/apt-i386/archives/*.deb; do $sudo dpkg-deb -x "$deb" "$I386_HOME.new/sysroot"; done
  printf '/usr/lib/i386-linux-gnu\n/lib/i386-linux-gnu\n' | $sudo tee "$I386_HOME.new/sysroot/etc/ld.so.conf" >/dev/null
  $sudo ldconfig -r "$I386_HOME.new/sysroot"
  $sudo rm -rf "$I386_HOME"
  $sudo mv "$I386_HOME.new" "$I386_HOME"
  builtin_zlib "$I386_SYSROOT/usr/lib/i386-linux-gnu/wine/i386-windows"
  [ "$(i386_way)" = qemu ] || { echo "install-deps: the QEMU set-up is incomplete" >&2; exit 1; }
else
  builtin_zlib "$I386_SYSROOT/usr/lib/i386-linux-gnu/wine/i386-windows"
fi
