#!/usr/bin/env python3
"""The payload packer: a packager's folder (sub-folders included), the two
programs it must hold, reproducible entry times, DOS attributes."""
import os
import subprocess
import sys
import tempfile
import unittest
import zipfile

PACKER = sys.argv.pop(1)


def pack(*args, env=None):
    return subprocess.run([sys.executable, PACKER, *args], capture_output=True, text=True,
                          env=env)


class MakePayload(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = os.path.join(self.tmp.name, "product")
        os.makedirs(os.path.join(self.dir, "docs"))
        for name, data in (("Quorvantis.exe", b"MZ program"), ("UninstallQuorvantis.exe", b"MZ un"),
                           ("docs/Read me.txt", b"hello " * 100)):
            with open(os.path.join(self.dir, name), "wb") as f:
                f.write(data)
        self.out = os.path.join(self.tmp.name, "payload.zip")

    def tearDown(self):
        self.tmp.cleanup()

    def test_packs_a_folder_deflated_with_sub_folders(self):
        env = dict(os.environ, SOURCE_DATE_EPOCH="1700000000")
        self.assertEqual(pack(self.out, "--dir", self.dir, env=env).returncode, 0)
        with zipfile.ZipFile(self.out) as z:
            infos = z.infolist()
            self.assertEqual([i.filename for i in infos],
                             ["Quorvantis.exe", "UninstallQuorvantis.exe", "docs/Read me.txt"])
            self.assertTrue(all(i.compress_type == zipfile.ZIP_DEFLATED for i in infos))
            self.assertTrue(all(i.create_system == 0 and i.external_attr == 0x20 for i in infos))
            self.assertEqual(z.read("docs/Read me.txt"), b"hello " * 100)
            self.assertIsNone(z.testzip())
        first = open(self.out, "rb").read()
        self.assertEqual(pack(self.out, "--dir", self.dir, env=env).returncode, 0)
        self.assertEqual(open(self.out, "rb").read(), first)  # reproducible

    def test_refuses_a_payload_without_the_programs(self):
        os.remove(os.path.join(self.dir, "UninstallQuorvantis.exe"))
        result = pack(self.out, "--dir", self.dir)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("UninstallQuorvantis.exe", result.stderr)
        self.assertFalse(os.path.exists(self.out))

    def test_refuses_names_that_collide_on_windows(self):
        with open(os.path.join(self.dir, "quorvantis.EXE"), "wb") as f:
            f.write(b"x")
        result = pack(self.out, "--dir", self.dir)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("letter case", result.stderr)


if __name__ == "__main__":
    unittest.main()
