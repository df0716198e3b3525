# shellcheck shell=bash
# Which Wine runs a build's Windows programs; sourced by the harness scripts
# with the build's wine folder as $1. That folder's `arch` file (written at
# configure time) says win64 or win32:
#   win64  wine64 and 64-bit prefixes (the x86_64 test build)
#   win32  the 32-bit loader in WINEARCH=win32 prefixes (the i686 build):
#          Debian's wine32 where the kernel runs i386 code, otherwise the
#          loader from the unpacked i386 sysroot through QEMU (i386.sh).
# Sets Q_WINE (the loader to run programs with) and Q_WINESERVER; a script
# that starts Wine begins with `q_wine_enter "$0" "$@"`, which re-runs it
# where 32-bit programs run (a no-op but on the QEMU path).
q_wine_arch=win64
[ -f "${1:-}/arch" ] && q_wine_arch=$(cat "$1/arch")
case $q_wine_arch in
  win32)
    export WINEARCH=win32
    # shellcheck source=tests/win/wine/i386.sh
    source "$(dirname "${BASH_SOURCE[0]}")/i386.sh"
    if [ "$(i386_way)" = qemu ]; then
      Q_WINE=$I386_SYSROOT/usr/lib/wine/wine
      Q_WINESERVER=/usr/lib/wine/wineserver64
      export QEMU_LD_PREFIX=$I386_SYSROOT WINELOADER=$Q_WINE WINESERVER=$Q_WINESERVER
    else
      Q_WINE=/usr/lib/wine/wine
      Q_WINESERVER=/usr/lib/wine/wineserver
    fi
    ;;
  *)
    unset WINEARCH
    Q_WINE=/usr/lib/wine/wine64
    Q_WINESERVER=/usr/lib/wine/wineserver
    ;;
esac

q_wine_enter() {
  if [ "$q_wine_arch" = win32 ] && [ -z "${I386_INSIDE:-}" ] && [ "$(i386_way)" = qemu ]; then
    i386_exec "$@"
    exit
  fi
}
