#!/usr/bin/env python3
"""Plants small faults in the code one at a time and counts how many the tests catch.

    scripts/mutants.py [--area portable|win32] [--count N] [--seed S] [--timeout SEC]
                       [--list] [--only FILE:LINE]

Each fault is one edit at one site: a comparison flipped (< <=, > >=, == !=), an arithmetic or
bit operator swapped (+ -, << >>, & |), an integer constant off by one, an if-condition negated,
or a single-line statement dropped. Sites are collected over the area's files, sorted, and
sampled from the seed, so the same seed over the same sources gives the same faults. For each
fault the script rebuilds only the test programs that cover that folder, runs them with a time
limit and restores the file. A fault the compiler rejects is not counted; a fault is caught when
a test fails, crashes or runs out of time.

  portable  the code built natively (engine, polygon math and button geometry, the uninstall
            plan, the pure install utilities); tests from build/native
  win32     Windows code tested under Wine (registry, shortcuts, GUI framework and layout, the
            button's window code, the installation procedure); tests from build/win64

The build folders must exist (`make build`). Run it in a checkout nobody else is building: it
edits the sources in place, one at a time, and always puts them back.
"""
import argparse
import json
import os
import random
import re
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent

# Folder (or file) prefix under src/ -> the test programs that cover it. First match wins.
NATIVE_TESTS = [
    ("unzip/", ["unzip_tests", "inflate_tests", "inflate_conformance_tests", "legacy_tests"]),
    ("platform/", ["unzip_tests", "legacy_tests"]),
    ("shapebutton/rotatergn", ["geometry_tests"]),
    ("shapebutton/fyframes", ["fyframes_tests"]),
    ("shapebutton/", ["fyshape_tests", "fyface_tests"]),
    ("payload/", ["payload_tests"]),
    ("installutils/", ["installutils_unit_tests"]),
]
WINE_TESTS = [
    ("installutils/", ["installutils_win_tests"]),
    ("gui/", ["gui_tests"]),
    ("shapebutton/rotatergn_win32", ["geometry_win_tests"]),
    ("shapebutton/fyrotatetimer", ["shapebutton_tests"]),
    ("shapebutton/fyanimation", ["shapebutton_tests"]),
    ("shapebutton/", ["shapebutton_tests"]),
    ("installer/", ["installer_tests"]),
]
WINE_FILES = re.compile(r"^(installutils/(registry|shortcut|system_folders|uninstall)|gui/(layout|control|forms|stdctrls)|"
                        r"shapebutton/(fyeverbutton|fyrender|fycaption\.|rotatergn_win32)|installer/install)")


def tests_for(rel, table):
    for prefix, tests in table:
        if rel.startswith(prefix):
            return tests
    return None


def area_files(area):
    """The sources of an area, from the build's own compile database."""
    if area == "portable":
        db = ROOT / "build/native/compile_commands.json"
        keep = lambda rel: tests_for(rel, NATIVE_TESTS) and not rel.startswith("platform/posix")
    else:
        db = ROOT / "build/win64/compile_commands.json"
        keep = lambda rel: WINE_FILES.match(rel) and tests_for(rel, WINE_TESTS)
    files = set()
    for entry in json.loads(db.read_text()):
        path = Path(entry["file"]).resolve()
        try:
            rel = path.relative_to(ROOT / "src").as_posix()
        except ValueError:
            continue
        if keep(rel):
            files.add(rel)
    return sorted(files)


def blank_out(text):
    """The text with comments, string and character literals and preprocessor lines replaced by
    spaces, offsets kept, so the patterns below only ever see code."""
    out = list(text)
    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if line_start and text[i:].lstrip(" \t").startswith("#"):
            j = text.find("\n", i)
            j = n if j < 0 else j
            while j > 0 and text[j - 1] == "\\" and j < n:  # continued macro lines
                j = text.find("\n", j + 1)
                j = n if j < 0 else j
            for k in range(i, j):
                out[k] = " "
            i = j
            continue
        line_start = c == "\n"
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
        elif c in "\"'":
            m = re.match(r'R"([^(]*)\(', text[i:]) if c == '"' and i and text[i - 1] == "R" else None
            if m:
                j = text.find(")" + m.group(1) + '"', i) + len(m.group(1)) + 2
            else:
                j = i + 1
                while j < n and text[j] != c:
                    j += 2 if text[j] == "\\" else 1
                j += 1
        else:
            i += 1
            continue
        for k in range(i, min(j, n)):
            if out[k] != "\n":
                out[k] = " "
        i = j
    return "".join(out)


SWAPS = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "==",
         "+": "-", "-": "+", "<<": ">>", ">>": "<<", "&": "|", "|": "&", "&&": "||", "||": "&&"}
BINARY = re.compile(r"(?<=[\w)\]]) (<<|>>|<=|>=|==|!=|&&|\|\||[<>+\-&|]) (?=[\w(!~\-])")
NUMBER = re.compile(r"(?<![\w.])(0[xX][0-9a-fA-F]+|[0-9]+)([uUlL]*)(?![\w.])")
STATEMENT = re.compile(r"^(\s{4,})([A-Za-z_][\w.>\-\[\]:]*(\(.*\)|\s*([+\-*/|&]?=|\+\+|--).*));\s*$")
DECLARATION = re.compile(r"^\s*(const\s+|static\s+|auto\s|unsigned\s|[\w:<>]+[\s*&]+\w+\s*(=|\{|\(|;|\[))")


