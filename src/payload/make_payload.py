#!/usr/bin/env python3
"""Packs the installer's payload: a ZIP archive with every file at its root
(or below it, for a folder's sub-folders), deflated, in name order.

  make_payload.py --zip OUT.zip [--expect LIST] [--check TOOL] SOURCES
  make_payload.py --list LIST [--check TOOL] SOURCES

SOURCES are --dir FOLDER (every file below it), --file NAME[=PATH] and
--fallback NAME[=PATH] (added when the payload holds no file of that name).
--list writes the payload's names, one a line, for the uninstaller to
carry; --zip with --expect refuses to pack anything else. With --check the
payload check (payloadcheck) collects the files and refuses what Setup
could not install; without it only --file NAME=PATH is taken, as given.

An output is replaced only when its bytes change (its time then says when
the payload last changed). Entry times come from SOURCE_DATE_EPOCH when it is set (reproducible
builds: the same folder gives the same bytes), otherwise from the files.
"""
import argparse
import os
import shutil
import subprocess
import sys
import time
import zipfile

ATTR_ARCHIVE = 0x20  # the DOS attribute of an ordinary file
DOS_EPOCH = 315532800  # 1980-01-01: DOS times start there


def fail(message):
    sys.exit(f"make_payload: {message}")


def collect(args):
    """[(name, path)] sorted by name."""
    if args.check:
        command = [args.check]
        if args.dir:
            command += ["--dir", args.dir]
        for option in ("file", "fallback"):
            for value in getattr(args, option):
                command += [f"--{option}", value]
        result = subprocess.run(command, stdout=subprocess.PIPE)
        if result.returncode != 0:
            fail(f"the payload was refused (see above); nothing packed")
        fields = result.stdout.decode("utf-8", "surrogateescape").split("\0")[:-1]
        return list(zip(fields[0::2], fields[1::2]))
    if args.dir or args.fallback:
        fail("--dir and --fallback need --check (the payload check)")
    entries = []
    for item in args.file:
        name, _, path = item.partition("=")
        entries.append((name, path))
    return sorted(entries)


def replace_if_changed(tmp, out):
    try:
        with open(tmp, "rb") as new, open(out, "rb") as old:
            same = new.read() == old.read()
    except FileNotFoundError:
        same = False
    if same:
        os.remove(tmp)
    else:
        os.replace(tmp, out)


def write_zip(out, entries):
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    tmp = out + ".tmp"
    try:
        with zipfile.ZipFile(tmp, "w", allowZip64=False) as archive:
            for name, path in entries:
                if not path:
                    fail(f"{name}: no file given")
                if epoch:
                    date_time = time.gmtime(max(int(epoch), DOS_EPOCH))[:6]
                else:
                    date_time = time.localtime(max(os.stat(path).st_mtime, DOS_EPOCH))[:6]
                info = zipfile.ZipInfo(name, date_time)
                info.create_system = 0  # MS-DOS attributes, as Windows reads them
                info.external_attr = ATTR_ARCHIVE
                info.compress_type = zipfile.ZIP_DEFLATED
                info.file_size = os.path.getsize(path)
                archive.compresslevel = 9
                with open(path, "rb") as src, archive.open(info, "w") as dst:
                    shutil.copyfileobj(src, dst, 1 << 20)
    except (zipfile.LargeZipFile, RuntimeError, OverflowError):
        os.remove(tmp)
        fail("the payload is too large for an archive without ZIP64 records "
             "(2 GiB in all, and per file); Setup reads no others")
    replace_if_changed(tmp, out)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    mode = parser.add_mutually_exclusive_group(required=True)
    mode.add_argument("--zip")
    mode.add_argument("--list")
    parser.add_argument("--expect")
    parser.add_argument("--check")
    parser.add_argument("--dir")
    parser.add_argument("--file", action="append", default=[])
    parser.add_argument("--fallback", action="append", default=[])
    args = parser.parse_args()
    if not (args.dir or args.file):
        parser.error("give --dir or --file")

    entries = collect(args)
    names = "".join(name + "\n" for name, _ in entries)
    if args.list:
        with open(args.list + ".tmp", "w", encoding="utf-8", newline="\n") as f:
            f.write(names)
        replace_if_changed(args.list + ".tmp", args.list)
        return
    if args.expect:
        with open(args.expect, encoding="utf-8") as f:
            if f.read() != names:
                fail(f"the payload's files changed after {args.expect} was written; "
                     "build again")
    write_zip(args.zip, entries)


if __name__ == "__main__":
    main()
