#!/usr/bin/env python3
"""Builds the two bitmap font atlases of the status text from the pixel font below.

Run from anywhere:  python3 resources/tools/make_fonts.py
Writes resources/Fonts/proggy.png (normal, 1x) and resources/Fonts/pixelcarnage.png
(large, 2x). Both hold the 96 glyphs of codes 32..127 in 32 columns by 3 rows, top row
first; each cell is image width / 32 by image height / 3. Glyphs are white with hard
alpha edges (no antialiasing) so they stay crisp when drawn texel for texel.
Only the Python standard library is used.
"""
import os
import struct
import sys
import zlib

# Each glyph is 5 pixels wide and up to 9 rows tall: rows 0..6 hold capitals and
# digits, rows 7..8 the descenders. Rows are separated by blanks; missing rows are
# empty. '#' is ink.
GLYPHS = {
    ' ': '',
    '!': '..#.. ..#.. ..#.. ..#.. ..#.. ..... ..#..',
    '"': '.#.#. .#.#. .#.#.',
    '#': '.#.#. .#.#. ##### .#.#. ##### .#.#. .#.#.',
    '$': '..#.. .#### #.#.. .###. ..#.# ####. ..#..',
    '%': '##... ##..# ...#. ..#.. .#... #..## ...##',
    '&': '.##.. #..#. #.#.. .#... #.#.# #..#. .##.#',
    "'": '..#.. ..#.. ..#..',
    '(': '...#. ..#.. .#... .#... .#... ..#.. ...#.',
    ')': '.#... ..#.. ...#. ...#. ...#. ..#.. .#...',
    '*': '..... ..#.. #.#.# .###. #.#.# ..#.. .....',
    '+': '..... ..#.. ..#.. ##### ..#.. ..#.. .....',
    ',': '..... ..... ..... ..... ..... .##.. ..#.. .#...',
    '-': '..... ..... ..... ##### ..... ..... .....',
    '.': '..... ..... ..... ..... ..... .##.. .##..',
    '/': '..... ....# ...#. ..#.. .#... #.... .....',
    '0': '.###. #...# #..## #.#.# ##..# #...# .###.',
    '1': '..#.. .##.. ..#.. ..#.. ..#.. ..#.. .###.',
    '2': '.###. #...# ....# ...#. ..#.. .#... #####',
    '3': '##### ...#. ..#.. ...#. ....# #...# .###.',
    '4': '...#. ..##. .#.#. #..#. ##### ...#. ...#.',
    '5': '##### #.... ####. ....# ....# #...# .###.',
    '6': '..##. .#... #.... ####. #...# #...# .###.',
    '7': '##### ....# ...#. ..#.. .#... .#... .#...',
    '8': '.###. #...# #...# .###. #...# #...# .###.',
    '9': '.###. #...# #...# .#### ....# ...#. .##..',
    ':': '..... .##.. .##.. ..... .##.. .##.. .....',
    ';': '..... .##.. .##.. ..... .##.. ..#.. .#...',
    '<': '...#. ..#.. .#... #.... .#... ..#.. ...#.',
    '=': '..... ..... ##### ..... ##### ..... .....',
    '>': '.#... ..#.. ...#. ....# ...#. ..#.. .#...',
    '?': '.###. #...# ....# ...#. ..#.. ..... ..#..',
    '@': '.###. #...# ....# .##.# #.#.# #.#.# .###.',
    'A': '.###. #...# #...# ##### #...# #...# #...#',
    'B': '####. #...# #...# ####. #...# #...# ####.',
    'C': '.###. #...# #.... #.... #.... #...# .###.',
    'D': '###.. #..#. #...# #...# #...# #..#. ###..',
    'E': '##### #.... #.... ####. #.... #.... #####',
    'F': '##### #.... #.... ####. #.... #.... #....',
    'G': '.###. #...# #.... #.### #...# #...# .####',
    'H': '#...# #...# #...# ##### #...# #...# #...#',
    'I': '.###. ..#.. ..#.. ..#.. ..#.. ..#.. .###.',
    'J': '..### ...#. ...#. ...#. ...#. #..#. .##..',
    'K': '#...# #..#. #.#.. ##... #.#.. #..#. #...#',
    'L': '#.... #.... #.... #.... #.... #.... #####',
    'M': '#...# ##.## #.#.# #.#.# #...# #...# #...#',
    'N': '#...# #...# ##..# #.#.# #..## #...# #...#',
    'O': '.###. #...# #...# #...# #...# #...# .###.',
    'P': '####. #...# #...# ####. #.... #.... #....',
    'Q': '.###. #...# #...# #...# #.#.# #..#. .##.#',
    'R': '####. #...# #...# ####. #.#.. #..#. #...#',
    'S': '.#### #.... #.... .###. ....# ....# ####.',
    'T': '##### ..#.. ..#.. ..#.. ..#.. ..#.. ..#..',
    'U': '#...# #...# #...# #...# #...# #...# .###.',
    'V': '#...# #...# #...# #...# #...# .#.#. ..#..',
    'W': '#...# #...# #...# #.#.# #.#.# #.#.# .#.#.',
    'X': '#...# #...# .#.#. ..#.. .#.#. #...# #...#',
    'Y': '#...# #...# .#.#. ..#.. ..#.. ..#.. ..#..',
    'Z': '##### ....# ...#. ..#.. .#... #.... #####',
    '[': '.###. .#... .#... .#... .#... .#... .###.',
    '\\': '..... #.... .#... ..#.. ...#. ....# .....',
    ']': '.###. ...#. ...#. ...#. ...#. ...#. .###.',
    '^': '..#.. .#.#. #...#',
    '_': '..... ..... ..... ..... ..... ..... ..... #####',
    '`': '.#... ..#.. ...#.',
    'a': '..... ..... .###. ....# .#### #...# .####',
    'b': '#.... #.... #.##. ##..# #...# #...# ####.',
    'c': '..... ..... .###. #.... #.... #...# .###.',
    'd': '....# ....# .##.# #..## #...# #...# .####',
    'e': '..... ..... .###. #...# ##### #.... .###.',
    'f': '..##. .#..# .#... ###.. .#... .#... .#...',
    'g': '..... ..... .#### #...# #...# .#### ....# #...# .###.',
    'h': '#.... #.... #.##. ##..# #...# #...# #...#',
    'i': '..#.. ..... .##.. ..#.. ..#.. ..#.. .###.',
    'j': '...#. ..... ..##. ...#. ...#. ...#. ...#. #..#. .##..',
    'k': '#.... #.... #..#. #.#.. ##... #.#.. #..#.',
    'l': '.##.. ..#.. ..#.. ..#.. ..#.. ..#.. .###.',
    'm': '..... ..... ##.#. #.#.# #.#.# #...# #...#',
    'n': '..... ..... #.##. ##..# #...# #...# #...#',
    'o': '..... ..... .###. #...# #...# #...# .###.',
    'p': '..... ..... ####. #...# #...# #...# ####. #.... #....',
    'q': '..... ..... .#### #...# #...# #...# .#### ....# ....#',
    'r': '..... ..... #.##. ##..# #.... #.... #....',
    's': '..... ..... .#### #.... .###. ....# ####.',
    't': '.#... .#... ###.. .#... .#... .#..# ..##.',
    'u': '..... ..... #...# #...# #...# #..## .##.#',
    'v': '..... ..... #...# #...# #...# .#.#. ..#..',
    'w': '..... ..... #...# #...# #.#.# #.#.# .#.#.',
    'x': '..... ..... #...# .#.#. ..#.. .#.#. #...#',
    'y': '..... ..... #...# #...# #...# .#### ....# #...# .###.',
    'z': '..... ..... ##### ...#. ..#.. .#... #####',
    '{': '...## ..#.. ..#.. .#... ..#.. ..#.. ...##',
    '|': '..#.. ..#.. ..#.. ..#.. ..#.. ..#.. ..#.. ..#..',
    '}': '##... ..#.. ..#.. ...#. ..#.. ..#.. ##...',
    '~': '..... ..... .#... #.#.# ...#. ..... .....',
    chr(127): '##### #...# #...# #...# #...# #...# #####',
}

