#!/usr/bin/env python3
"""Draws the program's icons and the alert image strip.

    make_icons.py OUTDIR

Writes the .ico files (32-bit BGRA images with an AND mask) and the 24-bit bitmap that
resources/TessaroNotifier.rc and the test language library name. Standard library only, and
nothing but arithmetic, so every build draws the same pixels.

Shapes are signed distance functions (negative inside) in a design grid that is scaled to the
image size; each pixel averages a grid of samples. Edges on whole design units stay sharp at
16 and 32 pixels, which keeps the tray images crisp.
"""

import math
import os
import struct
import sys

# ---------------------------------------------------------------------------------------------
# Colours (red, green, blue, alpha).

RED_ORANGE = (255, 69, 0, 255)       # the status window's title colour
RED_ORANGE_DARK = (150, 40, 0, 255)
AMBER = (255, 190, 0, 255)
GREY_BAR = (150, 150, 150, 255)
GREY_GLYPH = (128, 128, 128, 255)
MAST = (72, 76, 88, 255)
WHITE = (255, 255, 255, 255)

# ---------------------------------------------------------------------------------------------
# Signed distance functions. Each shape is (sdf, bbox) in design units.


def box(x0, y0, x1, y1, r=0.0):
    cx, cy, hx, hy = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2, (y1 - y0) / 2

    def f(x, y):
        qx, qy = abs(x - cx) - hx + r, abs(y - cy) - hy + r
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r

    return f, (x0, y0, x1, y1)


def circle(cx, cy, r):
    return (lambda x, y: math.hypot(x - cx, y - cy) - r), (cx - r, cy - r, cx + r, cy + r)


def segment(ax, ay, bx, by, w):
    """A stroke of width w between two points, with round ends."""
    dx, dy = bx - ax, by - ay
    ll = dx * dx + dy * dy

    def f(x, y):
        t = 0.0 if ll == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / ll))
        return math.hypot(x - ax - t * dx, y - ay - t * dy) - w / 2

    h = w / 2
    return f, (min(ax, bx) - h, min(ay, by) - h, max(ax, bx) + h, max(ay, by) + h)


def polygon(points):
    n = len(points)

    def f(x, y):
        best = float("inf")
        inside = False
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[(i + 1) % n]
            dx, dy = bx - ax, by - ay
            ll = dx * dx + dy * dy
            t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / ll))
            best = min(best, math.hypot(x - ax - t * dx, y - ay - t * dy))
            if (ay > y) != (by > y) and x < ax + (y - ay) * dx / dy:
                inside = not inside
        return -best if inside else best

    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return f, (min(xs), min(ys), max(xs), max(ys))


def arc(cx, cy, r, w, a0, a1):
    """A stroke of width w along a circle from angle a0 to a1 (degrees, y pointing down,
    clockwise on screen), with round ends."""
    p0 = (cx + r * math.cos(math.radians(a0)), cy + r * math.sin(math.radians(a0)))
    p1 = (cx + r * math.cos(math.radians(a1)), cy + r * math.sin(math.radians(a1)))
    span = (a1 - a0) % 360

    def f(x, y):
        a = math.degrees(math.atan2(y - cy, x - cx))
        if (a - a0) % 360 <= span:
            return abs(math.hypot(x - cx, y - cy) - r) - w / 2
        return min(math.hypot(x - p0[0], y - p0[1]), math.hypot(x - p1[0], y - p1[1])) - w / 2

    e = r + w / 2
    return f, (cx - e, cy - e, cx + e, cy + e)


def union(*shapes):
    fs = [s[0] for s in shapes]
    bb = (min(s[1][0] for s in shapes), min(s[1][1] for s in shapes),
          max(s[1][2] for s in shapes), max(s[1][3] for s in shapes))
    return (lambda x, y: min(f(x, y) for f in fs)), bb


def pixels(rows, x0=0, y0=0):
    """Pixel art: one unit square per '#' of the rows."""
    cells = [box(x0 + x, y0 + y, x0 + x + 1, y0 + y + 1)
             for y, row in enumerate(rows) for x, c in enumerate(row) if c == "#"]
    return union(*cells)


