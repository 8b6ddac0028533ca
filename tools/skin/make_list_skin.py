#!/usr/bin/env python3
"""Draws the demo skin's images for the scrolling and choosing controls (the
vertical and horizontal scroll bars, the combo box field and its drop-down,
list items) as small PNGs into installer/style/, with the helpers of
make_demo_skin.py.

    python3 tools/skin/make_list_skin.py [output-folder]
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_demo_skin import mix, panel, write_png  # noqa: E402


def solid(w, h, colour):
    return [[colour for _ in range(w)] for _ in range(h)]


def chevron(rows, up, colour, cx, cy, half=3.5):
    """Draws a small chevron (pointing up or down) centred at (cx, cy)."""
    for y in range(len(rows)):
        for x in range(len(rows[0])):
            px, py = x + 0.5 - cx, y + 0.5 - cy
            if abs(px) > half + 0.5:
                continue
            # The two strokes: y = |x| - half/2 for a down chevron, mirrored for up.
            stroke = (half / 2 - abs(px)) if up else (abs(px) - half / 2)
            d = abs(py + stroke) if up else abs(py - stroke * -1)
            cover = max(0.0, min(1.0, 1.4 - d))
            if cover > 0:
                r, g, b, a = rows[y][x]
                rows[y][x] = mix((r, g, b), colour, cover) + (max(a, int(round(255 * cover))),)
    return rows


ARROW_FILLS = {"up": None, "over": ((226, 236, 250), (208, 224, 246)), "down": ((180, 204, 238), (164, 192, 232)),
               "disabled": None}
ARROW_COLOURS = {"up": (96, 110, 132), "over": (40, 90, 170), "down": (30, 70, 140), "disabled": (190, 194, 200)}


def arrow_background(state, size=14):
    fill = ARROW_FILLS[state]
    if fill:
        return panel(size, size, 2, (150, 176, 214), fill[0], fill[1])
    return solid(size, size, (0, 0, 0, 0))


def arrow_button(state, up, size=14):
    return chevron(arrow_background(state, size), up, ARROW_COLOURS[state], size / 2.0, size / 2.0)


def turn(rows):
    """The picture mirrored across its diagonal: columns become rows."""
    return [list(column) for column in zip(*rows)]


def arrow_button_across(state, left, size=14):
    """An arrow button pointing left or right, lit from the top like the
    vertical ones: the chevron is drawn on the background turned, then both
    are turned back."""
    rows = chevron(turn(arrow_background(state, size)), left, ARROW_COLOURS[state], size / 2.0, size / 2.0)
    return turn(rows)


def main():
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "installer", "style")
    os.makedirs(out, exist_ok=True)

    def save(name, rows):
        write_png(os.path.join(out, name), len(rows[0]), len(rows), rows)

    # Vertical scroll bar, 14 wide: a pale track, arrows and a rounded thumb.
    save("vscroll_bar.png", panel(14, 32, 0, (226, 230, 236), (242, 244, 247), (242, 244, 247)))
    for state in ("up", "over", "down", "disabled"):
        save("vscroll_up_%s.png" % state, arrow_button(state, True))
        save("vscroll_down_%s.png" % state, arrow_button(state, False))
    thumbs = {"up": ((150, 160, 176), (214, 220, 230), (196, 204, 216)),
              "over": ((90, 130, 196), (190, 210, 240), (160, 190, 232)),
              "down": ((50, 96, 170), (150, 184, 232), (120, 162, 222))}
    for state, (border, top, bottom) in thumbs.items():
        save("vscroll_thumb_%s.png" % state, panel(12, 24, 4, border, top, bottom))

    # Horizontal scroll bar, 14 tall: the same track, arrows pointing left and
    # right, a thumb lying down; light falls from the top as on the vertical.
    save("hscroll_bar.png", panel(32, 14, 0, (226, 230, 236), (242, 244, 247), (242, 244, 247)))
    for state in ("up", "over", "down", "disabled"):
        save("hscroll_left_%s.png" % state, arrow_button_across(state, True))
        save("hscroll_right_%s.png" % state, arrow_button_across(state, False))
    for state, (border, top, bottom) in thumbs.items():
        save("hscroll_thumb_%s.png" % state, panel(24, 12, 4, border, top, bottom))

    # Combo box field (nine-grid, insets 3) and its drop button.
    fields = {"up": (150, 160, 176), "over": (60, 120, 210), "down": (40, 90, 170), "disabled": (200, 204, 210)}
    for state, border in fields.items():
        fill = (244, 244, 244) if state == "disabled" else (255, 255, 255)
        save("combo_%s.png" % state, panel(24, 24, 3, border, fill, fill))
    drop = solid(22, 24, (0, 0, 0, 0))
    save("combo_drop.png", chevron(drop, False, (70, 90, 120), 10.0, 12.0))

    # The drop-down's background: white inside a blue frame.
    save("combo_dropped.png", panel(16, 16, 0, (60, 120, 210), (255, 255, 255), (255, 255, 255)))

    # List items: nothing when idle, a light band under the mouse, the
    # selection in a stronger blue.
    save("listitem_up.png", solid(8, 8, (0, 0, 0, 0)))
    save("listitem_over.png", solid(8, 8, (232, 240, 252, 255)))
    save("listitem_down.png", solid(8, 8, (196, 218, 248, 255)))


if __name__ == "__main__":
    main()
