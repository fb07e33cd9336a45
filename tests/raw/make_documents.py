#!/usr/bin/env python3
"""Writes small but well-formed Office 97 documents and Zip archives for the raw
search tests and the benchmark.

The documents are compound files (version 3, 512-byte sectors) laid out as Office
writes them: allocation table sectors first, then the directory, the mini table,
the mini stream and the large streams. Streams under 4096 bytes live in the mini
stream. Every stream a reader looks for is there: WordDocument, 1Table and CompObj
for Word; Workbook for Excel; PowerPoint Document and Current User for PowerPoint.

usage: make_documents.py OUTDIR [--seed N] [--scale K]
Writes OUTDIR/<name> files and OUTDIR/manifest.txt (name and kind per line).
"""
import io
import os
import random
import struct
import sys
import zipfile

SECTOR = 512
MINI = 64
FREE, END, FATSECT, DIFSECT = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD, 0xFFFFFFFC
PER_FAT = SECTOR // 4


def text_bytes(rng, size):
    """Printable filler, like document text (never holds a marker by chance)."""
    words = [b"recovery ", b"sector ", b"document ", b"table ", b"lorem ", b"ipsum ",
             b"card ", b"archive ", b"quarterly ", b"figures "]
    out = bytearray()
    while len(out) < size:
        out += rng.choice(words)
    return bytes(out[:size])


def compobj(user_type, clipboard, prog_id):
    def lp(s):
        b = s.encode("ascii") + b"\0"
        return struct.pack("<I", len(b)) + b
    return (struct.pack("<HHIi16s", 0xFFFE, 0, 0x0A03, -1, b"\0" * 16) + lp(user_type) +
            lp(clipboard) + lp(prog_id) + struct.pack("<I", 0x71B239F4) + b"\0" * 12)


def chain(fat, first, count):
    for i in range(count):
        fat[first + i] = first + i + 1 if i + 1 < count else END


