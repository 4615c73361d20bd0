#!/usr/bin/env python3
"""Writes records.tex: plain TeX pages whose specials carry binary drawing
records, one family a page, laid out so that record units are pixels when
drawn at 72 dpi (record resolution 72). Every byte goes into the special in
^^xx notation; the four bytes TeX cannot take that way come from macros.
Run scripts/make-dvi.sh afterwards to make records.dvi."""

import os
import struct

here = os.path.dirname(os.path.abspath(__file__))


def be16(*vs): return b''.join(struct.pack('>H', v & 0xFFFF) for v in vs)
def le16(*vs): return b''.join(struct.pack('<H', v & 0xFFFF) for v in vs)
def be32(*vs): return b''.join(struct.pack('>I', v & 0xFFFFFFFF) for v in vs)
def le32(*vs): return b''.join(struct.pack('<I', v & 0xFFFFFFFF) for v in vs)
def rgb(r, g, b): return r | g << 8 | b << 16


def gdi(op, *parts): return b'GDI' + be16(op) + b''.join(parts)
def rec(code, *parts): return b'#' + be16(code) + b''.join(parts)


def points(*xy):  # a count and little-endian pairs
    return be16(len(xy) // 2) + le16(*xy)


def pen(style, width, colour): return gdi(0x8001, le16(style, width, width), le32(colour))
def brush(style, colour, hatch=0, data=b''): return gdi(0x8002, le16(style), le32(colour), le16(hatch), data)


def picture(name):
    with open(os.path.join(here, 'pictures', name), 'rb') as f:
        return f.read()


RES = gdi(0x800b, be16(72, 72))
RECORD_RES = rec(0, be16(72))

pages = [
    # lines and polylines: pen widths, styles, the context's own pen, a curve
    [RES,
     pen(0, 1, rgb(255, 0, 0)), gdi(0x0012, points(100, 100, 300, 100, 300, 150)),
     pen(0, 6, rgb(0, 0, 255)), gdi(0x0004, points(100, 200, 300, 200)),
     pen(1, 0, rgb(0, 0, 0)), gdi(0x0012, points(100, 250, 300, 250)),
     gdi(0x8001), gdi(0x0012, points(100, 300, 300, 300)),
     pen(0, 1, rgb(0, 128, 0)), gdi(0x0001, points(100, 400, 150, 350, 250, 450, 300, 400))],
    # filled shapes: solid, hatched and pattern brushes; fill modes
    [RES, pen(5, 0, 0),
     brush(0, rgb(0, 255, 0)), gdi(0x0006, points(50, 50, 150, 150)),
     brush(2, rgb(255, 0, 0), 4), gdi(0x0007, points(200, 50, 300, 150)),
     brush(0, rgb(0, 0, 255)),
     gdi(0x0014, points(100, 200, 160, 380, 10, 270, 190, 270, 40, 380)),
     gdi(0x0016, points(300, 200, 360, 380, 210, 270, 390, 270, 240, 380)),
     gdi(0x4016, be16(2, 4, 4), le16(400, 50, 500, 50, 500, 150, 400, 150, 430, 80, 470, 80, 470, 120, 430, 120)),
     gdi(0x0017, be16(0), le16(50, 450, 150, 550, 150, 500, 100, 450)),
     gdi(0x0020, be16(0), le16(350, 450, 450, 550, 450, 500, 350, 500)),
     brush(3, 0, 0, bytes([0xAA, 0, 0x55, 0] * 4)), gdi(0x0006, points(200, 450, 264, 514))],
    # clipping, bitmaps, pixels, DIBs, attributes and embedded records
    [RES, pen(5, 0, 0), brush(0, rgb(0, 0, 255)),
     gdi(0x8003, le16(100, 100, 200, 200)), gdi(0x0006, points(50, 50, 250, 250)),
     gdi(0x8003), gdi(0x0006, points(50, 300, 80, 330)),
     brush(0, rgb(255, 0, 0)), gdi(0x8005, be16(300, 50, 0, 0, 20, 20), be32(0xF00021)),
     gdi(0x8004, le16(2, 2, 6, 1), bytes([1, 24]),
         bytes([0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255])),
     gdi(0x8005, be16(350, 50, 2, 2, 40, 40), be32(0xCC0020)),
     gdi(0x8007, be16(10, 10), be32(rgb(255, 0, 255))),
     gdi(0x8008, picture('rgb.bmp')[14:]), gdi(0x800e, be16(300, 150, 32, 24)),
     gdi(0x8009, be16(400, 150, 16, 12, 0, 0, 8, 6), be32(0xCC0020)),
     gdi(0x800c, picture('rgb.jpg')), gdi(0x800e, be16(300, 200, 32, 24)),
     gdi(0x800d, picture('palette.gif')), gdi(0x800e, be16(350, 200, 32, 24)),
     gdi(0x80FF, b'\xef' + bytes([len(brush(0, rgb(0, 255, 0)))]) + brush(0, rgb(0, 255, 0)),
         b'\xf0' + be16(len(gdi(0x0006, points(50, 400, 100, 450)))) + gdi(0x0006, points(50, 400, 100, 450))),
     brush(0, 0), gdi(0x0006, points(300, 300, 400, 400)),
     gdi(0x800a, be16(6, 1), bytes(20), be32(0, 0), bytes(4), be16(3), bytes(4)),
     gdi(0x0006, points(350, 350, 450, 450)), gdi(0x800a)],
    # "#" records: colour entries and paths
    [RECORD_RES,
     rec(0x26, be32(5), bytes([0, 128, 0])), rec(0x2C, be32(5)),
     rec(0x12B, be32(3), be16(50, 150, 150, 150, 100, 50), be32(4)),
     rec(0x24, bytes([255, 0, 0])), rec(0x20, be16(0, 4)),
     rec(0x122, be16(200, 100, 100)), rec(0x101, be16(200, 130, 100)),
     rec(0x23, bytes([0, 0, 255])),
     rec(0x104, be16(400, 100, 500, 200)), rec(0x128, be16(350, 50, 550, 250), be32(4)),
     rec(0x22, bytes([0, 0, 0])), rec(0x20, be16(0, 1)),
     rec(0x12D, be32(4), be16(50, 300, 50, 250, 150, 250, 150, 300), be32(8 | 1)),
     rec(0x12C, be32(4), be16(200, 300, 200, 250, 300, 250, 300, 300), be32(2)),
     rec(0x12E, be32(8), be16(350, 300, 450, 300, 450, 400, 350, 400, 380, 330, 420, 330, 420, 370, 380, 370),
         bytes([1 | 8]), be32(4), bytes([1 | 8]), be32(4), be32(8)),
     rec(0x12E, be32(8), be16(470, 300, 570, 300, 570, 400, 470, 400, 500, 330, 540, 330, 540, 370, 500, 370),
         bytes([1 | 8]), be32(4), bytes([1 | 8]), be32(4), be32(4)),
     rec(0x27, be32(6), bytes([255, 0, 0, 1])), rec(0x2C, be32(6)),
     rec(0x12B, be32(4), be16(50, 450, 150, 450, 150, 550, 50, 550), be32(4)),
     rec(0x28, be32(7), be16(8, 8), bytes([1, 1]), bytes([0xF0, 0] * 8)), rec(0x2C, be32(7)),
     rec(0x23, bytes([0, 0, 255])), rec(0x2C, be32(7)),
     rec(0x12B, be32(4), be16(200, 450, 264, 450, 264, 514, 200, 514), be32(4)),
     rec(0x22, bytes([0, 0, 0])), rec(0x23, bytes([255, 0, 255])), rec(0x123, be16(350, 500, 100)),
     rec(0x100), rec(0x122, be16(350, 520, 100)),
     rec(0x12E, be32(4), be16(50, 600, 50, 650, 150, 650, 150, 600), bytes([1]), be32(1), bytes([4 | 8]), be32(3),
         be32(4))],
]


# Text drawn through the character context (a slanted face) at text scales 50
# and 100: a line each.
text_page = [rec(10, bytes([50])), rec(10, bytes([100]))]


def tex_bytes(data):
    macros = {0x5C: r'\1', 0x7B: r'\2', 0x7D: r'\3', 0x5E: r'\4'}
    return ''.join(macros.get(b, '^^%02x' % b) for b in data)


lines = [
    '% Made by make-records.py: drawing records, one family a page.',
    '% \\1 to \\4 are the bytes \\ { } ^ as characters of category other.',
    r'\begingroup\lccode`\!=`\\\lowercase{\endgroup\def\1{!}}',
    r'\begingroup\lccode`\!=`\{\lowercase{\endgroup\def\2{!}}',
    r'\begingroup\lccode`\!=`\}\lowercase{\endgroup\def\3{!}}',
    r'\begingroup\lccode`\!=`\^\lowercase{\endgroup\def\4{!}}',
    # Every other byte reaches a special as itself, and lines end with nothing.
    r'\font\big=cmr10 at 40pt',
    r'\endlinechar=-1',
    ''.join(r'\catcode%d=12' % c for c in range(256)
            if c not in (0x5C, 0x7B, 0x7D, 0x5E) and not chr(c).isalpha() or c >= 128),
]
for page in pages:
    lines.append(r'\shipout\hbox{' + ''.join(r'\special{' + tex_bytes(r) + '}' for r in page) + '}')
lines.append(r'\shipout\vbox{' + ''.join(r'\hbox{\special{' + tex_bytes(r) + r'}\big\char72}' for r in text_page) + '}')
lines.append(r'\end')

with open(os.path.join(here, 'records.tex'), 'w') as f:
    f.write('\n'.join(lines) + '\n')
