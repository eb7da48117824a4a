#!/usr/bin/env bash
# dib2jpeg reads 32-bit BMPs straight into the held picture and decodes all
# others: both roads must give the same file. One screen-like picture is
# written in five layouts (24-bit, which is decoded; 32-bit bottom-up and
# top-down, with the fourth bytes 0 or 255, and with the usual masks in a
# 40-byte header, which are read directly; 32-bit with blue and red swapped
# by their masks, which is decoded) and every one must give the same JPEG
# bytes: scaled, and unscaled (lines streamed from the file, over more than
# one chunk), also through a width of 0, which keeps the picture's size.
# Usage: dib2jpeg_direct_read_test.sh PATH/TO/dib2jpeg PATH/TO/make_screen
set -euo pipefail

tool=${1:?usage: dib2jpeg_direct_read_test.sh DIB2JPEG MAKE_SCREEN}
make_screen=${2:?usage: dib2jpeg_direct_read_test.sh DIB2JPEG MAKE_SCREEN}
python=${PYTHON:-$(command -v /usr/bin/python3 || command -v python3)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Odd sizes: rows that are no multiple of a vector, an odd number of lines.
"$make_screen" 333 211 "$work/base.bmp"
"$python" -S - "$work" <<'EOF'
import struct, sys
work = sys.argv[1]
data = open(work + "/base.bmp", "rb").read()
w, h = struct.unpack("<ii", data[18:26])
pixels = data[54:]
rows = [pixels[(h - 1 - y) * w * 4:(h - y) * w * 4] for y in range(h)]  # top line first

def bmp(name, info, masks, body):
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(masks) + len(body), 0, 0, 14 + len(info) + len(masks))
    open(work + "/" + name, "wb").write(head + info + masks + body)

def info(bits, height, compression, size):
    return struct.pack("<IiiHHIIiiII", 40, w, height, 1, bits, compression, size, 2835, 2835, 0, 0)

def bottom_up(rs):
    return b"".join(reversed(rs))

# 24-bit, rows padded to 4 bytes: the decoded road.
stride = (w * 3 + 3) & ~3
rows24 = [b"".join(r[4 * x:4 * x + 3] for x in range(w)) + b"\0" * (stride - 3 * w) for r in rows]
bmp("rgb24.bmp", info(24, h, 0, stride * h), b"", bottom_up(rows24))
# 32-bit: the direct road.
bmp("bottom-up.bmp", info(32, h, 0, 4 * w * h), b"", bottom_up(rows))
bmp("top-down.bmp", info(32, -h, 0, 4 * w * h), b"", b"".join(rows))
opaque = [bytes(b if i % 4 != 3 else 255 for i, b in enumerate(r)) for r in rows]
bmp("fourth-bytes-set.bmp", info(32, h, 0, 4 * w * h), b"", bottom_up(opaque))
bmp("usual-masks.bmp", info(32, h, 3, 4 * w * h), struct.pack("<III", 0xFF0000, 0xFF00, 0xFF), bottom_up(rows))
# Blue and red swapped in the data and in the masks: decoded again.
swapped = [b"".join(bytes((r[4 * x + 2], r[4 * x + 1], r[4 * x], 0)) for x in range(w)) for r in rows]
bmp("swapped-masks.bmp", info(32, h, 3, 4 * w * h), struct.pack("<III", 0xFF, 0xFF00, 0xFF0000), bottom_up(swapped))
EOF

failures=0
for size in "333 211" "100 50" "200 211" "0 7"; do
    read -r width height <<<"$size"
    "$tool" "$work/rgb24.bmp" "$work/expected.jpeg" "$width" "$height" 7
    for variant in bottom-up top-down fourth-bytes-set usual-masks swapped-masks; do
        "$tool" "$work/$variant.bmp" "$work/$variant.jpeg" "$width" "$height" 7
        if ! cmp -s "$work/expected.jpeg" "$work/$variant.jpeg"; then
            echo "FAIL: $variant at ${width}x$height differs from the 24-bit BMP's file" >&2
            failures=$((failures + 1))
        fi
    done
done
[[ $failures -eq 0 ]] && echo "dib2jpeg: every layout gives the same file"
exit $((failures > 0))
