#!/usr/bin/env python3
"""Draw the two icons of the TOLVA Mail Server setup program.

    setup.ico  32x32,  16 colours: envelope in front of a server tower
    Logo.ico   32x32, 256 colours: envelope in front of a shaded globe

Both files hold a single classic BMP-format icon image (XOR bitmap plus
AND mask).  Only the Python standard library is used and the output is
fully deterministic, so running the script again reproduces the files
byte for byte.

    python3 make_resources.py [output-directory]
"""

import math
import os
import struct
import sys

SIZE = 32

# The standard 16-colour VGA palette in the usual Windows order.
VGA16 = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

BLACK, DKRED, DKGREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GRAY, RED, GREEN, YELLOW, BLUE, MAGENTA, CYAN, WHITE = range(8, 16)


# ---------------------------------------------------------------------------
# ICO writer
# ---------------------------------------------------------------------------

def ico_bytes(pixels, palette, bpp):
    """Build a one-image .ico.

    pixels  -- SIZE x SIZE list of rows, top row first; each entry is a
               palette index, or None for a transparent pixel.
    palette -- list of (r, g, b); padded with black to 2**bpp entries.
    bpp     -- 4 or 8.
    """
    ncolours = 1 << bpp
    if len(palette) > ncolours:
        raise ValueError("palette too large")
    palette = list(palette) + [(0, 0, 0)] * (ncolours - len(palette))

    xor_stride = ((SIZE * bpp + 31) // 32) * 4
    and_stride = ((SIZE + 31) // 32) * 4

    xor = bytearray()
    mask = bytearray()
    for row in reversed(pixels):           # DIB rows run bottom-up
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x, idx in enumerate(row):
            if idx is None:
                bits[x // 8] |= 0x80 >> (x % 8)
                idx = 0
            if not 0 <= idx < ncolours:
                raise ValueError("bad palette index %r" % idx)
            if bpp == 8:
                line[x] = idx
            else:
                line[x // 2] |= idx << (4 if x % 2 == 0 else 0)
        xor += line
        mask += bits

    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, bpp, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    rgbquads = b"".join(struct.pack("<BBBB", b, g, r, 0)
                        for (r, g, b) in palette)
    image = header + rgbquads + bytes(xor) + bytes(mask)

    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE,
                        ncolours if ncolours < 256 else 0, 0,
                        1, bpp, len(image), 6 + 16)
    return icondir + entry + image


# ---------------------------------------------------------------------------
# Small raster helpers (index canvas)
# ---------------------------------------------------------------------------

def canvas():
    return [[None] * SIZE for _ in range(SIZE)]


def put(c, x, y, v):
    if 0 <= x < SIZE and 0 <= y < SIZE:
        c[y][x] = v


def hline(c, x0, x1, y, v):
    for x in range(x0, x1 + 1):
        put(c, x, y, v)


def vline(c, x, y0, y1, v):
    for y in range(y0, y1 + 1):
        put(c, x, y, v)


def fill(c, x0, y0, x1, y1, v):
    for y in range(y0, y1 + 1):
        hline(c, x0, x1, y, v)


def bresenham(x0, y0, x1, y1):
    """The points of a line from (x0, y0) to (x1, y1), both ends included."""
    pts = []
    dx, dy = abs(x1 - x0), -abs(y1 - y0)
    sx = 1 if x0 < x1 else -1
    sy = 1 if y0 < y1 else -1
    err = dx + dy
    while True:
        pts.append((x0, y0))
        if x0 == x1 and y0 == y1:
            return pts
        e2 = 2 * err
        if e2 >= dy:
            err += dy
            x0 += sx
        if e2 <= dx:
            err += dx
            y0 += sy


def line(c, x0, y0, x1, y1, v):
    """Bresenham line, both end points included."""
    for x, y in bresenham(x0, y0, x1, y1):
        put(c, x, y, v)


# ---------------------------------------------------------------------------
# setup.ico -- 16 colours
# ---------------------------------------------------------------------------

def draw_setup_icon():
    c = canvas()

    # Server tower drawn in a light oblique view: front face, a top face
    # receding up and to the right, and a darker right-hand side.
    fx0, fx1, fy0, fy1 = 11, 24, 5, 28       # front face
    depth = 4
    for j in range(1, depth + 1):            # top face
        hline(c, fx0 + j, fx1 + j, fy0 - j, WHITE)
    for j in range(1, depth + 1):            # side face
        vline(c, fx1 + j, fy0 - j, fy1 - j, GRAY)
    fill(c, fx0, fy0, fx1, fy1, SILVER)

    # Outline of the whole block.
    hline(c, fx0, fx1, fy1, BLACK)                       # bottom
    vline(c, fx0, fy0, fy1, BLACK)                       # left
    line(c, fx0, fy0, fx0 + depth, fy0 - depth, BLACK)   # top-left edge
    hline(c, fx0 + depth, fx1 + depth, fy0 - depth, BLACK)
    vline(c, fx1 + depth, fy0 - depth, fy1 - depth, BLACK)
    line(c, fx1, fy1, fx1 + depth, fy1 - depth, BLACK)   # bottom-right edge
    line(c, fx1, fy0, fx1 + depth, fy0 - depth, BLACK)   # front/top/side corner
    hline(c, fx0, fx1, fy0, BLACK)                       # front top edge
    vline(c, fx1, fy0, fy1, BLACK)                       # front right edge

    # Bevel on the front face.
    hline(c, fx0 + 1, fx1 - 1, fy0 + 1, WHITE)
    vline(c, fx0 + 1, fy0 + 1, fy1 - 1, WHITE)
    vline(c, fx1 - 1, fy0 + 2, fy1 - 1, GRAY)
    hline(c, fx0 + 2, fx1 - 1, fy1 - 1, GRAY)

    # Two drive bays, each a sunken panel with a slot and a button.
    for by in (8, 12):
        hline(c, fx0 + 3, fx1 - 3, by, GRAY)
        vline(c, fx0 + 3, by, by + 2, GRAY)
        hline(c, fx0 + 4, fx1 - 3, by + 2, WHITE)
        vline(c, fx1 - 3, by + 1, by + 2, WHITE)
        hline(c, fx0 + 5, fx1 - 6, by + 1, BLACK)
        put(c, fx1 - 4, by + 1, GRAY)

    # Power and activity lights, and a vent grille low on the front.
    put(c, fx1 - 4, 18, GREEN)
    put(c, fx1 - 4, 20, YELLOW)
    for vy in (23, 25):
        hline(c, fx1 - 6, fx1 - 3, vy, GRAY)

    # Vents on the side face.
    for k in range(3):
        y = 15 + 3 * k
        line(c, fx1 + 1, y, fx1 + 3, y - 2, SILVER)

    # Envelope in front, lower left.
    ex0, ey0, ex1, ey1 = 1, 16, 20, 29

    # Drop shadow where the envelope overlaps the tower.
    for y in range(ey0 + 1, ey1 + 2):
        for x in range(ex0 + 1, ex1 + 2):
            if 0 <= y < SIZE and 0 <= x < SIZE and c[y][x] is not None:
                if y > ey1 or x > ex1:
                    c[y][x] = BLACK if c[y][x] in (GRAY, BLACK) else GRAY

    fill(c, ex0, ey0, ex1, ey1, WHITE)
    hline(c, ex0, ex1, ey0, BLACK)
    hline(c, ex0, ex1, ey1, BLACK)
    vline(c, ex0, ey0, ey1, BLACK)
    vline(c, ex1, ey0, ey1, BLACK)
    # Light shading along the bottom and right of the paper.
    hline(c, ex0 + 1, ex1 - 1, ey1 - 1, SILVER)
    vline(c, ex1 - 1, ey0 + 1, ey1 - 1, SILVER)

    # Lower folds, then the closed flap on top of them.
    mx = (ex0 + ex1) // 2                    # 10; the flap tip is 10..11
    line(c, ex0 + 1, ey1 - 1, mx - 1, ey0 + 9, SILVER)
    line(c, ex1 - 1, ey1 - 1, mx + 2, ey0 + 9, SILVER)
    line(c, ex0 + 1, ey0 + 1, mx, ey0 + 7, GRAY)
    line(c, ex1 - 1, ey0 + 1, mx + 1, ey0 + 7, GRAY)
    hline(c, mx, mx + 1, ey0 + 7, GRAY)

    # Red seal at the tip of the flap.
    fill(c, mx, ey0 + 7, mx + 1, ey0 + 8, RED)
    put(c, mx, ey0 + 8, DKRED)
    put(c, mx + 1, ey0 + 8, DKRED)

    return c


# ---------------------------------------------------------------------------
# Logo.ico -- 256 colours
# ---------------------------------------------------------------------------

def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def clamp(v):
    return max(0, min(255, int(round(v))))


def globe_sample(x, y, cx, cy, r):
    """Colour of the globe at sub-pixel (x, y), or None outside it."""
    dx, dy = (x - cx) / r, (y - cy) / r
    d2 = dx * dx + dy * dy
    if d2 > 1.0:
        return None
    dz = math.sqrt(1.0 - d2)

    # Light from the upper left, slightly in front.
    lx, ly, lz = -0.55, -0.6, 0.58
    ln = math.sqrt(lx * lx + ly * ly + lz * lz)
    lx, ly, lz = lx / ln, ly / ln, lz / ln
    diff = max(0.0, dx * lx + dy * ly + dz * lz)

    deep = (8, 40, 110)
    mid = (20, 120, 190)
    light = (90, 200, 235)
    if diff < 0.5:
        col = mix(deep, mid, diff / 0.5)
    else:
        col = mix(mid, light, (diff - 0.5) / 0.5)

    # Latitude and longitude lines of a slightly tilted globe.
    tilt = 0.35
    ry = dy * math.cos(tilt) - dz * math.sin(tilt)
    rz = dy * math.sin(tilt) + dz * math.cos(tilt)
    lat = math.degrees(math.asin(max(-1.0, min(1.0, -ry))))
    lon = math.degrees(math.atan2(dx, rz)) + 20.0
    w = 4.2
    on_grid = (abs((lat + 30) % 30 - 15) > 15 - w / 2 or
               abs((lon + 30) % 30 - 15) > 15 - w / 2 * 1.2 / max(0.25, math.cos(math.radians(lat))))
    if on_grid and rz > -0.2:
        col = mix(col, (200, 250, 255), 0.55 * (0.4 + 0.6 * dz))

    # Specular highlight.
    hx, hy = dx + 0.42, dy + 0.45
    specular = max(0.0, 1.0 - math.sqrt(hx * hx + hy * hy) / 0.38)
    col = mix(col, (255, 255, 255), 0.8 * specular * specular)

    # Darken the rim a little to keep the edge crisp on light backgrounds.
    rim = max(0.0, (math.sqrt(d2) - 0.82) / 0.18)
    col = mix(col, (5, 25, 70), 0.6 * rim)
    return col


def render_logo_rgb():
    """Return (rgb, opaque) grids for the logo."""
    rgb = [[(0, 0, 0)] * SIZE for _ in range(SIZE)]
    opaque = [[False] * SIZE for _ in range(SIZE)]

    # Globe, supersampled 5x5 per pixel.
    cx, cy, r = 19.5, 12.0, 11.8
    n = 5
    for py in range(SIZE):
        for px in range(SIZE):
            acc = [0.0, 0.0, 0.0]
            hits = 0
            for sy in range(n):
                for sx in range(n):
                    s = globe_sample(px + (sx + 0.5) / n, py + (sy + 0.5) / n,
                                     cx, cy, r)
                    if s is not None:
                        hits += 1
                        for i in range(3):
                            acc[i] += s[i]
            if hits * 2 >= n * n:
                col = tuple(a / hits for a in acc)
                cov = hits / float(n * n)
                # Partly covered edge pixels fade toward the outline colour.
                col = mix((10, 30, 80), col, cov)
                rgb[py][px] = col
                opaque[py][px] = True

    # Envelope, drawn on the pixel grid so its edges stay sharp.
    ex0, ey0, ex1, ey1 = 0, 15, 21, 30
    outline = (60, 52, 44)
    shadow = (10, 30, 80)
    # Shadow cast on the globe, one pixel down and to the right.
    for y in range(ey0 + 1, min(SIZE, ey1 + 2)):
        for x in range(ex0 + 1, min(SIZE, ex1 + 2)):
            if (x > ex1 or y > ey1) and opaque[y][x]:
                rgb[y][x] = mix(rgb[y][x], shadow, 0.65)

    mx = (ex0 + ex1) / 2.0                  # 10.5
    tip_y = ey0 + 8.5
    for y in range(ey0, ey1 + 1):
        for x in range(ex0, ex1 + 1):
            t = (y - ey0) / float(ey1 - ey0)
            paper = mix((255, 253, 244), (222, 214, 192), t)
            # Soft shading toward the right edge.
            paper = mix(paper, (205, 196, 172), 0.35 * (x - ex0) / float(ex1 - ex0))
            px, py = x + 0.5, y + 0.5
            # Flap: triangle from the top corners to the tip.
            k = abs(px - mx) / (mx - ex0)
            flap_bottom = tip_y - (tip_y - ey0) * k
            if py < flap_bottom:
                ft = (py - ey0) / (tip_y - ey0)
                paper = mix((250, 246, 232), (232, 224, 200), ft)
                paper = mix(paper, (214, 205, 180), 0.3 * (x - ex0) / float(ex1 - ex0))
            elif py < flap_bottom + 1.6:
                # Shadow under the flap edge.
                paper = mix(paper, (150, 138, 112), 0.55)
            # Lower folds from the bottom corners up toward the middle.
            lower_fold = ey1 + 0.5 - (ey1 - ey0 - 5.5) * (1.0 - k) * 0.7
            if abs(py - lower_fold) < 0.55 and py > flap_bottom + 1.6:
                paper = mix(paper, (170, 160, 135), 0.45)
            rgb[y][x] = paper
            opaque[y][x] = True
    for x in range(ex0, ex1 + 1):
        rgb[ey0][x] = outline
        rgb[ey1][x] = outline
    for y in range(ey0, ey1 + 1):
        rgb[y][ex0] = outline
        rgb[y][ex1] = outline

    # Flap edges.
    ix = [(ex0 + 1, ey0 + 1), (10, ey0 + 8)]
    for (x0, y0), (x1, y1) in ((ix[0], ix[1]),
                               ((ex1 - 1, ey0 + 1), (11, ey0 + 8))):
        for (x, y) in bresenham(x0, y0, x1, y1):
            rgb[y][x] = mix(rgb[y][x], (120, 108, 88), 0.7)

    # Red wax seal over the tip of the flap.
    scx, scy, sr = 10.9, ey0 + 8.9, 2.3
    for y in range(ey0 + 5, ey0 + 13):
        for x in range(6, 16):
            acc = [0.0, 0.0, 0.0]
            hits = 0
            for sy in range(4):
                for sx in range(4):
                    qx = x + (sx + 0.5) / 4 - scx
                    qy = y + (sy + 0.5) / 4 - scy
                    d = math.sqrt(qx * qx + qy * qy) / sr
                    if d <= 1.0:
                        hits += 1
                        shade = max(0.0, 1.0 - math.sqrt((qx + 0.8) ** 2 +
                                                         (qy + 0.8) ** 2) / 2.6)
                        s = mix((120, 10, 16), (230, 40, 40), shade)
                        s = mix(s, (255, 190, 180), 0.6 * max(0.0, shade - 0.6) / 0.4)
                        for i in range(3):
                            acc[i] += s[i]
            if hits:
                cov = hits / 16.0
                col = tuple(a / hits for a in acc)
                rgb[y][x] = mix(rgb[y][x], col, cov)

    rgb = [[tuple(clamp(v) for v in p) for p in row] for row in rgb]
    return rgb, opaque


def median_cut(colours, count):
    """Reduce a list of (r, g, b) colours to at most count representatives.

    Returns the palette list.  Deterministic: ties are broken by sorting.
    """
    boxes = [sorted(colours)]
    while len(boxes) < count:
        best, best_range, best_ch = None, -1, 0
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            for ch in range(3):
                vals = [c[ch] for c in box]
                rng = max(vals) - min(vals)
                if rng > best_range:
                    best, best_range, best_ch = i, rng, ch
        if best is None or best_range == 0:
            break
        box = sorted(boxes[best], key=lambda c: (c[best_ch], c))
        half = len(box) // 2
        boxes[best:best + 1] = [box[:half], box[half:]]
    pal = []
    for box in boxes:
        n = len(box)
        pal.append(tuple(int(round(sum(c[i] for c in box) / float(n)))
                         for i in range(3)))
    return pal


def draw_logo_icon():
    rgb, opaque = render_logo_rgb()
    used = sorted(set(rgb[y][x] for y in range(SIZE) for x in range(SIZE)
                      if opaque[y][x]))
    room = 256 - len(VGA16)
    if len(used) <= room:
        extra = used
    else:
        pixels = [rgb[y][x] for y in range(SIZE) for x in range(SIZE)
                  if opaque[y][x]]
        extra = sorted(set(median_cut(pixels, room)))
    palette = VGA16 + extra

    def nearest(col):
        best, best_d = 0, None
        for i, p in enumerate(palette):
            d = ((p[0] - col[0]) ** 2 * 3 + (p[1] - col[1]) ** 2 * 4 +
                 (p[2] - col[2]) ** 2 * 2)
            if best_d is None or d < best_d:
                best, best_d = i, d
        return best

    cache = {}
    img = canvas()
    for y in range(SIZE):
        for x in range(SIZE):
            if opaque[y][x]:
                col = rgb[y][x]
                if col not in cache:
                    cache[col] = nearest(col)
                img[y][x] = cache[col]
    return img, palette


# ---------------------------------------------------------------------------

def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    setup = ico_bytes(draw_setup_icon(), VGA16, 4)
    logo_pixels, logo_palette = draw_logo_icon()
    logo = ico_bytes(logo_pixels, logo_palette, 8)
    for name, data in (("setup.ico", setup), ("Logo.ico", logo)):
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        print("wrote %s (%d bytes)" % (name, len(data)))


if __name__ == "__main__":
    main()
