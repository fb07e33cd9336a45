#!/usr/bin/env python3
"""Draws the skin's background pictures (plain Python, no imaging library needed).

    gui/resources/make-images.py        # rewrites the PNGs below in this folder

All share the window's palette: a pale blue gradient from TOP to BOTTOM with a
darker blue accent. The buttons, banner, splash, icon and the corner animation are
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


if __name__ == "__main__":
    window("window_start.png", lit=True)
    window("window.png", lit=False)
    dialog("dialog.png", 400, 300)
    tile("tile.png")
    wait("wait.png")
