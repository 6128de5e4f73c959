#!/usr/bin/env python3
"""Writes the pictures of the resource test libraries into this folder.

The files are kept in the repository; run this only to change them. The
padding resource of baddib.rc is sized so that the last malformed DIB ends
exactly at a page boundary, the end of its DLL's image: after changing
anything in that library, rebuild, look at the .rsrc section's virtual size
(objdump -h cfu_test_baddib.dll) and grow pad.bin by what is missing to the
next multiple of 0x1000 (PAD=n python3 make_images.py).
"""
import os
import struct

OUT = os.path.dirname(os.path.abspath(__file__))


def write(name, data):
    with open(os.path.join(OUT, name), 'wb') as f:
        f.write(data)


def header(w, h, bpp, clrused=0):
    return struct.pack('<IiiHHIIiiII', 40, w, h, 1, bpp, 0, 0, 0, 0, clrused, 0)


def rows(w, h, bpp, pixel):
    """Bottom-up rows of pixel(x, y), each padded to 4 bytes."""
    stride = (w * bpp + 31) // 32 * 4
    data = b''
    for y in range(h):
        row = bytearray(stride)
        for x in range(w):
            v = pixel(x, y)
            if bpp == 1:
                row[x // 8] |= (v & 1) << (7 - x % 8)
            elif bpp == 4:
                row[x // 2] |= (v & 15) << (4 if x % 2 == 0 else 0)
            elif bpp == 8:
                row[x] = v
            else:
                row[x * bpp // 8:(x + 1) * bpp // 8] = struct.pack('<I', v)[:bpp // 8]
        data += bytes(row)
    return data


def table(colours):
    return b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in colours)


def bmp(name, w, h, bpp, colours, pixel, clrused=0):
    dib = header(w, h, bpp, clrused) + table(colours) + rows(w, h, bpp, pixel)
    offset = 14 + 40 + 4 * len(colours)
    write(name, struct.pack('<2sIHHI', b'BM', 14 + len(dib), 0, 0, offset) + dib)


VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
C20 = [((i * 37) % 256, (i * 91) % 256, (255 - i * 11) % 256) for i in range(20)]
C256 = [(i, 255 - i, (i * 7) % 256) for i in range(256)]

# One bitmap per depth; odd widths so that rows are padded.
bmp('bits4.bmp', 7, 3, 4, VGA, lambda x, y: (x * 3 + y * 5) % 16)
bmp('bits8c20.bmp', 5, 3, 8, C20, lambda x, y: (x + 5 * y) % 20, clrused=20)
bmp('bits8.bmp', 6, 4, 8, C256, lambda x, y: (x * 40 + y * 13) % 256)
bmp('bits24.bmp', 5, 3, 24, [], lambda x, y: (x * 50) << 16 | (y * 80) << 8 | (x * y * 20 + 7))
bmp('bits32.bmp', 4, 3, 32, [], lambda x, y: (y * 70) << 16 | (x * 60) << 8 | (200 - x * y * 10))


# An icon of 16, 32 and 48 pixels, 4 bits each, with a transparent border.
def icon_image(size):
    xor = rows(size, size, 4, lambda x, y: (x * 4 // size + 4 * (y * 4 // size)) % 16)
    mask = rows(size, size, 1, lambda x, y: 1 if x < 2 or y < 2 else 0)
    return header(size, size * 2, 4) + table(VGA) + xor + mask


images = [icon_image(s) for s in (16, 32, 48)]
directory = struct.pack('<HHH', 0, 1, len(images))
offset = 6 + 16 * len(images)
for s, image in zip((16, 32, 48), images):
    directory += struct.pack('<BBBBHHII', s, s, 16, 0, 1, 4, len(image), offset)
    offset += len(image)
write('sizes.ico', directory + b''.join(images))

# A 32 x 32 monochrome cross with its hot spot at (5, 9): the image as the
# platform keeps it under RT_CURSOR (hot spot, then a DIB of both masks), its
# group naming image 8, and the same as a .cur file for windres's CURSOR.
xor = rows(32, 32, 1, lambda x, y: 1 if x == y or x == 31 - y else 0)
mask = rows(32, 32, 1, lambda x, y: 0 if abs(x - y) < 2 or abs(x - (31 - y)) < 2 else 1)
dib = header(32, 64, 1) + table([(0, 0, 0), (255, 255, 255)]) + xor + mask
write('cursor.bin', struct.pack('<HH', 5, 9) + dib)
write('cursor.grp', struct.pack('<HHHHHHHIH', 0, 2, 1, 32, 64, 1, 1, 4 + len(dib), 8))
write('cross.cur', struct.pack('<HHHBBBBHHII', 0, 2, 1, 32, 32, 0, 0, 5, 9, len(dib), 22) + dib)

# DIBs that the library must refuse without reading past them.
write('short.dib', header(4, 4, 8)[:20])
write('core.dib', struct.pack('<IHHHH', 12, 2, 2, 1, 24) + bytes(16))
write('huge.dib', header(0x40000000, 0x40000000, 8) + table(C256) + bytes(64))
write('truncated.dib', header(128, 128, 8) + table(C256) + bytes(100))
# 8 bits, a full table claimed and 4 entries given; 64 bytes, so that no
# alignment follows it in the section.
write('shorttable.dib', header(1, 2, 8) + table(C256[:4]) + bytes(8))
write('pad.bin', bytes(int(os.environ.get('PAD', '1352'))))
