#!/usr/bin/env python3
"""Where the bytes of a Windows image come from.

usage: size_report.py [--budget BYTES] EXE [MAP]

Prints the image's size, the size of its "ZIP" resource (the payload) and
the size without it; with the linker's map file (-Wl,-Map) also a table of
the bytes each module contributes to the code and data sections: the
project's libraries by name, the C++ runtime, the C runtime and start-up
code, import thunks. With --budget, exit status 1 when the image without its
payload is larger than BYTES.
"""
import argparse
import collections
import glob
import os
import re
import struct
import subprocess
import sys


def pe_sections(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise SystemExit("not a PE image")
    count = struct.unpack_from("<H", data, pe + 6)[0]
    optional = struct.unpack_from("<H", data, pe + 20)[0]
    table = pe + 24 + optional
    for i in range(count):
        name, vsize, vaddr, rawsize, rawptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
        yield name.rstrip(b"\0").decode(), vsize, vaddr, rawsize, rawptr


def resource_sizes(data):
    """Bytes of each resource type ("ZIP", 3 = icon, ...), from .rsrc."""
    sec = next((s for s in pe_sections(data) if s[0] == ".rsrc"), None)
    sizes = collections.Counter()
    if not sec:
        return sizes
    _, _, vaddr, _, rawptr = sec

    def directory(offset):
        named, ids = struct.unpack_from("<HH", data, rawptr + offset + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, rawptr + offset + 16 + 8 * i)
            yield name, target

    def leaves(target):
        if target & 0x80000000:
            for _, child in directory(target & 0x7FFFFFFF):
                yield from leaves(child)
        else:
            rva, size = struct.unpack_from("<II", data, rawptr + target)
            yield size

    for name, target in directory(0):
        if name & 0x80000000:
            off = rawptr + (name & 0x7FFFFFFF)
            length = struct.unpack_from("<H", data, off)[0]
            key = data[off + 2:off + 2 + 2 * length].decode("utf-16-le")
        else:
            key = str(name)
        sizes[key] += sum(leaves(target))
    return sizes


MODULE = [
    (re.compile(r"lib(q_[a-z0-9_]+)\.a\("), lambda m: m.group(1)),
    (re.compile(r"objects\.a\((\w+)\.cpp\.obj\)"), lambda m: "exe:" + m.group(1)),
    (re.compile(r"libstdc\+\+\.a"), lambda m: "C++ runtime (libstdc++)"),
    (re.compile(r"libgcc(_eh)?\.a"), lambda m: "libgcc"),
    (re.compile(r"lib(mingw32|mingwex|moldname|msvcrt)\.a|crt2\.o|crtbegin|crtend"),
     lambda m: "C runtime, start-up"),
    (re.compile(r"lib\w+32\.a|libuuid\.a"), lambda m: "import thunks"),
    # lld names an archive member without its archive.
    (re.compile(r"^lib32_lib(mingw32|mingwex|msvcrt\w*)_a-|^_ctors\.o|^new_handler\.o"),
     lambda m: "C runtime, start-up"),
    (re.compile(r"^_\w+di3\.o|^_chkstk"), lambda m: "libgcc"),
    (re.compile(r"^lib\w+?(32s\d+|32[ht]|_def[sht]\d*)\.o|^lib32_libuuid_a-"),
     lambda m: "import thunks"),
]


# Modules by namespace. Code generated at link time (LTO) comes from one
# object, so a function is told apart by its symbol; without LTO the same
# grouping holds (template instances go to the library, not to their user),
# so that tables of both kinds compare.
SHAPEBUTTON = "q_shapebutton, q_fyshape, q_fyface"
NAMESPACE = {
    "gui": "q_gui", "fyeverbutton": SHAPEBUTTON, "rotatergn": "q_geometry",
    "unzip": "q_unzip", "std": "C++ library templates",
    "__gnu_cxx": "C++ library templates", "q": "q_common",
}
LIBRARY_GROUP = {"q_fyshape": SHAPEBUTTON, "q_fyface": SHAPEBUTTON, "q_shapebutton": SHAPEBUTTON,
                 "q_geometry_win": "q_geometry"}


def demangle(names):
    try:
        out = subprocess.run(["c++filt"], input="\n".join(names), capture_output=True,
                             text=True, check=True).stdout.split("\n")
        return out[:len(names)]
    except (OSError, subprocess.CalledProcessError):
        return names


def module_of(path, section):
    symbol = section.split("$", 1)[1].split(".lto_priv")[0] if "$" in section else ""
    if "ltrans" in path or path.endswith(".lto.obj") or re.match(r"_ZN?K?(St|9__gnu_cxx)", symbol):
        return ("symbol", symbol, "q_" + path.rsplit("q_", 1)[-1].split(".a(")[0] if "lib" in path else "")
    for pattern, name in MODULE:
        m = pattern.search(path)
        if m:
            return LIBRARY_GROUP.get(name(m), name(m))
    return path


def symbol_module(demangled, library):
    d = re.sub(r"^(virtual thunk to |non-virtual thunk to |vtable for |typeinfo for )", "", demangled)
    d = re.sub(r"^[\w:<>, *&]+? (?=[\w:]+::)", "", d, count=1)  # a return type
    m = re.match(r"(?:\(anonymous namespace\)::)?([A-Za-z_]\w*)::", d)
    if m and m.group(1) in NAMESPACE:
        return NAMESPACE[m.group(1)]
    if library:
        return LIBRARY_GROUP.get(library, library)
    if not demangled or demangled.startswith("."):
        return "link-time code, unnamed"
    return "other project code (link-time)"


def lld_sections(path):
    """(output section, input file, input section, size) from an lld map."""
    out = None
    row = re.compile(r"^[0-9a-f]{8,16} ([0-9a-f]{8,16}) +\d+ (?:(\.\S+)$| +(\S.*):\((\.[^)]*)\)$)")
    for line in open(path, errors="replace"):
        m = row.match(line.rstrip("\n"))
        if not m:
            continue
        if m.group(2):
            out = m.group(2)
        else:
            yield out, m.group(3), m.group(4), int(m.group(1), 16)


def archive_members(build):
    """Object name -> "libq_x.a" for the project's libraries under a build
    folder (lld's map names an archive member without its archive)."""
    owner = {}
    for archive in sorted(glob.glob(os.path.join(build, "**", "libq_*.a"), recursive=True)):
        try:
            names = subprocess.run(["ar", "t", archive], capture_output=True, text=True,
                                   check=True).stdout.split()
        except (OSError, subprocess.CalledProcessError):
            continue
        for name in names:
            owner.setdefault(name, os.path.basename(archive))
    return owner


def map_table(path):
    """Bytes per module in .text, .rdata and .data, from a GNU ld or lld map."""
    table = collections.defaultdict(collections.Counter)
    with open(path, errors="replace") as f:
        lld = f.readline().startswith("Address")
    if lld:
        library = archive_members(os.path.dirname(os.path.abspath(path)))
        for out, where, section, size in lld_sections(path):
            if where in library:
                where = f"{library[where]}({where})"
            elif where.endswith(".cpp.obj"):
                where = f"objects.a({where})"
            if out in (".text", ".rdata", ".data") and size:
                table[module_of(where, section)][out] += size
        return attribute_symbols(table)
    out = None
    pending = None
    in_map = False
    line_re = re.compile(r"^ (\.\S+)?\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")
    for line in open(path, errors="replace"):
        if line.startswith("Linker script and memory map"):
            in_map = True
            continue
        if not in_map:
            continue
        top = re.match(r"^(\.\w+)\s", line)
        if top:
            out = top.group(1)
            continue
        if re.match(r"^ \.\S+\s*$", line):
            pending = line.strip()
            continue
        m = line_re.match(line)
        if not m or out not in (".text", ".rdata", ".data"):
            pending = None
            continue
        addr, size, where = int(m.group(2), 16), int(m.group(3), 16), m.group(4)
        if (m.group(1) or pending) and addr and size:
            table[module_of(where, m.group(1) or pending)][out] += size
        pending = None
    return attribute_symbols(table)


def attribute_symbols(table):
    """Moves the rows keyed by a symbol (link-time code, templates) to their module."""
    keys = [k for k in table if isinstance(k, tuple)]
    for key, name in zip(keys, demangle([k[1] for k in keys])):
        table[symbol_module(name, key[2])].update(table.pop(key))
    return table


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--budget", type=int, help="largest size without payload, in bytes")
    parser.add_argument("exe")
    parser.add_argument("map", nargs="?")
    args = parser.parse_args()
    data = open(args.exe, "rb").read()
    res = resource_sizes(data)
    payload = res.get("ZIP", 0)
    bare = len(data) - payload
    print(f"image {len(data)} bytes; payload resource {payload} bytes; "
          f"without payload {bare} bytes ({bare / 1024:.1f} KB)")
    for name, vsize, _, rawsize, _ in pe_sections(data):
        print(f"  section {name:8} {rawsize:>8} bytes in the file ({vsize} in memory)")
    print("  resources: " + ", ".join(f"{k} {v}" for k, v in sorted(res.items())))
    if args.map:
        table = map_table(args.map)
        # What the map names no input for: the import tables and thunks lld
        # makes for short import libraries, and the padding between inputs.
        named = collections.Counter()
        for c in table.values():
            named.update(c)
        made = collections.Counter({name: max(0, vsize - named[name])
                                    for name, vsize, _, _, _ in pe_sections(data)
                                    if name in (".text", ".rdata", ".data")})
        if sum(made.values()):
            table["made by the linker, padding"] = made
        rows = sorted(table.items(), key=lambda kv: -sum(kv[1].values()))
        print(f"\n  {'module':36} {'.text':>8} {'.rdata':>8} {'.data':>8} {'total':>8}")
        for name, c in rows:
            print(f"  {name:36} {c['.text']:>8} {c['.rdata']:>8} {c['.data']:>8} {sum(c.values()):>8}")
        total = collections.Counter()
        for c in table.values():
            total.update(c)
        print(f"  {'(all)':36} {total['.text']:>8} {total['.rdata']:>8} {total['.data']:>8} "
              f"{sum(total.values()):>8}")
    if args.budget is not None:
        verdict = "within" if bare <= args.budget else "OVER"
        print(f"budget: {bare} of {args.budget} bytes without payload: {verdict}")
        sys.exit(0 if bare <= args.budget else 1)


if __name__ == "__main__":
    main()
