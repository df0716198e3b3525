# shellcheck shell=bash
# How this machine runs 32-bit (i386) Linux programs, which the 32-bit Wine
# loader is. Sourced by scripts/install-deps.sh and the test harness.
#   i386_way      prints "native" (the kernel runs them), "qemu" (it refuses
#                 them, but QEMU user-mode emulation is set up) or "none"
#   i386_probe    0 when the kernel itself runs a tiny i386 program
#   i386_exec CMD runs CMD where i386 programs run: directly when native; on
#                 the QEMU path inside a private user and mount namespace
#                 whose binfmt_misc hands i386 ELF files to QEMU (the
#                 machine's own binfmt settings stay untouched)

# Where the QEMU path keeps its emulator and the i386 sysroot with Wine.
I386_HOME=${I386_HOME:-/opt/quorvantis-i386}
I386_QEMU=$I386_HOME/qemu-i386
I386_SYSROOT=$I386_HOME/sysroot

# i386_probe: writes a 96-byte i386 ELF program that exits with status 42
# (mov eax,1; mov ebx,42; int 0x80) and runs it.
i386_probe() {
  local f status
  f=$(mktemp "${TMPDIR:-/tmp}/i386-probe.XXXXXX") || return 1
  printf '%b' \
    '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
    '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
    '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
    '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08' \
    '\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00' \
    '\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$f"
  chmod +x "$f"
  "$f" 2>/dev/null
  status=$?
  rm -f "$f"
  [ "$status" -eq 42 ]
}

i386_way() {
  if [ -n "${Q_I386_WAY:-}" ]; then echo "$Q_I386_WAY"; return; fi
  if [ "${Q_I386_FORCE_QEMU:-}" != 1 ] && i386_probe; then
    echo native
  elif [ -x "$I386_QEMU" ] && [ -x "$I386_SYSROOT/usr/lib/wine/wine" ]; then
    echo qemu
  else
    echo none
  fi
}

# The binfmt_misc rule: i386 ELF executables (and shared objects) to QEMU,
# F: the emulator is opened now, so it need not exist inside a chroot.
i386_binfmt_rule() {
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'
  printf '%s:F' "$I386_QEMU"
}

i386_exec() {
  local way
  way=$(i386_way)
  [ -n "${I386_INSIDE:-}" ] && way=native
  case $way in
    native) "$@" ;;
    qemu)
      # Inside, Q_I386_WAY keeps the harness from probing again (the probe
      # would pass through QEMU) and I386_INSIDE from nesting namespaces.
      Q_I386_WAY=qemu I386_INSIDE=1 unshare --user --map-root-user --mount --fork -- bash -c '
        mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || exit 125
        printf "%s" "$1" >/proc/sys/fs/binfmt_misc/register || exit 125
        shift
        exec "$@"' i386-exec "$(i386_binfmt_rule)" "$@" ;;
    *) echo "i386: this machine runs no 32-bit code (see README)" >&2; return 125 ;;
  esac
}
