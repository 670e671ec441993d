#!/usr/bin/env python3
"""Converts an X window dump (xwd, 24/32-bit TrueColor) to a PNG file."""
import struct
import sys
import zlib


def read_xwd(path):
    data = open(path, "rb").read()
    fields = struct.unpack(">25I", data[:100])
    header_size, width, height = fields[0], fields[4], fields[5]
    byte_order, bpp, bytes_per_line = fields[7], fields[11], fields[12]
    masks = fields[14:17]
    ncolors = fields[19]
    offset = header_size + ncolors * 12
    if bpp not in (24, 32):
        raise SystemExit("xwd_to_png: only 24 and 32 bits per pixel are read")
    shifts = [(m & -m).bit_length() - 1 for m in masks]
    rows = []
    step = bpp // 8
    for y in range(height):
        line = data[offset + y * bytes_per_line: offset + y * bytes_per_line + width * step]
        out = bytearray(width * 3)
        for x in range(width):
            chunk = line[x * step:(x + 1) * step]
            value = int.from_bytes(chunk, "little" if byte_order == 0 else "big")
            for c in range(3):
                out[x * 3 + c] = (value & masks[c]) >> shifts[c]
        rows.append(bytes(out))
    return width, height, rows


def write_png(path, width, height, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    raw = b"".join(b"\0" + r for r in rows)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b"")
    open(path, "wb").write(png)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        raise SystemExit("usage: xwd_to_png.py IN.xwd OUT.png")
    write_png(sys.argv[2], *read_xwd(sys.argv[1]))
