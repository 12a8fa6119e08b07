#!/usr/bin/env python3
"""Draw the ZephNotes skin bitmaps.

Writes the 24-bit BMP skin pieces and the program icon into
resources/bitmaps/ (the icon at every size Windows picks from), and the
same icon as PNG at the icon theme's sizes, 16 to 256 pixels, for the
desktop's menus.  Everything is drawn from code with a tiny
supersampling rasteriser and a hand-made stroke font, so the output is
the same on every run and needs nothing beyond the Python 3 standard
library.

    python3 tools/make_skin.py [output-dir]
"""

import math
import os
import struct
import sys
import zlib

SS = 4  # subsamples per pixel edge (4x4 = 16 samples)


# ---------------------------------------------------------------------------
# colour helpers
# ---------------------------------------------------------------------------

def lerp(a, b, t):
    return a + (b - a) * t


def mix(c1, c2, t):
    return tuple(lerp(c1[i], c2[i], t) for i in range(3))


def clamp01(t):
    return 0.0 if t < 0.0 else 1.0 if t > 1.0 else t


def smooth(t):
    t = clamp01(t)
    return t * t * (3.0 - 2.0 * t)


def ramp(stops, t):
    """Piecewise linear colour ramp; stops = [(pos, (r, g, b)), ...]."""
    if t <= stops[0][0]:
        return stops[0][1]
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            return mix(c0, c1, (t - p0) / (p1 - p0) if p1 > p0 else 0.0)
    return stops[-1][1]


def scale_col(c, k):
    return tuple(v * k for v in c)


def grain(x, y, seed=0):
    """Small deterministic per-pixel noise in [-1, 1]."""
    h = (x * 374761393 + y * 668265263 + seed * 2147483647) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    h ^= h >> 16
    return (h & 0xFFFF) / 32767.5 - 1.0


# ---------------------------------------------------------------------------
# shapes: an inside() test plus a bounding box
# ---------------------------------------------------------------------------

class Shape:
    def __init__(self, fn, bbox):
        self.fn = fn
        self.bbox = bbox

    def __or__(self, o):
        a, b = self.fn, o.fn
        bb = (min(self.bbox[0], o.bbox[0]), min(self.bbox[1], o.bbox[1]),
              max(self.bbox[2], o.bbox[2]), max(self.bbox[3], o.bbox[3]))
        return Shape(lambda x, y: a(x, y) or b(x, y), bb)

    def __and__(self, o):
        a, b = self.fn, o.fn
        bb = (max(self.bbox[0], o.bbox[0]), max(self.bbox[1], o.bbox[1]),
              min(self.bbox[2], o.bbox[2]), min(self.bbox[3], o.bbox[3]))
        return Shape(lambda x, y: a(x, y) and b(x, y), bb)

    def __sub__(self, o):
        a, b = self.fn, o.fn
        return Shape(lambda x, y: a(x, y) and not b(x, y), self.bbox)

    def moved(self, dx, dy):
        f = self.fn
        x0, y0, x1, y1 = self.bbox
        return Shape(lambda x, y: f(x - dx, y - dy),
                     (x0 + dx, y0 + dy, x1 + dx, y1 + dy))


def rect(x0, y0, x1, y1):
    return Shape(lambda x, y: x0 <= x < x1 and y0 <= y < y1, (x0, y0, x1, y1))


def ellipse(cx, cy, rx, ry):
    def f(x, y):
        dx = (x - cx) / rx
        dy = (y - cy) / ry
        return dx * dx + dy * dy <= 1.0
    return Shape(f, (cx - rx, cy - ry, cx + rx, cy + ry))


def rrect(x0, y0, x1, y1, r):
    def f(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = x0 + r if x < x0 + r else x1 - r if x > x1 - r else x
        cy = y0 + r if y < y0 + r else y1 - r if y > y1 - r else y
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return Shape(f, (x0, y0, x1, y1))


def polygon(pts):
    pts = list(pts)
    n = len(pts)

    def f(x, y):
        inside = False
        j = n - 1
        for i in range(n):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > y) != (yj > y):
                if x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    inside = not inside
            j = i
        return inside
    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    return Shape(f, (min(xs), min(ys), max(xs), max(ys)))


def _segs(polylines, closed=False):
    segs = []
    for pl in polylines:
        pl = list(pl)
        if closed:
            pl = pl + [pl[0]]
        if len(pl) == 1:
            pl = pl * 2
        for (ax, ay), (bx, by) in zip(pl, pl[1:]):
            segs.append((ax, ay, bx, by))
    return segs


