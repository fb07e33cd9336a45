#!/usr/bin/env python3
"""The FAT card steps of bench/fat-card-fragments-benchmark.sh.

  plan SAMPLES CLUSTER FILL   the copy order of the samples (printed), and into FILL the
                              hole files Hnnnn.BIN and survivor files Snnnn.BIN to copy
                              alternately, so that once the holes are deleted a first-fit
                              copy in that order splits the chosen samples
  forget-hint CARD            sets FSInfo's next free cluster to unknown
  fragments CARD FLS ORDER    prints "path fragments sectors" per sample (sectors as
                              first-last runs), from The Sleuth Kit's istat, after
                              checking that those sectors hold the sample
  lose CARD FLS               zeroes both FATs and every directory cluster
"""
import os
import random
import struct
import subprocess
import sys

SECTOR = 512


def plan(samples, cluster, fill):
    rng = random.Random(5)
    order = [line.split() for line in open(samples)]
    rng.shuffle(order)
    holes, cur = [], 0
    for path, _ in order:
        clusters = max(1, -(-os.path.getsize(path) // cluster))
        cuts = []
        if clusters >= 3 and rng.random() < 0.1:
            cuts = sorted(rng.sample(range(1, clusters), 2))
        elif clusters >= 2 and rng.random() < 0.6:
            cuts = [rng.randrange(1, clusters)]
        start = 0
        for cut in cuts:  # the hole closes behind each cut, a survivor follows it
            holes.append(cur + cut - start)
            cur, start = 0, cut
        cur += clusters - start
    if cur:
        holes.append(cur)
    for i, size in enumerate(holes):
        with open(os.path.join(fill, "H%04d.BIN" % i), "wb") as f:
            f.write(rng.randbytes(size * cluster))
        with open(os.path.join(fill, "S%04d.BIN" % i), "wb") as f:
            f.write(rng.randbytes(rng.randrange(1, 6) * cluster - rng.randrange(0, cluster)))
    for path, folder in order:
        print(path, folder)


def forget_hint(card):
    with open(card, "r+b") as f:
        boot = f.read(SECTOR)
        fsinfo = struct.unpack_from("<H", boot, 48)[0]
        f.seek(fsinfo * SECTOR + 492)
        f.write(struct.pack("<I", 0xFFFFFFFF))


def entries(fls):
    """(kind, inode, path) of every live entry of `fls -r -p`."""
    for line in open(fls):
        head, _, path = line.rstrip("\n").partition("\t")
        fields = head.split()
        if "*" in fields or not path or path.startswith("$"):
            continue
        yield fields[0], fields[1].rstrip(":"), path


def sectors(card, inode):
    out = subprocess.run(["istat", card, inode], check=True, capture_output=True, text=True).stdout
    listed = out.split("Sectors:", 1)[1].split()
    # istat pads the last line of a file's sectors with zeros; sector 0 is the boot sector.
    return [int(s) for s in listed if s.isdigit() and int(s) != 0]


def runs(numbers):
    """The runs of consecutive sectors, as [first, last] pairs."""
    found = []
    for n in numbers:
        if found and n == found[-1][1] + 1:
            found[-1][1] = n
        else:
            found.append([n, n])
    return found


def fragments(card, fls, order):
    inode = {path: number for kind, number, path in entries(fls) if kind.startswith("r/")}
    with open(card, "rb") as image:
        for line in open(order):
            path, folder = line.split()
            on_card = inode[folder + "/" + os.path.basename(path)]
            where = sectors(card, on_card)
            data = open(path, "rb").read()
            held = b""
            for s in where:
                image.seek(s * SECTOR)
                held += image.read(SECTOR)
            if held[: len(data)] != data:
                sys.exit("fat-card: %s is not where istat says" % path)
            pieces = runs(where)
            print(path, len(pieces), ",".join("%d-%d" % (a, b) for a, b in pieces))


def lose(card, fls):
    with open(card, "r+b") as f:
        boot = f.read(SECTOR)
        reserved = struct.unpack_from("<H", boot, 14)[0]
        fats = boot[16]
        fat_sectors = struct.unpack_from("<I", boot, 36)[0]
        # The folders' sectors first: istat follows their chains through the FAT.
        folders = ["2"] + [n for kind, n, _ in entries(fls) if kind.startswith("d/")]
        where = [s for folder in folders for s in sectors(card, folder)]
        f.seek(reserved * SECTOR)
        f.write(bytes(fats * fat_sectors * SECTOR))
        for s in where:
            f.seek(s * SECTOR)
            f.write(bytes(SECTOR))


if __name__ == "__main__":
    step, args = sys.argv[1], sys.argv[2:]
    if step == "plan":
        plan(args[0], int(args[1]), args[2])
    elif step == "forget-hint":
        forget_hint(args[0])
    elif step == "fragments":
        fragments(*args)
    elif step == "lose":
        lose(*args)
    else:
        sys.exit("fat-card: unknown step " + step)
