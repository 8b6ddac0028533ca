#!/usr/bin/env python3
"""Stores skin PNGs again in the smallest form make_demo_skin.py's encoder
finds (the skin package holds PNGs as they are: its LZMA gains nothing on
deflated data). The pixels stay exactly the same: each file is decoded,
encoded, decoded again and compared before it is replaced, and a file only
changes when it gets smaller. 8-bit RGB and RGBA images without interlacing
are repacked; other PNGs are left as they are and named.

    python3 tools/skin/repack_png.py FILE.png...
"""
import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_demo_skin import png_bytes  # noqa: E402


def read_png(data):
    """(width, height, rows of (r, g, b, a)) of an 8-bit RGB or RGBA PNG
    without interlacing; None for any other PNG."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    pos, header, idat = 8, None, b""
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
        elif kind[0] & 0x20 == 0:   # a critical chunk this reader does not know (a palette)
            return None
        pos += 12 + length
    if not header:
        return None
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        return None
    bpp = 4 if colour == 6 else 3
    stride = width * bpp
    raw = zlib.decompress(idat)
    rows, prev = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            a = line[x - bpp] if x >= bpp else 0
            b = prev[x]
            c = prev[x - bpp] if x >= bpp else 0
            if kind == 1:
                line[x] = (line[x] + a) & 255
            elif kind == 2:
                line[x] = (line[x] + b) & 255
            elif kind == 3:
                line[x] = (line[x] + ((a + b) >> 1)) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else (b if pb <= pc else c))) & 255
        rows.append([tuple(line[x * bpp:(x + 1) * bpp]) + ((255,) if bpp == 3 else ()) for x in range(width)])
        prev = line
    return width, height, rows


def main():
    saved = 0
    for path in sys.argv[1:]:
        with open(path, "rb") as f:
            old = f.read()
        image = read_png(old)
        if image is None:
            print("%s: not an 8-bit RGB or RGBA PNG without interlacing; left as it is" % path)
            continue
        new = png_bytes(*image)
        if read_png(new) != image:
            sys.exit("%s: the repacked pixels differ; the file is left as it is" % path)
        if len(new) < len(old):
            with open(path, "wb") as f:
                f.write(new)
            saved += len(old) - len(new)
    print("%d bytes saved" % saved)


if __name__ == "__main__":
    main()
