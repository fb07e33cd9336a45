#!/usr/bin/env python3
"""Writes camera raw files of the makers whose formats no free tool writes: Panasonic
RW2 and Olympus ORF (TIFF directories behind their own magic numbers, made as the DNG of
make_camera_raw.py) and a Fujifilm RAF (its header, then the embedded JPEG given as the
second argument, a CFA header and CFA data)."""
import struct
import sys

import make_camera_raw


def tiff_with_magic(path, magic):
    make_camera_raw.main(path)
    with open(path, "r+b") as f:
        f.seek(2)
        f.write(magic)


def raf(path, jpeg_path):
    with open(jpeg_path, "rb") as f:
        jpeg = f.read()
    pattern = lambda n, seed: bytes((i * seed + 3) % 253 for i in range(n))
    cfa_header = struct.pack(">I", 4) + pattern(60, 7)
    cfa = pattern(20000, 11)
    head = bytearray(b"FUJIFILMCCD-RAW 0201FF383501" + b"X-T100".ljust(32, b"\0"))
    head += b"0100" + b"\0" * 20  # the directory version and unknown bytes
    jpeg_at = 160
    cfa_header_at = jpeg_at + len(jpeg) + (-len(jpeg)) % 16
    cfa_at = cfa_header_at + len(cfa_header) + 16
    head = head.ljust(84, b"\0")
    head += struct.pack(">IIIIII", jpeg_at, len(jpeg), cfa_header_at, len(cfa_header), cfa_at,
                        len(cfa))
    data = bytearray(head.ljust(jpeg_at, b"\0"))
    data += jpeg
    data = data.ljust(cfa_header_at, b"\0") + cfa_header
    data = data.ljust(cfa_at, b"\0") + cfa
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    out, jpeg = sys.argv[1], sys.argv[2]
    tiff_with_magic(out + "/camera.rw2", b"U\0")
    tiff_with_magic(out + "/camera.orf", b"RO")
    raf(out + "/camera.raf", jpeg)
