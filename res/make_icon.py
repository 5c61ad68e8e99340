#!/usr/bin/env python3
"""Draws Quillmark's icon (a notice card with a quill) at 16, 24, 32, 48 and 64 pixels into
quillmark.ico.

Plain Python, no imaging library: each size is rendered with 4x4 supersampling and stored
as a PNG image (8-bit RGBA, each row with the filter that suits it best, deflated), which
Windows Vista and later read in icons: a fifth of the bytes of the same images as BMPs.
"""
import math
import struct
import sys
import zlib

SIZES = (16, 24, 32, 48, 64)


def inside_round_rect(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r and x0 <= x <= x1 and y0 <= y <= y1


def dist_to_segment(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - (ax + t * dx), y - (ay + t * dy)), t


def colour_at(x, y):
    """Colour (r, g, b, a) at a point of the unit square, or None for transparent."""
    # The quill: a feather from top right to a nib at lower left, drawn over the card.
    d, t = dist_to_segment(x, y, 0.90, 0.08, 0.30, 0.80)
    width = 0.11 * math.sin(math.pi * min(1.0, t * 1.15)) if t < 0.87 else 0.0
    if d <= max(width, 0.028) and t <= 0.97:
        if t > 0.87:
            return (40, 40, 40, 255)  # nib
        return (214, 160, 38, 255) if d > 0.02 else (120, 80, 10, 255)  # vane and shaft
    # The card: a white notice with a blue title bar and grey lines of text.
    if inside_round_rect(x, y, 0.06, 0.14, 0.80, 0.94, 0.06):
        if not inside_round_rect(x, y, 0.10, 0.18, 0.76, 0.90, 0.03):
            return (30, 60, 120, 255)  # border
        if y < 0.34:
            return (45, 95, 180, 255)  # title bar
        for line in (0.45, 0.58, 0.71):
            if abs(y - line) < 0.035 and 0.17 < x < 0.68:
                return (150, 150, 160, 255)
        return (250, 250, 245, 255)
    return None


def render(size):
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(4):
                for sx in range(4):
                    c = colour_at((px + (sx + 0.5) / 4) / size, (py + (sy + 0.5) / 4) / size)
                    if c:
                        for i in range(3):
                            acc[i] += c[i] * c[3]
                        acc[3] += c[3]
            a = acc[3] / 16
            rgb = [int(acc[i] / acc[3]) if acc[3] else 0 for i in range(3)]
            row.append((rgb[0], rgb[1], rgb[2], int(round(a))))
        rows.append(row)
    return rows


def paeth(left, up, up_left):
    p = left + up - up_left
    pa, pb, pc = abs(p - left), abs(p - up), abs(p - up_left)
    return left if pa <= pb and pa <= pc else (up if pb <= pc else up_left)


PREDICTORS = (
    lambda left, up, up_left: 0,
    lambda left, up, up_left: left,
    lambda left, up, up_left: up,
    lambda left, up, up_left: (left + up) // 2,
    paeth,
)


def filtered(row, previous):
    """The row with the PNG filter whose output deflates best, judged by its summed size."""
    best = None
    for kind, predict in enumerate(PREDICTORS):
        out = bytes([kind]) + bytes(
            (v - predict(row[i - 4] if i >= 4 else 0, previous[i],
                         previous[i - 4] if i >= 4 else 0)) & 255
            for i, v in enumerate(row))
        cost = sum(min(v, 256 - v) for v in out[1:])
        if best is None or cost < best[0]:
            best = (cost, out)
    return best[1]


def png_entry(size):
    pixels = render(size)
    data, previous = b"", bytes(size * 4)
    for row in pixels:
        row = bytes(v for pixel in row for v in pixel)
        data += filtered(row, previous)
        previous = row

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(data, 9)) + chunk(b"IEND", b""))


def main(path):
    images = [png_entry(s) for s in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "quillmark.ico")