def sites(rel):
    """Every fault this file offers: (offset, old text, new text, kind)."""
    text = (ROOT / "src" / rel).read_text()
    code = blank_out(text)
    found = []
    for m in BINARY.finditer(code):
        op = m.group(1)
        kind = "comparison" if op in ("<", "<=", ">", ">=", "==", "!=") else "operator"
        found.append((m.start(1), op, SWAPS[op], kind))
    for m in NUMBER.finditer(code):
        digits, suffix = m.group(1), m.group(2)
        value = int(digits, 16 if digits[:2].lower() == "0x" else 10)
        new = value + 1 if value == 0 or (m.start() % 2) else value - 1
        text_new = (hex(new) if digits[:2].lower() == "0x" else str(new)) + suffix
        found.append((m.start(), m.group(0), text_new, "constant"))
    for m in re.finditer(r"\bif \(", code):
        start = m.end() - 1
        depth = 0
        for j in range(start, len(code)):
            depth += {"(": 1, ")": -1}.get(code[j], 0)
            if depth == 0:
                break
        inner = text[start:j + 1]
        found.append((start, inner, "(!" + inner + ")", "negation"))
    lines = code.split("\n")
    offset = 0
    previous = ""
    for line in lines:
        m = STATEMENT.match(line)
        if (m and not DECLARATION.match(line) and line.count("(") == line.count(")")
                and previous.rstrip().endswith((";", "{", "}")) and "return" not in line):
            body = line.strip()
            found.append((offset + len(m.group(1)), text[offset + len(m.group(1)):offset + len(m.group(1)) + len(body)],
                          ";", "dropped"))
        if line.strip():
            previous = line
        offset += len(line) + 1
    return text, found


def line_of(text, offset):
    return text.count("\n", 0, offset) + 1


def run(cmd, timeout, cwd=ROOT):
    try:
        p = subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                           timeout=timeout, text=True, errors="replace")
        return p.returncode, p.stdout
    except subprocess.TimeoutExpired:
        return "timeout", ""


def test_fault(area, tests, timeout):
    preset = "native" if area == "portable" else "win64"
    rc, out = run(["cmake", "--build", f"build/{preset}", "-j2", "--target", *tests], 900)
    if rc != 0:
        return "not viable"
    if area == "portable":
        for t in tests:
            rc, _ = run([f"build/native/bin/{t}", "--gtest_brief=1"], timeout)
            if rc != 0:
                return "caught"
        return "survived"
    names = "|".join(tests)
    rc, _ = run(["ctest", "--test-dir", "build/win64", "-R", f"^({names})$", "--timeout", str(timeout)],
                timeout * len(tests) + 120)
    return "survived" if rc == 0 else "caught"


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--area", choices=["portable", "win32"], default="portable")
    ap.add_argument("--count", type=int, default=150)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--timeout", type=int, default=120, help="seconds per test program")
    ap.add_argument("--list", action="store_true", help="print the sampled faults, run nothing")
    ap.add_argument("--only", action="append", default=[], metavar="FILE:LINE",
                    help="of the sample, run only the faults at these sites (repeatable)")
    args = ap.parse_args()

    table = NATIVE_TESTS if args.area == "portable" else WINE_TESTS
    pool = []
    for rel in area_files(args.area):
        text, found = sites(rel)
        pool += [(rel, off, old, new, kind, line_of(text, off)) for off, old, new, kind in found]
    pool.sort()
    sample = random.Random(args.seed).sample(pool, min(args.count, len(pool)))
    sample.sort()
    if args.only:
        wanted = {w.removeprefix("src/") for w in args.only}
        sample = [f for f in sample if f"{f[0]}:{f[5]}" in wanted]
    print(f"{len(pool)} sites in {args.area} code; {len(sample)} sampled with seed {args.seed}", flush=True)

    results = {"caught": [], "survived": [], "not viable": []}
    started = time.time()
    for i, (rel, off, old, new, kind, line) in enumerate(sample, 1):
        label = f"src/{rel}:{line} {kind}: {old.strip()[:60]} -> {new.strip()[:60]}"
        if args.list:
            print(label)
            continue
        path = ROOT / "src" / rel
        original = path.read_text()
        try:
            path.write_text(original[:off] + new + original[off + len(old):])
            outcome = test_fault(args.area, tests_for(rel, table), args.timeout)
        finally:
            path.write_text(original)
        results[outcome].append(label)
        print(f"[{i}/{len(sample)}] {outcome:10} {label}", flush=True)
    if args.list:
        return 0
    judged = len(results["caught"]) + len(results["survived"])
    score = len(results["caught"]) / judged if judged else 0.0
    print(f"\n{args.area}: {len(results['caught'])} caught of {judged} viable faults "
          f"({score:.1%}); {len(results['not viable'])} did not compile; "
          f"{time.time() - started:.0f} s")
    for label in results["survived"]:
        print("survived:", label)
    # Leave the builds matching the restored sources.
    run(["cmake", "--build", f"build/{'native' if args.area == 'portable' else 'win64'}", "-j2"], 1800)
    return 0


if __name__ == "__main__":
    sys.exit(main())
