#!/usr/bin/env python3
"""Draws the program's and the library's pictures (icons, cursors, bitmaps) procedurally and
writes them in the Windows resource file formats. Run once; the outputs are committed.
Usage: make_art.py APP_RES_DIR LIB_RES_DIR"""
import math
import struct
import subprocess
import sys
import zlib


def clamp(v):
    return max(0, min(255, int(v)))


def icon_pixel(x, y, n):
    """The program icon at size n: a blue rounded tile, white viewfinder corners, a red dot."""
    u, v = (x + 0.5) / n, (y + 0.5) / n
    r = 0.18
    dx, dy = max(r - u, 0, u - (1 - r)), max(r - v, 0, v - (1 - r))
    if dx * dx + dy * dy > r * r or u < 0.02 or v < 0.02 or u > 0.98 or v > 0.98:
        return (0, 0, 0, 0)
    shade = 1 - 0.35 * v
    col = (clamp(30 * shade), clamp(110 * shade), clamp(215 * shade), 255)
    t = 0.07
    for cx in (0.22, 0.78):
        for cy in (0.22, 0.78):
            sx, sy = (1 if cx < 0.5 else -1), (1 if cy < 0.5 else -1)
            horizontal = abs(v - cy) < t / 2 and -t / 2 <= (u - cx) * sx <= 0.16
            vertical = abs(u - cx) < t / 2 and -t / 2 <= (v - cy) * sy <= 0.16
            if horizontal or vertical:
                col = (255, 255, 255, 255)
    if (u - 0.5) ** 2 + (v - 0.5) ** 2 < 0.11 ** 2:
        col = (230, 40, 40, 255)
    return col


def bmp_rows_32(n, fn):
    """Bottom-up BGRA rows."""
    out = bytearray()
    for y in range(n - 1, -1, -1):
        for x in range(n):
            r, g, b, a = fn(x, y, n)
            out += bytes((b, g, r, a))
    return bytes(out)


