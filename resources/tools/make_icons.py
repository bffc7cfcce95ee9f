#!/usr/bin/env python3
"""Draws the main window's icons: menu and toolbar pictograms, the two-state pairs, the
menu indicator, the empty check indicator and the window logo.

Run from anywhere:  python3 resources/tools/make_icons.py
Writes resources/Icons/*.png, resources/Icons/logo.ico and resources/IconsCreate/*.png.
Pictograms are 24 x 24 (the toolbar size; menus show them at 12, so strokes are 2 px and
shapes stay simple). Light grey strokes on transparency read on the #333 window; the
accent #efba44 marks the part of a picture that the command adds or acts on.
Only the Python standard library is used.
"""
import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, '..'))

INK = (0xcc, 0xcc, 0xcc, 255)
DIM = (0x88, 0x88, 0x88, 255)
FACE = (0xcc, 0xcc, 0xcc, 70)     # translucent face of a solid
SHADE = (0xcc, 0xcc, 0xcc, 130)
GOLD = (0xef, 0xba, 0x44, 255)
GOLDFACE = (0xef, 0xba, 0x44, 110)
WHITE = (0xff, 0xff, 0xff, 255)
RED = (0xd0, 0x50, 0x40, 255)
GREEN = (0x50, 0xb0, 0x50, 255)
BLUE = (0x50, 0x80, 0xd0, 255)

SS = 4  # samples per pixel along each axis


# ---------------------------------------------------------------- shapes
# A shape answers whether a point (in pixel units, y down) is inside it, and its bounds.

def _seg_dist2(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    l2 = dx * dx + dy * dy
    t = 0.0 if l2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / l2))
    qx, qy = ax + t * dx - px, ay + t * dy - py
    return qx * qx + qy * qy


class Stroke:
    def __init__(self, pts, width, closed=False):
        self.segs = list(zip(pts, pts[1:] + (pts[:1] if closed else [])))
        self.r2 = (width / 2.0) ** 2
        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]
        h = width / 2.0 + 1
        self.box = (min(xs) - h, min(ys) - h, max(xs) + h, max(ys) + h)

    def inside(self, x, y):
        for (a, b) in self.segs:
            if _seg_dist2(x, y, a[0], a[1], b[0], b[1]) <= self.r2:
                return True
        return False


