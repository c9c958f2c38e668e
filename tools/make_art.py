#!/usr/bin/env python3
"""Regenerate the window's artwork in window/art/ (python3 tools/make_art.py).

Drawn from code, so that the binaries can be rebuilt and reviewed without an
image editor; the standard library alone, so the build machine needs nothing.
"""
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "window", "art")

# The classic 16-colour VGA palette: the icon uses it so it also looks
# right on displays and tools that only understand 4-bit icons.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
       (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
       (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
       (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, DKRED, DKGREY, SILVER, RED, LIME, BLUE, WHITE = 0, 1, 8, 7, 9, 10, 12, 15


def bitmap_info(w, h, bpp, image_bytes, colours):
    # 2835 px/m = 72 dpi; Windows ignores it but viewers like a sane value.
    return struct.pack("<IiiHHIIiiII", 40, w, h, 1, bpp, 0, image_bytes,
                       2835, 2835, colours, 0)


def bmp8(rows):
    """rows: top-down list of lists of (r, g, b)."""
    h, w = len(rows), len(rows[0])
    palette = sorted({c for row in rows for c in row})
    assert len(palette) <= 256
    index = {c: i for i, c in enumerate(palette)}
    palette += [(0, 0, 0)] * (256 - len(palette))  # always a full table
    stride = (w + 3) & ~3
    pixels = b"".join(bytes(index[c] for c in row).ljust(stride, b"\0")
                      for row in reversed(rows))  # DIBs are stored bottom-up
    offset = 14 + 40 + 256 * 4
    return (b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
            + bitmap_info(w, h, 8, len(pixels), 256)
            + b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
            + pixels)


def icon4(rows, hotspot=None):
    """32x32 4-bpp VGA image; None pixels are transparent.

    A hotspot makes it a cursor: .cur is the .ico layout with type 2 and
    the hotspot stored where an icon keeps planes and bit count.
    """
    h, w = len(rows), len(rows[0])
    xor = b"".join(bytes((row[x] or 0) << 4 | (row[x + 1] or 0)
                         for x in range(0, w, 2))
                   for row in reversed(rows))
    # AND mask: 1 = let the screen through; rows padded to 32 bits.
    mask_stride = ((w + 31) // 32) * 4
    mask = b"".join(
        int("".join("1" if p is None else "0" for p in row), 2)
        .to_bytes(w // 8, "big").ljust(mask_stride, b"\0")
        for row in reversed(rows))
    body = (bitmap_info(w, 2 * h, 4, len(xor) + len(mask), 16)  # XOR + AND
            + b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in VGA)
            + xor + mask)
    kind, f1, f2 = (1, 1, 4) if hotspot is None else (2, *hotspot)
    return (struct.pack("<HHH", 0, kind, 1)
            + struct.pack("<BBBBHHII", w, h, 16, 0, f1, f2, len(body), 22)
            + body)


def background():
    # Every row is identical so stretching to any height neither smears
    # nor drops detail; the edge and groove lines are all vertical.
    face = (204, 210, 218)
    columns = [face] * 85
    columns[0] = columns[84] = (70, 78, 92)          # outer frame
    columns[1] = (244, 247, 250)                     # raised bevel, lit side
    columns[2] = (226, 230, 236)
    columns[82] = (178, 185, 195)
    columns[83] = (148, 156, 168)                    # raised bevel, shaded side
    columns[4] = (132, 140, 152)                     # groove the list box sits in
    columns[79] = (240, 243, 247)
    columns[5:79] = [(196, 202, 211)] * 74           # faint hollow under the list
    return [list(columns) for _ in range(65)]


def title_strip():
    base, dot, dip = (58, 68, 90), (150, 166, 196), (36, 42, 58)
    rows = [[base] * 85 for _ in range(11)]
    rows[10] = [dip] * 85                            # seam to the face below
    for y in range(11):
        rows[y][0] = rows[y][84] = dip
    # Staggered embossed dots: a lit pixel with a shadow below-right reads
    # as a grip rather than noise.
    for y in (2, 5, 8):
        for x in range(2 + (y // 3 % 2) * 2, 83, 4):
            if 66 <= x <= 79:
                continue                             # keep the close button clean
            rows[y][x] = dot
            rows[y + 1][x + 1] = dip
    # Close button: plate x 68..77, X x 69..76 / y 1..7, centred in the
    # clickable box x 67..78, y 0..8.
    for y in range(0, 9):
        rows[y][68:78] = [(92, 104, 130)] * 10
    red = (226, 44, 40)
    for i in range(7):
        for x in (69 + i, 70 + i, 76 - i, 75 - i):
            rows[1 + i][x] = red
    return rows


# Black outline, white fill: stays visible on both light and dark screens.
HAND = """
.....##..........
....#oo#.........
....#oo#.........
....#oo#.........
....#oo#.........
....#oo###.......
....#oo#oo###....
....#oo#oo#oo#...
....#oo#oo#oo###.
....#oo#oo#oo#oo#
.##.#oo#oo#oo#oo#
#oo##oo#oo#oo#oo#
#ooo#ooooooooooo#
.#oo#ooooooooooo#
.#oooooooooooooo#
..#ooooooooooooo#
..#ooooooooooooo#
...#oooooooooooo#
...#ooooooooooo#.
....#oooooooooo#.
....#oooooooooo#.
....############.
"""


def hand():
    art = HAND.split()
    rows = [[None] * 32 for _ in range(32)]
    for y, line in enumerate(art):
        for x, ch in enumerate(line):
            rows[y + 1][x + 4] = {"#": BLACK, "o": WHITE}.get(ch)
    return rows, (9, 1)                              # tip of the index finger


def icon():
    rows = [[None] * 32 for _ in range(32)]

    def box(x0, y0, x1, y1, fill, edge=BLACK):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                edgy = edge is not None and (x in (x0, x1) or y in (y0, y1))
                rows[y][x] = edge if edgy else fill

    box(7, 1, 24, 16, WHITE)                         # sheet being plotted
    # A pen trace wandering across the sheet.
    trace = [(9, 12), (10, 11), (11, 10), (12, 9), (13, 8), (14, 8), (15, 9),
             (16, 10), (17, 10), (18, 9), (19, 7), (20, 6), (21, 5), (22, 4)]
    for x, y in trace:
        rows[y][x] = RED
        rows[y + 1][x] = RED
    rows[14][9:23] = [BLUE] * 14
    box(2, 15, 29, 27, SILVER)                       # plotter body
    rows[16][3:29] = [WHITE] * 26                    # lit top edge
    rows[26][3:29] = [DKGREY] * 26                   # shaded underside
    for y in range(16, 27):
        rows[y][28] = DKGREY
    rows[18][6:26] = [BLACK] * 20                    # paper slot
    box(5, 21, 17, 24, DKGREY)                       # pen carriage rail
    box(8, 20, 11, 25, RED)                          # pen head
    rows[22][24:26] = [LIME, LIME]                   # power light
    box(4, 28, 6, 29, DKGREY)                        # feet
    box(25, 28, 27, 29, DKGREY)
    return rows


def main():
    os.makedirs(OUT, exist_ok=True)
    cursor, spot = hand()
    art = {"background.bmp": bmp8(background()), "title_strip.bmp": bmp8(title_strip()),
           "hand.cur": icon4(cursor, hotspot=spot), "wendrake.ico": icon4(icon())}
    for name, data in art.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
