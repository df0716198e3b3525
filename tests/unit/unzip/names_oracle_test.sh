#!/usr/bin/env bash
# Entry names against 7-Zip, the oracle: every fixture lists with 7-Zip's
# names (code page 437, UTF-8 flag, Unicode path field), and archives written
# by 7-Zip, bsdtar and Python's zipfile with names in many scripts, plus the
# code page 437 fixtures, extract to the tree 7-Zip extracts, names and
# bytes. Look-alikes of dots, slashes and quotes are names like any other;
# the real "..", "/" and "\" stay refused in every spelling.
#   names_oracle_test.sh QUNZIP FIXTURE_DIR
set -uo pipefail
qunzip=$1 fixtures=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8
failures=0
check() {
  local what=$1; shift
  if "$@"; then echo "ok:   $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}
# Every file and folder below a root, with a checksum of each file.
tree_of() { (cd "$1" && find . -mindepth 1 -printf '%y %P\n' -type f -exec sha1sum {} + | sort); }

# --- Names listed -----------------------------------------------------------------
compared=0
for f in "$fixtures"/*; do
  [ "$(basename "$f")" = MANIFEST.md ] && continue
  theirs=$(7zz l -slt -ba "$f" 2>/dev/null | sed -n 's/^Path = //p') || continue  # one 7-Zip cannot open
  [ -n "$theirs" ] || continue
  ours=$("$qunzip" l "$f" | cut -d' ' -f5- | sed 's|/$||')
  [ "$ours" = "$theirs" ] || { echo "  $(basename "$f"):"; diff <(echo "$ours") <(echo "$theirs") | head -5; }
  check "$(basename "$f"): names as 7-Zip lists them" test "$ours" = "$theirs"
  compared=$((compared + $(wc -l <<<"$ours")))
done
check "names of $compared entries compared" test "$compared" -gt 1000

# --- How each name is read: flag bit 11, the host, the Unicode path field -------------
python3 - "$work/read.zip" "$work/read.txt" <<'PY'
import struct, sys, zlib
dos, cyr = b"\xe2\xa5\xe1\xe2", "Тест"
def field(stored, name, version=1):
    data = bytes([version]) + struct.pack("<I", zlib.crc32(stored)) + name
    return struct.pack("<HH", 0x7075, len(data)) + data
cases = [  # stored name, flags, host, extra field, the name as read
    ("Café".encode(), 0x800, 0, b"", "Café"),
    (b"Caf\xc3(", 0x800, 0, b"", "Caf\ufffd("),        # broken: refused, shown so
    (b"a\xc0\xaf", 0x800, 3, b"", "a\ufffd\ufffd"),     # an overlong "/": refused
    (dos, 0, 0, b"", dos.decode("cp437")),               # MS-DOS: code page 437
    ("Café".encode(), 0, 10, b"", "Café".encode().decode("cp437")),  # NTFS too
    ("Café".encode(), 0, 3, b"", "Café"),                # Unix: UTF-8 when valid,
    (dos, 0, 3, b"", dos.decode("cp437")),               # else code page 437
    (dos, 0, 0, field(dos, cyr.encode()), cyr),          # the field wins,
    (dos, 0, 0, field(b"other", cyr.encode()), dos.decode("cp437")),  # if it is this name's,
    (dos, 0, 0, field(dos, cyr.encode(), 2), dos.decode("cp437")),    # of version 1,
    (dos, 0, 0, field(dos, b"\xff"), dos.decode("cp437")),           # and UTF-8
    ("名".encode() * 300, 0x800, 0, b"", "名" * 259),    # cut to 259 whole characters
]
local, central = b"", b""
for name, flags, host, extra, _ in cases:
    crc = zlib.crc32(b"x")
    central += struct.pack("<4s6H3I5H2I", b"PK\1\2", 20 | host << 8, 20, flags, 0, 0, 0, crc, 1, 1,
                           len(name), len(extra), 0, 0, 0, 0, len(local)) + name + extra
    local += struct.pack("<4s5H3I2H", b"PK\3\4", 20, flags, 0, 0, 0, crc, 1, 1, len(name), 0) + name + b"x"
end = struct.pack("<4s4H2IH", b"PK\5\6", 0, 0, len(cases), len(cases), len(central), len(local), 0)
open(sys.argv[1], "wb").write(local + central + end)
open(sys.argv[2], "w").write("".join(c[4] + "\n" for c in cases))
PY
check "names read by flag, host and Unicode path field" \
  test "$("$qunzip" l "$work/read.zip" | cut -d' ' -f5-)" = "$(cat "$work/read.txt")"
check "the two broken UTF-8 names are refused" \
  test "$("$qunzip" x "$work/read.zip" "$work/read" | grep -c refused)" = 2

# --- Code page 437 against Python's codec, and a name that is not the UTF-8 it claims --
python3 - "$work/names.zip" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as z:
    z.writestr(zipfile.ZipInfo("cp437-" + "x" * 128), "x")  # bytes 128-255, written below
    z.writestr("bad-\u00e9.txt", "x")  # marked as UTF-8; its second byte broken below
data = open(sys.argv[1], "rb").read()
data = data.replace(b"x" * 128, bytes(range(128, 256))).replace(b"bad-\xc3\xa9", b"bad-\xc3(")
open(sys.argv[1], "wb").write(data)
PY
listed=$("$qunzip" l "$work/names.zip" | cut -d' ' -f5-)
check "code page 437 decodes as Python's codec" \
  test "$(head -1 <<<"$listed")" = "cp437-$(python3 -c 'print(bytes(range(128, 256)).decode("cp437"))')"
out=$("$qunzip" x "$work/names.zip" "$work/bad")
check "a broken UTF-8 name is refused, never written" \
  test "$(grep -c refused <<<"$out")" = 1 -a -z "$(find "$work/bad" -mindepth 1 -name 'bad*')"

# --- Trees extracted ----------------------------------------------------------------
src=$work/src
python3 - "$src" <<'PY'
import os, sys
for i, name in enumerate(["Café crème.txt", "Пётр/Ελληνικά.txt", "名前/😀.bin",
                          "ａ．．／ｂ＼＂.txt", "ｃ＂ ＂．．.txt"]):
    path = os.path.join(sys.argv[1], *name.split("/"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(f"content {i}\n" * (i + 1))
PY
(cd "$src" && 7zz a -tzip "$work/7z.zip" . >/dev/null)
(cd "$src" && bsdtar --format zip -cf "$work/bsdtar.zip" .)
(cd "$src" && python3 -c 'import os, sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as z:
    for r, d, f in os.walk("."):
        for n in f: z.write(os.path.join(r, n))' "$work/python.zip")
n=0
for archive in "$work/7z.zip" "$work/bsdtar.zip" "$work/python.zip" \
               "$fixtures/Zip.implode.zip" "$fixtures/Zip.deflate.dd.zip"; do
  n=$((n + 1))
  "$qunzip" x "$archive" "$work/q$n" >/dev/null
  check "$(basename "$archive"): qunzip extracts it" test $? -eq 0
  7zz x -y -o"$work/7z$n" "$archive" >/dev/null
  check "$(basename "$archive"): the tree 7-Zip extracts" test "$(tree_of "$work/q$n")" = "$(tree_of "$work/7z$n")"
done
check "the 7-Zip archive holds the source tree" test "$(tree_of "$work/q1")" = "$(tree_of "$src")"

# --- Traversal in every spelling -------------------------------------------------------
python3 - "$work/evil.zip" <<'PY'
import struct, sys, zipfile, zlib
def unicode_path(stored, name):  # the Unicode path extra field naming `name`
    data = b"\x01" + struct.pack("<I", zlib.crc32(stored)) + name.encode()
    return struct.pack("<HH", 0x7075, len(data)) + data
with zipfile.ZipFile(sys.argv[1], "w") as z:
    z.writestr("../up1.txt", "x")
    z.writestr("..\\up2.txt", "x")
    info = zipfile.ZipInfo("inside.txt")
    info.extra = unicode_path(b"inside.txt", "../up3.txt")
    z.writestr(info, "x")
    z.writestr("ok/ａ．．／ｂ.txt", "fine")
PY
out=$("$qunzip" x "$work/evil.zip" "$work/deep/dest")
check "each real traversal is refused" test "$(grep -c refused <<<"$out")" = 3
check "nothing lands outside the destination" test -z "$(cd "$work" && find . -name 'up*.txt')"
check "the look-alike name lands inside" test -f "$work/deep/dest/ok/ａ．．／ｂ.txt"

[ "$failures" -eq 0 ] && echo "names oracle: all checks passed"
[ "$failures" -eq 0 ]