def compound_file(streams, directory_first=True):
    """streams: list of (name, bytes). Returns the bytes of a compound file."""
    big = [(n, d) for n, d in streams if len(d) >= 4096]
    small = [(n, d) for n, d in streams if len(d) < 4096]
    # The mini stream: small streams in 64-byte mini sectors.
    mini = bytearray()
    minifat = []
    mini_start = {}
    for name, data in small:
        count = max(1, (len(data) + MINI - 1) // MINI)
        first = len(mini) // MINI
        mini_start[name] = first
        for i in range(count):
            minifat.append(first + i + 1 if i + 1 < count else END)
        mini += data + b"\0" * (count * MINI - len(data))
    entries = 1 + len(streams)
    dir_sectors = (entries * 128 + SECTOR - 1) // SECTOR
    minifat_sectors = (len(minifat) * 4 + SECTOR - 1) // SECTOR
    mini_sectors = (len(mini) + SECTOR - 1) // SECTOR
    big_sectors = sum((len(d) + SECTOR - 1) // SECTOR for _, d in big)
    body = dir_sectors + minifat_sectors + mini_sectors + big_sectors
    # Table sectors (and continuation sectors beyond 109 of them) cover themselves.
    fat_sectors = 1
    while True:
        difat_sectors = 0 if fat_sectors <= 109 else (fat_sectors - 109 + PER_FAT - 2) // (PER_FAT - 1)
        total = fat_sectors + difat_sectors + body
        if fat_sectors * PER_FAT >= total:
            break
        fat_sectors += 1
    fat = [FREE] * (fat_sectors * PER_FAT)
    for i in range(fat_sectors):
        fat[i] = FATSECT
    pos = fat_sectors
    difat_first = pos if difat_sectors else END
    for i in range(difat_sectors):
        fat[pos + i] = DIFSECT
    pos += difat_sectors
    dir_first = pos
    chain(fat, pos, dir_sectors)
    pos += dir_sectors
    minifat_first = pos if minifat_sectors else END
    chain(fat, pos, minifat_sectors)
    pos += minifat_sectors
    mini_first = pos if mini_sectors else END
    chain(fat, pos, mini_sectors)
    pos += mini_sectors
    big_start = {}
    for name, data in big:
        count = (len(data) + SECTOR - 1) // SECTOR
        big_start[name] = pos
        chain(fat, pos, count)
        pos += count

    def entry(name, kind, start, size, child=FREE, left=FREE, right=FREE):
        raw = name.encode("utf-16-le") + b"\0\0"
        return (raw.ljust(64, b"\0") + struct.pack("<HBB", len(raw), kind, 1) +
                struct.pack("<III", left, right, child) + b"\0" * 16 + b"\0" * 4 +
                b"\0" * 16 + struct.pack("<IIi", start, size, 0))

    # Children of the root as a right-leaning chain (a valid, if unbalanced, tree).
    names = [n for n, _ in streams]
    directory = bytearray(entry("Root Entry", 5, mini_first, len(mini),
                                child=1 if names else FREE))
    for i, (name, data) in enumerate(streams):
        start = mini_start[name] if name in mini_start else big_start[name]
        right = i + 2 if i + 1 < len(streams) else FREE
        directory += entry(name, 2, start, len(data), right=right)
    directory += b"\0" * (dir_sectors * SECTOR - len(directory))

    difat = [FREE] * 109
    fat_ids = list(range(fat_sectors))
    for i, s in enumerate(fat_ids[:109]):
        difat[i] = s
    header = (bytes.fromhex("D0CF11E0A1B11AE1") + b"\0" * 16 +
              struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6) + b"\0" * 6 +
              struct.pack("<IIIIIIIII", 0, fat_sectors, dir_first, 0, 4096, minifat_first,
                          minifat_sectors, difat_first, difat_sectors) +
              struct.pack("<109I", *difat))
    assert len(header) == SECTOR
    out = bytearray(header)
    out += b"".join(struct.pack("<I", v) for v in fat)
    rest = fat_ids[109:]
    for i in range(difat_sectors):
        part = rest[i * (PER_FAT - 1):(i + 1) * (PER_FAT - 1)]
        part += [FREE] * (PER_FAT - 1 - len(part))
        nxt = fat_sectors + i + 1 if i + 1 < difat_sectors else END
        out += struct.pack("<%dI" % PER_FAT, *(part + [nxt]))
    out += directory
    mf = b"".join(struct.pack("<I", v) for v in minifat)
    out += mf + b"\xff" * (minifat_sectors * SECTOR - len(mf))
    out += mini + b"\0" * (mini_sectors * SECTOR - len(mini))
    for _, data in big:
        out += data + b"\0" * (((len(data) + SECTOR - 1) // SECTOR) * SECTOR - len(data))
    return bytes(out)


def word_document(rng, size, late_compobj=False):
    """late_compobj: the CompObj stream padded to a large stream, so it lies behind the
    text, far from the header."""
    fib = struct.pack("<HH", 0xA5EC, 0xC1) + b"\0" * 28
    obj = compobj("Microsoft Word 97-2003 Document", "MSWordDoc", "Word.Document.8")
    if late_compobj:
        obj += b"\0" * (4096 - len(obj))
    return compound_file([
        ("WordDocument", fib + text_bytes(rng, max(4096, size) - len(fib))),
        ("1Table", text_bytes(rng, 4200)),
        ("\x01CompObj", obj),
        ("SummaryInformation", text_bytes(rng, 300)),
    ])


def excel_workbook(rng, size):
    bof = struct.pack("<HHHHHHII", 0x0809, 16, 0x0600, 0x0005, 0x2775, 0x07CD, 0, 6)
    return compound_file([
        ("Workbook", bof + text_bytes(rng, max(4096, size) - len(bof))),
        ("\x01CompObj", compobj("Microsoft Excel 97-2003 Worksheet", "Biff8",
                                "Excel.Sheet.8")),
        ("\x05SummaryInformation", text_bytes(rng, 200)),
    ])


def powerpoint_presentation(rng, size):
    return compound_file([
        ("PowerPoint Document", text_bytes(rng, max(4096, size))),
        ("Current User", text_bytes(rng, 60)),
        ("Pictures", text_bytes(rng, 5000)),
    ])


def zip_archive(rng, files, method, comment=b""):
    data = io.BytesIO()
    with zipfile.ZipFile(data, "w", compression=method) as z:
        for i, size in enumerate(files):
            info = zipfile.ZipInfo("folder/file%d.txt" % i, date_time=(2004, 11, 3, 9, 5, 0))
            info.compress_type = method
            z.writestr(info, text_bytes(rng, size))
        z.comment = comment
    return data.getvalue()


def main():
    args = sys.argv[1:]
    if not args:
        print(__doc__, file=sys.stderr)
        return 2
    out = args[0]
    seed = int(args[args.index("--seed") + 1]) if "--seed" in args else 7
    scale = int(args[args.index("--scale") + 1]) if "--scale" in args else 1
    rng = random.Random(seed)
    os.makedirs(out, exist_ok=True)
    made = [
        ("small.doc", "doc", word_document(rng, 6000)),
        ("report.doc", "doc", word_document(rng, 90000 * scale)),
        ("large.doc", "doc", word_document(rng, 7_500_000)),
        ("sheet.xls", "xls", excel_workbook(rng, 20000 * scale)),
        ("budget.xls", "xls", excel_workbook(rng, 300000 * scale)),
        ("slides.ppt", "ppt", powerpoint_presentation(rng, 40000 * scale)),
        ("deck.ppt", "ppt", powerpoint_presentation(rng, 500000 * scale)),
        ("stored.zip", "zip", zip_archive(rng, [3000, 70000 * scale], zipfile.ZIP_STORED)),
        ("deflated.zip", "zip", zip_archive(rng, [250000 * scale, 1000], zipfile.ZIP_DEFLATED,
                                            b"archive comment")),
        ("tiny.zip", "zip", zip_archive(rng, [100], zipfile.ZIP_DEFLATED)),
        ("late.doc", "doc", word_document(rng, 900000 * scale, late_compobj=True)),
    ]
    with open(os.path.join(out, "manifest.txt"), "w") as manifest:
        for name, kind, data in made:
            with open(os.path.join(out, name), "wb") as f:
                f.write(data)
            manifest.write("%s %s\n" % (name, kind))
    return 0


if __name__ == "__main__":
    sys.exit(main())
