#!/usr/bin/env python3
"""Draws Feldmoor's window icon and writes it as Feldmoor.ico beside this file.

With `--png SIZE OUT` it writes the same picture as a SIZE x SIZE PNG to OUT
instead: the icons a Linux desktop shows in its menus are made this way at
build time.

The picture: a dark chip package with pins on all four sides and a grid of
logic cells on its die, and a bold green arrow coming down into it: "load
this into the FPGA". Only the standard library is used so that anyone can
regenerate the icon without installing anything, and the output is the same
bytes on every run so that regenerating it never shows up as a change.
"""

import argparse
import math
import os
import struct
import zlib

SIZE = 128
# 4x4 samples per pixel gives 17 coverage levels, plenty for edges that must
# still read when Windows shrinks the image to 16 px.
SUPERSAMPLE = 4

# Colours are straight (not premultiplied) RGB in 0..1.
PIN_LIGHT = (0.90, 0.91, 0.93)
PIN_DARK = (0.55, 0.58, 0.62)
BODY_TOP = (0.25, 0.31, 0.38)
BODY_BOTTOM = (0.15, 0.19, 0.24)
BODY_RIM = (0.42, 0.49, 0.57)
DIE = (0.07, 0.10, 0.13)
CELL_DIM = (0.05, 0.50, 0.50)
CELL_LIT = (0.20, 0.85, 0.75)
ARROW_TOP = (0.45, 0.90, 0.40)
ARROW_BOTTOM = (0.196, 0.804, 0.196)  # #32CD32, the progress bar's green
ARROW_OUTLINE = (0.04, 0.22, 0.06)

# Geometry, in pixels of the 128 px image. The chip sits low so the arrow
# has room above it; it stays symmetric left to right.
BODY_LEFT, BODY_RIGHT = 19.0, 109.0
BODY_TOP_Y, BODY_BOTTOM_Y = 29.0, 119.0
BODY_RADIUS = 10.0
PIN_LENGTH = 9.0
PIN_WIDTH = 11.0
PIN_PITCH = 20.0
PINS_PER_SIDE = 4
DIE_INSET = 12.0
CELLS_PER_SIDE = 3
CELL_GAP = 5.0
# Which cells glow, row-major: a fixed pattern so the fabric looks configured.
LIT_CELLS = {0, 2, 4, 6, 7}

ARROW_CENTRE_X = 64.0
ARROW_SHAFT_HALF = 13.0
ARROW_HEAD_HALF = 32.0
ARROW_TOP_Y = 5.0
ARROW_HEAD_Y = 40.0
ARROW_TIP_Y = 78.0
ARROW_OUTLINE_WIDTH = 4.0
SHADOW_OFFSET = 3.0
SHADOW_ALPHA = 0.45


