#!/usr/bin/env python3
"""Draws the program's icon and writes it as a Windows icon file of ten images.

Usage: make_icon.py OUTPUT.ico

The drawing: a green rounded tile holding a white ledger sheet with a darker header row,
ruled lines and a column rule, seen at any size (each pixel is the average of 4 x 4 samples).
Images: 16, 32 and 48 px at 8 and 32 bits per pixel, 16 and 32 px at 4 bits per pixel,
128 px at 32 bits per pixel and 256 px at 32 bits per pixel stored as PNG.
Only the standard library is used.
"""
import struct
import sys
import zlib

GREEN = (24, 128, 72)
DARK = (14, 84, 46)
PAPER = (250, 250, 246)
RULE = (150, 190, 165)


def inside_rounded(x, y, x0, y0, x1, y1, r):
    if x < x0 or x > x1 or y < y0 or y > y1:
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def sample(x, y):
    """Colour and opacity of the drawing at (x, y) in the unit square."""
    if not inside_rounded(x, y, 0.04, 0.04, 0.96, 0.96, 0.16):
        return (0, 0, 0, 0)
    if inside_rounded(x, y, 0.2, 0.16, 0.8, 0.84, 0.04):
        if y < 0.3:
            return DARK + (255,)
        if abs(x - 0.4) < 0.018:
            return RULE + (255,)
        for line in (0.42, 0.54, 0.66, 0.78):
            if abs(y - line) < 0.018:
                return RULE + (255,)
        return PAPER + (255,)
    return GREEN + (255,)


def render(size):
    pixels = []
    n = 4
    for row in range(size):
        line = []
        for col in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, a = sample((col + (sx + 0.5) / n) / size, (row + (sy + 0.5) / n) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            alpha = acc[3] / (n * n)
            if acc[3]:
                colour = tuple(int(round(c / acc[3])) for c in acc[:3])
            else:
                colour = (0, 0, 0)
            line.append(colour + (int(round(alpha)),))
        pixels.append(line)
    return pixels


VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
         (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def palette256():
    colours = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    colours += [(i * 255 // 39, i * 255 // 39, i * 255 // 39) for i in range(40)]
    return colours[:256]


def nearest(palette, colour):
    best, index = None, 0
    for i, p in enumerate(palette):
        d = sum((a - b) ** 2 for a, b in zip(p, colour))
        if best is None or d < best:
            best, index = d, i
    return index


def and_mask(pixels, size):
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for row in reversed(pixels):
        bits = bytearray(stride)
        for col, px in enumerate(row):
            if px[3] < 128:
                bits[col // 8] |= 0x80 >> (col % 8)
        out += bits
    return bytes(out)


def dib(pixels, size, bpp):
    palette = []
    if bpp == 4:
        palette = VGA16
    elif bpp == 8:
        palette = palette256()
    stride = ((size * bpp + 31) // 32) * 4
    body = bytearray()
    cache = {}
    for row in reversed(pixels):
        line = bytearray(stride)
        for col, px in enumerate(row):
            if bpp == 32:
                line[col * 4:col * 4 + 4] = bytes((px[2], px[1], px[0], px[3]))
                continue
            key = px[:3] if px[3] >= 128 else (0, 0, 0)
            if key not in cache:
                cache[key] = nearest(palette, key)
            index = cache[key]
            if bpp == 8:
                line[col] = index
            else:
                line[col // 2] |= index << (4 if col % 2 == 0 else 0)
        body += line
    mask = and_mask(pixels, size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bpp, 0, len(body) + len(mask),
                         0, 0, len(palette), 0)
    colours = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)
    return header + colours + bytes(body) + mask


def png(pixels, size):
    raw = b''.join(b'\x00' + bytes(c for px in row for c in px) for row in pixels)

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack(
            '>I', zlib.crc32(kind + data) & 0xffffffff)

    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def main():
    images = [(16, 8), (32, 8), (48, 8), (16, 32), (32, 32), (48, 32), (16, 4), (32, 4),
              (128, 32), (256, 32)]
    renders = {}
    blobs = []
    for size, bpp in images:
        if size not in renders:
            renders[size] = render(size)
        if size == 256:
            blobs.append(png(renders[size], size))
        else:
            blobs.append(dib(renders[size], size, bpp))
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, bpp), blob in zip(images, blobs):
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 16 if bpp == 4 else 0, 0, 1, bpp,
                           len(blob), offset)
        offset += len(blob)
    out += b''.join(blobs)
    with open(sys.argv[1], 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main()