# ---------------------------------------------------------------------------------------------
# Rendering.


class Layer:
    def __init__(self, shape, fill, stroke=None, width=0.0):
        self.sdf, self.bbox = shape
        self.fill, self.stroke, self.width = fill, stroke, width


def render(layers, size, grid, samples=4):
    """Draws the layers (in design units of a grid x grid square) into size x size pixels.
    Returns rows of straight (not premultiplied) RGBA tuples, top row first."""
    return render_rect(layers, size, size, grid, grid, samples)


def render_rect(layers, width, height, grid_w, grid_h, samples=4):
    sx, sy = grid_w / width, grid_h / height
    image = []
    for py in range(height):
        row = []
        for px in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]
            for j in range(samples):
                y = (py + (j + 0.5) / samples) * sy
                for i in range(samples):
                    x = (px + (i + 0.5) / samples) * sx
                    r = g = b = a = 0.0
                    for layer in layers:
                        x0, y0, x1, y1 = layer.bbox
                        m = layer.width + 0.01
                        if x < x0 - m or x > x1 + m or y < y0 - m or y > y1 + m:
                            continue
                        d = layer.sdf(x, y)
                        if d > 0:
                            continue
                        c = layer.stroke if layer.stroke and d > -layer.width else layer.fill
                        ca = c[3] / 255.0
                        r = c[0] * ca + r * (1 - ca)
                        g = c[1] * ca + g * (1 - ca)
                        b = c[2] * ca + b * (1 - ca)
                        a = ca + a * (1 - ca)
                    acc[0] += r
                    acc[1] += g
                    acc[2] += b
                    acc[3] += a
            n = samples * samples
            a = acc[3] / n
            if a <= 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(min(255, int(round(acc[k] / n / a))) for k in range(3))
                           + (min(255, int(round(a * 255))),))
        image.append(row)
    return image


# ---------------------------------------------------------------------------------------------
# File formats.


