#!/usr/bin/env python3
"""Draws the built-in pictures (toolbar symbols, message pictures, program icon) and writes
them as XPM data into symbols.cpp, plus the program icon as an XBM bitmap into icon.cpp.
Run from this directory: ./make-icons.py"""
import math

def grid(w, h):
    return [[' '] * w for _ in range(h)]

def fill(g, test, ch):
    for y in range(len(g)):
        for x in range(len(g[0])):
            if test(x + 0.5, y + 0.5):
                g[y][x] = ch

def rect(g, x0, y0, x1, y1, ch):
    fill(g, lambda x, y: x0 <= x < x1 and y0 <= y < y1, ch)

def outline_rect(g, x0, y0, x1, y1, ch):
    fill(g, lambda x, y: x0 <= x < x1 and y0 <= y < y1 and
         (x < x0 + 1 or x >= x1 - 1 or y < y0 + 1 or y >= y1 - 1), ch)

def tri(g, pts, ch):
    (ax, ay), (bx, by), (cx, cy) = pts
    def side(px, py, qx, qy, x, y):
        return (qx - px) * (y - py) - (qy - py) * (x - px)
    def inside(x, y):
        d1 = side(ax, ay, bx, by, x, y)
        d2 = side(bx, by, cx, cy, x, y)
        d3 = side(cx, cy, ax, ay, x, y)
        return not ((d1 < 0 or d2 < 0 or d3 < 0) and (d1 > 0 or d2 > 0 or d3 > 0))
    fill(g, inside, ch)

def disc(g, cx, cy, r, ch):
    fill(g, lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, ch)

def ring(g, cx, cy, r0, r1, ch):
    fill(g, lambda x, y: r0 * r0 <= (x - cx) ** 2 + (y - cy) ** 2 <= r1 * r1, ch)