def and_mask(n, fn):
    row_bytes = ((n + 31) // 32) * 4
    out = bytearray()
    for y in range(n - 1, -1, -1):
        row = bytearray(row_bytes)
        for x in range(n):
            if fn(x, y, n)[3] < 128:
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def icon_image_32(n):
    hdr = struct.pack('<IiiHHIIiiII', 40, n, n * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return hdr + bmp_rows_32(n, icon_pixel) + and_mask(n, icon_pixel)


PALETTE = [(0, 0, 0)] + [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
PALETTE += [(i * 6, i * 6, i * 6) for i in range(256 - len(PALETTE))]


def nearest(rgb):
    best, bi = 1 << 30, 0
    for i, p in enumerate(PALETTE):
        d = sum((a - b) ** 2 for a, b in zip(rgb, p))
        if d < best:
            best, bi = d, i
    return bi


def icon_image_8(n):
    hdr = struct.pack('<IiiHHIIiiII', 40, n, n * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    pal = b''.join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    row_bytes = (n + 3) // 4 * 4
    rows = bytearray()
    cache = {}
    for y in range(n - 1, -1, -1):
        row = bytearray(row_bytes)
        for x in range(n):
            r, g, b, a = icon_pixel(x, y, n)
            key = (r, g, b) if a >= 128 else (0, 0, 0)
            if key not in cache:
                cache[key] = nearest(key)
            row[x] = cache[key]
        rows += row
    return hdr + pal + bytes(rows) + and_mask(n, icon_pixel)


def png(n, fn):
    raw = b''.join(b'\0' + b''.join(bytes(fn(x, y, n)) for x in range(n)) for y in range(n))

    def chunk(tag, data):
        return struct.pack('>I', len(data)) + tag + data + struct.pack('>I', zlib.crc32(tag + data) & 0xFFFFFFFF)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', n, n, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def write_ico(path, images):
    """images: list of (size, bitcount, data)."""
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, bits, data in images:
        out += struct.pack('<BBBBHHII', n % 256, n % 256, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    open(path, 'wb').write(out)


def write_cur(path, n, hot, pixel_on, pixel_opaque):
    """A monochrome cursor: pixel_opaque(x, y) draws, pixel_on(x, y) is white where drawn."""
    row_bytes = ((n + 31) // 32) * 4
    xor, andm = bytearray(), bytearray()
    for y in range(n - 1, -1, -1):
        xr, ar = bytearray(row_bytes), bytearray(b'\xff' * row_bytes)
        for x in range(n):
            if pixel_opaque(x, y):
                ar[x // 8] &= ~(0x80 >> (x % 8)) & 0xFF
                if pixel_on(x, y):
                    xr[x // 8] |= 0x80 >> (x % 8)
        xor += xr
        andm += ar
    hdr = struct.pack('<IiiHHIIiiII', 40, n, n * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    pal = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    data = hdr + pal + bytes(xor) + bytes(andm)
    out = struct.pack('<HHH', 0, 2, 1) + struct.pack('<BBBBHHII', n, n, 2, 0, hot[0], hot[1], len(data), 22) + data
    open(path, 'wb').write(out)


def write_bmp(path, w, h, bits, fn, palette=None):
    row_bytes = (w * bits // 8 + 3) // 4 * 4
    pal = b''
    if bits == 8:
        pal = b''.join(bytes((b, g, r, 0)) for r, g, b in palette)
    rows = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(row_bytes)
        for x in range(w):
            v = fn(x, y)
            if bits == 24:
                row[x * 3:x * 3 + 3] = bytes((v[2], v[1], v[0]))
            else:
                row[x] = v
        rows += row
    off = 14 + 40 + len(pal)
    hdr = struct.pack('<2sIHHI', b'BM', off + len(rows), 0, 0, off)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, bits, 0, len(rows), 2835, 2835, 256 if bits == 8 else 0, 0)
    open(path, 'wb').write(hdr + info + pal + bytes(rows))


def hand(x, y):
    """A pointing hand in 32 × 32, finger tip at (6, 0)."""
    finger = 4 <= x <= 8 and 0 <= y <= 16
    palm = 4 <= x <= 20 and 11 <= y <= 26 and not (x > 17 and y < 14)
    knuckles = any(9 + 4 * k <= x <= 12 + 4 * k and 9 <= y <= 16 for k in range(3))
    return finger or palm or knuckles


def hand_edge(x, y):
    return hand(x, y) and not all(hand(x + dx, y + dy) for dx in (-1, 0, 1) for dy in (-1, 0, 1))


def hand_opaque(x, y):
    return hand(x, y)


def hand_white(x, y):
    return not hand_edge(x, y)


def placeholder(x, y):
    """450 × 320: a soft grey field with the icon's tile in the middle."""
    base = 236 - int(18 * y / 320)
    col = (base, base, base + 4)
    u, v = x - 225, y - 150
    if abs(u) <= 60 and abs(v) <= 60:
        p = icon_pixel(u + 60, v + 60, 121)
        if p[3]:
            col = p[:3]
    if 230 <= y <= 234 and 150 <= x <= 300:
        col = (190, 190, 196)
    if 244 <= y <= 247 and 175 <= x <= 275:
        col = (205, 205, 210)
    return col


LOGO_PAL = [(255, 255, 255), (30, 110, 215), (230, 40, 40), (120, 120, 120)] + [(0, 0, 0)] * 252


def logo(x, y):
    """120 × 60: the tile at the left and three bars for a word mark."""
    if 5 <= x < 55 and 5 <= y < 55:
        p = icon_pixel(x - 5, y - 5, 50)
        if p[3]:
            return 2 if p[0] > 200 and p[1] < 100 else (0 if p[0] > 200 else 1)
    if 62 <= x <= 112 and (14 <= y <= 20 or 27 <= y <= 33 or 40 <= y <= 44):
        return 1 if y < 34 else 3
    return 0


def tip_panel(x, y):
    """220 × 253: light-blue gradient panel, a small picture icon in the top band, a one-pixel
    black frame from (9, 89) to (210, 240) around the magnifier."""
    if (x in (9, 210) and 89 <= y <= 240) or (y in (89, 240) and 9 <= x <= 210):
        return (0, 0, 0)
    if y < 26:
        t = y / 26
        col = (clamp(120 + 60 * t), clamp(170 + 40 * t), 235)
        if 6 <= x <= 22 and 5 <= y <= 19:  # the picture icon: a frame with a hill and a sun
            if x in (6, 22) or y in (5, 19):
                return (40, 70, 140)
            if (x - 17) ** 2 + (y - 9) ** 2 <= 4:
                return (250, 200, 40)
            if y >= 19 - max(0, 6 - abs(x - 11)):
                return (60, 150, 70)
            return (235, 245, 255)
        return col
    t = (y - 26) / 227
    return (clamp(225 - 25 * t), clamp(238 - 18 * t), clamp(252 - 8 * t))


def cross_opaque(x, y):
    """The selection cursor: a cross-hair (hot spot 15, 16) with a small arrow at its lower right."""
    cx, cy = 15, 16
    line = (x == cx and 3 <= y <= 29 and abs(y - cy) > 2) or (y == cy and 2 <= x <= 28 and abs(x - cx) > 2)
    halo = ((abs(x - cx) == 1 and 3 <= y <= 29 and abs(y - cy) > 2) or
            (abs(y - cy) == 1 and 2 <= x <= 28 and abs(x - cx) > 2))
    ax, ay = x - 20, y - 21
    arrow = 0 <= ax <= 9 and 0 <= ay <= 9 and ax <= ay + 1 and ay - ax <= 6 and ax + ay <= 14
    return line or halo or arrow


def cross_white(x, y):
    cx, cy = 15, 16
    ax, ay = x - 20, y - 21
    inner_arrow = 1 <= ax <= 8 and 2 <= ay <= 8 and ax <= ay - 1 and ay - ax <= 5 and ax + ay <= 12
    return not ((x == cx) or (y == cy) or inner_arrow)


def main():
    app, lib = sys.argv[1], sys.argv[2]
    images = [(48, 8, icon_image_8(48)), (32, 8, icon_image_8(32)), (16, 8, icon_image_8(16)),
              (256, 32, png(256, icon_pixel)), (48, 32, icon_image_32(48)), (32, 32, icon_image_32(32)),
              (16, 32, icon_image_32(16))]
    write_ico(app + '/Karvo.ico', images)
    write_cur(app + '/hand.cur', 32, (6, 0), hand_white, hand_opaque)
    write_bmp(app + '/logo.bmp', 120, 60, 8, logo, LOGO_PAL)
    write_bmp(app + '/placeholder.bmp', 450, 320, 24, placeholder)
    write_cur(lib + '/select.cur', 32, (15, 16), cross_white, cross_opaque)
    write_bmp(lib + '/tip.bmp', 220, 253, 24, tip_panel)
    # The panel's title, drawn with the CJK font that the install step provides.
    # The English interface's panel: the same art, its own title.
    write_bmp(lib + '/tip.en.bmp', 220, 253, 24, tip_panel)
    for name, title in (('tip.bmp', '截图'), ('tip.en.bmp', 'Capture')):
        subprocess.run(['convert', lib + '/' + name, '-font', 'WenQuanYi-Micro-Hei', '-pointsize', '13', '-fill', '#1a2f5a',
                        '-annotate', '+28+18', title, '-type', 'TrueColor', 'BMP3:' + lib + '/' + name], check=True)


if __name__ == '__main__':
    main()
