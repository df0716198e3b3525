#!/usr/bin/env python3
"""Cost of shrink's partial clears: one shrunk entry of about 1 MB of
compressed data made of a literal, a partial clear, a literal, a partial
clear... (so the table never holds more than a couple of codes), timed
through `qunzip t` and, where present, `7zz t`. Prints CPU seconds (best of
--runs) per tool.

    bench/legacy/partial_clear.py [--qunzip build/native/bin/qunzip] [--mb 1] [--runs 3]
"""
import argparse
import os
import resource
import shutil
import struct
import subprocess
import tempfile
import zlib


def shrink_stream(size_bytes):
    """Codes of 9 bits, least significant bit first: literal, 256, 2, ..."""
    bits, count, out, data = 0, 0, bytearray(), bytearray()
    n = 0
    while len(out) < size_bytes:
        literal = n % 251
        n += 1
        for code in (literal, 256, 2):
            bits |= code << count
            count += 9
            while count >= 8:
                out.append(bits & 0xFF)
                bits >>= 8
                count -= 8
        data.append(literal)
    if count:
        out.append(bits & 0xFF)
    return bytes(out), bytes(data)


def zip_one(name, method, packed, data):
    crc = zlib.crc32(data)
    local = struct.pack('<IHHHIIIIHH', 0x04034B50, 10, 0, method, 0x5A8C6B5A, crc,
                        len(packed), len(data), len(name), 0) + name
    central = struct.pack('<IHHHHIIIIHHHHHII', 0x02014B50, 10, 10, 0, method, 0x5A8C6B5A, crc,
                          len(packed), len(data), len(name), 0, 0, 0, 0, 0, 0) + name
    end = struct.pack('<IHHHHIIH', 0x06054B50, 0, 0, 1, 1, len(central),
                      len(local) + len(packed), 0)
    return local + packed + central + end


def cpu_time(cmd):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    done = subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    used = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return used, done.returncode


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser()
    parser.add_argument('--qunzip', default=os.path.join(here, '../../build/native/bin/qunzip'))
    parser.add_argument('--mb', type=float, default=1.0)
    parser.add_argument('--runs', type=int, default=3)
    args = parser.parse_args()
    packed, data = shrink_stream(int(args.mb * 1024 * 1024))
    with tempfile.TemporaryDirectory() as tmp:
        archive = os.path.join(tmp, 'clears.zip')
        with open(archive, 'wb') as f:
            f.write(zip_one(b'clears.bin', 1, packed, data))
        print(f'shrunk entry: {len(packed)} bytes of codes, {len(data)} bytes out, '
              f'{len(data)} partial clears')
        tools = [('qunzip', [args.qunzip, 't', archive])]
        if shutil.which('7zz'):
            tools.append(('7zz', ['7zz', 't', archive]))
        for label, cmd in tools:
            results = [cpu_time(cmd) for _ in range(args.runs)]
            best = min(t for t, _ in results)
            codes = sorted({rc for _, rc in results})
            print(f'{label:8s} {best:8.3f} s CPU (best of {args.runs}), exit {codes}')


if __name__ == '__main__':
    main()
