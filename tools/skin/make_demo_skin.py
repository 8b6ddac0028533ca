#!/usr/bin/env python3
"""Draws the demo skin's images (window background, button states, check box
states, edit frame, title-bar buttons, window shadow, progress bar track and
fill, the progress page's three slides) as PNGs into installer/style/, each
also drawn at twice the size as "name@2x.png" for 200 % displays (every
length doubled, so corners, borders and strokes stay sharp; the slides have
no larger variant: the slideshow shows its pictures' own pixels).

Only the Python standard library is used. Run it again after changing a
colour or a shape and commit the PNGs it writes:

    python3 tools/skin/make_demo_skin.py [output-folder]
"""
import os
import struct
import sys
import zlib


def png_bytes(width, height, pixels):
    """The smallest PNG of these pixels (rows of (r, g, b, a) tuples, top row
    first) this encoder finds: RGB when every pixel is opaque, else RGBA;
    every row filtered the same way (each of the five filters is tried) or
    each row with the filter whose output looks smallest (the usual sum of
    magnitudes), whichever compresses best. The pixels stay the same."""
    opaque = all(p[3] == 255 for row in pixels for p in row)
    bpp = 3 if opaque else 4
    lines = [bytes(c for p in row for c in p[:bpp]) for row in pixels]

    def filtered(kind, line, prev):
        out = bytearray(len(line))
        for x, value in enumerate(line):
            a = line[x - bpp] if x >= bpp else 0
            b = prev[x]
            c = prev[x - bpp] if x >= bpp else 0
            if kind == 0:
                predicted = 0
            elif kind == 1:
                predicted = a
            elif kind == 2:
                predicted = b
            elif kind == 3:
                predicted = (a + b) >> 1
            else:   # Paeth
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                predicted = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
            out[x] = (value - predicted) & 255
        return bytes(out)

    def magnitude(data):
        return sum(v if v < 128 else 256 - v for v in data)

    best = None
    for strategy in (0, 1, 2, 3, 4, "adaptive"):
        raw = bytearray()
        prev = bytes(len(lines[0]))
        for line in lines:
            if strategy == "adaptive":
                kind, data = min(((k, filtered(k, line, prev)) for k in range(5)), key=lambda o: magnitude(o[1]))
            else:
                kind, data = strategy, filtered(strategy, line, prev)
            raw.append(kind)
            raw += data
            prev = line
        packed = zlib.compress(bytes(raw), 9)
        if best is None or len(packed) < len(best):
            best = packed

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2 if opaque else 6, 0, 0, 0))
    png += chunk(b"IDAT", best)
    png += chunk(b"IEND", b"")
    return png


def write_png(path, width, height, pixels):
    """pixels: rows of (r, g, b, a) tuples, top row first."""
    with open(path, "wb") as f:
        f.write(png_bytes(width, height, pixels))


def mix(c1, c2, t):
    return tuple(int(round(a + (b - a) * t)) for a, b in zip(c1, c2))


def rounded_coverage(x, y, w, h, radius, samples=4):
    """Share of pixel (x, y) inside a w x h rectangle with rounded corners."""
    if radius <= 0:
        return 1.0
    inside = 0
    for sy in range(samples):
        for sx in range(samples):
            px = x + (sx + 0.5) / samples
            py = y + (sy + 0.5) / samples
            cx = min(max(px, radius), w - radius)
            cy = min(max(py, radius), h - radius)
            if (px - cx) ** 2 + (py - cy) ** 2 <= radius * radius:
                inside += 1
    return inside / (samples * samples)


def panel(w, h, radius, border, top, bottom, border_width=1):
    """A rounded panel: a vertical gradient inside a one-pixel border."""
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            outer = rounded_coverage(x, y, w, h, radius)
            inner = rounded_coverage(x - border_width, y - border_width, w - 2 * border_width,
                                     h - 2 * border_width, max(radius - border_width, 0))
            fill = mix(top, bottom, y / max(h - 1, 1))
            colour = mix(border, fill, inner)
            row.append(colour + (int(round(255 * outer)),))
        rows.append(row)
    return rows


def window_background(w=48, h=48, header=30, k=1):
    w, h, header = w * k, h * k, header * k
    rows = panel(w, h, 4 * k, (46, 74, 120), (250, 251, 253), (236, 240, 246), k)
    for y in range(k, header):
        for x in range(k, w - k):
            r, g, b, a = rows[y][x]
            if a == 0:
                continue
            shade = mix((74, 122, 196), (52, 96, 168), (y - k) / (header - 2 * k))
            edge = rounded_coverage(x - k, y - k, w - 2 * k, h - 2 * k, 3 * k)
            rows[y][x] = mix((r, g, b), shade, edge) + (a,)
    return rows


