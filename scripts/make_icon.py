#!/usr/bin/env python3
"""Draw Tarnwick's application icon and write it as a Windows .ico file.

Usage: python3 scripts/make_icon.py OUT.ico [PREVIEW.png]

The icon holds two 32 x 32 images: an 8-bit (256-colour) one and a 24-bit
one. The picture is a pale mail envelope with a red-and-yellow warning
triangle over its lower-right corner ("this mail folder is getting full").
Everything is computed per pixel from simple shapes, so the output is the
same bytes on every run and on every machine. Standard library only.

The optional PNG is an 8x enlargement of the 24-bit image on light grey,
for a person to look at.
"""

import struct
import sys
import zlib

SIZE = 32
SUB = 4  # sub-samples per pixel side, for anti-aliasing of inner edges

# Colours (R, G, B)
ENV_EDGE = (0x3A, 0x4A, 0x60)    # envelope outline, dark slate
ENV_BODY = (0xFF, 0xFF, 0xFF)    # envelope front
ENV_FLAP = (0xE4, 0xEB, 0xF4)    # the closed flap, a touch of blue
ENV_FOLD = (0x70, 0x80, 0x98)    # flap and side fold lines
TRI_EDGE = (0xD0, 0x1C, 0x1C)    # warning triangle rim
TRI_FILL = (0xFF, 0xD2, 0x1E)    # warning triangle face
MARK = (0x1E, 0x1E, 0x1E)        # the "!"

# Envelope rectangle in pixel coordinates (y grows downwards).
ENV_L, ENV_T, ENV_R, ENV_B = 1.0, 6.0, 29.0, 26.0
ENV_LINE = 1.15
FLAP_TIP = (15.0, 17.0)

# Warning triangle: apex, bottom-left, bottom-right of a core triangle
# whose outline, grown by TRI_ROUND, gives the triangle with soft corners.
TRI = ((23.0, 14.6), (15.6, 29.4), (30.4, 29.4))
TRI_ROUND = 1.5
TRI_RIM = 2.2


# ---------------------------------------------------------------- geometry

def _edges(poly):
    """Inward unit normals and offsets for a counter-clockwise-agnostic
    convex polygon, so that dist(p) >= 0 on every edge means inside."""
    cx = sum(p[0] for p in poly) / len(poly)
    cy = sum(p[1] for p in poly) / len(poly)
    out = []
    for i, (ax, ay) in enumerate(poly):
        bx, by = poly[(i + 1) % len(poly)]
        nx, ny = -(by - ay), (bx - ax)
        length = (nx * nx + ny * ny) ** 0.5
        nx, ny = nx / length, ny / length
        c = -(nx * ax + ny * ay)
        if nx * cx + ny * cy + c < 0:
            nx, ny, c = -nx, -ny, -c
        out.append((nx, ny, c))
    return out


def _inset(edges, x, y):
    """Smallest signed distance from (x, y) to the polygon's edges."""
    return min(nx * x + ny * y + c for nx, ny, c in edges)


def _seg_dist(x, y, a, b):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    px, py = ax + t * dx - x, ay + t * dy - y
    return (px * px + py * py) ** 0.5


TRI_EDGES = _edges(TRI)


def _rounded(edges, poly, r, x, y):
    """Signed distance inside the convex polygon grown by r."""
    d = _inset(edges, x, y)
    if d >= 0:
        return r + d
    out = min(_seg_dist(x, y, poly[i], poly[(i + 1) % len(poly)])
              for i in range(len(poly)))
    return r - out

FLAP_EDGES = _edges(((ENV_L, ENV_T), (ENV_R, ENV_T), FLAP_TIP))

# The "!" : a bar that narrows towards the bottom, and a round dot.
BANG_X = 23.0
BANG_TOP, BANG_BOTTOM = 18.2, 24.9
BANG_HALF_TOP, BANG_HALF_BOTTOM = 1.05, 0.8
DOT_Y, DOT_R = 27.0, 1.2


def sample(x, y):
    """Colour of the picture at point (x, y), or None when transparent.
    Later shapes in this function lie on top of earlier ones."""
    # Warning triangle first: it sits over the envelope.
    d = _rounded(TRI_EDGES, TRI, TRI_ROUND, x, y)
    if d >= 0:
        if d < TRI_RIM:
            return TRI_EDGE
        if BANG_TOP <= y <= BANG_BOTTOM:
            f = (y - BANG_TOP) / (BANG_BOTTOM - BANG_TOP)
            half = BANG_HALF_TOP + (BANG_HALF_BOTTOM - BANG_HALF_TOP) * f
            if abs(x - BANG_X) <= half:
                return MARK
        if (x - BANG_X) ** 2 + (y - DOT_Y) ** 2 <= DOT_R ** 2:
            return MARK
        return TRI_FILL

    if ENV_L <= x <= ENV_R and ENV_T <= y <= ENV_B:
        if (x - ENV_L < ENV_LINE or ENV_R - x < ENV_LINE
                or y - ENV_T < ENV_LINE or ENV_B - y < ENV_LINE):
            return ENV_EDGE
        left_top = (ENV_L, ENV_T)
        right_top = (ENV_R, ENV_T)
        if (_seg_dist(x, y, left_top, FLAP_TIP) < 0.6
                or _seg_dist(x, y, right_top, FLAP_TIP) < 0.6):
            return ENV_FOLD
        # faint side folds from the bottom corners towards the middle
        if (_seg_dist(x, y, (ENV_L, ENV_B), (11.0, 18.5)) < 0.45
                or _seg_dist(x, y, (ENV_R, ENV_B), (19.0, 18.5)) < 0.45):
            return ENV_FOLD
        if _inset(FLAP_EDGES, x, y) >= 0:
            return ENV_FLAP
        return ENV_BODY
    return None