class Fill:
    def __init__(self, pts):
        self.pts = pts
        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]
        self.box = (min(xs), min(ys), max(xs), max(ys))

    def inside(self, x, y):
        c = False
        p = self.pts
        j = len(p) - 1
        for i in range(len(p)):
            xi, yi = p[i]
            xj, yj = p[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                c = not c
            j = i
        return c


class Disc:
    def __init__(self, cx, cy, rx, ry=None, inner=0.0):
        self.cx, self.cy, self.rx, self.ry = cx, cy, rx, ry if ry is not None else rx
        self.inner = inner  # ring when > 0: keep points with normalised radius >= inner
        self.box = (cx - self.rx - 1, cy - self.ry - 1, cx + self.rx + 1, cy + self.ry + 1)

    def inside(self, x, y):
        d = ((x - self.cx) / self.rx) ** 2 + ((y - self.cy) / self.ry) ** 2
        return d <= 1.0 and d >= self.inner * self.inner


class Minus:
    """Points of a that are not in b (a bite out of a shape)."""
    def __init__(self, a, b):
        self.a, self.b, self.box = a, b, a.box

    def inside(self, x, y):
        return self.a.inside(x, y) and not self.b.inside(x, y)


def arc_points(cx, cy, rx, ry, a0, a1, n=24):
    """Points along an ellipse from angle a0 to a1 in degrees (0 = right, 90 = down)."""
    return [(cx + rx * math.cos(math.radians(a0 + (a1 - a0) * i / n)),
             cy + ry * math.sin(math.radians(a0 + (a1 - a0) * i / n))) for i in range(n + 1)]


def regular(cx, cy, r, n, start=-90.0):
    return [(cx + r * math.cos(math.radians(start + 360.0 * i / n)),
             cy + r * math.sin(math.radians(start + 360.0 * i / n))) for i in range(n)]


# ---------------------------------------------------------------- canvas

class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(w * h)]  # premultiplied floats

    def draw(self, shape, color):
        x0, y0, x1, y1 = shape.box
        r, g, b, a = [c / 255.0 for c in color]
        for py in range(max(0, int(y0) - 1), min(self.h, int(y1) + 2)):
            for px in range(max(0, int(x0) - 1), min(self.w, int(x1) + 2)):
                hits = 0
                for sy in range(SS):
                    for sx in range(SS):
                        if shape.inside(px + (sx + 0.5) / SS, py + (sy + 0.5) / SS):
                            hits += 1
                if not hits:
                    continue
                k = a * hits / (SS * SS)
                d = self.px[py * self.w + px]
                d[0] = r * k + d[0] * (1 - k)
                d[1] = g * k + d[1] * (1 - k)
                d[2] = b * k + d[2] * (1 - k)
                d[3] = k + d[3] * (1 - k)

    # conveniences, all in pixel units of a 24 x 24 picture
    def line(self, pts, color=INK, w=2.0):
        self.draw(Stroke(pts, w), color)

    def loop(self, pts, color=INK, w=2.0):
        self.draw(Stroke(pts, w, closed=True), color)

    def fill(self, pts, color=FACE):
        self.draw(Fill(pts), color)

    def solid(self, pts, face=FACE, edge=INK, w=2.0):
        self.fill(pts, face)
        self.loop(pts, edge, w)

    def disc(self, cx, cy, r, color=INK, ry=None):
        self.draw(Disc(cx, cy, r, ry), color)

    def ring(self, cx, cy, r, color=INK, w=2.0, ry=None):
        ry = r if ry is None else ry
        self.line(arc_points(cx, cy, r, ry, 0, 360, 48), color, w)

    def arrow(self, tail, head, color=INK, w=2.0, size=4.0):
        (x0, y0), (x1, y1) = tail, head
        d = math.hypot(x1 - x0, y1 - y0)
        ux, uy = (x1 - x0) / d, (y1 - y0) / d
        bx, by = x1 - ux * size, y1 - uy * size
        self.line([tail, (bx + ux, by + uy)], color, w)
        self.fill([head, (bx - uy * size * 0.6, by + ux * size * 0.6), (bx + uy * size * 0.6, by - ux * size * 0.6)], color)

    def head(self, at, direction_deg, color=INK, size=4.0):
        ux, uy = math.cos(math.radians(direction_deg)), math.sin(math.radians(direction_deg))
        x1, y1 = at
        bx, by = x1 - ux * size, y1 - uy * size
        self.fill([at, (bx - uy * size * 0.6, by + ux * size * 0.6), (bx + uy * size * 0.6, by - ux * size * 0.6)], color)

    def rgba_bytes(self):
        out = bytearray()
        for y in range(self.h):
            out.append(0)  # PNG filter: none
            for x in range(self.w):
                r, g, b, a = self.px[y * self.w + x]
                if a <= 0:
                    out += b'\0\0\0\0'
                else:
                    out += bytes((min(255, round(r / a * 255)), min(255, round(g / a * 255)),
                                  min(255, round(b / a * 255)), min(255, round(a * 255))))
        return bytes(out)


def png_bytes(canvas):
    def chunk(tag, data):
        return struct.pack('>I', len(data)) + tag + data + struct.pack('>I', zlib.crc32(tag + data) & 0xffffffff)
    ihdr = struct.pack('>IIBBBBB', canvas.w, canvas.h, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', ihdr) +
            chunk(b'IDAT', zlib.compress(canvas.rgba_bytes(), 9)) + chunk(b'IEND', b''))