def check_box(state, checked, k=1):
    border = {"up": (112, 128, 150), "over": (60, 120, 210), "down": (40, 90, 170),
              "disabled": (180, 184, 190)}[state]
    top, bottom = {"up": ((255, 255, 255), (232, 236, 242)), "over": ((255, 255, 255), (222, 234, 250)),
                   "down": ((214, 226, 244), (198, 214, 238)),
                   "disabled": ((244, 244, 244), (236, 236, 236))}[state]
    n = 16 * k
    rows = panel(n, n, 2 * k, border, top, bottom, k)
    if checked:
        mark = (150, 154, 160) if state == "disabled" else (30, 80, 160)
        # Two strokes of a tick, drawn with coverage for smooth edges.
        strokes = [((3.5 * k, 8.0 * k), (6.5 * k, 11.0 * k)), ((6.5 * k, 11.0 * k), (12.5 * k, 4.5 * k))]
        for y in range(n):
            for x in range(n):
                best = 9.0
                for (x0, y0), (x1, y1) in strokes:
                    px, py = x + 0.5, y + 0.5
                    dx, dy = x1 - x0, y1 - y0
                    t = max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / (dx * dx + dy * dy)))
                    best = min(best, ((px - x0 - t * dx) ** 2 + (py - y0 - t * dy) ** 2) ** 0.5)
                cover = max(0.0, min(1.0, 1.4 * k + 0.5 - best))
                if cover > 0:
                    r, g, b, a = rows[y][x]
                    rows[y][x] = mix((r, g, b), mark, cover) + (a,)
    return rows


def caption_button(state, glyph, w=28, h=20, k=1):
    """A title-bar button: transparent when up, a soft highlight when the mouse
    is over it or it is pressed, with a white glyph ("close" or "minimise")."""
    fill = {"up": None, "over": (255, 255, 255, 60), "down": (0, 0, 0, 60)}[state]
    if glyph == "close" and state != "up":
        fill = (200, 60, 60, 230) if state == "over" else (160, 40, 40, 240)
    w, h = w * k, h * k
    rows = [[fill if fill else (0, 0, 0, 0) for _ in range(w)] for _ in range(h)]
    cx, cy = w / 2.0, h / 2.0
    for y in range(h):
        for x in range(w):
            px, py = x + 0.5, y + 0.5
            if glyph == "close":
                d = min(abs((px - cx) - (py - cy)), abs((px - cx) + (py - cy))) / 2 ** 0.5
                inside = abs(px - cx) <= 4.5 * k and abs(py - cy) <= 4.5 * k
            else:
                d = abs(py - (cy + 3 * k))
                inside = abs(px - cx) <= 5 * k
            cover = max(0.0, min(1.0, 0.8 * k + 0.5 - d)) if inside else 0.0
            if cover > 0:
                r, g, b, a = rows[y][x]
                alpha = a / 255.0
                out_a = cover + alpha * (1 - cover)
                mixc = tuple(int(round((255 * cover + c * alpha * (1 - cover)) / out_a)) for c in (r, g, b))
                rows[y][x] = mixc + (int(round(255 * out_a)),)
    return rows


def window_shadow(w=72, h=72, inner=(20, 14, 56, 51), spread=18, strength=80, k=1):
    """The layered shadow around a window: the window covers the inner
    rectangle (the shadow margins are 20, 14, 16, 21); outside it the shadow
    fades over `spread` pixels. Drawn as a nine-grid with insets 24,18,20,25."""
    left, top, right, bottom = (v * k for v in inner)
    w, h, spread = w * k, h * k, spread * k
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            px, py = x + 0.5, y + 0.5 - 2 * k  # light from above: the shadow falls lower
            dx = max(left - px, 0, px - right)
            dy = max(top - py, 0, py - bottom)
            d = (dx * dx + dy * dy) ** 0.5
            if left <= x + 0.5 <= right and top <= y + 0.5 <= bottom:
                a = 0  # under the window itself
            else:
                a = int(round(strength * max(0.0, 1 - d / spread) ** 2))
            row.append((20, 30, 50, a))
        rows.append(row)
    return rows


def progress_track(w=24, h=12, k=1):
    """The bar's background: a sunken grey groove, drawn as a nine-grid 6,0,6,0."""
    return panel(w * k, h * k, 6 * k, (150, 160, 176), (214, 220, 228), (240, 243, 247), k)


