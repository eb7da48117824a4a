#!/usr/bin/env bash
# dib2jpeg end to end: exit codes 0/1/2, the written frame size for scaled,
# same-size and unscaled runs, and files left alone on failure.
# Usage: dib2jpeg_tool_test.sh PATH/TO/dib2jpeg   (needs only python3's stdlib)
set -euo pipefail

tool=${1:?usage: dib2jpeg_tool_test.sh PATH/TO/dib2jpeg}
# Debian's interpreter when present: version-manager shims take long to start.
python=${PYTHON:-$(command -v /usr/bin/python3 || command -v python3)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# A 24-bit bottom-up BMP, 6 x 4 pixels, rows padded to 4 bytes.
"$python" -S - "$work/in.bmp" <<'EOF'
import struct, sys
w, h = 6, 4
stride = (w * 3 + 3) & ~3
rows = b"".join(b"".join(bytes([x * 40, y * 60, 200]) for x in range(w)) + b"\0" * (stride - w * 3)
               for y in range(h))
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(rows), 0, 0, 14 + len(info))
open(sys.argv[1], "wb").write(head + info + rows)
EOF

# Prints "WIDTHxHEIGHT" of a JPEG's frame header, or "none".
jpeg_size() {
    "$python" -S - "$1" <<'EOF'
import struct, sys
try:
    data = open(sys.argv[1], "rb").read()
except OSError:
    print("none"); sys.exit()
at = 2 if data[:2] == b"\xff\xd8" else len(data)
while at + 4 <= len(data) and data[at] == 0xFF:
    marker, length = data[at + 1], struct.unpack(">H", data[at + 2:at + 4])[0]
    if 0xC0 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC):
        h, w = struct.unpack(">HH", data[at + 5:at + 9])
        print(f"{w}x{h}" if data.endswith(b"\xff\xd9") else "none"); sys.exit()
    at += 2 + length
print("none")
EOF
}

# expect_run CODE DESCRIPTION ARGS...: runs the tool, checks the exit code and
# that a failure says why in one line.
expect_run() {
    local want=$1 what=$2
    shift 2
    local got=0
    "$tool" "$@" >"$work/out.txt" 2>"$work/err.txt" || got=$?
    if [[ $got -ne $want ]]; then
        fail "$what: exit $got, expected $want ($(cat "$work/err.txt"))"
        return
    fi
    local lines
    lines=$(wc -l <"$work/err.txt")
    if [[ $want -eq 0 && $lines -ne 0 ]]; then fail "$what: wrote to stderr on success"; fi
    if [[ $want -eq 1 && $lines -ne 1 ]]; then fail "$what: $lines lines on stderr, expected one reason"; fi
    if [[ $want -eq 2 ]] && ! grep -q '^usage: dib2jpeg ' "$work/err.txt"; then fail "$what: no usage text"; fi
    if [[ -s "$work/out.txt" ]]; then fail "$what: wrote to stdout"; fi
}

expect_size() {
    local got
    got=$(jpeg_size "$2")
    [[ $got == "$1" ]] || fail "$3: frame $got, expected $1"
}

# ---- Success: scaled, same size, unscaled ------------------------------------
while read -r width height size what; do
    out="$work/ok-$width-$height.jpeg"
    expect_run 0 "$what" "$work/in.bmp" "$out" "$width" "$height" 7
    expect_size "$size" "$out" "$what"
done <<'EOF'
3 2 3x2 reduced
9 5 9x5 enlarged
6 4 6x4 same-size
0 4 6x4 zero-width-keeps-picture
6 -3 6x4 negative-height-keeps-picture
EOF

for quality in -3 0 12; do
    expect_run 0 "quality $quality" "$work/in.bmp" "$work/q.jpeg" 6 4 "$quality"
    expect_size 6x4 "$work/q.jpeg" "quality $quality"
done

# ---- Failures of the pipeline (exit 1) -----------------------------------------
printf 'not a picture at all' >"$work/text.bmp"
head -c 30 "$work/in.bmp" >"$work/truncated.bmp"
printf 'BM' >"$work/short.bmp"
while read -r input what; do
    expect_run 1 "$what" "$work/$input" "$work/none.jpeg" 6 4 7
    [[ ! -e "$work/none.jpeg" ]] || fail "$what: output written"
done <<'EOF'
text.bmp non-bmp-input
truncated.bmp truncated-bmp
short.bmp shorter-than-file-header
missing.bmp missing-input
EOF

expect_run 1 "missing output folder" "$work/in.bmp" "$work/absent/new.jpeg" 3 2 7
[[ ! -e "$work/absent" ]] || fail "missing output folder: folder created"

printf 'old' >"$work/readonly.jpeg"
chmod 0444 "$work/readonly.jpeg"
expect_run 1 "read-only output" "$work/in.bmp" "$work/readonly.jpeg" 3 2 7
[[ $(cat "$work/readonly.jpeg") == old ]] || fail "read-only output: file changed"
[[ ! -e "$work/readonly.jpeg.part" ]] || fail "read-only output: partial file left"

# ---- Bad arguments (exit 2) ---------------------------------------------------
in=$work/in.bmp
out=$work/args.jpeg
expect_run 2 "no arguments"
expect_run 2 "four arguments" "$in" "$out" 3 2
expect_run 2 "six arguments" "$in" "$out" 3 2 7 1
expect_run 2 "word as width" "$in" "$out" abc 2 7
expect_run 2 "trailing letters" "$in" "$out" 3 2x 7
expect_run 2 "empty quality" "$in" "$out" 3 2 ""
expect_run 2 "fraction" "$in" "$out" 1.5 2 7
expect_run 2 "beyond 32 bits" "$in" "$out" 3 2 4294967296
[[ ! -e "$out" ]] || fail "bad arguments: output written"

if [[ $failures -ne 0 ]]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "dib2jpeg: all checks passed"