def seg_dist2(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    L = dx * dx + dy * dy
    t = 0.0 if L == 0 else ((px - ax) * dx + (py - ay) * dy) / L
    t = 0.0 if t < 0 else 1.0 if t > 1 else t
    qx, qy = ax + t * dx - px, ay + t * dy - py
    return qx * qx + qy * qy


def strokes(polylines, r, closed=False):
    """Union of round-capped thick lines of radius r."""
    segs = []
    for ax, ay, bx, by in _segs(polylines, closed):
        segs.append((ax, ay, bx, by, min(ax, bx) - r, min(ay, by) - r,
                     max(ax, bx) + r, max(ay, by) + r))
    r2 = r * r

    def f(x, y):
        for ax, ay, bx, by, x0, y0, x1, y1 in segs:
            if x0 <= x <= x1 and y0 <= y <= y1:
                if seg_dist2(x, y, ax, ay, bx, by) <= r2:
                    return True
        return False
    if not segs:
        return Shape(lambda x, y: False, (0, 0, 0, 0))
    bb = (min(s[4] for s in segs), min(s[5] for s in segs),
          max(s[6] for s in segs), max(s[7] for s in segs))
    return Shape(f, bb)


def across(polyline, r, profile):
    """Colour function for a shaded tube along a polyline: profile(t) gets
    the signed position across the tube, -1 on the left edge (relative to
    the drawing direction) and +1 on the right edge."""
    segs = _segs([polyline])

    def col(x, y):
        best = None
        for ax, ay, bx, by in segs:
            d2 = seg_dist2(x, y, ax, ay, bx, by)
            if best is None or d2 < best[0]:
                best = (d2, ax, ay, bx, by)
        d2, ax, ay, bx, by = best
        cross = (bx - ax) * (y - ay) - (by - ay) * (x - ax)
        t = math.sqrt(d2) / r
        return profile(max(-1.0, min(1.0, t if cross > 0 else -t)))
    return col


def arc(cx, cy, rx, ry, a0, a1, n=None):
    """Points along an elliptical arc; angles in degrees, 0 = +x, 90 = down."""
    if n is None:
        n = max(4, int(abs(a1 - a0) / 12))
    pts = []
    for i in range(n + 1):
        a = math.radians(a0 + (a1 - a0) * i / n)
        pts.append((cx + rx * math.cos(a), cy + ry * math.sin(a)))
    return pts


def catmull(pts, steps=6):
    """Smooth curve through the given points."""
    p = [pts[0]] + list(pts) + [pts[-1]]
    out = [pts[0]]
    for i in range(1, len(p) - 2):
        p0, p1, p2, p3 = p[i - 1], p[i], p[i + 1], p[i + 2]
        for s in range(1, steps + 1):
            t = s / steps
            t2, t3 = t * t, t * t * t
            out.append(tuple(
                0.5 * (2 * p1[k] + (-p0[k] + p2[k]) * t
                       + (2 * p0[k] - 5 * p1[k] + 4 * p2[k] - p3[k]) * t2
                       + (-p0[k] + 3 * p1[k] - 3 * p2[k] + p3[k]) * t3)
                for k in range(2)))
    return out


def quad(p0, c, p1, steps=10):
    out = []
    for i in range(steps + 1):
        t = i / steps
        out.append(((1 - t) ** 2 * p0[0] + 2 * (1 - t) * t * c[0] + t * t * p1[0],
                    (1 - t) ** 2 * p0[1] + 2 * (1 - t) * t * c[1] + t * t * p1[1]))
    return out


# ---------------------------------------------------------------------------
# canvas
# ---------------------------------------------------------------------------

class Canvas:
    """unit: pixels per drawing unit, so that one drawing makes a picture
    at several sizes."""

    def __init__(self, w, h, bg=(255, 255, 255), alpha=1.0, unit=1.0):
        self.w, self.h = w, h
        self.unit = unit
        n = w * h
        self.r = [float(bg[0])] * n
        self.g = [float(bg[1])] * n
        self.b = [float(bg[2])] * n
        self.a = [float(alpha)] * n

    def blend(self, x, y, c, a=1.0):
        if a <= 0.0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        i = y * self.w + x
        da = self.a[i]
        oa = a + da * (1.0 - a)
        if oa <= 0.0:
            return
        k = a / oa
        self.r[i] += (c[0] - self.r[i]) * k
        self.g[i] += (c[1] - self.g[i]) * k
        self.b[i] += (c[2] - self.b[i]) * k
        self.a[i] = oa

    def get(self, x, y):
        i = y * self.w + x
        return (self.r[i], self.g[i], self.b[i])

    def fill(self, x0, y0, x1, y1, col, a=1.0):
        """Pixel-exact rectangle [x0, x1) x [y0, y1); col may be a function
        of the pixel position."""
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                c = col(x, y) if callable(col) else col
                if len(c) == 4:
                    self.blend(x, y, c[:3], a * c[3])
                else:
                    self.blend(x, y, c, a)

    def paint(self, shape, col, a=1.0, ss=SS):
        """Anti-aliased fill of a shape.  col is an (r, g, b) tuple or a
        function (x, y) -> (r, g, b[, a]) evaluated per subsample."""
        if self.unit != 1.0:
            k = self.unit
            fn0, col0 = shape.fn, col
            shape = Shape(lambda x, y: fn0(x / k, y / k), tuple(v * k for v in shape.bbox))
            if callable(col0):
                col = lambda x, y: col0(x / k, y / k)
        x0, y0, x1, y1 = shape.bbox
        ix0, iy0 = max(0, int(math.floor(x0))), max(0, int(math.floor(y0)))
        ix1, iy1 = min(self.w, int(math.ceil(x1))), min(self.h, int(math.ceil(y1)))
        offs = [(i + 0.5) / ss for i in range(ss)]
        n2 = float(ss * ss)
        fn = shape.fn
        dyn = callable(col)
        for py in range(iy0, iy1):
            for px in range(ix0, ix1):
                acc_a = 0.0
                cr = cg = cb = 0.0
                for oy in offs:
                    y = py + oy
                    for ox in offs:
                        x = px + ox
                        if fn(x, y):
                            if dyn:
                                c = col(x, y)
                                ca = c[3] if len(c) == 4 else 1.0
                                acc_a += ca
                                cr += c[0] * ca
                                cg += c[1] * ca
                                cb += c[2] * ca
                            else:
                                acc_a += 1.0
                if acc_a <= 0.0:
                    continue
                if dyn:
                    c = (cr / acc_a, cg / acc_a, cb / acc_a)
                else:
                    c = col
                self.blend(px, py, c, a * acc_a / n2)

    def blit(self, src, dx, dy):
        for y in range(src.h):
            for x in range(src.w):
                i = y * src.w + x
                self.blend(x + dx, y + dy, (src.r[i], src.g[i], src.b[i]), src.a[i])

    def _byte(self, v):
        v = int(math.floor(v + 0.5))
        return 0 if v < 0 else 255 if v > 255 else v

    def save_bmp(self, path):
        row = (self.w * 3 + 3) & ~3
        data = bytearray()
        for y in range(self.h - 1, -1, -1):
            line = bytearray()
            for x in range(self.w):
                i = y * self.w + x
                line += bytes((self._byte(self.b[i]), self._byte(self.g[i]),
                               self._byte(self.r[i])))
            line += b"\0" * (row - len(line))
            data += line
        hdr = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, self.w, self.h, 1, 24, 0,
                           len(data), 2835, 2835, 0, 0)
        with open(path, "wb") as f:
            f.write(hdr + info + bytes(data))

    def save_png(self, path):
        with open(path, "wb") as f:
            f.write(self.png_bytes())

    def png_bytes(self):
        raw = bytearray()
        for y in range(self.h):
            raw.append(0)  # no filter
            for x in range(self.w):
                i = y * self.w + x
                raw += bytes((self._byte(self.r[i]), self._byte(self.g[i]),
                              self._byte(self.b[i]), self._byte(self.a[i] * 255.0)))

        def chunk(kind, data):
            return (struct.pack(">I", len(data)) + kind + data
                    + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
        header = struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0)  # 8-bit RGBA
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))

    def ico_image(self):
        """The icon's picture as an .ico holds it: 32-bit BGRA rows from the
        bottom up and a 1-bit mask, or PNG at 256 pixels, as Windows wants."""
        if self.w >= 256:
            return self.png_bytes()
        w, h = self.w, self.h
        xor = bytearray()
        mask = bytearray()
        mrow = ((w + 31) // 32) * 4
        for y in range(h - 1, -1, -1):
            bits = bytearray(mrow)
            for x in range(w):
                i = y * w + x
                a = self._byte(self.a[i] * 255.0)
                if a == 0:
                    xor += b"\0\0\0\0"
                    bits[x >> 3] |= 0x80 >> (x & 7)
                else:
                    xor += bytes((self._byte(self.b[i]), self._byte(self.g[i]),
                                  self._byte(self.r[i]), a))
            mask += bits
        return struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0,
                           len(xor) + len(mask), 0, 0, 0, 0) + bytes(xor) + bytes(mask)


