#!/usr/bin/env python3
"""Draws the demo skin's images for the scrolling and choosing controls (the
vertical and horizontal scroll bars, the combo box field and its drop-down,
list items) as small PNGs into installer/style/, with the helpers of
make_demo_skin.py, each also at twice the size as "name@2x.png".

    python3 tools/skin/make_list_skin.py [output-folder]
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_demo_skin import mix, panel, save  # noqa: E402


def solid(w, h, colour):
    return [[colour for _ in range(w)] for _ in range(h)]


def chevron(rows, up, colour, cx, cy, half=3.5, k=1):
    """Draws a small chevron (pointing up or down) centred at (cx, cy)."""
    for y in range(len(rows)):
        for x in range(len(rows[0])):
            px, py = x + 0.5 - cx, y + 0.5 - cy
            if abs(px) > half + 0.5 * k:
                continue
            # The two strokes: y = |x| - half/2 for a down chevron, mirrored for up.
            stroke = (half / 2 - abs(px)) if up else (abs(px) - half / 2)
            d = abs(py + stroke) if up else abs(py - stroke * -1)
            cover = max(0.0, min(1.0, 0.9 * k + 0.5 - d))
            if cover > 0:
                r, g, b, a = rows[y][x]
                rows[y][x] = mix((r, g, b), colour, cover) + (max(a, int(round(255 * cover))),)
    return rows


ARROW_FILLS = {"up": None, "over": ((226, 236, 250), (208, 224, 246)), "down": ((180, 204, 238), (164, 192, 232)),
               "disabled": None}
ARROW_COLOURS = {"up": (96, 110, 132), "over": (40, 90, 170), "down": (30, 70, 140), "disabled": (190, 194, 200)}


def arrow_background(state, size, k):
    fill = ARROW_FILLS[state]
    if fill:
        return panel(size, size, 2 * k, (150, 176, 214), fill[0], fill[1], k)
    return solid(size, size, (0, 0, 0, 0))


def arrow_button(state, up, size=14, k=1):
    size *= k
    return chevron(arrow_background(state, size, k), up, ARROW_COLOURS[state], size / 2.0, size / 2.0, 3.5 * k, k)


def turn(rows):
    """The picture mirrored across its diagonal: columns become rows."""
    return [list(column) for column in zip(*rows)]


def arrow_button_across(state, left, size=14, k=1):
    """An arrow button pointing left or right, lit from the top like the
    vertical ones: the chevron is drawn on the background turned, then both
    are turned back."""
    size *= k
    rows = chevron(turn(arrow_background(state, size, k)), left, ARROW_COLOURS[state], size / 2.0, size / 2.0,
                   3.5 * k, k)
    return turn(rows)


def main():
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "installer", "style")
    os.makedirs(out, exist_ok=True)
    for k in (1, 2):
        draw_skin(out, k)


def draw_skin(out, k):
    save(out, "vscroll_bar.png", k, panel(14 * k, 32 * k, 0, (226, 230, 236), (242, 244, 247), (242, 244, 247), k))
    for state in ("up", "over", "down", "disabled"):
        save(out, "vscroll_up_%s.png" % state, k, arrow_button(state, True, k=k))
        save(out, "vscroll_down_%s.png" % state, k, arrow_button(state, False, k=k))
    thumbs = {"up": ((150, 160, 176), (214, 220, 230), (196, 204, 216)),
              "over": ((90, 130, 196), (190, 210, 240), (160, 190, 232)),
              "down": ((50, 96, 170), (150, 184, 232), (120, 162, 222))}
    for state, (border, top, bottom) in thumbs.items():
        save(out, "vscroll_thumb_%s.png" % state, k, panel(12 * k, 24 * k, 4 * k, border, top, bottom, k))

    # Horizontal scroll bar, 14 tall: the same track, arrows pointing left and
    # right, a thumb lying down; light falls from the top as on the vertical.
    save(out, "hscroll_bar.png", k, panel(32 * k, 14 * k, 0, (226, 230, 236), (242, 244, 247), (242, 244, 247), k))
    for state in ("up", "over", "down", "disabled"):
        save(out, "hscroll_left_%s.png" % state, k, arrow_button_across(state, True, k=k))
        save(out, "hscroll_right_%s.png" % state, k, arrow_button_across(state, False, k=k))
    for state, (border, top, bottom) in thumbs.items():
        save(out, "hscroll_thumb_%s.png" % state, k, panel(24 * k, 12 * k, 4 * k, border, top, bottom, k))

    fields = {"up": (150, 160, 176), "over": (60, 120, 210), "down": (40, 90, 170), "disabled": (200, 204, 210)}
    for state, border in fields.items():
        fill = (244, 244, 244) if state == "disabled" else (255, 255, 255)
        save(out, "combo_%s.png" % state, k, panel(24 * k, 24 * k, 3 * k, border, fill, fill, k))
    drop = solid(22 * k, 24 * k, (0, 0, 0, 0))
    save(out, "combo_drop.png", k, chevron(drop, False, (70, 90, 120), 10.0 * k, 12.0 * k, 3.5 * k, k))

    save(out, "combo_dropped.png", k, panel(16 * k, 16 * k, 0, (60, 120, 210), (255, 255, 255), (255, 255, 255), k))

    save(out, "listitem_up.png", k, solid(8 * k, 8 * k, (0, 0, 0, 0)))
    save(out, "listitem_over.png", k, solid(8 * k, 8 * k, (232, 240, 252, 255)))
    save(out, "listitem_down.png", k, solid(8 * k, 8 * k, (196, 218, 248, 255)))


if __name__ == "__main__":
    main()
