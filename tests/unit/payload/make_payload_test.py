#!/usr/bin/env python3
"""The payload packer and its check: a publisher's folder (sub-folders,
links, the project's uninstaller added when missing), reproducible bytes,
and every name Setup could not install refused with the file and the reason."""
import os
import subprocess
import sys
import tempfile
import unittest
import zipfile

PACKER, CHECK = sys.argv.pop(1), sys.argv.pop(1)


def run(*args, env=None):
    return subprocess.run([*args], capture_output=True, text=True, env=env)


def write(folder, name, data=b"x"):
    path = os.path.join(folder, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    return path


class Payload(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = os.path.join(self.tmp.name, "product")
        write(self.dir, "Quorvantis.exe", b"MZ program")
        self.out = os.path.join(self.tmp.name, "payload.zip")

    def tearDown(self):
        self.tmp.cleanup()

    def pack(self, *extra, env=None):
        own = write(self.tmp.name, "own-uninstaller.exe", b"MZ ours")
        return run(sys.executable, PACKER, "--zip", self.out, "--check", CHECK, "--dir", self.dir,
                   "--fallback", "UninstallQuorvantis.exe=" + own, *extra, env=env)

    def test_packs_the_folder_reproducibly_adding_the_uninstaller(self):
        write(self.dir, "docs/Read me.txt", b"hello " * 100)
        outside = write(self.tmp.name, "elsewhere.txt", b"through a link")
        os.symlink(outside, os.path.join(self.dir, "docs", "linked.txt"))
        os.makedirs(os.path.join(self.dir, "empty"))
        env = dict(os.environ, SOURCE_DATE_EPOCH="1700000000")
        result = self.pack(env=env)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("empty/: an empty folder is not carried", result.stderr)
        with zipfile.ZipFile(self.out) as z:
            infos = z.infolist()
            self.assertEqual([i.filename for i in infos],
                             ["Quorvantis.exe", "UninstallQuorvantis.exe", "docs/Read me.txt",
                              "docs/linked.txt"])
            self.assertTrue(all(i.compress_type == zipfile.ZIP_DEFLATED and i.create_system == 0
                                and i.external_attr == 0x20 for i in infos))
            self.assertEqual(z.read("UninstallQuorvantis.exe"), b"MZ ours")
            self.assertEqual(z.read("docs/linked.txt"), b"through a link")  # content, not a link
            self.assertIsNone(z.testzip())
        first = open(self.out, "rb").read()
        os.utime(os.path.join(self.dir, "Quorvantis.exe"), (1, 1))
        self.assertEqual(self.pack(env=env).returncode, 0)
        self.assertEqual(open(self.out, "rb").read(), first)

        # The names the uninstaller carries are the ones packed; a folder
        # changed in between is refused.
        names = os.path.join(self.tmp.name, "names.txt")
        run(sys.executable, PACKER, "--list", names, "--check", CHECK, "--dir", self.dir,
            "--fallback", "UninstallQuorvantis.exe")
        self.assertEqual(open(names).read().splitlines(), [i.filename for i in infos])
        write(self.dir, "new.txt")
        result = self.pack("--expect", names)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("changed", result.stderr)

    def test_the_publishers_uninstaller_is_kept(self):
        write(self.dir, "uninstallquorvantis.EXE", b"MZ theirs")
        self.assertEqual(self.pack().returncode, 0)
        with zipfile.ZipFile(self.out) as z:
            self.assertEqual(z.namelist(), ["Quorvantis.exe", "uninstallquorvantis.EXE"])

    def test_refusals(self):
        # One row per refusal: what the folder holds, the file and the reason
        # the check must name.
        def fifo(folder):
            os.mkfifo(os.path.join(folder, "pipe"))

        def loop(folder):
            os.makedirs(os.path.join(folder, "sub"))
            os.symlink("..", os.path.join(folder, "sub", "up"))

        def big(folder):
            with open(os.path.join(folder, "big.bin"), "wb") as f:
                f.truncate((4 << 30) + 1)  # sparse

        rows = [
            ("CON.txt", "CON.txt", "device name"),
            ("docs/aux", "docs/aux", "device name"),
            ("COM1.tar.gz", "COM1.tar.gz", "device name"),
            ("name.", "name.", "ends with a dot or space"),
            ("folder /a.txt", "folder /a.txt", "ends with a dot or space"),
            ("_temp_zip_.DAT", "_temp_zip_.DAT", "temporary archive"),
            ("a\\b.txt", "a\\b.txt", "Windows does not allow"),
            ("why?.txt", "why?.txt", "Windows does not allow"),
            ("tab\there", "tab\there", "control character"),
            ("Caf\udce9.txt", "Caf", "not UTF-8"),  # byte 0xE9 alone
            ("COM\u00b9", "COM\u00b9", "device name"),
            (["Read.me", "READ.ME"], "Read.me", "only in letter case"),
            (["docs", "Docs/x"], "docs", "cannot both exist"),
            ("d" * 200 + "/" + "x" * 60, "x" * 60, "more than the 259"),
            (big, "big.bin", "over 4 GiB"),
            (fifo, "pipe", "not a regular file"),
            (loop, "sub/up", "link back"),
            (lambda f: os.symlink("nowhere", os.path.join(f, "dangling")), "dangling",
             "link to nothing"),
            (lambda f: os.remove(os.path.join(f, "Quorvantis.exe")), "Quorvantis.exe", "missing"),
        ]
        for i, (content, name, reason) in enumerate(rows):
            with self.subTest(name=name):
                folder = os.path.join(self.tmp.name, f"row{i}")
                write(folder, "Quorvantis.exe")
                if callable(content):
                    content(folder)
                else:
                    for n in [content] if isinstance(content, str) else content:
                        write(folder, n)
                result = subprocess.run([CHECK, "--dir", folder], capture_output=True)
                self.assertEqual(result.returncode, 1)
                err = result.stderr.decode("utf-8", "replace")
                line = next((l for l in err.splitlines() if l.startswith("refused: ")), "")
                self.assertIn(name, line)
                self.assertIn(reason, line)
                self.assertEqual(result.stdout, b"")

        # Names given rather than found: what leaves the folder.
        for name in ("../evil.exe", "/abs.exe", "a/../../b"):
            result = run(CHECK, "--file", "Quorvantis.exe", "--file", name)
            self.assertEqual(result.returncode, 1, name)
            self.assertIn("leaves the installation folder", result.stderr)


if __name__ == "__main__":
    unittest.main()