def ico_bytes(canvases):
    """An ICO of 32-bit BGRA bitmaps (with the AND mask every reader expects)."""
    images = []
    for c in canvases:
        xor = bytearray()
        for y in range(c.h - 1, -1, -1):  # bottom-up rows
            for x in range(c.w):
                r, g, b, a = c.px[y * c.w + x]
                if a <= 0:
                    xor += b'\0\0\0\0'
                else:
                    xor += bytes((min(255, round(b / a * 255)), min(255, round(g / a * 255)),
                                  min(255, round(r / a * 255)), min(255, round(a * 255))))
        mask_row = ((c.w + 31) // 32) * 4
        andmask = bytes(mask_row * c.h)
        header = struct.pack('<IiiHHIIiiII', 40, c.w, c.h * 2, 1, 32, 0, len(xor) + len(andmask), 0, 0, 0, 0)
        images.append(header + bytes(xor) + andmask)
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, data in zip(canvases, images):
        out += struct.pack('<BBBBHHII', c.w % 256, c.h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b''.join(images)


# ---------------------------------------------------------------- common motifs

def cube(c, x, y, s, face=FACE, edge=INK, w=2.0):
    """An isometric cube whose front-top-left corner region starts at (x, y), edge s."""
    d = s * 0.45
    front = [(x, y + d), (x + s, y + d), (x + s, y + d + s), (x, y + d + s)]
    top = [(x, y + d), (x + d, y), (x + s + d, y), (x + s, y + d)]
    side = [(x + s, y + d), (x + s + d, y), (x + s + d, y + s), (x + s, y + d + s)]
    c.fill(top, face)
    c.fill(side, face)
    c.fill(front, face)
    c.loop([(x, y + d), (x + d, y), (x + s + d, y), (x + s + d, y + s), (x + s, y + d + s), (x, y + d + s)], edge, w)
    c.line([(x, y + d), (x + s, y + d), (x + s + d, y)], edge, w)
    c.line([(x + s, y + d), (x + s, y + d + s)], edge, w)


def tree(c, nodes, links, gold=()):
    for a, b in links:
        c.line([nodes[a], nodes[b]], DIM, 1.5)
    for i, (x, y) in enumerate(nodes):
        c.disc(x, y, 3.0, GOLD if i in gold else INK)


def link_oval(c, cx, cy, angle, color=INK, rx=5.5, ry=3.0):
    pts = []
    for i in range(49):
        t = 2 * math.pi * i / 48
        ex, ey = rx * math.cos(t), ry * math.sin(t)
        ca, sa = math.cos(math.radians(angle)), math.sin(math.radians(angle))
        pts.append((cx + ex * ca - ey * sa, cy + ex * sa + ey * ca))
    c.line(pts, color, 2.0)


def floppy(c):
    body = [(4, 3), (17, 3), (20, 6), (20, 21), (4, 21)]
    c.solid(body)
    c.fill([(8, 3), (15, 3), (15, 9), (8, 9)], INK)
    c.line([(7, 14), (17, 14), (17, 21)], DIM, 1.5)


def blob(c, face=FACE, edge=INK):
    pts = []
    for i in range(64):
        t = 2 * math.pi * i / 64
        r = 8.0 + 1.6 * math.sin(3 * t + 0.6) + 0.8 * math.cos(5 * t)
        pts.append((12 + r * math.cos(t), 12.5 + r * 0.9 * math.sin(t)))
    c.solid(pts, face, edge)


# ---------------------------------------------------------------- pictograms, by file name

def i_new(c):
    c.solid([(5, 2), (14, 2), (19, 7), (19, 22), (5, 22)])
    c.line([(14, 2), (14, 7), (19, 7)], INK, 1.5)
    c.line([(12, 11), (12, 19)], GOLD)
    c.line([(8, 15), (16, 15)], GOLD)


def i_open(c):
    c.solid([(2, 6), (9, 6), (11, 8), (20, 8), (20, 20), (2, 20)])
    c.solid([(5, 12), (23, 12), (20, 20), (2, 20)], GOLDFACE, GOLD)


def i_save(c):
    floppy(c)


def i_quickSave(c):
    floppy(c)
    c.fill([(15, 10), (10, 17), (13, 17), (11, 23), (18, 15), (14, 15), (16, 10)], GOLD)


def i_material(c):
    c.disc(12, 12, 9, SHADE)
    c.disc(10, 10, 5.5, FACE)
    c.disc(9, 9, 2.2, WHITE)
    c.ring(12, 12, 9)


def i_color(c):
    for a0, col in ((-90, RED), (30, GREEN), (150, BLUE)):
        c.fill([(12, 12)] + arc_points(12, 12, 9.5, 9.5, a0, a0 + 120, 16), col)
    c.ring(12, 12, 9.5)


def i_link(c):
    link_oval(c, 9, 14, -45)
    link_oval(c, 15, 10, -45, GOLD)


def i_unlink(c):
    link_oval(c, 7, 17, -45)
    link_oval(c, 17, 7, -45)
    c.line([(10, 8), (8, 6)], GOLD, 1.5)
    c.line([(14, 16), (16, 18)], GOLD, 1.5)


def i_linked(c):
    c.solid([(2, 8), (9, 8), (9, 16), (2, 16)])
    c.solid([(15, 8), (22, 8), (22, 16), (15, 16)])
    c.line([(9, 12), (15, 12)], GOLD, 2.5)


def i_unlinked(c):
    c.solid([(2, 8), (9, 8), (9, 16), (2, 16)])
    c.solid([(15, 8), (22, 8), (22, 16), (15, 16)])
    c.line([(10.5, 12), (13.5, 12)], DIM, 1.5)


def i_replaceTool(c):
    c.solid([(2, 2), (11, 2), (11, 11), (2, 11)])
    c.solid([(13, 13), (22, 13), (22, 22), (13, 22)], GOLDFACE, GOLD)
    c.line(arc_points(12, 12, 8, 8, -80, -10, 10), INK, 1.5)
    c.head((19.8, 10.6), 80, INK, 3.5)
    c.line(arc_points(12, 12, 8, 8, 100, 170, 10), INK, 1.5)
    c.head((4.2, 13.4), 260, INK, 3.5)


def i_dynamics(c):
    c.disc(15, 12, 6, SHADE)
    c.ring(15, 12, 6)
    for y, x0 in ((8, 2), (12, 1), (16, 2)):
        c.line([(x0, y), (x0 + 5, y)], GOLD, 1.5)


def i_addToScene(c):
    tree(c, [(6, 5), (6, 14), (17, 5)], [(0, 1)], gold=(2,))


def i_addToParent(c):
    tree(c, [(5, 4), (12, 12), (19, 12), (12, 20)], [(0, 1), (0, 2), (1, 3)], gold=(2,))


def i_addToChild(c):
    tree(c, [(5, 4), (12, 12), (19, 20)], [(0, 1), (1, 2)], gold=(2,))


def i_matchHierarchy(c):
    tree(c, [(6, 5), (6, 19), (18, 19)], [(0, 1), (1, 2)])


def i_relativeToChild(c):
    tree(c, [(6, 5), (6, 19), (18, 19)], [(0, 1), (1, 2)], gold=(2,))
    c.arrow((8, 8), (16, 15), GOLD, 1.5, 3.5)


def i_addOnSingle(c):
    cube(c, 3, 7, 9)
    c.line([(19, 3), (19, 11)], GOLD)
    c.line([(15, 7), (23, 7)], GOLD)


def i_addOnLinked(c):
    cube(c, 1, 11, 7)
    cube(c, 12, 11, 7)
    c.line([(5, 10), (12, 4), (17, 10)], GOLD, 1.5)
    c.line([(12, 1), (12, 7)], GOLD)
    c.line([(9, 4), (15, 4)], GOLD)


def i_insert(c):
    c.solid([(2, 17), (17, 17), (22, 22), (7, 22)])
    c.arrow((12, 2), (12, 16), GOLD, 2.5, 5)


def i_place(c):
    c.loop([(2, 18), (16, 18), (22, 22), (6, 22)], DIM, 1.5)
    pin = arc_points(12, 8, 5.5, 5.5, 150, 390, 24) + [(12, 19)]
    c.solid(pin, GOLDFACE, GOLD)
    c.disc(12, 8, 2, GOLD)


def i_useTool(c):
    cube(c, 2, 2, 8)
    c.fill([(11, 10), (11, 23), (14.5, 19.5), (17, 24), (19, 23), (16.5, 18.5), (21, 18)], GOLD)


def i_prevTool(c):
    c.fill([(16, 5), (16, 19), (6, 12)], INK)
    c.line([(19, 5), (19, 19)], GOLD, 2.5)


def i_nextTool(c):
    c.fill([(8, 5), (8, 19), (18, 12)], INK)
    c.line([(5, 5), (5, 19)], GOLD, 2.5)


def i_profile(c):
    c.line([(5, 2), (5, 22)], DIM, 1.5)
    pts = [(5, 3)] + arc_points(5, 8, 6, 5, -90, 90, 10)[1:] + arc_points(5, 16.5, 11, 5.5, -90, 90, 14)[1:]
    c.solid(pts, GOLDFACE, GOLD)


def i_revoluton(c):
    c.line([(12, 1), (12, 23)], DIM, 1.5)
    left = [(12 - 4 - 4 * math.sin(t / 10.0 * math.pi), 4 + t * 1.6) for t in range(11)]
    right = [(24 - x, y) for (x, y) in left]
    c.fill(left + right[::-1], FACE)
    c.line(left, INK)
    c.line(right, INK)
    c.ring(12, 4, 4, INK, 1.5, 1.5)
    c.line(arc_points(12, 20, 4, 1.5, 0, 180, 12), INK, 1.5)
    c.line(arc_points(12, 12, 10, 3, 200, 340, 12), GOLD, 1.5)
    c.head((21.5, 11), 60, GOLD, 3.5)


def i_axis(c):
    pts = [(3, 20), (8, 12), (14, 14), (20, 4)]
    c.line(pts, GOLD)
    for x, y in pts:
        c.disc(x, y, 2.2, INK)


def i_section(c):
    c.ring(12, 12, 8, GOLD)
    for x, y in regular(12, 12, 8, 6, -90):
        c.disc(x, y, 2.0, INK)


def i_openContour(c):
    pts = [(4, 19), (5, 6), (13, 3), (20, 9), (18, 19)]
    c.line(pts, INK)
    for x, y in pts:
        c.disc(x, y, 2.0, GOLD if (x, y) in (pts[0], pts[-1]) else INK)


def i_closedContour(c):
    pts = [(4, 19), (5, 6), (13, 3), (20, 9), (18, 19)]
    c.solid(pts, GOLDFACE, INK)
    for x, y in pts:
        c.disc(x, y, 2.0, INK)


def i_moveObject(c):
    c.arrow((12, 12), (12, 2), INK, 2, 4)
    c.arrow((12, 12), (12, 22), INK, 2, 4)
    c.arrow((12, 12), (2, 12), INK, 2, 4)
    c.arrow((12, 12), (22, 12), INK, 2, 4)
    c.disc(12, 12, 2.5, GOLD)


def i_rotate(c):
    c.line(arc_points(12, 12, 8, 8, -60, 230, 30), INK)
    c.head((20.2, 8.0), 110, INK, 5)
    c.disc(12, 12, 2.2, GOLD)


def i_scale(c):
    c.loop([(2, 8), (16, 8), (16, 22), (2, 22)], INK, 1.5)
    c.solid([(2, 15), (9, 15), (9, 22), (2, 22)], GOLDFACE, GOLD)
    c.arrow((10, 14), (21, 3), INK, 2, 4.5)


def i_scaleDirection(c):
    c.line([(3, 5), (3, 19)], DIM, 1.5)
    c.line([(21, 5), (21, 19)], DIM, 1.5)
    c.arrow((12, 12), (20, 12), GOLD, 2, 4.5)
    c.arrow((12, 12), (4, 12), GOLD, 2, 4.5)


def i_mirrorObject(c):
    for y in range(2, 23, 4):
        c.line([(12, y), (12, y + 2)], DIM, 1.5)
    c.solid([(10, 5), (10, 19), (2, 19)])
    c.solid([(14, 5), (14, 19), (22, 19)], GOLDFACE, GOLD)


def i_scaleRotate(c):
    c.line(arc_points(12, 12, 9, 9, 100, 330, 24), INK)
    c.head((19.8, 7.5), 60, INK, 4.5)
    c.arrow((8, 16), (16, 8), GOLD, 2, 4.5)


def i_object(c):
    cube(c, 4, 4, 11)


def i_pivot(c):
    c.ring(12, 12, 6, GOLD)
    c.line([(12, 2), (12, 22)], GOLD, 1.5)
    c.line([(2, 12), (22, 12)], GOLD, 1.5)


def i_objectPivot(c):
    cube(c, 2, 2, 10)
    c.ring(16, 16, 4, GOLD)
    c.line([(16, 9), (16, 23)], GOLD, 1.5)
    c.line([(9, 16), (23, 16)], GOLD, 1.5)


def i_IK(c):
    joints = [(3, 21), (8, 11), (16, 8)]
    c.line(joints, INK, 2.5)
    for x, y in joints:
        c.disc(x, y, 2.3, INK)
    c.ring(20, 17, 3, GOLD, 1.5)
    c.disc(20, 17, 1.2, GOLD)
    c.line([(17, 9), (19.5, 14)], GOLD, 1.0)


def i_constrainRotation(c):
    c.line(arc_points(12, 14, 8, 8, 200, 340, 20), INK)
    c.line([(3, 7), (7, 12)], GOLD, 2.5)
    c.line([(21, 7), (17, 12)], GOLD, 2.5)
    c.disc(12, 14, 2, INK)


def i_multiplicityRotation(c):
    c.ring(12, 12, 8, INK, 1.5)
    for x, y in regular(12, 12, 8, 8):
        c.disc(x, y, 1.8, GOLD)
    c.disc(12, 12, 1.8, INK)


def i_constrainTranslation(c):
    c.line([(3, 5), (3, 19)], GOLD, 2.5)
    c.line([(21, 5), (21, 19)], GOLD, 2.5)
    c.arrow((12, 12), (18.5, 12), INK, 2, 4)
    c.arrow((12, 12), (5.5, 12), INK, 2, 4)


def i_translationMultiplicity(c):
    c.arrow((2, 16), (22, 16), INK, 2, 4.5)
    for x in (4, 9, 14):
        c.line([(x, 8), (x, 13)], GOLD, 2)


def i_align(c):
    c.line([(3, 2), (3, 22)], GOLD, 2)
    c.solid([(5, 4), (19, 4), (19, 9), (5, 9)])
    c.solid([(5, 14), (13, 14), (13, 19), (5, 19)])


def i_matchPivot(c):
    c.ring(7, 16, 4, INK, 1.5)
    c.line([(7, 10), (7, 22)], INK, 1.2)
    c.line([(1, 16), (13, 16)], INK, 1.2)
    c.ring(17, 7, 4, GOLD, 1.5)
    c.line([(17, 1), (17, 13)], GOLD, 1.2)
    c.line([(11, 7), (23, 7)], GOLD, 1.2)
    c.arrow((10, 13), (14, 10), INK, 1.5, 3)


def i_clay(c):
    blob(c)
    c.line(arc_points(12, 12, 4, 3, 200, 320, 10), GOLD, 1.5)


def i_asClay(c):
    blob(c, GOLDFACE, GOLD)
    c.disc(9, 10, 1.5, INK)
    c.disc(15, 14, 1.5, INK)


def i_paint(c):
    c.line([(20, 3), (11, 13)], INK, 3)
    c.fill([(9, 12), (13, 16), (9, 21), (3, 22), (5, 16)], GOLD)


def i_fill(c):
    c.solid([(4, 10), (12, 3), (19, 10), (12, 18)])
    c.fill([(4, 10), (19, 10), (12, 18)], GOLDFACE)
    c.fill(arc_points(20, 18.5, 2.5, 3, 0, 180, 10) + [(20, 13)], GOLD)


def i_sub(c):
    c.draw(Minus(Disc(10, 13, 8.5), Disc(18, 8, 6)), SHADE)
    c.line(arc_points(10, 13, 8.5, 8.5, -8, 300, 40), INK, 1.5)
    c.line(arc_points(18, 8, 6, 6, 105, 213, 12), GOLD, 1.5)


def i_extrude(c):
    c.solid([(2, 17), (14, 17), (22, 21), (10, 21)])
    c.solid([(7, 8), (13, 8), (17, 10), (17, 19), (11, 19), (7, 17)], GOLDFACE, GOLD, 1.5)
    c.arrow((12, 10), (12, 1), GOLD, 2, 4)


def i_tear(c):
    c.solid([(2, 4), (11, 4), (9, 9), (12, 13), (9, 20), (2, 20)])
    c.solid([(14, 4), (22, 4), (22, 20), (13, 20), (16, 13), (13, 9)], GOLDFACE, GOLD)


def i_erase(c):
    c.solid([(3, 15), (12, 6), (20, 14), (13, 21), (7, 21)], FACE)
    c.fill([(3, 15), (7, 11), (15, 19), (13, 21), (7, 21)], GOLD)
    c.line([(13, 22), (22, 22)], DIM, 1.5)


def i_selection(c):
    pts = [(3, 3), (21, 3), (21, 21), (3, 21), (3, 3)]
    for (a, b) in zip(pts, pts[1:]):
        for k in range(0, 18, 6):
            t0, t1 = k / 18.0, (k + 3.5) / 18.0
            c.line([(a[0] + (b[0] - a[0]) * t0, a[1] + (b[1] - a[1]) * t0),
                    (a[0] + (b[0] - a[0]) * t1, a[1] + (b[1] - a[1]) * t1)], GOLD, 1.8)


def i_ungrouped(c):
    c.solid([(2, 3), (9, 3), (9, 10), (2, 10)])
    c.solid([(15, 3), (22, 3), (22, 10), (15, 10)])
    c.solid([(8, 14), (15, 14), (15, 21), (8, 21)])


def i_groups(c):
    c.loop([(1, 1), (23, 1), (23, 23), (1, 23)], GOLD, 1.5)
    c.solid([(4, 4), (10, 4), (10, 10), (4, 10)])
    c.solid([(14, 4), (20, 4), (20, 10), (14, 10)])
    c.solid([(9, 14), (15, 14), (15, 20), (9, 20)])


def i_unique(c):
    c.solid([(12, 2), (21, 12), (12, 22), (3, 12)], GOLDFACE, GOLD)
    c.line([(11, 9), (13, 7.5), (13, 17)], INK, 2)


def i_subdiv(c):
    c.solid([(3, 3), (21, 3), (21, 21), (3, 21)])
    c.line([(12, 3), (12, 21)], GOLD, 1.5)
    c.line([(3, 12), (21, 12)], GOLD, 1.5)
    c.line([(3, 3), (21, 21)], DIM, 1.2)


def i_convert(c):
    c.line(arc_points(12, 12, 8, 7, 200, 340, 16), INK)
    c.head((19.8, 9.2), 60, INK, 4.5)
    c.line(arc_points(12, 12, 8, 7, 20, 160, 16), GOLD)
    c.head((4.2, 14.8), 240, GOLD, 4.5)


def i_asTriMesh(c):
    a, b, d = (12, 3), (3, 20), (21, 20)
    c.solid([a, b, d])
    m1, m2, m3 = (7.5, 11.5), (16.5, 11.5), (12, 20)
    c.loop([m1, m2, m3], GOLD, 1.5)


def i_simpleMode(c):
    c.solid([(5, 5), (19, 5), (19, 19), (5, 19)])


def i_fullMode(c):
    for x, y in ((3, 3), (13, 3), (3, 13), (13, 13)):
        c.solid([(x, y), (x + 8, y), (x + 8, y + 8), (x, y + 8)], GOLDFACE if (x, y) == (3, 3) else FACE)


# ---------------------------------------------------------------- create icons (IconsCreate)

def c_tetrahedron(c):
    a, b, d, e = (12, 2), (2, 19), (15, 22), (22, 15)
    c.fill([a, b, d], FACE)
    c.fill([a, d, e], SHADE)
    c.loop([a, b, d, e], INK)
    c.line([a, d], INK, 1.5)


def c_cube(c):
    cube(c, 3, 3, 12)


def c_octahedron(c):
    top, bot, l, r, f, k = (12, 1), (12, 23), (2, 12), (22, 12), (9, 14), (15, 10)
    c.fill([top, l, f], FACE)
    c.fill([top, f, r], SHADE)
    c.fill([bot, l, f], SHADE)
    c.fill([bot, f, r], FACE)
    c.loop([top, r, bot, l], INK)
    c.line([l, f, r], INK, 1.5)
    c.line([top, f, bot], INK, 1.5)


def c_dodecahedron(c):
    outer = regular(12, 12.5, 10.5, 10, -90)
    inner = regular(12, 12.5, 5.5, 5, -90)
    c.fill(outer, FACE)
    c.fill(inner, SHADE)
    c.loop(outer, INK)
    c.loop(inner, INK, 1.5)
    for i in range(5):
        c.line([inner[i], outer[2 * i]], INK, 1.5)


def c_icosahedron(c):
    hexa = regular(12, 12, 10.5, 6, -90)
    tri = regular(12, 12.5, 6, 3, -90)
    c.fill(hexa, FACE)
    c.fill(tri, SHADE)
    c.loop(hexa, INK)
    c.loop(tri, INK, 1.5)
    for i in range(6):
        c.line([hexa[i], tri[((i + 1) // 2) % 3]], INK, 1.2)


def c_sphere(c):
    c.disc(12, 12, 10, FACE)
    c.disc(9, 9, 4, FACE)
    c.line(arc_points(12, 12, 10, 3.5, 0, 180, 20), INK, 1.2)
    c.line(arc_points(12, 12, 4, 10, -90, 90, 20), INK, 1.2)
    c.ring(12, 12, 10)


def c_cylinder(c):
    c.fill([(4, 5), (20, 5), (20, 19), (4, 19)], FACE)
    c.disc(12, 5, 8, SHADE, 3)
    c.ring(12, 5, 8, INK, 2, 3)
    c.line([(4, 5), (4, 19)])
    c.line([(20, 5), (20, 19)])
    c.line(arc_points(12, 19, 8, 3, 0, 180, 16), INK)


def c_capsule(c):
    pts = arc_points(12, 8, 6.5, 6.5, 180, 360, 16) + arc_points(12, 16, 6.5, 6.5, 0, 180, 16)
    c.solid(pts)
    c.line(arc_points(12, 12, 6.5, 2.2, 0, 180, 12), INK, 1.2)


def c_tube(c):
    axis = arc_points(20, 20, 14, 14, 180, 270, 16)
    outer = arc_points(20, 20, 18, 18, 180, 270, 16)
    inner = arc_points(20, 20, 10, 10, 180, 270, 16)
    c.fill(outer + inner[::-1], FACE)
    c.line(outer, INK)
    c.line(inner, INK)
    c.ring(20, 4, 1.8, INK, 1.5, 4)
    c.line(axis, GOLD, 1.2)


def c_array(c):
    for x in (2, 9, 16):
        c.solid([(x, 9), (x + 6, 9), (x + 6, 15), (x, 15)], GOLDFACE if x == 2 else FACE)
    c.line([(2, 19), (22, 19)], GOLD, 1.5)
    c.head((23, 19), 0, GOLD, 3.5)


def c_chain(c):
    link_oval(c, 5.5, 17.5, -45, INK, 4.5, 2.6)
    link_oval(c, 12, 12, -45, GOLD, 4.5, 2.6)
    link_oval(c, 18.5, 6.5, -45, INK, 4.5, 2.6)


def c_cable(c):
    p = [(4, 19), (15, 23), (9, 1), (20, 5)]
    pts = []
    for i in range(25):
        t = i / 24.0
        k = [(1 - t) ** 3, 3 * t * (1 - t) ** 2, 3 * t * t * (1 - t), t ** 3]
        pts.append((sum(k[j] * p[j][0] for j in range(4)), sum(k[j] * p[j][1] for j in range(4))))
    c.line(pts, GOLD, 2.5)
    c.solid([(1, 17), (7, 17), (7, 23), (1, 23)])
    c.solid([(17, 1), (23, 1), (23, 7), (17, 7)])


def c_guide(c):
    c.solid([(1, 17), (7, 17), (7, 23), (1, 23)])
    c.solid([(17, 1), (23, 1), (23, 7), (17, 7)])
    for k in range(4):
        t0, t1 = k / 4.0 + 0.04, k / 4.0 + 0.17
        c.line([(7 + 10 * t0, 17 - 10 * t0), (7 + 10 * t1, 17 - 10 * t1)], GOLD, 2)


def c_hydraulics(c):
    c.solid([(2, 16), (9, 9), (14, 14), (7, 21)])
    c.line([(11, 12), (20, 3)], GOLD, 2.5)
    c.disc(20, 4, 2.2, INK)
    c.disc(4.5, 19.5, 2.2, INK)


def c_muscle(c):
    a, b = (3, 21), (21, 3)
    belly = arc_points(12, 12, 11.5, 5, 180, 360, 16) + arc_points(12, 12, 11.5, 5, 0, 180, 16)
    pts = []
    ca, sa = math.cos(math.radians(-45)), math.sin(math.radians(-45))
    for x, y in belly:
        dx, dy = x - 12, y - 12
        pts.append((12 + dx * ca - dy * sa, 12 + dx * sa + dy * ca))
    c.solid(pts, GOLDFACE, GOLD)
    c.disc(a[0], a[1], 2, INK)
    c.disc(b[0], b[1], 2, INK)


def c_lightning(c):
    c.solid([(14, 1), (5, 13), (11, 13), (8, 23), (19, 9), (13, 9), (17, 1)], GOLDFACE, GOLD, 1.5)


def c_dummy(c):
    c.line([(12, 2), (12, 22)], INK, 1.5)
    c.line([(2, 12), (22, 12)], INK, 1.5)
    c.solid([(12, 7), (17, 12), (12, 17), (7, 12)], GOLDFACE, GOLD)


# ---------------------------------------------------------------- small images

def menu_indicator():
    c = Canvas(6, 6)
    c.fill([(6, 0.5), (6, 6), (0.5, 6)], INK)
    return c


def empty():
    return Canvas(12, 12)


def logo(size):
    c = Canvas(size, size)
    s = size / 24.0
    def sc(pts):
        return [(x * s, y * s) for x, y in pts]
    pts = []
    for i in range(64):
        t = 2 * math.pi * i / 64
        r = 10.5 + 0.9 * math.sin(3 * t + 0.6)
        pts.append((12 + r * math.cos(t), 12 + r * math.sin(t)))
    c.fill(sc(pts), (0x33, 0x33, 0x33, 255))
    c.draw(Stroke(sc(pts), 1.5 * s, closed=True), GOLD)
    c.draw(Stroke(sc([(8, 5), (8, 19)]), 3.2 * s), INK)
    c.draw(Stroke(sc([(17, 5), (9.5, 12), (17, 19)]), 3.2 * s), GOLD)
    return c


# ---------------------------------------------------------------- output

def picture(draw):
    c = Canvas(24, 24)
    draw(c)
    return c


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)


def main():
    icons = os.path.join(ROOT, 'Icons')
    create = os.path.join(ROOT, 'IconsCreate')
    plain = {'simpleMode', 'fullMode'}  # named without the ico_ prefix
    count = 0
    for name, fn in sorted(globals().items()):
        if name.startswith('i_'):
            base = name[2:]
            file = base + '.png' if base in plain else 'ico_' + base + '.png'
            write(os.path.join(icons, file), png_bytes(picture(fn)))
            count += 1
        elif name.startswith('c_'):
            write(os.path.join(create, 'ico_' + name[2:] + '.png'), png_bytes(picture(fn)))
            count += 1
    write(os.path.join(icons, 'menu_indicator.png'), png_bytes(menu_indicator()))
    write(os.path.join(icons, 'empty.png'), png_bytes(empty()))
    write(os.path.join(icons, 'logo.ico'), ico_bytes([logo(32), logo(16)]))
    print('wrote %d pictograms and 3 small images' % count, file=sys.stderr)


if __name__ == '__main__':
    main()
