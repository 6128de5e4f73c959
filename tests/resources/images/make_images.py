#!/usr/bin/env python3
"""Writes the pictures of the resource test libraries here (kept in the repository). pad.bin makes
the last DIB of baddib.rc end its DLL's image: after changing that library, set PAD to the current
size plus what the .rsrc section (objdump -h) lacks to the next multiple of 0x1000."""
import os
import struct

OUT = os.path.dirname(os.path.abspath(__file__))
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
       (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255),
       (0, 255, 255), (255, 255, 255)]
C20 = [((i * 37) % 256, (i * 91) % 256, (255 - i * 11) % 256) for i in range(20)]
C256 = [(i, 255 - i, (i * 7) % 256) for i in range(256)]


def write(name, data):
    open(os.path.join(OUT, name), 'wb').write(data)


def header(w, h, bpp, clrused=0):
    return struct.pack('<IiiHHIIiiII', 40, w, h, 1, bpp, 0, 0, 0, 0, clrused, 0)


def table(colours):
    return b''.join(bytes((b, g, r, 0)) for (r, g, b) in colours)


def rows(w, h, bpp, pixel):
    """Bottom-up rows of pixel(x, y), each padded to 4 bytes."""
    data = b''
    for y in range(h):
        if bpp <= 8:
            bits = ''.join(format(pixel(x, y), '0%db' % bpp) for x in range(w))
            bits += '0' * (-len(bits) % 32)
            data += int(bits, 2).to_bytes(len(bits) // 8, 'big')
        else:
            row = b''.join(struct.pack('<I', pixel(x, y))[:bpp // 8] for x in range(w))
            data += row + bytes(-len(row) % 4)
    return data


# One bitmap per depth; odd widths so that rows are padded.
for name, w, h, bpp, colours, pixel, clrused in [
        ('bits4', 7, 3, 4, VGA, lambda x, y: (x * 3 + y * 5) % 16, 0),
        ('bits8c20', 5, 3, 8, C20, lambda x, y: (x + 5 * y) % 20, 20),
        ('bits8', 6, 4, 8, C256, lambda x, y: (x * 40 + y * 13) % 256, 0),
        ('bits24', 5, 3, 24, [], lambda x, y: (x * 50) << 16 | (y * 80) << 8 | (x * y * 20 + 7), 0),
        ('bits32', 4, 3, 32, [], lambda x, y: (y * 70) << 16 | (x * 60) << 8 | (200 - x * y * 10), 0)]:
    dib = header(w, h, bpp, clrused) + table(colours) + rows(w, h, bpp, pixel)
    write(name + '.bmp', struct.pack('<2sIHHI', b'BM', 14 + len(dib), 0, 0, 14 + 40 + 4 * len(colours)) + dib)

# An icon of 16, 32 and 48 pixels, 4 bits each, the two bottom rows and left columns masked.
images = [header(s, s * 2, 4) + table(VGA) + rows(s, s, 4, lambda x, y: (x * 4 // s + 4 * (y * 4 // s)) % 16)
          + rows(s, s, 1, lambda x, y: 1 if x < 2 or y < 2 else 0) for s in (16, 32, 48)]
directory, offset = struct.pack('<HHH', 0, 1, 3), 6 + 16 * 3
for s, image in zip((16, 32, 48), images):
    directory += struct.pack('<BBBBHHII', s, s, 16, 0, 1, 4, len(image), offset)
    offset += len(image)
write('sizes.ico', directory + b''.join(images))

# A 32 x 32 monochrome cross, hot spot (5, 9): the image as kept under
# RT_CURSOR (hot spot, DIB of both masks), its group naming image 8, and a .cur.
xor = rows(32, 32, 1, lambda x, y: 1 if x == y or x == 31 - y else 0)
mask = rows(32, 32, 1, lambda x, y: 0 if abs(x - y) < 2 or abs(x - (31 - y)) < 2 else 1)
dib = header(32, 64, 1) + table([(0, 0, 0), (255, 255, 255)]) + xor + mask
write('cursor.bin', struct.pack('<HH', 5, 9) + dib)
write('cursor.grp', struct.pack('<HHHHHHHIH', 0, 2, 1, 32, 64, 1, 1, 4 + len(dib), 8))
write('cross.cur', struct.pack('<HHHBBBBHHII', 0, 2, 1, 32, 32, 0, 0, 5, 9, len(dib), 22) + dib)

# DIBs the library must refuse without reading past them; the last is 64
# bytes (8 bits, a full table claimed, 4 entries given), so no alignment follows.
write('short.dib', header(4, 4, 8)[:20])
write('core.dib', struct.pack('<IHHHH', 12, 2, 2, 1, 24) + bytes(16))
write('huge.dib', header(0x40000000, 0x40000000, 8) + table(C256) + bytes(64))
write('truncated.dib', header(128, 128, 8) + table(C256) + bytes(100))
write('shorttable.dib', header(1, 2, 8) + table(C256[:4]) + bytes(8))
write('pad.bin', bytes(int(os.environ.get('PAD', '1352'))))
