#!/usr/bin/env python3
"""What the shell reads from the built programs before starting them.

resources_check.py BIN PAYLOAD MAKER VERSION

The installer and the uninstaller ask for elevation (they write to Program
Files and HKLM), the product does not; each carries an icon and the maker's
version block; the installer asks for themed controls and carries its icon
in the shell's sizes; the uninstaller's file list names exactly the payload
archive's entries.
"""
import sys
import zipfile

import pefile

RT_ICON, RT_RCDATA, RT_GROUP_ICON, RT_MANIFEST = 3, 10, 14, 24
FILE_LIST_ID = 100  # src/payload/file_list.h

bin_dir, payload, maker, version = sys.argv[1:5]
failures = []


def check(what, ok):
    print(("ok    " if ok else "FAIL  ") + what)
    if not ok:
        failures.append(what)


def resource(pe, kind, ident):
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return None
    for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if t.id != kind:
            continue
        for n in t.directory.entries:
            if n.id == ident:
                data = n.directory.entries[0].data.struct
                return pe.get_data(data.OffsetToData, data.Size)
    return None


def version_strings(pe):
    strings = {}
    for info in getattr(pe, "FileInfo", []):
        for entry in info:
            for table in getattr(entry, "StringTable", []):
                strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
    return strings


names = "".join(i.filename + "\n" for i in zipfile.ZipFile(payload).infolist())
for exe, level in (("QuorvantisSetup.exe", "requireAdministrator"),
                   ("Quorvantis.exe", "asInvoker"),
                   ("UninstallQuorvantis.exe", "requireAdministrator")):
    pe = pefile.PE(f"{bin_dir}/{exe}")
    manifest = (resource(pe, RT_MANIFEST, 1) or b"").decode("utf-8", "replace")
    check(f"{exe}: execution level {level}", f'level="{level}"' in manifest)
    check(f"{exe}: icon group 1", resource(pe, RT_GROUP_ICON, 1) is not None)
    strings = version_strings(pe)
    check(f"{exe}: OriginalFilename", strings.get("OriginalFilename") == exe)
    check(f"{exe}: CompanyName", strings.get("CompanyName") == maker)
    if exe == "QuorvantisSetup.exe":
        check(f"{exe}: ProductVersion", strings.get("ProductVersion") == version)
        check(f"{exe}: themed controls",
              'Microsoft.Windows.Common-Controls" version="6.0.0.0"' in manifest)
        group = resource(pe, RT_GROUP_ICON, 1) or b""
        sizes = {group[6 + 14 * i] or 256 for i in range(int.from_bytes(group[4:6], "little"))}
        check(f"{exe}: icons of 16 and 32 pixels", {16, 32} <= sizes)
    if exe == "UninstallQuorvantis.exe":
        listed = (resource(pe, RT_RCDATA, FILE_LIST_ID) or b"").decode("utf-8", "replace")
        check(f"{exe}: the file list names the archive's entries", listed == names)
sys.exit(1 if failures else 0)