def progress_fill(w=24, h=12, k=1):
    """The bar's foreground: a glossy blue groove, revealed from the left."""
    w, h = w * k, h * k
    rows = panel(w, h, 6 * k, (36, 84, 160), (120, 176, 244), (44, 104, 196), k)
    for y in range(k, h // 2):
        for x in range(w):
            r, g, b, a = rows[y][x]
            rows[y][x] = mix((r, g, b), (255, 255, 255), 0.25 * (1 - y / (h / 2))) + (a,)
    return rows


def slide(kind, w=520, h=120):
    """One picture of the progress page's slideshow: a gradient with a motif
    (rings, waves or dots), opaque, so the cross-fade shows clearly."""
    import math
    top, bottom, ink = {
        "rings": ((34, 78, 150), (74, 136, 214), (190, 220, 255)),
        "waves": ((24, 110, 96), (80, 180, 150), (210, 250, 230)),
        "dots": ((150, 70, 40), (230, 150, 70), (255, 236, 200)),
    }[kind]
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            colour = mix(top, bottom, (x / (w - 1)) * 0.6 + (y / (h - 1)) * 0.4)
            if kind == "rings":
                d = math.hypot(x - w * 0.78, y - h * 0.5)
                t = max(0.0, 1 - abs((d % 26) - 13) / 3) if d < 120 else 0
            elif kind == "waves":
                t = 0
                for k in range(3):
                    wave = h * (0.3 + 0.2 * k) + 10 * math.sin(x / 38 + k * 1.7)
                    t = max(t, 1 - abs(y - wave) / 2.5)
                t = max(t, 0)
            else:
                cx, cy = (x % 32) - 16, (y % 32) - 16
                radius = 3 + 6 * x / w
                t = min(1.0, max(0.0, radius - math.hypot(cx, cy)))
            row.append(mix(colour, ink, 0.8 * t) + (255,))
        rows.append(row)
    return rows


def main():
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "installer", "style")
    os.makedirs(out, exist_ok=True)
    for k in (1, 2):
        draw_skin(out, k)

    # The progress page's slideshow: three 520 x 120 pictures of one size.
    for number, kind in enumerate(("rings", "waves", "dots"), start=1):
        save(out, "slide%d.png" % number, 1, slide(kind))


def save(out, name, k, rows):
    """Writes name.png at scale 1, name@2x.png at scale 2."""
    if k != 1:
        stem, ext = os.path.splitext(name)
        name = "%s@%dx%s" % (stem, k, ext)
    write_png(os.path.join(out, name), len(rows[0]), len(rows), rows)


def draw_skin(out, k):
    save(out, "window_bg.png", k, window_background(k=k))

    # Buttons: 32 x 24, drawn as a nine-grid with insets 4,4,4,4.
    buttons = {
        "up": ((40, 92, 170), (88, 146, 226), (54, 110, 196)),
        "over": ((40, 92, 170), (120, 172, 240), (76, 134, 218)),
        "down": ((30, 70, 140), (46, 96, 176), (62, 116, 198)),
        "disabled": ((150, 156, 166), (190, 194, 202), (172, 176, 184)),
    }
    for state, (border, top, bottom) in buttons.items():
        save(out, "button_%s.png" % state, k, panel(32 * k, 24 * k, 4 * k, border, top, bottom, k))

    for state in ("up", "over", "down", "disabled"):
        save(out, "checkbox_%s.png" % state, k, check_box(state, False, k))
        save(out, "checkbox_checked_%s.png" % state, k, check_box(state, True, k))

    # Edit frames: 16 x 16, nine-grid with insets 2,2,2,2.
    edits = {"up": (150, 160, 176), "over": (60, 120, 210), "disabled": (200, 204, 210)}
    for state, border in edits.items():
        fill = (244, 244, 244) if state == "disabled" else (255, 255, 255)
        save(out, "edit_%s.png" % state, k, panel(16 * k, 16 * k, 2 * k, border, fill, fill, k))

    # Title-bar buttons: 28 x 20, stretched.
    for state in ("up", "over", "down"):
        save(out, "close_%s.png" % state, k, caption_button(state, "close", k=k))
        save(out, "minimise_%s.png" % state, k, caption_button(state, "minimise", k=k))

    save(out, "window_shadow.png", k, window_shadow(k=k))

    # Progress bar: 24 x 12, nine-grid with insets 6,0,6,0.
    save(out, "progress_bk.png", k, progress_track(k=k))
    save(out, "progress_fill.png", k, progress_fill(k=k))


if __name__ == "__main__":
    main()
