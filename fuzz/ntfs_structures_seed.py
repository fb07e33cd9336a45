#!/usr/bin/env python3
"""Writes a seed medium for fuzz_ntfs_structures: a small NTFS-like volume whose first
bytes give the fuzz target's geometry (2 sectors per cluster, volume from sector 0,
MFT at sector 4) with a root folder, a resident file, a file in two runs with a sparse
gap, a compressed file, a file with an attribute list and an orphan folder.

    fuzz/ntfs_structures_seed.py CORPUS_DIR
"""
import os
import struct
import sys

SECTOR, CLUSTER, MFT_SECTOR = 512, 1024, 4
medium = bytearray(256 * 1024)
medium[0:5] = bytes([1, 0, 0, 1, MFT_SECTOR])  # spc 2, start 0, 257 sectors, MFT at 4


def name_value(parent, name, space=1):
    units = name.encode("utf-16-le")
    return struct.pack("<QQ", parent, 0) + bytes(0x28) + bytes([len(name), space]) + units


def resident(kind, value, name=""):
    units = name.encode("utf-16-le")
    value_at = (0x18 + len(units) + 7) & ~7
    length = (value_at + len(value) + 7) & ~7
    a = bytearray(length)
    struct.pack_into("<IIBBH", a, 0, kind, length, 0, len(name), 0x18)
    struct.pack_into("<IH", a, 0x10, len(value), value_at)
    a[0x18:0x18 + len(units)] = units
    a[value_at:value_at + len(value)] = value
    return bytes(a)


def non_resident(kind, runs, size, vcn=0, flags=0, unit=0):
    length = (0x48 + len(runs) + 7) & ~7
    a = bytearray(length)
    struct.pack_into("<IIBBHH", a, 0, kind, length, 1, 0, 0x40, flags)
    struct.pack_into("<QQHH", a, 0x10, vcn, vcn + 64, 0x48, unit)
    struct.pack_into("<QQQ", a, 0x28, size, size, size)
    a[0x48:0x48 + len(runs)] = runs
    return bytes(a)


def record(number, flags, *attributes, base=0):
    r = bytearray(1024)
    r[0:4] = b"FILE"
    struct.pack_into("<HH", r, 4, 0x30, 3)
    struct.pack_into("<HBB", r, 0x14, 0x38, flags, 0)
    struct.pack_into("<II", r, 0x1C, 1024, base)
    at = 0x38
    for a in attributes:
        r[at:at + len(a)] = a
        at += len(a)
    struct.pack_into("<I", r, at, 0xFFFFFFFF)
    struct.pack_into("<H", r, 0x30, 0x0101)
    for i in range(2):
        r[0x32 + 2 * i:0x34 + 2 * i] = r[510 + 512 * i:512 + 512 * i]
        r[510 + 512 * i:512 + 512 * i] = b"\x01\x01"
    start = (MFT_SECTOR + 2 * number) * SECTOR
    medium[start:start + 1024] = r


record(0, 1, resident(0x30, name_value(5, "$MFT", 3)),
       non_resident(0x80, bytes([0x11, 32, 2, 0]), 32 * 1024))
record(5, 3, resident(0x30, name_value(5, ".", 3)))
record(20, 1, resident(0x30, name_value(5, "small.txt")), resident(0x80, b"hello"))
record(21, 1, resident(0x30, name_value(5, "runs.bin")),
       non_resident(0x80, bytes([0x11, 2, 60, 0x01, 2, 0x11, 1, 5, 0]), 5 * 1024 - 7))
chunk = bytes([0x05, 0xB0, 0x08]) + b"abc" + bytes([0x06, 0x20, 0, 0])
medium[80 * CLUSTER:80 * CLUSTER + len(chunk)] = chunk
record(22, 1, resident(0x30, name_value(5, "packed.txt")),
       non_resident(0x80, bytes([0x11, 1, 80, 0x01, 15, 0]), 12, flags=1, unit=4))
entries = b"".join(struct.pack("<IHBBQQ", kind, 0x20, 0, 0x1A, vcn, rec) + bytes(8)
                   for kind, vcn, rec in ((0x30, 0, 23), (0x80, 0, 24), (0x80, 1, 25)))
record(23, 0, resident(0x20, entries), resident(0x30, name_value(5, "gone.bin")))
record(24, 1, non_resident(0x80, bytes([0x11, 1, 90, 0]), 2000), base=23)
record(25, 1, non_resident(0x80, bytes([0x11, 1, 91, 0]), 0, vcn=1), base=23)
record(26, 2, resident(0x30, name_value(999, "orphan")))
record(27, 1, resident(0x30, name_value(26, "child.doc")), resident(0x80, b"x"))

os.makedirs(sys.argv[1], exist_ok=True)
with open(os.path.join(sys.argv[1], "seed-volume"), "wb") as out:
    out.write(medium)
