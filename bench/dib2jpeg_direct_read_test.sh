#!/usr/bin/env bash
# dib2jpeg reads 32-bit BMPs without decoding them (a band at a time into the
# scaling, or line by line into the JPEG step) and decodes all others: both
# roads must give the same file. Each picture is written in five layouts
# (24-bit, which is decoded; 32-bit bottom-up and top-down, with the fourth
# bytes 0 or 255, and with the usual masks in a 40-byte header, which are
# read directly; 32-bit with blue and red swapped by their masks, which is
# decoded) and every one must give the same JPEG bytes, scaled and unscaled
# (also through a width of 0, which keeps the picture's size). The tall
# picture spans several 2 MiB bands and several chunks of lines.
# Usage: dib2jpeg_direct_read_test.sh PATH/TO/dib2jpeg PATH/TO/make_screen
set -euo pipefail

tool=${1:?usage: dib2jpeg_direct_read_test.sh DIB2JPEG MAKE_SCREEN}
make_screen=${2:?usage: dib2jpeg_direct_read_test.sh DIB2JPEG MAKE_SCREEN}
python=${PYTHON:-$(command -v /usr/bin/python3 || command -v python3)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Writes NAME-LAYOUT.bmp for every layout from NAME.bmp (32-bit, bottom-up).
layouts() {
    "$python" -S - "$work/$1" <<'EOF'
import struct, sys
base = sys.argv[1]
data = open(base + ".bmp", "rb").read()
w, h = struct.unpack("<ii", data[18:26])
up = data[54:]  # bottom-up rows
down = b"".join(up[(h - 1 - y) * 4 * w:(h - y) * 4 * w] for y in range(h))

def bmp(layout, bits, height, compression, masks, body):
    info = struct.pack("<IiiHHIIiiII", 40, w, height, 1, bits, compression, len(body), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(masks) + len(body), 0, 0, 14 + len(info) + len(masks))
    open("%s-%s.bmp" % (base, layout), "wb").write(head + info + masks + body)

def reorder(pixels, order):
    out = bytearray(len(pixels) // 4 * len(order))
    for i, channel in enumerate(order):
        out[i::len(order)] = pixels[channel::4] if channel < 4 else bytes([channel - 4]) * (len(pixels) // 4)
    return bytes(out)

stride = (w * 3 + 3) & ~3
rgb = reorder(up, (0, 1, 2))
rows24 = b"".join(rgb[y * 3 * w:(y + 1) * 3 * w] + b"\0" * (stride - 3 * w) for y in range(h))
bmp("rgb24", 24, h, 0, b"", rows24)
bmp("bottom-up", 32, h, 0, b"", up)
bmp("top-down", 32, -h, 0, b"", down)
bmp("fourth-bytes-set", 32, h, 0, b"", reorder(up, (0, 1, 2, 4 + 255)))
bmp("usual-masks", 32, h, 3, struct.pack("<III", 0xFF0000, 0xFF00, 0xFF), up)
bmp("swapped-masks", 32, h, 3, struct.pack("<III", 0xFF, 0xFF00, 0xFF0000), reorder(up, (2, 1, 0, 4)))
EOF
}

failures=0
# check NAME "W H"...: every layout of NAME against its 24-bit file.
check() {
    local name=$1 size width height variant
    shift
    for size in "$@"; do
        read -r width height <<<"$size"
        "$tool" "$work/$name-rgb24.bmp" "$work/expected.jpeg" "$width" "$height" 7
        for variant in bottom-up top-down fourth-bytes-set usual-masks swapped-masks; do
            "$tool" "$work/$name-$variant.bmp" "$work/got.jpeg" "$width" "$height" 7
            if ! cmp -s "$work/expected.jpeg" "$work/got.jpeg"; then
                echo "FAIL: $name $variant at ${width}x$height differs from the 24-bit BMP's file" >&2
                failures=$((failures + 1))
            fi
        done
    done
}

# Odd sizes: rows that are no multiple of a vector, an odd number of lines.
"$make_screen" 333 211 "$work/small.bmp"
layouts small
check small "333 211" "100 50" "200 211" "0 7"
# 700 x 3000: a band holds 748 lines, so a scaling reads five bands with
# overlaps; the unscaled file goes through 33 chunks of up to 93 lines.
"$make_screen" 700 3000 "$work/tall.bmp"
layouts tall
check tall "700 3000" "350 1499" "33 7"

[[ $failures -eq 0 ]] && echo "dib2jpeg: every layout gives the same file"
exit $((failures > 0))
