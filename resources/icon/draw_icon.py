#!/usr/bin/python3
"""Pictarn's application icon, described as flat shapes and drawn with PIL.

The picture: a blue rounded tile, white viewfinder brackets in its four
corners and, framed by them, a small photo (sky, two green hills, a sun).

Every size is drawn on a canvas SUPER times larger and reduced with a box
filter, so edges get exact coverage antialiasing. Large sizes scale one
design drawn on a 256-unit grid; 16 and 24 px have their own layouts in
whole pixels so that the brackets and the photo stay crisp.

    draw_icon.py OUT_DIR        writes icon-<size>.png for every size
"""

import os
import sys

from PIL import Image, ImageDraw

SIZES = (256, 128, 48, 32, 24, 16)
CANVAS = 1024  # supersampled canvas edge; every size divides it

TILE = (37, 99, 200, 255)
TILE_SHADE = (29, 78, 160, 255)
BRACKET = (255, 255, 255, 255)
SKY = (186, 230, 253, 255)
SUN = (252, 196, 44, 255)
HILL_BACK = (52, 168, 110, 255)
HILL_FRONT = (22, 120, 78, 255)

# The design on a 256-unit grid. Boxes are (left, top, right, bottom).
DESIGN = {
    "tile": (8, 8, 248, 248), "tile_radius": 48, "shade": 18,
    "brackets": (36, 36, 220, 220), "arm": 52, "stroke": 15,
    "photo": (64, 76, 192, 180), "photo_radius": 10,
    "sun": (156, 110, 16),
    "hill_back": [(108, 180), (150, 126), (192, 160), (192, 180)],
    "hill_front": [(64, 180), (64, 170), (104, 116), (150, 180)],
}

# Hand-placed layouts in pixels for the smallest sizes.
SMALL = {
    24: {
        "tile": (1, 1, 23, 23), "tile_radius": 4, "shade": 2,
        "brackets": (3, 3, 21, 21), "arm": 5, "stroke": 2,
        "photo": (6, 7, 18, 17), "photo_radius": 0,
        "sun": (15, 10, 1.5),
        "hill_back": [(11, 17), (15, 13), (18, 15), (18, 17)],
        "hill_front": [(6, 17), (6, 15), (10, 11), (16, 17)],
    },
    16: {
        "tile": (0, 0, 16, 16), "tile_radius": 3, "shade": 1,
        "brackets": (2, 2, 14, 14), "arm": 4, "stroke": 1,
        "photo": (4, 5, 12, 11), "photo_radius": 0,
        "sun": (10, 7, 1),
        "hill_back": [(8, 11), (11, 8), (12, 8), (12, 11)],
        "hill_front": [(4, 11), (4, 9), (6, 7), (7, 7), (11, 11)],
    },
}


def layout(size):
    """Shape positions in pixels of the finished icon of this size."""
    if size in SMALL:
        return SMALL[size]
    k = size / 256.0

    def snap(v):
        # Whole pixels keep the straight edges sharp at 32 and 48 px.
        return round(v * k) if size <= 48 else v * k

    out = {}
    for key, value in DESIGN.items():
        if key in ("tile", "brackets", "photo"):
            out[key] = tuple(snap(v) for v in value)
        elif key in ("tile_radius", "photo_radius", "arm"):
            out[key] = snap(value)
        elif key in ("stroke", "shade"):
            out[key] = max(1, snap(value))
        elif key == "sun":
            out[key] = (value[0] * k, value[1] * k, value[2] * k)
        else:
            out[key] = [(x * k, y * k) for x, y in value]
    return out


def draw(size):
    """The finished RGBA icon of one size."""
    f = CANVAS / size
    p = layout(size)

    def box(b):
        return [b[0] * f, b[1] * f, b[2] * f - 1, b[3] * f - 1]

    img = Image.new("RGBA", (CANVAS, CANVAS), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)

    # Tile with a darker band along its bottom edge.
    t = p["tile"]
    d.rounded_rectangle(box(t), radius=p["tile_radius"] * f, fill=TILE_SHADE)
    d.rounded_rectangle(box((t[0], t[1], t[2], t[3] - p["shade"])),
                        radius=p["tile_radius"] * f, fill=TILE)

    # Viewfinder brackets: an L in each corner.
    l, tp, r, b = p["brackets"]
    a, s = p["arm"], p["stroke"]
    for x, y, dx, dy in ((l, tp, 1, 1), (r, tp, -1, 1), (l, b, 1, -1), (r, b, -1, -1)):
        x0, x1 = sorted((x, x + dx * a))
        y0, y1 = sorted((y, y + dy * s))
        d.rectangle(box((x0, y0, x1, y1)), fill=BRACKET)
        x0, x1 = sorted((x, x + dx * s))
        y0, y1 = sorted((y, y + dy * a))
        d.rectangle(box((x0, y0, x1, y1)), fill=BRACKET)

    # The photo: drawn on its own layer, then clipped to its frame.
    photo = Image.new("RGBA", (CANVAS, CANVAS), (0, 0, 0, 0))
    pd = ImageDraw.Draw(photo)
    pd.rectangle(box(p["photo"]), fill=SKY)
    cx, cy, rad = p["sun"]
    pd.ellipse([(cx - rad) * f, (cy - rad) * f, (cx + rad) * f - 1, (cy + rad) * f - 1], fill=SUN)
    pd.polygon([(x * f, y * f) for x, y in p["hill_back"]], fill=HILL_BACK)
    pd.polygon([(x * f, y * f) for x, y in p["hill_front"]], fill=HILL_FRONT)
    mask = Image.new("L", (CANVAS, CANVAS), 0)
    ImageDraw.Draw(mask).rounded_rectangle(box(p["photo"]), radius=p["photo_radius"] * f, fill=255)
    img.paste(photo, (0, 0), mask)

    small = img.resize((size, size), Image.Resampling.BOX)
    # Clear the faint fringe the tile's curve leaves in corner pixels, so
    # the corners are truly transparent (and masked) at every size.
    alpha = small.getchannel("A").point(lambda a: 0 if a < 16 else a)
    small.putalpha(alpha)
    return small


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: draw_icon.py OUT_DIR\n")
        return 2
    os.makedirs(argv[1], exist_ok=True)
    for size in SIZES:
        draw(size).save(os.path.join(argv[1], "icon-%d.png" % size))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
