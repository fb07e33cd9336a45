#!/usr/bin/env python3
"""Writes a small DNG-like camera raw file: a little-endian TIFF whose first directory
holds a preview strip, the make, the DNG version, two sub-directories (the raw image in
strips, a second one in tiles) and an EXIF directory with values kept outside their
entries; the next directory holds an embedded JPEG thumbnail. Its last bytes are the
last tile, named only by a sub-directory."""
import struct
import sys

BYTE, ASCII, SHORT, LONG, RATIONAL, UNDEFINED = 1, 2, 3, 4, 5, 7
SIZES = {BYTE: 1, ASCII: 1, SHORT: 2, LONG: 4, RATIONAL: 8, UNDEFINED: 1}


class Tiff:
    def __init__(self):
        self.data = bytearray(b"II*\0" + struct.pack("<I", 0))

    def blob(self, payload):
        if len(self.data) % 2:
            self.data += b"\0"
        at = len(self.data)
        self.data += payload
        return at

    def directory(self, entries, next_at=0):
        """entries: (tag, type, values); values out of line are written first."""
        packed = []
        for tag, kind, values in sorted(entries):
            if kind in (ASCII, UNDEFINED, BYTE):
                raw = bytes(values)
                count = len(raw)
            else:
                fmt = {SHORT: "H", LONG: "I", RATIONAL: "II"}[kind]
                flat = [v for pair in values for v in pair] if kind == RATIONAL else values
                raw = struct.pack("<%d%s" % (len(flat), fmt[-1]), *flat)
                count = len(values)
            if len(raw) > 4:
                field = struct.pack("<I", self.blob(raw))
            else:
                field = raw.ljust(4, b"\0")
            packed.append(struct.pack("<HHI", tag, kind, count) + field)
        table = struct.pack("<H", len(packed)) + b"".join(packed) + struct.pack("<I", next_at)
        return self.blob(table)

    def patch_next(self, directory_at, next_at):
        count = struct.unpack_from("<H", self.data, directory_at)[0]
        struct.pack_into("<I", self.data, directory_at + 2 + 12 * count, next_at)


def main(path):
    t = Tiff()
    pattern = lambda n, seed: bytes((i * seed + 7) % 251 for i in range(n))
    preview = t.blob(pattern(48 * 16, 3))
    thumb = t.blob(b"\xff\xd8\xff\xdb" + pattern(900, 5) + b"\xff\xd9")
    strips = [t.blob(pattern(4000, s)) for s in (11, 13, 17)]
    tiles = [t.blob(pattern(3000, s)) for s in (19, 23)]
    raw_ifd = t.directory([
        (254, LONG, [0]), (256, SHORT, [100]), (257, SHORT, [60]), (258, SHORT, [16]),
        (259, SHORT, [1]), (273, LONG, strips), (278, SHORT, [20]),
        (279, LONG, [4000, 4000, 4000])])
    tiled_ifd = t.directory([
        (254, LONG, [1]), (256, SHORT, [64]), (257, SHORT, [32]), (322, SHORT, [32]),
        (323, SHORT, [32]), (324, LONG, tiles), (325, LONG, [3000, 3000])])
    exif_ifd = t.directory([
        (33434, RATIONAL, [(1, 250)]), (37500, UNDEFINED, list(pattern(300, 29)))])
    thumb_ifd = t.directory([(513, LONG, [thumb]), (514, LONG, [904])])
    first = t.directory([
        (254, LONG, [1]), (256, SHORT, [16]), (257, SHORT, [16]), (258, SHORT, [8, 8, 8]),
        (259, SHORT, [1]), (262, SHORT, [2]), (271, ASCII, list(b"NIKON CORPORATION\0")),
        (273, LONG, [preview]), (277, SHORT, [3]), (278, SHORT, [16]),
        (279, LONG, [48 * 16]), (330, LONG, [raw_ifd, tiled_ifd]), (34665, LONG, [exif_ifd]),
        (50706, BYTE, [1, 4, 0, 0])], thumb_ifd)
    struct.pack_into("<I", t.data, 4, first)
    # The last tile goes to the end, so that only a sub-directory names the file's end.
    last = t.blob(pattern(3000, 31))
    tiled_count = struct.unpack_from("<H", t.data, tiled_ifd)[0]
    for i in range(tiled_count):
        at = tiled_ifd + 2 + 12 * i
        tag, kind, count = struct.unpack_from("<HHI", t.data, at)
        if tag == 324:
            offsets_at = struct.unpack_from("<I", t.data, at + 8)[0]
            struct.pack_into("<I", t.data, offsets_at + 4, last)
    with open(path, "wb") as f:
        f.write(t.data)


if __name__ == "__main__":
    main(sys.argv[1])
