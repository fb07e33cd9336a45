#!/usr/bin/env python3
"""Draws the skin's background pictures (plain Python, no imaging library needed).

    gui/resources/make-images.py        # rewrites the PNGs below in this folder

All share the window's palette: a pale blue gradient from TOP to BOTTOM with a
darker blue accent. Each dialog with a picture of its own gets one at its own size. The buttons, banner, splash, icon and the corner animation are
drawn separately and left alone here.
"""
import os
import struct
import zlib

TOP = (234, 241, 250)
BOTTOM = (200, 218, 238)
ACCENT = (46, 94, 160)
HERE = os.path.dirname(os.path.abspath(__file__))


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def write_png(name, width, height, pixel):
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            rows.extend(pixel(x, y))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(rows), 9))
    png += chunk(b"IEND", b"")
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(png)


def gradient(height, top=TOP, bottom=BOTTOM):
    return [mix(top, bottom, y / max(1, height - 1)) for y in range(height)]


def window(name, lit):
    """The main window, 790 x 560. `lit` draws the start step's accent band: a
    soft light stripe behind the disk list and the search choices."""
    w, h = 790, 560
    colours = gradient(h)

    def pixel(x, y):
        c = colours[y]
        if lit and 146 <= y <= 440:
            c = mix(c, (255, 255, 255), 0.35)
        if y >= h - 3:
            c = mix(c, ACCENT, 0.5)
        return c

    write_png(name, w, h, pixel)


def dialog(name, w, h):
    """A dialog background: gradient with a thin accent line along the top."""
    colours = gradient(h, mix(TOP, (255, 255, 255), 0.5), TOP)

    def pixel(x, y):
        return ACCENT if y < 3 else colours[y]

    write_png(name, w, h, pixel)


def tile(name, size=32):
    """A small tile for the picture dialogs: the pale top colour with a faint
    diagonal grain that repeats seamlessly."""
    def pixel(x, y):
        return mix(TOP, BOTTOM, 0.35) if (x + y) % 8 == 0 else TOP

    write_png(name, size, size, pixel)


def wait(name, w=244, h=65):
    """The wait window: gradient, accent frame."""
    colours = gradient(h)

    def pixel(x, y):
        if x < 2 or y < 2 or x >= w - 2 or y >= h - 2:
            return ACCENT
        return colours[y]

    write_png(name, w, h, pixel)


def coverage(inside, x, y, n=4):
    """How much of the pixel at (x, y) lies inside a shape, from n x n samples: the
    shapes' edges come out smooth."""
    hits = 0
    for i in range(n):
        for j in range(n):
            hits += inside(x + (i + 0.5) / n, y + (j + 0.5) / n)
    return hits / (n * n)


def memory_card(left, top, width, height):
    """A memory card's body (a cut top-left corner), its contacts and its label, as
    tests of a point: each returns True when (x, y) lies on that part."""
    cut = width / 4

    def body(x, y):
        return (left <= x < left + width and top <= y < top + height
                and (x - left) + (y - top) >= cut)

    def contacts(x, y):
        pitch = (width - cut - 8) / 5
        u = x - (left + cut + 4)
        return (0 <= u < 5 * pitch and u % pitch < pitch * 0.6
                and top + 4 <= y < top + 4 + height / 5)

    def label(x, y):
        return (left + 8 <= x < left + width - 8
                and top + height / 2 <= y < top + height / 2 + height / 3)

    return body, contacts, label


def about(name, w=420, h=250):
    """The About box: the dialog gradient with its accent line, and a lighter band under
    a rule for the OK button, with a faint memory card at its right-hand end."""
    colours = gradient(h, mix(TOP, (255, 255, 255), 0.5), TOP)
    left, top, width, height = 358, 201, 44, 44
    body, contacts, label = memory_card(left, top, width, height)
    band = 196

    def pixel(x, y):
        if y < 3:
            return ACCENT
        c = colours[y]
        if y == band:
            return mix(c, ACCENT, 0.3)
        if y > band:
            c = mix(c, (255, 255, 255), 0.45)
            if left <= x < left + width and top <= y < top + height:
                c = mix(c, ACCENT, 0.16 * coverage(body, x, y))
                c = mix(c, ACCENT, 0.22 * coverage(contacts, x, y))
                c = mix(c, ACCENT, 0.12 * coverage(label, x, y))
        return c

    write_png(name, w, h, pixel)


def error(name, w=420, h=220):
    """The write-error box: a deeper accent bar over a tinted heading band, and a faint
    warning sign beside the buttons under the rule that sets them apart."""
    colours = gradient(h, mix(TOP, (255, 255, 255), 0.5), TOP)
    heading, band = 38, 164
    # A triangle standing on its base, with the exclamation mark left out of it.
    cx, top, bottom, half = 372, 172, 210, 22

    def sign(x, y):
        if not top <= y < bottom:
            return False
        reach = half * (y - top) / (bottom - top)
        if abs(x - cx) > reach:
            return False
        on_mark = abs(x - cx) < 2.2 and (top + 11 <= y < top + 27 or top + 30 <= y < top + 34)
        return not on_mark

    def pixel(x, y):
        if y < 5:
            return ACCENT
        c = colours[y]
        if y < heading:
            c = mix(c, ACCENT, 0.10)
        elif y == heading:
            return mix(c, ACCENT, 0.35)
        if y == band:
            return mix(c, ACCENT, 0.3)
        if y > band:
            c = mix(c, (255, 255, 255), 0.45)
            if cx - half <= x <= cx + half and top <= y < bottom:
                c = mix(c, ACCENT, 0.22 * coverage(sign, x, y))
        return c

    write_png(name, w, h, pixel)


if __name__ == "__main__":
    window("window_start.png", lit=True)
    window("window.png", lit=False)
    dialog("dialog.png", 400, 300)
    about("about.png")
    error("error.png")
    tile("tile.png")
    wait("wait.png")
