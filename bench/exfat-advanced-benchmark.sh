#!/bin/sh
# Times the Advanced exFAT search on a sparse exFAT image of SIZE_GIB GiB holding FILES
# photos in FOLDERS folders whose boot regions were zeroed: its sweep of the whole image
# (bench/exfat-advanced-sweep.cpp) against a warm dd of the same image, side by side,
# then the inference and the tree, and recovery-cli list --mode advanced as a whole.
# Not a test: the figures depend on the machine.
# Needs root (loop device and exfat-fuse mount), mkfs.exfat, python3.
#
#   bench/exfat-advanced-benchmark.sh
#
# Environment: BUILD (build folder with src/librecovery_core.a and bin/recovery-cli,
# default out/build), FILES (default 4000), FOLDERS (default 40), SIZE_GIB (default 2),
# TURNS (best of, default 3), WORK (folder for the image, default a new one under
# /tmp; an image already there is used again).
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$ROOT/out/build}
FILES=${FILES:-4000}
FOLDERS=${FOLDERS:-40}
SIZE_GIB=${SIZE_GIB:-2}
TURNS=${TURNS:-3}
WORK=${WORK:-$(mktemp -d /tmp/exfat-advanced-benchmark.XXXXXX)}
IMAGE=$WORK/bootless.img
TIMER=$WORK/exfat-advanced-sweep
CLI=$BUILD/bin/recovery-cli

for tool in mkfs.exfat mount.exfat-fuse losetup dd python3 g++; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
[ -f "$BUILD/src/librecovery_core.a" ] && [ -x "$CLI" ] || {
    echo "build recovery_core and recovery-cli first (ninja -C $BUILD recovery-cli)" >&2
    exit 1
}

g++ -std=c++20 -O2 -I"$ROOT/src" -I"$ROOT/tests" "$ROOT/bench/exfat-advanced-sweep.cpp" \
    "$BUILD/src/librecovery_core.a" -lpthread -o "$TIMER"

if [ ! -f "$IMAGE" ]; then
    echo "building a ${SIZE_GIB} GiB card with $FILES photos in $FOLDERS folders in $WORK ..." >&2
    truncate -s "${SIZE_GIB}G" "$IMAGE"
    mkfs.exfat -c 32768 "$IMAGE" >/dev/null
    LOOP=$(losetup -f --show "$IMAGE")
    mkdir -p "$WORK/mnt"
    mount.exfat-fuse "$LOOP" "$WORK/mnt"
    python3 - "$WORK/mnt" "$FILES" "$FOLDERS" <<'PY'
import os, sys
root, files, folders = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
block = os.urandom(1 << 20)
for n in range(files):
    d = os.path.join(root, "DCIM", "%03dCAMERA" % (100 + n % folders))
    os.makedirs(d, exist_ok=True)
    size = 100000 + (n * 7919) % 300000
    with open(os.path.join(d, "IMG_%05d.JPG" % n), "wb") as f:
        f.write(b"\xff\xd8\xff\xe1" + block[:size - 6] + b"\xff\xd9")
PY
    umount "$WORK/mnt"
    losetup -d "$LOOP"
    dd if=/dev/zero of="$IMAGE" bs=512 count=24 conv=notrunc status=none
fi

SECTORS=$(( $(stat -c %s "$IMAGE") / 512 ))
# Everything warm: one untimed pass of each.
dd if="$IMAGE" of=/dev/null bs=4M status=none
"$TIMER" "$IMAGE" >/dev/null

best() { sort -n | head -1; }
dd_s=$(for t in $(seq "$TURNS"); do
    /usr/bin/time -f "%e" dd if="$IMAGE" of=/dev/null bs=4M status=none 2>&1 | tail -1
done | best)
runs=$(for t in $(seq "$TURNS"); do "$TIMER" "$IMAGE" | tr '\n' ' '; echo; done)
sweep_s=$(echo "$runs" | awk '{ print $2 }' | best)
line=$(echo "$runs" | head -1)
cli_s=$(for t in $(seq "$TURNS"); do
    /usr/bin/time -f "%e" sh -c "'$CLI' --image '$IMAGE' list --mode advanced --fs exFAT --start 0 --end $SECTORS >/dev/null 2>&1" 2>&1 | tail -1
done | best)

echo "image: $IMAGE (${SIZE_GIB} GiB, $FILES photos, $FOLDERS folders, boot regions zeroed; best of $TURNS)"
echo "dd of the image:            $dd_s s"
echo "advanced sweep:             $sweep_s s  ($(echo "$line" | awk '{ print $4 }') folder sets)"
awk -v s="$sweep_s" -v d="$dd_s" 'BEGIN { if (d > 0) printf "sweep / dd:                 %.2f\n", s / d }'
echo "inference and FAT:          $(echo "$line" | awk '{ print $6 }') s  ($(echo "$line" | awk '{ print $7 }') file systems)"
echo "tree of the largest:        $(echo "$line" | awk '{ print $9 }') s  ($(echo "$line" | awk '{ print $10 }') folders, $(echo "$line" | awk '{ print $11 }') files)"
echo "recovery-cli list --mode advanced: $cli_s s"