def line(g, x0, y0, x1, y1, width, ch):
    def near(x, y):
        dx, dy = x1 - x0, y1 - y0
        t = max(0, min(1, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
        return math.hypot(x - (x0 + t * dx), y - (y0 + t * dy)) <= width / 2
    fill(g, near, ch)

# ---- toolbar symbols -----------------------------------------------------------------------

def file_open(c):
    g = grid(20, 18)
    rect(g, 1, 3, 8, 6, c['tab'])
    rect(g, 1, 5, 18, 16, c['body'])
    tri(g, [(3, 8), (20, 8), (17, 16)], c['front'])
    rect(g, 3, 8, 19.5, 9, c['front'])
    outline_rect(g, 1, 3, 8, 6, 'k')
    fill(g, lambda x, y: 1 <= x < 2 and 5 <= y < 16, 'k')
    fill(g, lambda x, y: 1 <= x < 18 and 15 <= y < 16, 'k')
    line(g, 3.5, 8.5, 19.5, 8.5, 1, 'k')
    line(g, 19.5, 8.5, 17, 15.5, 1, 'k')
    line(g, 3.5, 8.5, 1.5, 15.5, 1, 'k')
    return g

def fnavigator(c):
    g = grid(16, 16)
    rect(g, 1, 1, 15, 15, c['body'])
    outline_rect(g, 1, 1, 15, 15, 'k')
    rect(g, 4, 4, 10, 9, c['front'])
    outline_rect(g, 4, 4, 10, 9, 'k')
    return g

def fplay(c):
    g = grid(16, 16)
    tri(g, [(4, 2), (4, 14), (13, 8)], c['front'])
    return g

def fstop(c):
    g = grid(16, 16)
    rect(g, 3, 3, 13, 13, c['front'])
    return g

def fforward(c):
    g = grid(16, 16)
    tri(g, [(2, 3), (2, 13), (8, 8)], c['front'])
    tri(g, [(8, 3), (8, 13), (14, 8)], c['front'])
    return g

def fbackward(c):
    g = grid(16, 16)
    tri(g, [(14, 3), (14, 13), (8, 8)], c['front'])
    tri(g, [(8, 3), (8, 13), (2, 8)], c['front'])
    return g

def dir_closed(c):
    g = grid(16, 16)
    rect(g, 1, 2, 7, 5, c['tab'])
    rect(g, 1, 4, 15, 14, c['body'])
    outline_rect(g, 1, 2, 7, 5, 'k')
    outline_rect(g, 1, 4, 15, 14, 'k')
    return g

GRAY = {'tab': 'g', 'body': 'g', 'front': 'l'}
COLOUR = {'tab': 'y', 'body': 'o', 'front': 'y'}
PLAYER_GRAY = {'tab': 'g', 'body': 'l', 'front': 'g'}
PLAYER = {'play': 'G', 'stop': 'R', 'move': 'B'}

PALETTE = {
    ' ': 'None', 'k': '#000000', 'w': '#ffffff', 'g': '#808080', 'l': '#b0b0b0',
    'd': '#404040', 'y': '#f0d040', 'o': '#c89020', 'G': '#20a020', 'R': '#d02020',
    'B': '#2050c0', 'Y': '#ffe020', 'r': '#c00000', 'b': '#1040b0', 's': '#e8d8a0',
    'S': '#a06020',
}
# The progress shading: dark at the edges, light in the middle.
PALETTE.update({'1': '#707070', '2': '#909090', '3': '#b8b8b8', '4': '#e8e8e8'})

# ---- message pictures and program icon (40 x 40) -------------------------------------------

def warning():
    g = grid(40, 40)
    tri(g, [(20, 2), (1, 37), (39, 37)], 'k')
    tri(g, [(20, 6), (4.5, 35), (35.5, 35)], 'Y')
    rect(g, 18, 13, 22, 27, 'k')
    rect(g, 18, 29, 22, 33, 'k')
    return g

def error():
    g = grid(40, 40)
    disc(g, 20, 20, 18.5, 'k')
    disc(g, 20, 20, 17, 'r')
    line(g, 12, 12, 28, 28, 4, 'w')
    line(g, 28, 12, 12, 28, 4, 'w')
    return g

def question():
    g = grid(40, 40)
    disc(g, 20, 20, 18.5, 'k')
    disc(g, 20, 20, 17, 'b')
    fill(g, lambda x, y: 16 <= math.hypot(x - 20, y - 14) * 2.8 <= 26 and
         not (y > 14 and x < 20), 'w')
    rect(g, 18, 19, 22, 25, 'w')
    rect(g, 18, 27, 22, 31, 'w')
    return g

def work():
    g = grid(40, 40)
    rect(g, 8, 2, 32, 5, 'S')
    rect(g, 8, 35, 32, 38, 'S')
    tri(g, [(10, 5), (30, 5), (20, 20)], 'k')
    tri(g, [(10, 35), (30, 35), (20, 20)], 'k')
    tri(g, [(12, 6), (28, 6), (20, 18)], 'w')
    tri(g, [(12, 34), (28, 34), (20, 22)], 'w')
    tri(g, [(16, 12), (24, 12), (20, 18)], 's')
    tri(g, [(13, 34), (27, 34), (20, 26)], 's')
    return g

def program():
    g = grid(40, 40)
    rect(g, 1, 4, 39, 36, 'k')
    rect(g, 3, 6, 37, 34, 'b')
    disc(g, 29, 13, 4, 'Y')
    tri(g, [(3, 34), (15, 14), (27, 34)], 'G')
    tri(g, [(17, 34), (26, 21), (37, 34)], 'g')
    return g

def xpm(name, g):
    h, w = len(g), len(g[0])
    used = sorted({ch for row in g for ch in row})
    out = ['const char *const %s[] = {' % name,
           '    "%d %d %d 1",' % (w, h, len(used))]
    for ch in used:
        out.append('    "%s c %s",' % (ch, PALETTE[ch]))
    for row in g:
        out.append('    "%s",' % ''.join(row))
    out.append('    nullptr};')
    return '\n'.join(out)

def main():
    pics = [
        ('file_open_gray', file_open(GRAY)), ('file_open', file_open(COLOUR)),
        ('fnavigator_gray', fnavigator({'body': 'l', 'front': 'g'})),
        ('fnavigator_col', fnavigator({'body': 'w', 'front': 'B'})),
        ('fplay_gray', fplay({'front': 'g'})), ('fplay_col', fplay({'front': 'G'})),
        ('fstop_gray', fstop({'front': 'g'})), ('fstop_col', fstop({'front': 'R'})),
        ('fforward_gray', fforward({'front': 'g'})), ('fforward_col', fforward({'front': 'B'})),
        ('fbackward_gray', fbackward({'front': 'g'})),
        ('fbackward_col', fbackward({'front': 'B'})),
        ('dir_closed_gray', dir_closed({'tab': 'l', 'body': 'g'})),
        ('warning_xpm', warning()), ('error_xpm', error()), ('question_xpm', question()),
        ('work_xpm', work()), ('icon_xpm', program()),
        ('status_xpm', [[c] for c in '123344443321']),
    ]
    with open('symbols.cpp', 'w') as f:
        f.write('// Built-in pictures in XPM form, drawn by make-icons.py (edit that, then run it).\n')
        f.write('#include "resources/symbols.h"\n\n')
        for name, g in pics:
            f.write(xpm(name, g) + '\n\n')
    icon = program()
    bits = []
    for row in icon:
        for x0 in range(0, 40, 8):
            v = 0
            for b in range(8):
                if row[x0 + b] in 'kbg':
                    v |= 1 << b
            bits.append('0x%02x' % v)
    with open('icon.cpp', 'w') as f:
        f.write('// The program icon as a bitmap for the window manager, from make-icons.py.\n')
        f.write('#include "resources/icon.h"\n\n')
        f.write('const unsigned char icon_bits[icon_width * icon_height / 8] = {\n')
        for i in range(0, len(bits), 10):
            f.write('    ' + ', '.join(bits[i:i + 10]) + ',\n')
        f.write('};\n')

main()
