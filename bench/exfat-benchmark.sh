#!/bin/sh
# Times the standard exFAT search on a sparse exFAT image of SIZE_GIB GiB with FILES
# files in FOLDERS folders: recovery-cli list against The Sleuth Kit's fls -r and a warm
# dd of the whole volume, and the heap sweep for lost directories (bench/exfat-sweep.cpp)
# against a warm dd of the cluster heap. Not a test: the figures depend on the machine.
# Needs root (loop device and exfat-fuse mount), mkfs.exfat, fls, python3.
#
#   bench/exfat-benchmark.sh
#
# Environment: BUILD (build folder with src/librecovery_core.a and bin/recovery-cli,
# default out/build), FILES (default 20000), FOLDERS (default 3000), SIZE_GIB
# (default 4), WORK (folder for the image, default a new one under /tmp; an image
# already there is used again).
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$ROOT/out/build}
FILES=${FILES:-20000}
FOLDERS=${FOLDERS:-3000}
SIZE_GIB=${SIZE_GIB:-4}
WORK=${WORK:-$(mktemp -d /tmp/exfat-benchmark.XXXXXX)}
mkdir -p "$WORK"
IMAGE=$WORK/exfat.img
SWEEP=$WORK/exfat-sweep
CLI=$BUILD/bin/recovery-cli

for tool in mkfs.exfat mount.exfat-fuse losetup fls dd python3 /usr/bin/time g++; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
[ -f "$BUILD/src/librecovery_core.a" ] && [ -x "$CLI" ] || {
    echo "build recovery_core and recovery-cli first (ninja -C $BUILD recovery-cli)" >&2
    exit 1
}

g++ -std=c++20 -O2 -I"$ROOT/src" -I"$ROOT/tests" "$ROOT/bench/exfat-sweep.cpp" \
    "$BUILD/src/librecovery_core.a" -lpthread -o "$SWEEP"

if [ ! -f "$IMAGE" ]; then
    echo "building a ${SIZE_GIB} GiB exFAT image with $FILES files in $FOLDERS folders in $WORK ..." >&2
    truncate -s "${SIZE_GIB}G" "$IMAGE"
    mkfs.exfat -c 32768 "$IMAGE" >/dev/null
    LOOP=$(losetup -f --show "$IMAGE")
    mkdir -p "$WORK/mnt"
    mount.exfat-fuse "$LOOP" "$WORK/mnt"
    python3 - "$WORK/mnt" "$FILES" "$FOLDERS" <<'PY'
import os, sys
root, files, folders = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
tops = max(1, int(folders ** 0.5))
dirs = []
for i in range(folders):
    d = os.path.join(root, "Top_%03d" % (i % tops), "Folder_%05d" % i)
    os.makedirs(d, exist_ok=True)
    dirs.append(d)
block = os.urandom(1 << 20)
for n in range(files):
    # Mostly small files; every hundredth one a few MiB, so the heap holds data too.
    size = 3 << 20 if n % 100 == 0 else 2000
    with open(os.path.join(dirs[n % folders], "file_%06d.dat" % n), "wb") as f:
        left = size
        while left > 0:
            f.write(block[:min(left, len(block))])
            left -= len(block)
PY
    umount "$WORK/mnt"
    losetup -d "$LOOP"
fi

SECTORS=$(( $(stat -c %s "$IMAGE") / 512 ))
set -- $("$SWEEP" "$IMAGE" --heap)
HEAP_START=$1
HEAP_END=$2
read_volume() { dd if="$IMAGE" of=/dev/null bs=4M status=none; }
read_heap() {
    dd if="$IMAGE" of=/dev/null bs=4M iflag=skip_bytes,count_bytes \
        skip=$((HEAP_START * 512)) count=$(((HEAP_END - HEAP_START) * 512)) status=none
}
list() { "$CLI" --image "$IMAGE" list --fs exFAT --start 0 --end "$SECTORS" >/dev/null 2>&1; }
# Everything warm: one untimed pass of each.
read_volume
list
fls -r "$IMAGE" >/dev/null 2>&1 || true

# Wall seconds and peak RSS (KiB) of a command.
elapsed() { /usr/bin/time -f "%e %M" "$@" 2>&1 >/dev/null | tail -1; }
field() { echo "$1" | awk -v n="$2" '{ print $n }'; }
cli=$(elapsed sh -c "'$CLI' --image '$IMAGE' list --fs exFAT --start 0 --end $SECTORS >/dev/null 2>&1")
fls=$(elapsed sh -c "fls -r '$IMAGE' >/dev/null 2>&1")
dd_volume=$(elapsed dd if="$IMAGE" of=/dev/null bs=4M status=none)
dd_heap=$(elapsed sh -c "dd if='$IMAGE' of=/dev/null bs=4M iflag=skip_bytes,count_bytes skip=$((HEAP_START * 512)) count=$(((HEAP_END - HEAP_START) * 512)) status=none")
parts=$("$SWEEP" "$IMAGE")
walk_s=$(echo "$parts" | awk '/^walk/ { print $2 }')
sweep_s=$(echo "$parts" | awk '/^sweep/ { print $2 }')
lines=$("$CLI" --image "$IMAGE" list --fs exFAT --start 0 --end "$SECTORS" 2>/dev/null | wc -l)

echo "image: $IMAGE (${SIZE_GIB} GiB, $FILES files, $FOLDERS folders; heap sectors $HEAP_START-$HEAP_END)"
echo "recovery-cli list:   $(field "$cli" 1) s  (peak $(field "$cli" 2) KiB, $lines lines)"
echo "fls -r:              $(field "$fls" 1) s  (peak $(field "$fls" 2) KiB)"
echo "dd of the volume:    $(field "$dd_volume" 1) s"
echo "directory walk:      $walk_s s"
echo "heap sweep:          $sweep_s s"
echo "dd of the heap:      $(field "$dd_heap" 1) s"
awk -v s="$sweep_s" -v d="$(field "$dd_heap" 1)" \
    'BEGIN { if (d > 0) printf "sweep / dd:          %.2f\n", s / d }'
