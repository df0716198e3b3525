#!/usr/bin/env python3
"""Packs the installer's payload: a ZIP archive with every file at its root
(or below it, for a folder's sub-folders), deflated, in name order.

  make_payload.py OUT.zip --file NAME=PATH ...  the listed files
  make_payload.py OUT.zip --dir FOLDER          every file below FOLDER

Every archive must hold the two programs the installer links to. Entry
times come from SOURCE_DATE_EPOCH when it is set (reproducible builds),
otherwise from the files.
"""
import argparse
import os
import sys
import time
import zipfile

REQUIRED = ("Quorvantis.exe", "UninstallQuorvantis.exe")
ATTR_ARCHIVE = 0x20  # the DOS attribute of an ordinary file


def collect(args):
    if args.dir:
        root = os.path.abspath(args.dir)
        entries = []
        for folder, _, names in os.walk(root):
            for name in names:
                path = os.path.join(folder, name)
                entries.append((os.path.relpath(path, root).replace(os.sep, "/"), path))
        return entries
    entries = []
    for item in args.file:
        name, sep, path = item.partition("=")
        if not sep or not name:
            sys.exit(f"make_payload: --file wants NAME=PATH, got {item!r}")
        entries.append((name, path))
    return entries


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out")
    parser.add_argument("--dir")
    parser.add_argument("--file", action="append", default=[])
    args = parser.parse_args()
    if bool(args.dir) == bool(args.file):
        parser.error("give either --dir or --file")

    entries = sorted(collect(args))
    names = [n for n, _ in entries]
    missing = [r for r in REQUIRED if r not in names]
    if missing:
        sys.exit(f"make_payload: the payload lacks {', '.join(missing)}; the installer's "
                 "shortcuts and uninstall entry point at them")
    if len(set(n.lower() for n in names)) != len(names):
        sys.exit("make_payload: two files differ only in letter case (one folder on Windows)")

    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    tmp = args.out + ".tmp"
    with zipfile.ZipFile(tmp, "w") as archive:
        for name, path in entries:
            stamp = int(epoch) if epoch else os.stat(path).st_mtime
            # DOS times cannot hold dates before 1980.
            date_time = time.localtime(max(stamp, 315532800))[:6]
            info = zipfile.ZipInfo(name, date_time)
            info.create_system = 0  # MS-DOS attributes, as Windows reads them
            info.external_attr = ATTR_ARCHIVE
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as f:
                archive.writestr(info, f.read(), compresslevel=9)
    os.replace(tmp, args.out)


if __name__ == "__main__":
    main()
