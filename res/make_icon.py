#!/usr/bin/env python3
"""Draws Quillmark's icon (a notice card with a quill) at 16, 32 and 48 pixels into quillmark.ico.

Plain Python, no imaging library: each size is rendered with 4x4 supersampling and stored
as a 32-bit BMP image with its AND mask, the form every Windows version reads.
"""
import math
import struct
import sys

SIZES = (16, 32, 48)


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


def bmp_entry(size):
    pixels = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b"".join(bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + xor + bytes(mask)


def main(path):
    images = [bmp_entry(s) for s in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "quillmark.ico")
