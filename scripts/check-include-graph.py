#!/usr/bin/env python3
"""Checks that the folders of src/ form layers: no two folders use each
other. A folder uses another when one of its sources includes a header of
it ("other/x.h"), or its build files name a path in it (src/other/...) or
a target the other folder's build files define. Prints the folder graph;
exit status 1, naming a file on each side, when a pair uses each other."""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
SRC = ROOT / "src"
SOURCES = {".h", ".cpp", ".c", ".in", ".rc"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
# Resource scripts and templates name files through CMake variables.
VARIABLE = re.compile(r"^@\w+@/")
VARIABLE_FOLDER = {"@Q_PRODUCT_DIR@": "product"}
TARGET = re.compile(r"\badd_(?:library|executable|custom_target)\(\s*([\w.-]+)")
SRC_PATH = re.compile(r"\bsrc/(\w+)/")
WORD = re.compile(r"[\w.-]+")


def target_folder(include: str):
    """The top folder of src/ a quoted include names, or None."""
    for var, folder in VARIABLE_FOLDER.items():
        if include.startswith(var + "/"):
            return folder
    include = VARIABLE.sub("", include)
    if include.startswith("src/"):
        include = include[4:]
    parts = include.split("/")
    return parts[0] if len(parts) > 1 else None


def main() -> int:
    edges = {}  # (from, to) -> first file seen
    for path in sorted(SRC.rglob("*")):
        if path.suffix not in SOURCES or not path.is_file():
            continue
        source = path.relative_to(SRC).parts[0]
        for include in INCLUDE.findall(path.read_text(errors="replace")):
            target = target_folder(include)
            if target and target != source:
                edges.setdefault((source, target), str(path.relative_to(ROOT)))
    build_files = {}
    for path in sorted(SRC.rglob("*")):
        if path.name == "CMakeLists.txt" or path.suffix == ".cmake":
            build_files.setdefault(path.relative_to(SRC).parts[0], []).append(path)
    targets = {}  # target name -> folder defining it
    for folder, paths in build_files.items():
        for path in paths:
            for name in TARGET.findall(path.read_text()):
                targets[name] = folder
    for folder, paths in build_files.items():
        for path in paths:
            text = re.sub(r"#.*", "", path.read_text())
            used = set(SRC_PATH.findall(text))
            used |= {targets[w] for w in WORD.findall(text) if w in targets}
            for target in used - {folder}:
                edges.setdefault((folder, target), str(path.relative_to(ROOT)))
    folders = sorted({f for edge in edges for f in edge})
    for f in folders:
        uses = sorted(t for (s, t) in edges if s == f)
        print(f"{f} -> {', '.join(uses) if uses else '(nothing)'}")
    cycles = sorted((a, b) for (a, b) in edges if a < b and (b, a) in edges)
    for a, b in cycles:
        print(f"error: {a} and {b} use each other "
              f"({edges[(a, b)]}; {edges[(b, a)]})", file=sys.stderr)
    return 1 if cycles else 0


if __name__ == "__main__":
    sys.exit(main())
