#!/usr/bin/python3
"""Packs square RGBA pictures into one .ico file.

Each picture becomes a 32-bit entry: the 256 px one as PNG (as Windows
expects for that size), the smaller ones as uncompressed 32-bit DIBs with
their 1-bit AND mask, which every icon loader reads.

    write_ico.py OUT.ico IN.png...      entries keep the order given
"""

import io
import struct
import sys

from PIL import Image


def dib_entry(img):
    """A BITMAPINFOHEADER, the BGRA rows bottom-up, then the AND mask."""
    w, h = img.size
    px = img.load()
    color = bytearray()
    mask = bytearray()
    mask_stride = (w + 31) // 32 * 4
    for y in range(h - 1, -1, -1):
        row_mask = bytearray(mask_stride)
        for x in range(w):
            r, g, b, a = px[x, y]
            color += bytes((b, g, r, a))
            if a == 0:
                row_mask[x // 8] |= 0x80 >> (x % 8)
        mask += row_mask
    # The header's height counts the colour rows and the mask rows.
    header = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0,
                         len(color) + len(mask), 0, 0, 0, 0)
    return header + bytes(color) + bytes(mask)


def png_entry(img):
    buf = io.BytesIO()
    img.save(buf, format="PNG", optimize=True)
    return buf.getvalue()


def write_ico(path, images):
    entries = [png_entry(im) if im.size[0] >= 256 else dib_entry(im) for im in images]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for im, data in zip(images, entries):
        w, h = im.size
        # A size of 256 is stored as 0 in the one-byte fields.
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in entries:
        out += data
    with open(path, "wb") as f:
        f.write(out)


def main(argv):
    if len(argv) < 3:
        sys.stderr.write("usage: write_ico.py OUT.ico IN.png...\n")
        return 2
    images = []
    for name in argv[2:]:
        im = Image.open(name).convert("RGBA")
        if im.size[0] != im.size[1] or not 1 <= im.size[0] <= 256:
            sys.stderr.write("%s: not a square picture of 1 to 256 px\n" % name)
            return 1
        images.append(im)
    write_ico(argv[1], images)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