GLYPH_W, GLYPH_H = 5, 9
CELL_W, CELL_H = 8, 12      # cell of the normal font, in pixels
ORIGIN_X, ORIGIN_Y = 1, 2   # where the glyph box sits inside its cell
COLUMNS, ROWS = 32, 3


def glyph_rows(ch):
    rows = GLYPHS[ch].split()
    if len(rows) > GLYPH_H or any(len(r) != GLYPH_W for r in rows):
        raise ValueError('glyph %r is not %dx%d' % (ch, GLYPH_W, GLYPH_H))
    return rows + ['.' * GLYPH_W] * (GLYPH_H - len(rows))


def render_atlas(scale):
    """Answers (width, height, rows of RGBA bytes) for the atlas at the given scale."""
    width, height = COLUMNS * CELL_W * scale, ROWS * CELL_H * scale
    ink = [[False] * width for _ in range(height)]
    for code in range(32, 128):
        g = code - 32
        cell_x, cell_y = (g % COLUMNS) * CELL_W, (g // COLUMNS) * CELL_H
        for gy, row in enumerate(glyph_rows(chr(code))):
            for gx, c in enumerate(row):
                if c != '#':
                    continue
                x0 = (cell_x + ORIGIN_X + gx) * scale
                y0 = (cell_y + ORIGIN_Y + gy) * scale
                for y in range(y0, y0 + scale):
                    for x in range(x0, x0 + scale):
                        ink[y][x] = True
    lines = []
    for row in ink:
        lines.append(b''.join(b'\xff\xff\xff\xff' if on else b'\x00\x00\x00\x00' for on in row))
    return width, height, lines


def png_bytes(width, height, lines):
    def chunk(kind, data):
        body = kind + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body) & 0xffffffff)
    raw = b''.join(b'\x00' + line for line in lines)  # filter type 0 on every row
    header = struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) +
            chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def main():
    missing = [c for c in range(32, 128) if chr(c) not in GLYPHS]
    if missing:
        sys.exit('glyphs missing for codes %s' % missing)
    out_dir = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'Fonts')
    os.makedirs(out_dir, exist_ok=True)
    for file_name, scale in (('proggy.png', 1), ('pixelcarnage.png', 2)):
        w, h, lines = render_atlas(scale)
        path = os.path.normpath(os.path.join(out_dir, file_name))
        with open(path, 'wb') as f:
            f.write(png_bytes(w, h, lines))
        print('%s: %dx%d, cell %dx%d' % (path, w, h, w // COLUMNS, h // ROWS))


if __name__ == '__main__':
    main()