def lerp(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def clamp01(t):
    return 0.0 if t < 0.0 else 1.0 if t > 1.0 else t


def rounded_rect_distance(px, py, left, top, right, bottom, radius):
    """Signed distance to a rounded rectangle: negative inside."""
    cx, cy = (left + right) * 0.5, (top + bottom) * 0.5
    hx = (right - left) * 0.5 - radius
    hy = (bottom - top) * 0.5 - radius
    qx, qy = abs(px - cx) - hx, abs(py - cy) - hy
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    inside = min(max(qx, qy), 0.0)
    return outside + inside - radius


def polygon_distance(px, py, points):
    """Signed distance to a simple polygon: negative inside."""
    best = float("inf")
    inside = False
    n = len(points)
    for i in range(n):
        ax, ay = points[i]
        bx, by = points[(i + 1) % n]
        ex, ey = bx - ax, by - ay
        wx, wy = px - ax, py - ay
        t = clamp01((wx * ex + wy * ey) / (ex * ex + ey * ey))
        best = min(best, math.hypot(wx - ex * t, wy - ey * t))
        if (ay > py) != (by > py):
            if px < ax + (py - ay) * ex / ey:
                inside = not inside
    return -best if inside else best


def arrow_outline():
    x = ARROW_CENTRE_X
    s, h = ARROW_SHAFT_HALF, ARROW_HEAD_HALF
    return [
        (x - s, ARROW_TOP_Y), (x + s, ARROW_TOP_Y),
        (x + s, ARROW_HEAD_Y), (x + h, ARROW_HEAD_Y),
        (x, ARROW_TIP_Y),
        (x - h, ARROW_HEAD_Y), (x - s, ARROW_HEAD_Y),
    ]


ARROW = arrow_outline()


def pin_rects():
    """Pins as rectangles that tuck under the body so only their ends show."""
    spread = PIN_PITCH * (PINS_PER_SIDE - 1) * 0.5
    first_x = (BODY_LEFT + BODY_RIGHT) * 0.5 - spread
    first_y = (BODY_TOP_Y + BODY_BOTTOM_Y) * 0.5 - spread
    half = PIN_WIDTH * 0.5
    tuck = 6.0
    rects = []
    for i in range(PINS_PER_SIDE):
        c = first_x + i * PIN_PITCH
        cy = first_y + i * PIN_PITCH
        rects.append((c - half, BODY_TOP_Y - PIN_LENGTH, c + half, BODY_TOP_Y + tuck))
        rects.append((c - half, BODY_BOTTOM_Y - tuck, c + half, BODY_BOTTOM_Y + PIN_LENGTH))
        rects.append((BODY_LEFT - PIN_LENGTH, cy - half, BODY_LEFT + tuck, cy + half))
        rects.append((BODY_RIGHT - tuck, cy - half, BODY_RIGHT + PIN_LENGTH, cy + half))
    return rects


PINS = pin_rects()


def cell_rects():
    left = BODY_LEFT + DIE_INSET + CELL_GAP
    top = BODY_TOP_Y + DIE_INSET + CELL_GAP
    span = BODY_RIGHT - BODY_LEFT - 2.0 * (DIE_INSET + CELL_GAP)
    cell = (span - CELL_GAP * (CELLS_PER_SIDE - 1)) / CELLS_PER_SIDE
    rects = []
    for row in range(CELLS_PER_SIDE):
        for col in range(CELLS_PER_SIDE):
            x = left + col * (cell + CELL_GAP)
            y = top + row * (cell + CELL_GAP)
            lit = row * CELLS_PER_SIDE + col in LIT_CELLS
            rects.append((x, y, x + cell, y + cell, lit))
    return rects


CELLS = cell_rects()


def over(dst, colour, alpha):
    """Composites a straight colour at alpha over a premultiplied pixel."""
    r, g, b, a = dst
    keep = 1.0 - alpha
    return (colour[0] * alpha + r * keep,
            colour[1] * alpha + g * keep,
            colour[2] * alpha + b * keep,
            alpha + a * keep)


def pin_colour(rect, px, py):
    # A lengthwise highlight makes the pins look round, like leads.
    l, t, r, b = rect
    across = (px - l) / (r - l) if (r - l) < (b - t) else (py - t) / (b - t)
    return lerp(PIN_DARK, PIN_LIGHT, 1.0 - abs(across - 0.35) * 1.5)


def sample(px, py):
    """The premultiplied RGBA of the scene at one point."""
    pixel = (0.0, 0.0, 0.0, 0.0)

    for rect in PINS:
        if rounded_rect_distance(px, py, *rect, 2.0) < 0.0:
            pixel = over(pixel, pin_colour(rect, px, py), 1.0)
            break

    body = rounded_rect_distance(px, py, BODY_LEFT, BODY_TOP_Y, BODY_RIGHT,
                                 BODY_BOTTOM_Y, BODY_RADIUS)
    if body < 0.0:
        # A light rim keeps the dark body visible on dark title bars.
        if body > -2.5:
            colour = BODY_RIM
        else:
            t = (py - BODY_TOP_Y) / (BODY_BOTTOM_Y - BODY_TOP_Y)
            colour = lerp(BODY_TOP, BODY_BOTTOM, t)
        pixel = over(pixel, colour, 1.0)

        die = rounded_rect_distance(px, py, BODY_LEFT + DIE_INSET,
                                    BODY_TOP_Y + DIE_INSET,
                                    BODY_RIGHT - DIE_INSET,
                                    BODY_BOTTOM_Y - DIE_INSET, 4.0)
        if die < 0.0:
            pixel = over(pixel, DIE, 1.0)
            for l, t, r, b, lit in CELLS:
                if rounded_rect_distance(px, py, l, t, r, b, 2.5) < 0.0:
                    pixel = over(pixel, CELL_LIT if lit else CELL_DIM, 1.0)
                    break

    # The shadow lifts the arrow off the chip where both are dark-edged.
    if polygon_distance(px - SHADOW_OFFSET, py - SHADOW_OFFSET, ARROW) < ARROW_OUTLINE_WIDTH:
        pixel = over(pixel, (0.0, 0.0, 0.0), SHADOW_ALPHA)

    arrow = polygon_distance(px, py, ARROW)
    if arrow < ARROW_OUTLINE_WIDTH:
        if arrow < 0.0:
            t = clamp01((py - ARROW_TOP_Y) / (ARROW_TIP_Y - ARROW_TOP_Y))
            colour = lerp(ARROW_TOP, ARROW_BOTTOM, t)
        else:
            colour = ARROW_OUTLINE
        pixel = over(pixel, colour, 1.0)

    return pixel


def to_byte(v):
    return int(round(clamp01(v) * 255.0))


def render(size=SIZE, supersample=SUPERSAMPLE):
    """Rows of straight BGRA bytes, top row first, the scene scaled to size."""
    # At the icon's own size the scale is exactly 1, so the .ico stays the
    # same bytes as before other sizes existed.
    scale = SIZE / size
    step = 1.0 / supersample
    offsets = [(i + 0.5) * step for i in range(supersample)]
    count = supersample * supersample
    rows = []
    for y in range(size):
        row = bytearray()
        for x in range(size):
            r = g = b = a = 0.0
            for oy in offsets:
                for ox in offsets:
                    sr, sg, sb, sa = sample((x + ox) * scale, (y + oy) * scale)
                    r += sr
                    g += sg
                    b += sb
                    a += sa
            # Averaged premultiplied, then divided back out: averaging
            # straight colours would bleed the transparent black into edges.
            alpha = a / count
            if a > 0.0:
                r, g, b = r / a, g / a, b / a
            row += bytes((to_byte(b), to_byte(g), to_byte(r), to_byte(alpha)))
        rows.append(bytes(row))
    return rows


def and_mask_row(bgra_row):
    """One 1-bit mask row: set where the pixel is fully transparent."""
    mask = bytearray(SIZE // 8)
    for x in range(SIZE):
        if bgra_row[x * 4 + 3] == 0:
            mask[x // 8] |= 0x80 >> (x % 8)
    return bytes(mask)


def encode_ico(rows):
    xor = b"".join(reversed(rows))  # a DIB stores its bottom row first
    mask = b"".join(and_mask_row(r) for r in reversed(rows))
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0,
                       len(xor) + len(mask), 0, 0, 0, 0)
    image = info + xor + mask
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image),
                        len(header) + 16)
    return header + entry + image


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def encode_png(rows, size):
    raw = bytearray()
    for row in rows:
        raw.append(0)  # no filter
        for x in range(size):
            b, g, r, a = row[x * 4:x * 4 + 4]
            raw += bytes((r, g, b, a))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header)
            + png_chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + png_chunk(b"IEND", b""))


def main():
    parser = argparse.ArgumentParser(description="Draws Feldmoor's icon.")
    parser.add_argument("--png", nargs=2, metavar=("SIZE", "OUT"),
                        help="write a SIZE px PNG to OUT instead of Feldmoor.ico")
    args = parser.parse_args()
    if args.png:
        size = int(args.png[0])
        if not 16 <= size <= 1024:
            parser.error("SIZE must be between 16 and 1024")
        # Fewer samples per pixel above the icon's own size keep the build
        # quick; a large pixel needs less smoothing to look the same.
        supersample = SUPERSAMPLE if size <= SIZE else 2
        with open(args.png[1], "wb") as f:
            f.write(encode_png(render(size, supersample), size))
        return
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "Feldmoor.ico")
    with open(out, "wb") as f:
        f.write(encode_ico(render()))


if __name__ == "__main__":
    main()