def render():
    """Return (pixels, mask): pixels[y][x] is an (R, G, B) tuple, top row
    first; mask[y][x] is True where the pixel is transparent.

    A pixel is opaque when at least half its sub-samples hit a shape. Its
    colour is the mean of the sub-samples that hit, so inner edges are
    smoothed while the outline stays crisp against the 1-bit mask."""
    pixels, mask = [], []
    for py in range(SIZE):
        prow, mrow = [], []
        for px in range(SIZE):
            hits = []
            for sy in range(SUB):
                for sx in range(SUB):
                    c = sample(px + (sx + 0.5) / SUB, py + (sy + 0.5) / SUB)
                    if c is not None:
                        hits.append(c)
            if len(hits) * 2 >= SUB * SUB:
                n = len(hits)
                prow.append(tuple((sum(h[i] for h in hits) + n // 2) // n
                                  for i in range(3)))
                mrow.append(False)
            else:
                prow.append((0, 0, 0))
                mrow.append(True)
        pixels.append(prow)
        mask.append(mrow)
    return pixels, mask


# ---------------------------------------------------------------- palette

def build_palette(pixels, mask):
    """256-entry palette: black first (used under transparent pixels),
    then the picture's colours, most used first. Should the picture ever
    use more than 255 colours, the rarest ones fall back to their nearest
    palette entry."""
    counts = {}
    for prow, mrow in zip(pixels, mask):
        for c, clear in zip(prow, mrow):
            if not clear:
                counts[c] = counts.get(c, 0) + 1
    ordered = sorted(counts, key=lambda c: (-counts[c], c))
    palette = [(0, 0, 0)] + [c for c in ordered if c != (0, 0, 0)]
    palette = palette[:256]
    index = {c: i for i, c in enumerate(palette)}

    def lookup(c):
        if c not in index:
            index[c] = min(range(len(palette)), key=lambda i: (
                sum((palette[i][k] - c[k]) ** 2 for k in range(3)), i))
        return index[c]

    palette += [(0, 0, 0)] * (256 - len(palette))
    return palette, lookup


# ---------------------------------------------------------------- ICO

def _row_pad(n):
    return (-n) % 4


def _and_mask(mask):
    out = bytearray()
    row_bytes = (SIZE + 7) // 8
    for mrow in reversed(mask):  # bottom-up
        row = bytearray(row_bytes)
        for x, clear in enumerate(mrow):
            if clear:
                row[x >> 3] |= 0x80 >> (x & 7)
        out += row + bytes(_row_pad(row_bytes))
    return bytes(out)


def _info_header(bit_count, image_bytes, colours_used):
    return struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, bit_count, 0,
                       image_bytes, 0, 0, colours_used, 0)


def dib_8bit(pixels, mask):
    palette, lookup = build_palette(pixels, mask)
    xor = bytearray()
    for prow, mrow in zip(reversed(pixels), reversed(mask)):
        for c, clear in zip(prow, mrow):
            xor.append(0 if clear else lookup(c))
        xor += bytes(_row_pad(SIZE))
    and_bits = _and_mask(mask)
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)
    return _info_header(8, len(xor) + len(and_bits), 256) + pal + \
        bytes(xor) + and_bits


def dib_24bit(pixels, mask):
    xor = bytearray()
    for prow in reversed(pixels):
        for r, g, b in prow:
            xor += bytes((b, g, r))
        xor += bytes(_row_pad(SIZE * 3))
    and_bits = _and_mask(mask)
    return _info_header(24, len(xor) + len(and_bits), 0) + bytes(xor) + \
        and_bits


def build_ico(pixels, mask):
    images = [(8, dib_8bit(pixels, mask)), (24, dib_24bit(pixels, mask))]
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for bits, data in images:
        # width and height 32; colour count 0 means 256 or more colours
        out += struct.pack('<BBBBHHII', SIZE, SIZE, 0, 0, 1, bits,
                           len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    return bytes(out)


# ---------------------------------------------------------------- PNG

def build_png(pixels, mask, scale=8, background=(0xD8, 0xD8, 0xD8)):
    w = h = SIZE * scale
    raw = bytearray()
    for prow, mrow in zip(pixels, mask):
        line = bytearray([0])  # filter type: none
        for c, clear in zip(prow, mrow):
            line += bytes(background if clear else c) * scale
        raw += bytes(line) * scale

    def chunk(kind, data):
        body = kind + data
        return struct.pack('>I', len(data)) + body + \
            struct.pack('>I', zlib.crc32(body) & 0xFFFFFFFF)

    return (b'\x89PNG\r\n\x1a\n'
            + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(bytes(raw), 9))
            + chunk(b'IEND', b''))


def main(argv):
    if len(argv) not in (2, 3):
        sys.stderr.write('usage: make_icon.py OUT.ico [PREVIEW.png]\n')
        return 2
    pixels, mask = render()
    with open(argv[1], 'wb') as f:
        f.write(build_ico(pixels, mask))
    if len(argv) == 3:
        with open(argv[2], 'wb') as f:
            f.write(build_png(pixels, mask))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
