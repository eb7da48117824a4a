#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into corpus/<target>/.

Small valid inputs of every kind each target reads, plus broken ones next to
them. Run from anywhere: python3 tests/fuzz/make_seeds.py
"""
import os
import shutil
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")

BI_RGB, BI_RLE8, BI_RLE4, BI_BITFIELDS, BI_JPEG, BI_PNG = 0, 1, 2, 3, 4, 5


def pixel(x, y):
    """0xRRGGBB of a small test picture: red top half, blue bottom, a grey ramp."""
    if y == 0:
        v = (x * 40) & 0xFF
        return v << 16 | v << 8 | v
    return 0xFF0000 if y < 2 else 0x0000FF


def dib(width, height, bits, compression=None, header=40, top_down=False, masks=None, colors_used=0):
    """A CF_DIB block: header, optional masks, colour table, bottom-up (or top-down) rows."""
    if compression is None:
        compression = BI_BITFIELDS if masks else BI_RGB
    rows = []
    palette = []
    for y in range(height):
        row = bytearray()
        acc, nbits = 0, 0
        for x in range(width):
            c = pixel(x, y)
            if bits <= 8:
                if c not in palette:
                    palette.append(c)
                acc = acc << bits | palette.index(c) % (1 << bits)
                nbits += bits
                if nbits == 8:
                    row.append(acc)
                    acc, nbits = 0, 0
            elif bits == 16:
                r, g, b = c >> 16, c >> 8 & 0xFF, c & 0xFF
                if masks:
                    v = (r >> 3) << 11 | (g >> 2) << 5 | b >> 3
                else:
                    v = (r >> 3) << 10 | (g >> 3) << 5 | b >> 3
                row += struct.pack("<H", v)
            elif bits == 24:
                row += bytes([c & 0xFF, c >> 8 & 0xFF, c >> 16])
            else:
                row += struct.pack("<I", c)
        if nbits:
            row.append(acc << (8 - nbits))
        while len(row) % 4:
            row.append(0)
        rows.append(bytes(row))
    if not top_down:
        rows.reverse()
    table_len = 0
    if bits <= 8:
        table_len = colors_used or (1 << bits)
        palette = (palette + [0] * table_len)[:table_len]
    pixels = b"".join(rows)
    head = struct.pack("<IiiHHIIiiII", header, width, -height if top_down else height, 1, bits,
                       compression, len(pixels), 2835, 2835, colors_used, 0)
    extra = b""
    if header > 40:
        m = masks or (0, 0, 0)
        extra = struct.pack("<IIII", m[0], m[1], m[2], 0)
        extra += bytes(header - 40 - len(extra))
    elif masks:
        extra = struct.pack("<III", *masks)
    table = b"".join(struct.pack("<I", c) for c in palette) if bits <= 8 else b""
    return head + extra + table + pixels


def dib_seeds():
    valid = {
        "1bit": dib(7, 3, 1),
        "4bit": dib(5, 3, 4),
        "8bit": dib(6, 4, 8),
        "8bit_short_table": dib(6, 4, 8, colors_used=8),
        "16bit_555": dib(5, 3, 16),
        "16bit_565": dib(5, 3, 16, masks=(0xF800, 0x07E0, 0x001F)),
        "24bit": dib(5, 3, 24),
        "24bit_top_down": dib(5, 3, 24, top_down=True),
        "32bit": dib(4, 3, 32),
        "32bit_bitfields": dib(4, 3, 32, masks=(0x00FF0000, 0x0000FF00, 0x000000FF)),
        "32bit_bitfields_bgr": dib(4, 3, 32, masks=(0x000000FF, 0x0000FF00, 0x00FF0000)),
        "32bit_v4": dib(4, 3, 32, header=108),
        "32bit_v5_bitfields": dib(4, 3, 32, header=124, masks=(0x00FF0000, 0x0000FF00, 0x000000FF)),
        "16bit_v5_444": dib(5, 3, 16, header=124, masks=(0x0F00, 0x00F0, 0x000F)),
    }
    block = dib(5, 3, 24)
    broken = {
        "truncated_pixels": block[:-1],
        "truncated_header": block[:20],
        "rle8": dib(6, 4, 8, compression=BI_RLE8),
        "rle4": dib(5, 3, 4, compression=BI_RLE4),
        "jpeg": dib(5, 3, 24, compression=BI_JPEG),
        "png": dib(5, 3, 24, compression=BI_PNG),
        "zero_planes": block[:12] + struct.pack("<H", 0) + block[14:],
        "huge_width": block[:4] + struct.pack("<i", 0x7FFFFFFF) + block[8:],
        "min_height": block[:8] + struct.pack("<i", -0x80000000) + block[12:],
        "bits_7": block[:14] + struct.pack("<H", 7) + block[16:],
        "bad_header_size": struct.pack("<I", 41) + block[4:],
        "table_past_end": dib(6, 4, 8)[:32] + struct.pack("<I", 0x40000000) + dib(6, 4, 8)[36:],
        "mask_not_contiguous": dib(5, 3, 16, masks=(0xF00F, 0x07E0, 0x001F)),
        "mask_zero": dib(4, 3, 32, masks=(0, 0x0000FF00, 0x000000FF)),
        "bitfields_no_masks": dib(4, 3, 32)[:16] + struct.pack("<I", BI_BITFIELDS) + dib(4, 3, 32)[20:40],
    }
    return {**valid, **broken}


def settings_seeds():
    seeds = {
        "crlf": b"7\r\n800\r\n600\r\nD:\\Shots\\\r\n",
        "lf": b"7\n800\n600\nD:\\Shots\\\n",
        "cr": b"7\r800\r600\rD:\\Shots\\\r",
        "no_last_end": b"10\r\n1200\r\n10\r\nC:\\",
        "two_lines": b"5\r\n640\r\n",
        "cr_last": b"3\r",
        "empty": b"",
        "nul": b"7\x00800\r\n600\r\nx\x00y\r\n",
        "bom": b"\xef\xbb\xbf7\r\n800\r\n600\r\n\r\n",
        "hex_bin": b"$1F\r\n%101\r\n-$10\r\nC:\\a b \r\n",
        "signs_blanks": b" \t+12abc\r\n- 12\r\n--5\r\nC:\\Shots\r\n",
        "wrap": b"2147483648\r\n4294967297\r\n-2147483649\r\n\r\n",
        "wrap64": b"18446744073709551617\r\n$FFFFFFFFFFFFFFFFFF\r\n%" + b"1" * 70 + b"\r\n\r\n",
        "extra_lines": b"7\r\n800\r\n600\r\nD:\\\r\nfifth\r\nsixth\r\n",
        "cp1251_folder": b"7\r\n800\r\n600\r\nC:\\\xd1\xed\xe8\xec\xea\xe8\\\r\n",
        "out_of_range": b"50\r\n70000\r\n-5\r\n\r\n",
        "long_folder": b"7\r\n800\r\n600\r\nC:\\" + b"a" * 4500 + b"\\\r\n",
    }
    return seeds


def scale_seed(src_w, src_h, width, height, quality, fail_after=None, pixels=b"\x10\x80\xf0\x00"):
    flags = 1 if fail_after is not None else 0
    return (bytes([(src_w - 1) % 48, (src_h - 1) % 48]) + struct.pack("<iib", width, height, quality) +
            bytes([flags]) + struct.pack("<H", fail_after or 0) + pixels)


def scale_jpeg_seeds():
    ramp = bytes(range(256))
    return {
        "reduce": scale_seed(32, 24, 16, 12, 7, pixels=ramp),
        "enlarge": scale_seed(5, 3, 40, 30, 10, pixels=ramp),
        "non_uniform": scale_seed(48, 48, 7, 45, 5, pixels=ramp),
        "same_size": scale_seed(16, 16, 16, 16, 7),
        "one_pixel": scale_seed(1, 1, 1, 1, 1),
        "to_one_pixel": scale_seed(48, 48, 1, 1, 3, pixels=ramp),
        "zero_size": scale_seed(16, 8, 0, 0, 7),
        "negative": scale_seed(16, 8, -5, 30, 7),
        "wide_70000": scale_seed(4, 4, 70000, 1, 7),
        "limit_65500": scale_seed(4, 1, 65500, 1, 7),
        "limit_65501": scale_seed(4, 1, 1, 65501, 7),
        "quality_minus_3": scale_seed(16, 16, 8, 8, -3, pixels=ramp),
        "quality_50": scale_seed(16, 16, 8, 8, 50, pixels=ramp),
        "quality_0": scale_seed(16, 16, 8, 8, 0, pixels=ramp),
        "fail_early": scale_seed(32, 32, 32, 20, 7, fail_after=10, pixels=ramp),
        "fail_late": scale_seed(32, 32, 40, 40, 9, fail_after=600, pixels=ramp),
        "fail_past_end": scale_seed(8, 8, 8, 8, 7, fail_after=60000),
    }


def main():
    targets = {
        "fuzz_dib_decode": dib_seeds(),
        "fuzz_settings_load": settings_seeds(),
        "fuzz_scale_jpeg": scale_jpeg_seeds(),
    }
    for target, seeds in targets.items():
        folder = os.path.join(CORPUS, target)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        for name, data in seeds.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
    total = sum(os.path.getsize(os.path.join(d, f)) for d, _, fs in os.walk(CORPUS) for f in fs)
    print(f"make_seeds: {sum(len(s) for s in targets.values())} seeds, {total} bytes in {CORPUS}")


if __name__ == "__main__":
    main()
