#!/usr/bin/env python3
"""Read back the icon written by make_icon.py and check that Windows will
take it: directory, image headers, sizes and offsets, palette, masks.

Usage: python3 scripts/check_icon.py ICON.ico
Exits 0 and prints "ok" when every check passes.
"""

import struct
import sys

SIZE = 32


def fail(msg):
    sys.stderr.write('check_icon: %s\n' % msg)
    sys.exit(1)


def expect(cond, msg):
    if not cond:
        fail(msg)


def decode(data, bits):
    """Return (pixels, mask) of one DIB image, top row first."""
    expect(len(data) >= 40, 'image shorter than its header')
    (hsize, width, height, planes, bit_count, compression, size_image,
     _xppm, _yppm, clr_used, _clr_imp) = struct.unpack_from('<IiiHHIIiiII',
                                                          data)
    expect(hsize == 40, 'header size %d, want 40' % hsize)
    expect(width == SIZE, 'width %d' % width)
    expect(height == 2 * SIZE, 'height %d, want %d (XOR + AND)'
           % (height, 2 * SIZE))
    expect(planes == 1, 'planes %d' % planes)
    expect(bit_count == bits, 'bit count %d, directory says %d'
           % (bit_count, bits))
    expect(compression == 0, 'compressed image')

    pos = 40
    palette = None
    if bits == 8:
        expect(clr_used in (0, 256), 'colours used %d' % clr_used)
        palette = []
        for i in range(256):
            b, g, r, zero = data[pos + 4 * i:pos + 4 * i + 4]
            expect(zero == 0, 'palette entry %d has nonzero reserved byte' % i)
            palette.append((r, g, b))
        pos += 1024
    else:
        expect(clr_used == 0, '24-bit image claims a palette')

    xor_stride = (SIZE * bits // 8 + 3) & ~3
    and_stride = ((SIZE + 31) // 32) * 4
    xor_len, and_len = xor_stride * SIZE, and_stride * SIZE
    expect(len(data) == pos + xor_len + and_len,
           'image is %d bytes, want %d' % (len(data),
                                          pos + xor_len + and_len))
    expect(size_image in (0, xor_len + and_len),
           'biSizeImage %d' % size_image)

    pixels, mask = [], []
    for row in range(SIZE):
        src = SIZE - 1 - row  # stored bottom-up
        x0 = pos + src * xor_stride
        m0 = pos + xor_len + src * and_stride
        prow, mrow = [], []
        for x in range(SIZE):
            if bits == 8:
                prow.append(palette[data[x0 + x]])
            else:
                b, g, r = data[x0 + 3 * x:x0 + 3 * x + 3]
                prow.append((r, g, b))
            mrow.append(bool(data[m0 + x // 8] & (0x80 >> (x % 8))))
        pixels.append(prow)
        mask.append(mrow)
    return pixels, mask


def check(blob):
    expect(len(blob) >= 6, 'file too short')
    reserved, kind, count = struct.unpack_from('<HHH', blob)
    expect(reserved == 0 and kind == 1, 'not an icon file')
    expect(count == 2, '%d images, want 2' % count)
    expect(len(blob) >= 6 + 16 * count, 'directory runs past end of file')

    images = {}
    spans = []
    for i in range(count):
        (w, h, colours, res, planes, bits, length,
         offset) = struct.unpack_from('<BBBBHHII', blob, 6 + 16 * i)
        expect((w, h) == (SIZE, SIZE), 'entry %d is %dx%d' % (i, w, h))
        expect(colours == 0, 'entry %d colour count %d, want 0'
               % (i, colours))
        expect(res == 0, 'entry %d reserved byte set' % i)
        expect(planes == 1, 'entry %d planes %d' % (i, planes))
        expect(bits in (8, 24) and bits not in images,
               'entry %d bit count %d' % (i, bits))
        expect(offset >= 6 + 16 * count, 'entry %d overlaps directory' % i)
        expect(offset + length <= len(blob), 'entry %d runs past end' % i)
        spans.append((offset, offset + length))
        images[bits] = decode(blob[offset:offset + length], bits)

    spans.sort()
    expect(spans[0][0] == 6 + 16 * count, 'gap after directory')
    for (_, end), (start, _) in zip(spans, spans[1:]):
        expect(end == start, 'images overlap or leave a gap')
    expect(spans[-1][1] == len(blob), 'trailing bytes after last image')

    px8, mask8 = images[8]
    px24, mask24 = images[24]
    expect(mask8 == mask24, 'the two images have different masks')

    opaque = sum(not m for row in mask24 for m in row)
    expect(SIZE * SIZE // 3 < opaque < SIZE * SIZE,
           'implausible opaque area: %d pixels' % opaque)
    for x, y in ((0, 0), (SIZE - 1, 0)):
        expect(mask24[y][x], 'top corner (%d,%d) is not transparent' % (x, y))

    for y in range(SIZE):
        for x in range(SIZE):
            if mask24[y][x]:
                # Transparent pixels must be black so the XOR does nothing.
                expect(px24[y][x] == (0, 0, 0) and px8[y][x] == (0, 0, 0),
                       'transparent pixel (%d,%d) is not black' % (x, y))
            else:
                diff = max(abs(a - b) for a, b in zip(px8[y][x], px24[y][x]))
                expect(diff <= 24, 'pixel (%d,%d) differs by %d between '
                       'the 8-bit and 24-bit images' % (x, y, diff))

    # The picture itself: some red and some yellow from the warning sign,
    # and plenty of near-white from the envelope.
    colours = [c for row, mrow in zip(px24, mask24)
               for c, m in zip(row, mrow) if not m]
    red = sum(r > 180 and g < 80 and b < 80 for r, g, b in colours)
    yellow = sum(r > 220 and g > 180 and b < 80 for r, g, b in colours)
    pale = sum(min(c) > 215 for c in colours)
    expect(red >= 20, 'too little red (%d pixels)' % red)
    expect(yellow >= 20, 'too little yellow (%d pixels)' % yellow)
    expect(pale >= 150, 'too little envelope (%d pixels)' % pale)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write('usage: check_icon.py ICON.ico\n')
        return 2
    with open(argv[1], 'rb') as f:
        check(f.read())
    print('ok')
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
