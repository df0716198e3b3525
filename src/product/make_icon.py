#!/usr/bin/env python3
"""Draws the project's icons and writes them as .ico files (32-bit colour
with alpha). Drawn here, from geometry alone, so the
build carries no art of anyone else's.

  make_icon.py setup OUT.ico     the installer: a box with an arrow into it
  make_icon.py product OUT.ico   the product: a "Q" ring on a blue disc
"""
import math
import struct
import sys
import zlib

# The installer carries the two sizes the shell shows it in (its size
# matters), as PNG images (Windows Vista and later read them in icons of any
# size) at a fifth of the bytes; the product also gets the large one, inside
# the compressed payload, as plain bitmaps.
SIZES = {"setup": (16, 32), "product": (16, 32, 48)}
PNG = {"setup": True, "product": False}
SUPERSAMPLE = 4  # sub-pixels per axis, for smooth edges


def lerp(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def in_round_rect(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r and x0 <= x <= x1 and y0 <= y <= y1


def in_polygon(x, y, pts):
    inside = False
    j = len(pts) - 1
    for i, (xi, yi) in enumerate(pts):
        xj, yj = pts[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


def setup_pixel(u, v):
    """Colour (r, g, b) or None at unit coordinates u, v in [0, 1)."""
    arrow = [(0.40, 0.06), (0.60, 0.06), (0.60, 0.38), (0.76, 0.38),
             (0.50, 0.66), (0.24, 0.38), (0.40, 0.38)]
    if in_polygon(u, v, arrow):
        return (255, 255, 255) if 0.44 < u < 0.56 or v > 0.40 else (235, 245, 235)
    if in_round_rect(u, v, 0.06, 0.46, 0.94, 0.96, 0.10):
        if in_round_rect(u, v, 0.14, 0.46, 0.86, 0.88, 0.06) and v < 0.58:
            return (20, 60, 150)  # the box's open top
        return lerp((40, 110, 230), (10, 40, 140), (v - 0.46) / 0.5)
    # The arrow's green outline band.
    for du, dv in ((0.04, 0), (-0.04, 0), (0, 0.04), (0, -0.04)):
        if in_polygon(u + du, v + dv, arrow):
            return (0, 128, 0)
    return None


def product_pixel(u, v):
    du, dv = u - 0.5, v - 0.5
    d = math.hypot(du, dv)
    if d > 0.48:
        return None
    base = lerp((70, 140, 255), (0, 40, 160), min(1.0, (u + v) / 2))
    # The Q: a ring and a tail toward the lower right.
    if 0.20 <= d <= 0.31:
        return (255, 255, 255)
    t = (du + dv) / 2
    off = abs(du - dv) / math.sqrt(2)
    if 0.10 <= t <= 0.27 and off <= 0.05:
        return (255, 255, 255)
    return base


def render(draw, size):
    """Rows bottom-up of BGRA pixels, averaged over the sub-pixels."""
    rows = []
    n = SUPERSAMPLE
    for y in range(size - 1, -1, -1):
        row = bytearray()
        for x in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    c = draw((x + (sx + 0.5) / n) / size, (y + (sy + 0.5) / n) / size)
                    if c is not None:
                        acc[0] += c[0]; acc[1] += c[1]; acc[2] += c[2]; acc[3] += 1
            a = acc[3]
            if a:
                r, g, b = (acc[i] // a for i in range(3))
                row += bytes((b, g, r, a * 255 // (n * n)))
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return rows


def icon_image(draw, size):
    pixels = b"".join(render(draw, size))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytes(mask_stride * size)  # alpha carries the shape
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + mask


def png_image(draw, size):
    """The same pixels as an RGBA PNG, rows top-down."""
    raw = bytearray()
    for row in reversed(render(draw, size)):
        raw.append(0)  # no filter
        for i in range(0, len(row), 4):
            b, g, r, a = row[i:i + 4]
            raw += bytes((r, g, b, a))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def write_ico(path, draw, sizes, png):
    images = [(png_image if png else icon_image)(draw, s) for s in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    with open(path, "wb") as f:
        f.write(out)


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("setup", "product"):
        sys.exit(__doc__)
    style = sys.argv[1]
    write_ico(sys.argv[2], setup_pixel if style == "setup" else product_pixel, SIZES[style],
              PNG[style])


if __name__ == "__main__":
    main()