def ico_bytes(images):
    """An .ico file of 32-bit images (each a list of RGBA rows, top first)."""
    blobs = []
    for img in images:
        h, w = len(img), len(img[0])
        xor = bytearray()
        for row in reversed(img):
            for r, g, b, a in row:
                xor += bytes((b, g, r, a))
        mask_stride = ((w + 31) // 32) * 4
        mask = bytearray()
        for row in reversed(img):
            bits = bytearray(mask_stride)
            for x, (_, _, _, a) in enumerate(row):
                if a == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        header = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        blobs.append((w, h, header + xor + mask))
    out = bytearray(struct.pack("<HHH", 0, 1, len(blobs)))
    offset = 6 + 16 * len(blobs)
    for w, h, data in blobs:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, _, data in blobs:
        out += data
    return bytes(out)


def bmp_bytes(img):
    """A 24-bit bottom-up .bmp of RGB rows."""
    h, w = len(img), len(img[0])
    stride = (w * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(img):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        data += line + bytes(stride - len(line))
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    return head + info + bytes(data)


# ---------------------------------------------------------------------------------------------
# The pictures.


def lerp(c0, c1, t):
    return tuple(int(round(c0[k] + (c1[k] - c0[k]) * t)) for k in range(4))


def app_layers(size):
    """Icon 128: a red-orange tile with a white antenna sending waves (16-unit grid). At 16
    pixels the antenna is pixel art, as curves that small only blur."""
    tile = Layer(box(0, 0, 16, 16, 3.0), RED_ORANGE, RED_ORANGE_DARK, 16 / size)
    if size == 16:
        return [tile, Layer(pixels([
            "................",
            "................",
            "...#........#...",
            "..#..#....#..#..",
            "..#.#..##..#.#..",
            "..#.#..##..#.#..",
            "..#..#.##.#..#..",
            "...#...##...#...",
            ".......##.......",
            ".......##.......",
            "......####......",
            "......####......",
            ".....######.....",
            ".....######.....",
            "....########....",
        ]), WHITE)]
    return [
        tile,
        Layer(segment(8, 7, 8, 13.5, 2.0), WHITE),
        Layer(polygon([(8, 10), (11.5, 14), (4.5, 14)]), WHITE),
        Layer(circle(8, 5.5, 1.6), WHITE),
        Layer(arc(8, 5.5, 3.6, 1.3, 140, 220), WHITE),
        Layer(arc(8, 5.5, 3.6, 1.3, -40, 40), WHITE),
        Layer(arc(8, 5.5, 6.0, 1.3, 145, 215), WHITE),
        Layer(arc(8, 5.5, 6.0, 1.3, -35, 35), WHITE),
    ]


def signal_layers(level):
    """Icons 129 to 134: an antenna mast and five bars beside it, `level` of them lit, from
    orange at the bottom to yellow at the top (32-unit grid)."""
    layers = [
        # lattice mast: two legs, braces, a pole and the aerial with its waves
        Layer(segment(8, 12, 3.5, 29, 2.0), MAST),
        Layer(segment(8, 12, 12.5, 29, 2.0), MAST),
        Layer(segment(5.2, 22.5, 10.8, 22.5, 1.5), MAST),
        Layer(segment(4.3, 27.5, 11.7, 27.5, 1.5), MAST),
        Layer(segment(8, 6, 8, 20, 2.0), MAST),
        Layer(circle(8, 5.5, 2.4), RED_ORANGE, RED_ORANGE_DARK, 0.8),
        Layer(arc(8, 5.5, 5.0, 1.4, 145, 215), MAST),
        Layer(arc(8, 5.5, 5.0, 1.4, -35, 35), MAST),
    ]
    for i in range(5):
        top = 26 - 5 * i
        right = 22 + 2 * i
        if i < level:
            fill = lerp((255, 120, 0, 255), (255, 225, 0, 255), i / 4)
            edge = (150, 70, 0, 255)
        else:
            fill, edge = (205, 205, 205, 255), (140, 140, 140, 255)
        layers.append(Layer(box(16, top, right, top + 3.5, 0.8), fill, edge, 1.0))
    return layers


def arrow_layers(left):
    """Icons 137 and 138: small arrows, 6 by 9 pixels, pointing left or right."""
    rows = [".....#", "....##", "...###", "..####", ".#####", "..####", "...###", "....##", ".....#"]
    if not left:
        rows = [r[::-1] for r in rows]
    return [Layer(pixels(rows), RED_ORANGE)]


def envelope_layers():
    """Icon 139 and alert image 1: an orange envelope (32-unit grid)."""
    edge = (150, 70, 0, 255)
    return [
        Layer(box(2.5, 7.5, 29.5, 25.5, 1.5), (255, 160, 30, 255), edge, 1.2),
        Layer(segment(3.6, 24.4, 12.5, 16.5, 1.1), edge),
        Layer(segment(28.4, 24.4, 19.5, 16.5, 1.1), edge),
        Layer(polygon([(3.2, 8.2), (28.8, 8.2), (16, 19.5)]), (255, 210, 130, 255), edge, 1.1),
    ]


def handset_layers():
    """Icon 140 and alert image 0: a green telephone handset (32-unit grid)."""
    shape = union(
        arc(25, 7, 16, 6.5, 95, 175),
        box(3.5, 2.5, 14, 10.5, 2.5),
        box(21.5, 18, 29.5, 28.5, 2.5),
    )
    return [Layer(shape, (50, 175, 75, 255), (20, 95, 40, 255), 1.3)]


def warning_layers():
    """Alert image 2: a yellow warning triangle with an exclamation mark (32-unit grid)."""
    return [
        Layer(polygon([(16, 2.5), (30.5, 28.5), (1.5, 28.5)]), (255, 210, 0, 255), (150, 105, 0, 255), 1.5),
        Layer(segment(16, 11, 16, 19, 3.2), (40, 40, 40, 255)),
        Layer(circle(16, 24, 1.9), (40, 40, 40, 255)),
    ]


def update_layers():
    """Alert image 3: a blue-green round emblem with a green arrow pointing down (32-unit grid)."""
    green, green_edge = (50, 185, 50, 255), (15, 100, 15, 255)
    return [
        Layer(circle(16, 16, 14.5), (0, 150, 165, 255), (0, 85, 100, 255), 1.3),
        Layer(circle(16, 16, 10.5), (235, 250, 250, 255)),
        Layer(union(box(13, 6.5, 19, 16.5), polygon([(8, 15.5), (24, 15.5), (16, 25.5)])),
              green, green_edge, 1.1),
    ]


# Tray images, 16-unit grid: five bars rising from left to right.
BAR_TOPS = (12, 10, 7, 4, 1)


def tray_layers(level, unseen):
    """Icons 141 to 154. level 0..5 draws the bars (that many lit), None the grey question
    mark; unseen adds the spark of waiting events in the top-left corner."""
    layers = []
    if level is None:
        layers.append(Layer(pixels([
            "....######......",
            "...########.....",
            "...###..###.....",
            "........###.....",
            ".......###......",
            "......###.......",
            "......##........",
            "......##........",
            "................",
            "......##........",
            "......##........",
        ], 2, 2), GREY_GLYPH))
    else:
        for i, top in enumerate(BAR_TOPS):
            x = 1 + 3 * i
            layers.append(Layer(box(x, top, x + 2, 15), RED_ORANGE if i < level else GREY_BAR))
    if unseen:
        # a 7 by 7 spark: red-orange core, amber rays
        layers.append(Layer(pixels([
            "...#...",
            ".#.#.#.",
            "..###..",
            "#######",
            "..###..",
            ".#.#.#.",
            "...#...",
        ]), AMBER))
        layers.append(Layer(pixels(["###", "###", "###"], 2, 2), RED_ORANGE))
    return layers


def strip_image():
    """Bitmap 136: the four alert images side by side, in kind order, on light grey
    (192, 192, 192), the strip's transparent colour. Edges are hard so no pixel mixes with
    the grey."""
    pictures = [handset_layers(), envelope_layers(), warning_layers(), update_layers()]
    rows = [[(192, 192, 192)] * 128 for _ in range(32)]
    for k, layers in enumerate(pictures):
        img = render(layers, 32, 32)
        for y in range(32):
            for x in range(32):
                r, g, b, a = img[y][x]
                if a >= 128:
                    rows[y][32 * k + x] = (r, g, b) if (r, g, b) != (192, 192, 192) else (191, 192, 192)
    return rows


# Each image at the sizes the program asks for at 96, 120, 144 and 192 DPI, so that none is
# stretched there: the shell's small icons (the tray, a popup's caption), the status window's
# 32-pixel labels and its 6 by 9 paging arrows.
SMALL_SIZES = (16, 20, 24, 32)
LABEL_SIZES = (32, 40, 48, 64)
ARROW_SIZES = ((6, 9), (8, 11), (9, 14), (12, 18))


def tray_name(level, unseen):
    return "Tray" + ("Unseen" if unseen else "") + ("None" if level is None else str(level))


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)

    files = {
        "App.ico": [render(app_layers(s), s, 16, 4 if s <= 32 else 3) for s in SMALL_SIZES + (48,)],
        "ArrowPrev.ico": [render_rect(arrow_layers(True), w, h, 6, 9, 1 if w == 6 else 4) for w, h in ARROW_SIZES],
        "ArrowNext.ico": [render_rect(arrow_layers(False), w, h, 6, 9, 1 if w == 6 else 4) for w, h in ARROW_SIZES],
        "Envelope.ico": [render(envelope_layers(), s, 32) for s in LABEL_SIZES],
        "Handset.ico": [render(handset_layers(), s, 32) for s in LABEL_SIZES],
    }
    for level in range(6):
        files["Signal%d.ico" % level] = [render(signal_layers(level), s, 32) for s in LABEL_SIZES]
    for unseen in (False, True):
        for level in list(range(6)) + [None]:
            layers = tray_layers(level, unseen)
            files[tray_name(level, unseen) + ".ico"] = [render(layers, s, 16) for s in SMALL_SIZES]

    for name, images in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(ico_bytes(images))
    with open(os.path.join(out, "AlertImages.bmp"), "wb") as f:
        f.write(bmp_bytes(strip_image()))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
