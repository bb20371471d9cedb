#!/usr/bin/python3
"""Draws the program's pictures and writes them beside this script.

    tesselar-16.png, tesselar-32.png  the program icon: a tile of curved grid cells
    logo.gif                          the splash logo, 132 x 64, GIF89a

Only the Python standard library is used: the pictures are drawn by sampling each pixel
several times, and the PNG and GIF files are encoded here (zlib for PNG, LZW for GIF).
The output is deterministic, so running the script again reproduces the committed files.

    python3 make_pictures.py [OUTPUT_DIR]
"""

import math
import struct
import sys
import zlib
from pathlib import Path

NAVY = (17, 45, 78)
WHITE = (255, 255, 255)
# Cell colours from deep water to shallow water: the ramp a model's output field is drawn in.
RAMP = [(28, 78, 150), (33, 113, 181), (45, 150, 190), (55, 175, 170), (80, 190, 130),
        (130, 205, 110)]


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def ramp_colour(t):
    t = min(max(t, 0.0), 1.0) * (len(RAMP) - 1)
    i = min(int(t), len(RAMP) - 2)
    return mix(RAMP[i], RAMP[i + 1], t - i)


def inside_rounded_rect(x, y, width, height, radius):
    cx = min(max(x, radius), width - radius)
    cy = min(max(y, radius), height - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


class GridTile:
    """A rounded tile covered by a curvilinear grid whose cells are coloured by a field.

    The grid is defined by where each point of the tile falls in grid coordinates (u, v):
    a gentle sine warp bends the straight lines the way a model grid follows a coast.
    """

    def __init__(self, width, height, columns, rows, radius, line_width, warp, border):
        self.width, self.height = width, height
        self.columns, self.rows = columns, rows
        self.radius, self.line_width = radius, line_width
        self.warp, self.border = warp, border

    def grid_coordinates(self, x, y):
        sx = (x - self.border) / (self.width - 2 * self.border)
        sy = (y - self.border) / (self.height - 2 * self.border)
        sx += self.warp * math.sin(math.pi * sy) * (1 - sx) * sx * 2
        sy += self.warp * math.sin(math.pi * sx) * 0.8 * (1 - sy) * sy * 2
        return sx * self.columns, sy * self.rows

    def cell_colour(self, i, j):
        # Shallow water at the top left, deep water at the bottom right, with a checker
        # offset so that neighbouring cells stay apart.
        t = 1 - (i / max(self.columns - 1, 1) * 0.55 + j / max(self.rows - 1, 1) * 0.45)
        t += 0.08 if (i + j) % 2 else -0.08
        return ramp_colour(t)

    def sample(self, x, y):
        """Colour and coverage (0 or 1) of one point of the tile."""
        if not inside_rounded_rect(x, y, self.width, self.height, self.radius):
            return WHITE, 0.0
        if not (self.border <= x <= self.width - self.border
                and self.border <= y <= self.height - self.border):
            return NAVY, 1.0
        u, v = self.grid_coordinates(x, y)
        cell_w = (self.width - 2 * self.border) / self.columns
        cell_h = (self.height - 2 * self.border) / self.rows
        du = abs(u - round(u)) * cell_w
        dv = abs(v - round(v)) * cell_h
        if min(du, dv) < self.line_width / 2:
            return NAVY, 1.0
        i = min(int(u), self.columns - 1)
        j = min(int(v), self.rows - 1)
        return self.cell_colour(i, j), 1.0


def render(tile, samples=6):
    """RGBA rows of the tile, each pixel averaged over samples x samples points."""
    rows = []
    for py in range(tile.height):
        row = []
        for px in range(tile.width):
            r = g = b = a = 0.0
            for sy in range(samples):
                for sx in range(samples):
                    colour, alpha = tile.sample(px + (sx + 0.5) / samples,
                                                py + (sy + 0.5) / samples)
                    r += colour[0] * alpha
                    g += colour[1] * alpha
                    b += colour[2] * alpha
                    a += alpha
            n = samples * samples
            if a:
                row.append((round(r / a), round(g / a), round(b / a), round(255 * a / n)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


# ---- PNG: signature, IHDR, one IDAT of filter-0 scanlines, IEND --------------------------

def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def encode_png(rows):
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\x00" + bytes(c for pixel in row for c in pixel) for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header)
            + png_chunk(b"IDAT", zlib.compress(raw, 9)) + png_chunk(b"IEND", b""))


# ---- GIF89a: header, global colour table, one image with variable-width LZW data -----------

def quantise(rows):
    """Maps RGBA rows onto at most 255 opaque colours plus one transparent index.

    A pixel at least half covered keeps its own colour (the tile's edge is navy, so its
    half-covered pixels stay navy); the others become transparent, so the picture shows
    the window behind its rounded corners. The most frequent colours form the palette and
    every pixel takes its nearest entry. Returns (palette, transparent index, indices)."""
    flat = [(r, g, b) if a >= 128 else None for row in rows for r, g, b, a in row]
    counts = {}
    for colour in flat:
        if colour is not None:
            counts[colour] = counts.get(colour, 0) + 1
    palette = sorted(counts, key=lambda c: (-counts[c], c))[:255]
    transparent = len(palette)
    index = {colour: i for i, colour in enumerate(palette)}
    index[None] = transparent

    def nearest(colour):
        if colour not in index:
            index[colour] = min(range(len(palette)),
                                key=lambda i: sum((p - q) ** 2
                                                  for p, q in zip(palette[i], colour)))
        return index[colour]

    return palette, transparent, [nearest(colour) for colour in flat]


def lzw_encode(indices, min_code_size):
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    out = bytearray()
    bit_buffer = bit_count = 0

    def emit(code, size):
        nonlocal bit_buffer, bit_count
        bit_buffer |= code << bit_count
        bit_count += size
        while bit_count >= 8:
            out.append(bit_buffer & 0xFF)
            bit_buffer >>= 8
            bit_count -= 8

    def fresh_table():
        return {(i,): i for i in range(clear)}

    table, next_code, code_size = fresh_table(), end + 1, min_code_size + 1
    emit(clear, code_size)
    prefix = (indices[0],)
    for value in indices[1:]:
        candidate = prefix + (value,)
        if candidate in table:
            prefix = candidate
            continue
        emit(table[prefix], code_size)
        if next_code == 4096:  # the table is full: start again
            emit(clear, code_size)
            table, next_code, code_size = fresh_table(), end + 1, min_code_size + 1
        else:
            table[candidate] = next_code
            # The decoder widens its codes once the code it is about to add no longer fits.
            if next_code == (1 << code_size) and code_size < 12:
                code_size += 1
            next_code += 1
        prefix = (value,)
    emit(table[prefix], code_size)
    emit(end, code_size)
    if bit_count:
        out.append(bit_buffer & 0xFF)
    return bytes(out)


def encode_gif(rows):
    height, width = len(rows), len(rows[0])
    palette, transparent, indices = quantise(rows)
    palette += [(0, 0, 0)] * (256 - len(palette))
    data = lzw_encode(indices, 8)
    blocks = b"".join(bytes([len(data[i:i + 255])]) + data[i:i + 255]
                      for i in range(0, len(data), 255))
    return (b"GIF89a" + struct.pack("<HHBBB", width, height, 0xF7, 0, 0)
            + bytes(c for colour in palette for c in colour)
            # Graphic control extension: no delay, one transparent colour index.
            + b"\x21\xf9\x04\x01" + struct.pack("<HB", 0, transparent) + b"\x00"
            + b"," + struct.pack("<HHHHB", 0, 0, width, height, 0)
            + b"\x08" + blocks + b"\x00" + b";")


def main():
    out_dir = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent
    icon_32 = GridTile(32, 32, columns=4, rows=4, radius=6, line_width=1.3, warp=0.18,
                       border=1.5)
    icon_16 = GridTile(16, 16, columns=3, rows=3, radius=3, line_width=1.0, warp=0.0,
                       border=1.0)
    logo = GridTile(132, 64, columns=11, rows=5, radius=10, line_width=1.4, warp=0.22,
                    border=2.0)
    (out_dir / "tesselar-32.png").write_bytes(encode_png(render(icon_32)))
    (out_dir / "tesselar-16.png").write_bytes(encode_png(render(icon_16)))
    (out_dir / "logo.gif").write_bytes(encode_gif(render(logo)))


if __name__ == "__main__":
    main()