def save_ico(path, canvases):
    """One .ico holding every canvas, smallest first."""
    images = [c.ico_image() for c in canvases]
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = len(head) + 16 * len(images)
    entries = b""
    for c, img in zip(canvases, images):
        # a width or height of 256 is written as 0
        entries += struct.pack("<BBBBHHII", c.w & 255, c.h & 255, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    with open(path, "wb") as f:
        f.write(head + entries + b"".join(images))


# ---------------------------------------------------------------------------
# stroke font
#
# Glyphs live in a box where the cap height is 10 units: y = 0 is the cap
# line, y = 3 the x-height, y = 10 the baseline, descenders reach ~13.
# Each glyph is (advance, [polyline, ...]).
# ---------------------------------------------------------------------------

def _glyphs():
    G = {}
    G["O"] = (7.2, [arc(3.6, 5, 3.6, 5, 0, 360, 40)])
    G["K"] = (6.0, [[(0, 0), (0, 10)], [(5.8, 0), (0, 6.2)], [(2.1, 4.2), (6.0, 10)]])
    G["Z"] = (6.2, [[(0.3, 0), (6.0, 0), (0.2, 10), (6.2, 10)]])
    G["N"] = (6.4, [[(0, 10), (0, 0), (6.4, 10), (6.4, 0)]])
    G["\u041f"] = (6.4, [[(0, 10), (0, 0), (6.4, 0), (6.4, 10)]])            # П
    G["\u0412"] = (6.2, [[(0, 0), (0, 10)],                                  # В
                         [(0, 0), (3.0, 0)] + arc(3.0, 2.35, 2.5, 2.35, -90, 90, 12)
                         + [(3.0, 4.7), (0, 4.7)],
                         [(0, 4.7), (3.4, 4.7)] + arc(3.4, 7.35, 2.8, 2.65, -90, 90, 12)
                         + [(3.4, 10), (0, 10)]])
    G["o"] = (6.0, [arc(3, 6.5, 3, 3.5, 0, 360, 32)])
    G["\u043e"] = G["o"]                                                     # о
    G["\u0438"] = (5.4, [[(0, 3), (0, 10), (5.4, 3), (5.4, 10)]])            # и
    G["\u0441"] = (5.5, [arc(3, 6.5, 3, 3.5, -42, -318, 28)])                # с
    G["\u043a"] = (5.4, [[(0, 3), (0, 10)], [(5.1, 3), (1.7, 6.3), (0, 6.3)],  # к
                         [(1.7, 6.3), (5.4, 10)]])
    G["\u044b"] = (6.6, [[(0, 3), (0, 10)],                                  # ы
                         [(0, 6.2), (2.3, 6.2)] + arc(2.3, 8.1, 2.2, 1.9, -90, 90, 12)
                         + [(2.3, 10), (0, 10)],
                         [(6.6, 3), (6.6, 10)]])
    G["\u0445"] = (5.6, [[(0, 3), (5.6, 10)], [(5.6, 3), (0, 10)]])          # х
    G["\u0434"] = (7.0, [[(2.0, 3), (6.0, 3), (6.0, 10)],                    # д
                         catmull([(2.0, 3), (1.9, 6.5), (1.0, 10)], 4),
                         [(0, 12.3), (0, 10), (7.0, 10), (7.0, 12.3)]])
    G["e"] = (6.0, [[(0.1, 6.4), (6.0, 6.4)] + arc(3, 6.5, 3, 3.5, -2, -312, 30)])
    G["p"] = (6.1, [[(0, 3), (0, 13.4)], arc(3.1, 6.5, 3.0, 3.5, 0, 360, 32)])
    G["h"] = (5.4, [[(0, 0), (0, 10)],
                    [(0, 5.6)] + arc(2.7, 6.0, 2.7, 2.9, 190, 360, 14) + [(5.4, 10)]])
    G["t"] = (3.9, [[(1.4, 0.8), (1.4, 8.6)] + arc(3.0, 8.6, 1.6, 1.4, 180, 90, 6)
                    + [(3.9, 9.9)],
                    [(0, 3), (3.7, 3)]])
    G["s"] = (5.2, [catmull([(5.0, 4.1), (3.7, 3.05), (2.3, 3.0), (0.7, 3.6),
                             (0.5, 5.1), (1.9, 6.2), (3.5, 6.8), (4.9, 7.9),
                             (4.6, 9.5), (2.8, 10.0), (1.2, 9.85), (0.0, 9.0)], 5)])
    G[" "] = (3.5, [])
    return G


GLYPHS = _glyphs()
TRACK = 1.9  # gap between glyphs, in font units


def text_width(text, track=TRACK):
    return sum(GLYPHS[ch][0] for ch in text) + track * (len(text) - 1)


def text_shape(text, ox, oy, size, weight, direction=0, track=TRACK):
    """Outline of a text run as a Shape.  (ox, oy) is the start of the cap
    line, size the cap height in pixels, weight the stroke thickness in
    pixels.  direction 0 runs left to right, 90 top to bottom, -90 bottom
    to top."""
    s = size / 10.0
    if direction == 0:
        ux, uy, vx, vy = 1, 0, 0, 1
    elif direction == 90:
        ux, uy, vx, vy = 0, 1, -1, 0
    else:
        ux, uy, vx, vy = 0, -1, 1, 0
    lines = []
    pen = 0.0
    for ch in text:
        adv, polys = GLYPHS[ch]
        for pl in polys:
            lines.append([(ox + ((pen + u) * ux + v * vx) * s,
                           oy + ((pen + u) * uy + v * vy) * s) for u, v in pl])
        pen += adv + track
    return strokes(lines, weight / 2.0)


# ---------------------------------------------------------------------------
# shared palette
# ---------------------------------------------------------------------------

PAPER = (255, 255, 183)
RULE = (150, 190, 236)
MARGIN = (232, 96, 110)
MARGIN_SOFT = (246, 178, 170)
RULE_STEP = 17
MARGIN_X = 30

INK = (58, 32, 8)


def paper_pixel(x, y, rule_phase=RULE_STEP - 1, shade=1.0):
    """Colour of the lined paper at pixel (x, y)."""
    c = PAPER
    if y % RULE_STEP == rule_phase:
        c = RULE
    elif (y - 1) % RULE_STEP == rule_phase:
        c = mix(PAPER, RULE, 0.18)
    if x == MARGIN_X:
        c = MARGIN
    elif x == MARGIN_X + 1:
        c = mix(c, MARGIN_SOFT, 0.85)
    n = grain(x, y, 7) * 1.6
    return (c[0] * shade + n, c[1] * shade + n, c[2] * shade + n)


# ---------------------------------------------------------------------------
# paper.bmp
# ---------------------------------------------------------------------------

def make_paper():
    # 221 = 13 * 17, so the rule spacing carries straight over the seam
    c = Canvas(207, 221, PAPER)
    c.fill(0, 0, 207, 221, lambda x, y: paper_pixel(x, y))
    return c


# ---------------------------------------------------------------------------
# toolbar.bmp: bottom of the note page with a curling corner
# ---------------------------------------------------------------------------

TB_W, TB_H = 210, 40
PAGE_R, PAGE_B = 203.0, 33.0          # bottom-right corner of the top sheet
TB_RULE_PHASE = 8                     # rules at rows 8 and 25
CURL = [0, 8, 15, 23, 25, 15, 6]      # size of the curl in each frame


def desk(x, y):
    t = y / float(TB_H)
    return mix((156, 128, 96), (118, 92, 64), t)


def make_toolbar_frame(d):
    c = Canvas(TB_W, TB_H, (0, 0, 0))
    c.fill(0, 0, TB_W, TB_H, desk)
    # soft shadow of the pad on the cover
    for k in range(5):
        sh = rrect(-10, -10, PAGE_R + 3.5 + k, PAGE_B + 5.0 + k, 3 + k)
        c.paint(sh, (40, 25, 10), 0.07)
    # two sheets underneath: their edges peek out below the top one
    for off, shade in ((3.0, 0.86), (1.5, 0.92)):
        sheet = rrect(-4, -4, PAGE_R + off * 0.7, PAGE_B + off, 1.2)
        c.paint(sheet, lambda x, y, shade=shade: paper_pixel(int(x), int(y), TB_RULE_PHASE, shade))
        c.paint(strokes([[(-4, PAGE_B + off - 0.5), (PAGE_R + off * 0.7 - 0.8, PAGE_B + off - 0.5)],
                         [(PAGE_R + off * 0.7 - 0.5, -4), (PAGE_R + off * 0.7 - 0.5, PAGE_B + off - 0.8)]],
                        0.5), (176, 160, 100), 0.55)

    page = rect(-4, -4, PAGE_R, PAGE_B)
    cx, cy = PAGE_R, PAGE_B
    if d > 0:
        p1 = (cx - d, cy)
        p2 = (cx, cy - d)
        page = page - polygon([p1, (cx + 1, cy), (cx + 1, cy + 1), (cx, cy + 1), p2])
    # the top sheet itself (pixel-accurate lines, AA only at the cut)
    c.paint(page, lambda x, y: paper_pixel(int(x), int(y), TB_RULE_PHASE))
    # thin edge along the bottom and right of the top sheet
    edge = [[(-4, cy - 0.5), (cx - d - 0.3 if d else cx - 0.5, cy - 0.5)],
            [(cx - 0.5, -4), (cx - 0.5, cy - d - 0.3 if d else cy - 0.5)]]
    c.paint(strokes(edge, 0.5), (196, 180, 110), 0.7)

    if d > 0:
        # where the sheet lifts, the sheet below sees a soft shadow
        nx, ny = -math.sqrt(0.5), -math.sqrt(0.5)       # fold normal (toward page)
        k0 = (cx - d) * -nx + cy * -ny                  # x + y on the fold * 0.707

        def under_shadow(x, y):
            dist = (x * -nx + y * -ny) - k0             # >0 beyond the fold
            return (60, 45, 10, 0.35 * (1.0 - smooth(dist / (d * 0.45 + 2))))
        c.paint(polygon([p1, (cx + 3, cy + 3.5), p2]), under_shadow)

        # the curled flap: reflection of the corner, pulled in a little
        mx, my = cx - d / 2.0, cy - d / 2.0
        tip = (mx + (cx - d - mx) * 0.86, my + (cy - d - my) * 0.86)
        bulge = d * 0.14
        e1 = quad(p1, ((p1[0] + tip[0]) / 2 + bulge, (p1[1] + tip[1]) / 2 + bulge * 0.2), tip, 12)
        e2 = quad(tip, ((p2[0] + tip[0]) / 2 + bulge * 0.2, (p2[1] + tip[1]) / 2 + bulge), p2, 12)
        flap_pts = e1 + e2[1:]
        flap = polygon(flap_pts)
        # shadow the flap throws onto the page
        c.paint(polygon([(x - 1.6, y - 1.2) for x, y in flap_pts]), (90, 70, 10), 0.18)
        c.paint(polygon([(x - 0.8, y - 0.6) for x, y in flap_pts]), (90, 70, 10), 0.15)
        span = math.hypot(tip[0] - mx, tip[1] - my)

        def back(x, y):
            # distance from the fold, 0 at the crease, 1 at the tip
            t = ((mx - x) * 0.7071 + (my - y) * 0.7071) / span
            # a rolled sheet: darker in the hollow near the crease,
            # bright where it faces the light, slightly dimmer at the tip
            return ramp([(0.0, (226, 214, 140)), (0.12, (252, 248, 206)),
                         (0.3, (236, 226, 160)), (0.75, (246, 240, 190)),
                         (1.0, (255, 253, 226))], t)
        c.paint(flap, back)
        c.paint(strokes([flap_pts[:-1]], 0.45), (168, 150, 80), 0.75)
    return c


def make_toolbar():
    out = Canvas(TB_W * len(CURL), TB_H)
    for i, d in enumerate(CURL):
        out.blit(make_toolbar_frame(d), i * TB_W, 0)
    return out


# ---------------------------------------------------------------------------
# side.bmp: ring binding and the vertical program name
# ---------------------------------------------------------------------------

SIDE_W, SIDE_H = 30, 268
RINGS = 13
RING_PITCH = 20
RING_Y0 = 14


def side_frame(theme):
    bar_l, bar_m, bar_r, edge, label, label_sh, hole, metal = theme
    c = Canvas(SIDE_W, SIDE_H)

    def bar(x, y):
        t = (x + 0.5) / SIDE_W
        base = ramp([(0.0, bar_l), (0.45, bar_m), (1.0, bar_r)], t)
        n = grain(x, y, 3) * 1.2
        return (base[0] + n, base[1] + n, base[2] + n)
    c.fill(0, 0, SIDE_W, SIDE_H, bar)
    # spine edge on the left, page-side crease on the right
    c.fill(0, 0, 1, SIDE_H, edge, 0.75)
    c.fill(1, 0, 2, SIDE_H, (255, 255, 255), 0.35)
    c.fill(SIDE_W - 1, 0, SIDE_W, SIDE_H, edge, 0.35)

    # name plate and label, reading top to bottom
    size, weight = 10.0, 1.5
    tw = text_width("ZephNotes") * size / 10.0
    y0 = round((SIDE_H - tw) / 2.0)
    plate = rrect(1.5, y0 - 8, 16.0, y0 + tw + 8, 3.0)
    c.paint(plate.moved(0.6, 0.8), edge, 0.25)
    c.paint(plate, lambda x, y: mix(bar_m, (255, 255, 255), 0.25) + (0.55,))
    c.paint(strokes([[(2.0, y0 - 7.5), (2.0, y0 + tw + 7.5)]], 0.5), edge, 0.3)
    ox = 14.5   # cap line (letters lean their tops to the right)
    c.paint(text_shape("ZephNotes", ox + 0.6, y0 + 0.6, size, weight, 90), label_sh, 0.5)
    c.paint(text_shape("ZephNotes", ox, y0, size, weight, 90), label)

    # ring binding
    for k in range(RINGS):
        yc = RING_Y0 + RING_PITCH * k
        hx = 19.0
        # punched hole
        hy = yc + 2.6
        c.paint(ellipse(hx + 0.3, hy + 0.8, 2.6, 3.3), (255, 255, 255), 0.45)
        c.paint(ellipse(hx, hy, 2.5, 3.2),
                lambda x, y, hy=hy: mix(hole, scale_col(hole, 2.4), clamp01((y - hy + 3) / 6.0)))
        # wire coil: leaves the hole and loops over the page edge
        wire = arc(hx + 7.2, yc + 2.6, 7.0, 7.6, 197, 334, 18)
        r = 1.6
        c.paint(strokes([[(x + 0.8, y + 1.6) for x, y in wire]], r), (30, 20, 10), 0.28)

        def shade(t, metal=metal):
            return ramp([(-1.0, scale_col(metal, 0.42)), (-0.45, metal),
                         (-0.15, (255, 255, 255)), (0.35, scale_col(metal, 0.86)),
                         (1.0, scale_col(metal, 0.38))], t)
        c.paint(strokes([wire], r), across(wire, r, shade))
        # the wire's far end tucked into the hole
        c.paint(ellipse(hx + 0.4, hy - 0.6, 1.5, 1.0), scale_col(metal, 0.3), 0.7)
    return c


SIDE_LIGHT = ((226, 218, 196), (250, 246, 232), (232, 224, 202),
              (150, 136, 110), (70, 74, 104), (255, 255, 255),
              (40, 34, 30), (196, 200, 208))
SIDE_RED = ((168, 26, 30), (222, 60, 58), (180, 34, 36),
            (96, 10, 12), (255, 246, 240), (90, 8, 10),
            (52, 6, 8), (232, 190, 190))


def make_side():
    out = Canvas(SIDE_W * 2, SIDE_H)
    out.blit(side_frame(SIDE_LIGHT), 0, 0)
    out.blit(side_frame(SIDE_RED), SIDE_W, 0)
    return out


# ---------------------------------------------------------------------------
# 24x24 list icons
# ---------------------------------------------------------------------------

def draw_folder(c):
    outline = (150, 102, 16)
    back = [(2.5, 4.5), (8.5, 4.5), (10.5, 6.5), (20.5, 6.5), (20.5, 19.5), (2.5, 19.5)]
    c.paint(polygon([(x + 1, y + 1) for x, y in back]), (0, 0, 0), 0.12)
    c.paint(polygon(back), lambda x, y: mix((236, 178, 44), (214, 150, 30), y / 20.0))
    c.paint(strokes([back], 0.5, closed=True), outline)
    front = [(2.5, 9.5), (21.5, 9.5), (20.5, 19.5), (2.5, 19.5)]
    c.paint(polygon([(x + 0.7, y + 0.9) for x, y in front]), (0, 0, 0), 0.14)
    c.paint(polygon(front), lambda x, y: mix((255, 232, 120), (244, 190, 56), (y - 9.5) / 10.0))
    c.paint(strokes([[(3.5, 10.5), (20.4, 10.5)]], 0.5), (255, 250, 210), 0.85)
    c.paint(strokes([front], 0.5, closed=True), outline)


def draw_pencil(c, tail, tipp, w=4.6):
    """A green pencil lying from tail (eraser end) to tip."""
    ax, ay = tail
    bx, by = tipp
    L = math.hypot(bx - ax, by - ay)
    ux, uy = (bx - ax) / L, (by - ay) / L
    vx, vy = -uy, ux
    hw = w / 2.0
    cone = w * 1.25
    er, fe = w * 0.55, w * 0.45

    def uv(x, y):
        dx, dy = x - ax, y - ay
        return dx * ux + dy * uy, dx * vx + dy * vy

    def inside(x, y, grow=0.0):
        u, v = uv(x, y)
        if u < -grow or u > L + grow:
            return False
        lim = hw if u < L - cone else hw * (L - u) / cone
        return abs(v) <= lim + grow

    def col(x, y):
        u, v = uv(x, y)
        t = v / hw  # -1 .. 1 across the pencil
        if u < er:
            return ramp([(-1, (214, 104, 120)), (-0.3, (250, 160, 170)), (1, (190, 84, 100))], t)
        if u < er + fe:
            return ramp([(-1, (120, 124, 130)), (-0.3, (236, 238, 240)), (1, (110, 112, 118))], t)
        if u < L - cone:
            return ramp([(-1, (24, 110, 40)), (-0.34, (24, 110, 40)), (-0.33, (92, 200, 96)),
                         (0.32, (60, 170, 70)), (0.33, (30, 130, 48)), (1, (18, 90, 30))], t)
        if u < L - cone * 0.35:
            return ramp([(-1, (206, 160, 104)), (0, (246, 214, 160)), (1, (196, 150, 96))], t)
        return (56, 56, 60)
    xs = (ax, bx)
    ys = (ay, by)
    bb = (min(xs) - w, min(ys) - w, max(xs) + w, max(ys) + w)
    c.paint(Shape(lambda x, y: inside(x - 0.8, y - 0.9), bb), (0, 0, 0), 0.16)
    c.paint(Shape(lambda x, y: inside(x, y, 0.6), bb), (24, 56, 24), 0.9)
    c.paint(Shape(inside, bb), col)


def draw_page(c, lined):
    page = [(5.5, 1.5), (14.5, 1.5), (19.5, 6.5), (19.5, 22.5), (5.5, 22.5)]
    c.paint(polygon([(x + 1, y + 1) for x, y in page]), (0, 0, 0), 0.12)
    c.paint(polygon(page), lambda x, y: mix((255, 255, 255), (238, 240, 244), y / 24.0))
    if lined:
        for yy in (9.5, 12.5, 15.5, 18.5):
            c.paint(strokes([[(7.5, yy), (17.5, yy)]], 0.5), (120, 160, 226))
        c.paint(strokes([[(8.0, 3.0), (8.0, 21.0)]], 0.45), (232, 110, 120), 0.8)
    c.paint(strokes([page], 0.5, closed=True), (128, 130, 136))
    fold = [(14.5, 1.5), (14.5, 6.5), (19.5, 6.5)]
    c.paint(polygon(fold), lambda x, y: mix((236, 238, 242), (200, 204, 212), (x - 14.5) / 5.0))
    c.paint(strokes([fold], 0.5, closed=True), (128, 130, 136))


def make_folder(selected):
    c = Canvas(24, 24, (255, 255, 255))
    draw_folder(c)
    if selected:
        draw_pencil(c, (21.0, 3.0), (5.0, 19.0))
    return c


def make_note(selected):
    c = Canvas(24, 24, (255, 255, 255))
    draw_page(c, selected)
    if selected:
        draw_pencil(c, (21.0, 3.0), (5.5, 18.5), 4.4)
    return c


# ---------------------------------------------------------------------------
# panel.bmp and the buttons that sit on it
# ---------------------------------------------------------------------------

PANEL_W, PANEL_H = 162, 84
ORANGE_DARK = (150, 70, 6)
WELL = (214, 112, 22)
FIELD = (8, 34, 154, 51)                      # x0, y0, x1, y1 (exclusive)
WELLS = ((8, 58, 80, 78), (82, 58, 154, 78))


def make_panel():
    c = Canvas(PANEL_W, PANEL_H)
    c.fill(0, 0, PANEL_W, PANEL_H,
           lambda x, y: mix((252, 166, 62), (236, 128, 28), y / float(PANEL_H)))
    # caption band: pale enough for black text
    c.fill(2, 2, PANEL_W - 2, 30,
           lambda x, y: mix((255, 234, 196), (255, 208, 146), (y - 2) / 28.0))
    c.fill(2, 2, PANEL_W - 2, 3, (255, 248, 232))
    c.fill(2, 30, PANEL_W - 2, 31, (206, 104, 20))
    c.fill(2, 31, PANEL_W - 2, 32, (255, 200, 130))
    # outer frame: dark rim with a light bevel inside
    c.fill(0, 0, PANEL_W, 1, ORANGE_DARK)
    c.fill(0, PANEL_H - 1, PANEL_W, PANEL_H, ORANGE_DARK)
    c.fill(0, 0, 1, PANEL_H, ORANGE_DARK)
    c.fill(PANEL_W - 1, 0, PANEL_W, PANEL_H, ORANGE_DARK)
    c.fill(1, 1, PANEL_W - 1, 2, (255, 226, 176))
    c.fill(1, 1, 2, PANEL_H - 1, (255, 214, 150))
    c.fill(1, PANEL_H - 2, PANEL_W - 1, PANEL_H - 1, (196, 92, 12))
    c.fill(PANEL_W - 2, 1, PANEL_W - 1, PANEL_H - 1, (196, 92, 12))
    # text field: white, outlined just outside its box
    x0, y0, x1, y1 = FIELD
    c.fill(x0 - 2, y0 - 2, x1 + 2, y1 + 2, (255, 206, 140))
    c.fill(x0 - 1, y0 - 1, x1 + 1, y1 + 1, (122, 60, 8))
    c.fill(x0, y0, x1, y1, (255, 255, 255))
    # recessed wells for the two buttons
    for wx0, wy0, wx1, wy1 in WELLS:
        c.fill(wx0 - 1, wy0 - 1, wx1 + 1, wy1 + 1, (255, 198, 124))
        c.fill(wx0 - 1, wy0 - 1, wx1, wy1, (176, 84, 10))
        c.fill(wx0, wy0, wx1, wy1, WELL)
        c.fill(wx0, wy0, wx1, wy0 + 1, (196, 96, 14))
    return c


BTN_W, BTN_H = 72, 20


def button_frame(label, state):
    c = Canvas(BTN_W, BTN_H, WELL)
    outer = rrect(0, 0, BTN_W, BTN_H, 4.0)
    if state == 2:
        c.paint(outer, (110, 50, 4))
        c.paint(rrect(1, 1, BTN_W - 1, BTN_H - 1, 3.0),
                lambda x, y: mix((228, 150, 70), (250, 198, 132), y / BTN_H))
        c.paint(rrect(1, 1, BTN_W - 1, BTN_H - 1, 3.0) - rrect(2.2, 2.6, BTN_W - 1, BTN_H - 1, 2.5),
                (150, 70, 8), 0.55)
        # the label stays while the button is held, pushed in with it
        size, weight = 10.0, 1.65
        tw = text_width(label) * size / 10.0
        tx = round((BTN_W - tw) / 2.0 * 2) / 2.0 + 1.0
        c.paint(text_shape(label, tx, 6.0, size, weight), INK)
        return c
    if state == 1:
        c.paint(outer, (176, 46, 0))
        c.paint(rrect(1, 1, BTN_W - 1, BTN_H - 1, 3.0), (255, 150, 40))
        inner = rrect(2, 2, BTN_W - 2, BTN_H - 2, 2.4)
        top, bot = (255, 250, 228), (255, 206, 128)
    else:
        c.paint(outer, (128, 62, 8))
        inner = rrect(1, 1, BTN_W - 1, BTN_H - 1, 3.0)
        top, bot = (255, 242, 214), (248, 190, 112)
    c.paint(inner, lambda x, y: ramp([(0, top), (0.48, mix(top, bot, 0.35)),
                                      (0.52, mix(top, bot, 0.6)), (1, bot)], y / BTN_H))
    # glossy top edge and a soft shade at the bottom
    c.paint(inner - inner.moved(0, 1.2), (255, 255, 255), 0.8)
    c.paint(inner - inner.moved(0, -1.2), (200, 110, 30), 0.45)
    if state == 1:
        # dotted focus rectangle
        for x in range(5, BTN_W - 5):
            if x % 2 == 0:
                c.blend(x, 3, INK, 0.55)
                c.blend(x, BTN_H - 4, INK, 0.55)
        for y in range(4, BTN_H - 4):
            if y % 2 == 0:
                c.blend(4, y, INK, 0.55)
                c.blend(BTN_W - 5, y, INK, 0.55)
    size, weight = 10.0, 1.65
    tw = text_width(label) * size / 10.0
    tx = round((BTN_W - tw) / 2.0 * 2) / 2.0
    ty = 5.0
    c.paint(text_shape(label, tx, ty + 1.0, size, weight), (255, 255, 255), 0.55)
    c.paint(text_shape(label, tx, ty, size, weight), INK)
    return c


def make_button(label):
    out = Canvas(BTN_W * 3, BTN_H)
    for s in range(3):
        out.blit(button_frame(label, s), s * BTN_W, 0)
    return out


# ---------------------------------------------------------------------------
# zephnotes.ico: a ring-bound yellow note pad
# ---------------------------------------------------------------------------

# The sizes of the desktop's icon theme (hicolor) and those Windows picks
# from an .ico for its lists, menus, title bars and large views.
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
ICO_SIZES = (16, 24, 32, 48, 64, 256)


def make_icon(size=32):
    """Drawn on a 32-unit grid, at size pixels."""
    c = Canvas(size, size, (0, 0, 0), alpha=0.0, unit=size / 32.0)
    page = rrect(3.0, 5.0, 28.0, 30.0, 1.5)
    c.paint(page.moved(1.2, 1.4), (0, 0, 0), 0.28)
    c.paint(rrect(3.0, 5.0, 28.8, 30.8, 1.5), (214, 200, 120))
    c.paint(page, lambda x, y: mix((255, 255, 196), (250, 238, 150), (y - 5) / 25.0))
    for yy in (13.5, 17.5, 21.5, 25.5):
        c.paint(strokes([[(4.0, yy), (27.0, yy)]], 0.5), RULE)
    c.paint(strokes([[(8.0, 10.0), (8.0, 29.5)]], 0.5), MARGIN)
    c.paint(strokes([[(3.5, 5.5), (27.5, 5.5), (27.5, 29.5), (3.5, 29.5)]], 0.5,
                    closed=True), (150, 122, 40))
    for k in range(5):
        x = 7.0 + k * 4.8
        c.paint(ellipse(x, 9.0, 1.2, 1.1), (50, 40, 30))
        wire = arc(x + 0.2, 6.6, 1.5, 3.6, 100, 300, 14)
        c.paint(strokes([[(px + 0.6, py + 0.5) for px, py in wire]], 0.7), (0, 0, 0), 0.25)
        c.paint(strokes([wire], 0.7), across(wire, 0.7, lambda t: ramp(
            [(-1, (80, 84, 96)), (-0.2, (250, 250, 255)), (1, (90, 94, 104))], t)))
    draw_pencil(c, (29.5, 12.0), (15.0, 27.0), 4.2)
    return c


# ---------------------------------------------------------------------------

def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources", "bitmaps")
    os.makedirs(out, exist_ok=True)
    jobs = [
        ("side.bmp", make_side),
        ("toolbar.bmp", make_toolbar),
        ("paper.bmp", make_paper),
        ("folder.bmp", lambda: make_folder(False)),
        ("folder_selected.bmp", lambda: make_folder(True)),
        ("note.bmp", lambda: make_note(False)),
        ("note_selected.bmp", lambda: make_note(True)),
        ("panel.bmp", make_panel),
        ("button_ok.bmp", lambda: make_button("OK")),
        ("button_search.bmp", lambda: make_button("\u041f\u043e\u0438\u0441\u043a")),
        ("button_exit.bmp", lambda: make_button("\u0412\u044b\u0445\u043e\u0434")),
    ]
    for name, fn in jobs:
        fn().save_bmp(os.path.join(out, name))
    icons = {size: make_icon(size) for size in ICON_SIZES}
    save_ico(os.path.join(out, "zephnotes.ico"), [icons[size] for size in ICO_SIZES])
    for size, icon in icons.items():
        icon.save_png(os.path.join(out, "zephnotes_%d.png" % size))


if __name__ == "__main__":
    main()
