#!/bin/sh
# Times the advanced NTFS sweep of an NTFS image against a warm sequential read of the
# same image (best of three rounds each), and the assignment of MFT numbers and a
# volume to 100,000 directories. Not a test: the figures depend on the machine and
# its load.
#
#   bench/ntfs-advanced-benchmark.sh [BUILD_DIR]
#
# BUILD_DIR (default out/build) is a configured build; advanced-ntfs-bench is built in
# it. Environment: SIZE_MIB (default 1280), FOLDERS (default 2000), DATA_MIB (file
# data written, default 1024), DIRECTORIES (default 100000), WORK (folder for the
# image, default a new one under /tmp), KEEP (keep the image; an image already in WORK
# is reused). Needs mkntfs and ntfs-3g (FUSE, root).
set -eu

BUILD=${1:-$(dirname "$0")/../out/build}
SIZE_MIB=${SIZE_MIB:-1280}
FOLDERS=${FOLDERS:-2000}
DATA_MIB=${DATA_MIB:-1024}
DIRECTORIES=${DIRECTORIES:-100000}
WORK=${WORK:-$(mktemp -d /tmp/ntfs-advanced-benchmark.XXXXXX)}
IMAGE=$WORK/ntfs.img
mkdir -p "$WORK"
BENCH=$BUILD/bin/advanced-ntfs-bench

for tool in mkntfs ntfs-3g dd bc ninja; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
ninja -C "$BUILD" advanced-ntfs-bench >/dev/null

if [ ! -s "$IMAGE" ]; then
    echo "building a ${SIZE_MIB} MiB NTFS image with 4 KiB clusters in $WORK ..." >&2
    rm -f "$IMAGE"
    truncate -s "${SIZE_MIB}M" "$IMAGE"
    mkntfs -F -Q -q -s 512 -p 0 -H 255 -S 63 -c 4096 "$IMAGE"
    mkdir -p "$WORK/mnt"
    ntfs-3g "$IMAGE" "$WORK/mnt"
    i=1
    while [ "$i" -le "$FOLDERS" ]; do
        mkdir -p "$WORK/mnt/D$((i % 50))/S$i"
        echo "file $i" >"$WORK/mnt/D$((i % 50))/S$i/f.txt"
        i=$((i + 1))
    done
    head -c "${DATA_MIB}M" /dev/urandom >"$WORK/mnt/data.bin"
    umount "$WORK/mnt"
fi

sync
cat "$IMAGE" >/dev/null # warm the page cache for both contenders

seconds() { # runs "$@" quietly and prints the wall-clock seconds
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}
smaller() { echo "if ($1 < $2) $1 else $2" | bc; }

READ=999
SWEEP=999
for round in 1 2 3; do
    READ=$(smaller "$(seconds dd if="$IMAGE" of=/dev/null bs=1M)" "$READ")
    SWEEP_LINE=$("$BENCH" sweep "$IMAGE")
    SWEEP=$(smaller "$(echo "$SWEEP_LINE" | sed 's/^sweep \([0-9.]*\) s.*/\1/')" "$SWEEP")
done
ASSIGN_LINE=$("$BENCH" assign "$DIRECTORIES")
ASSIGN=$(echo "$ASSIGN_LINE" | sed 's/^assignment \([0-9.]*\) s.*/\1/')

printf '\n%-42s %s\n' "image" "$SIZE_MIB MiB NTFS, $FOLDERS folders, $DATA_MIB MiB of data"
printf '%-42s %s\n' "machine" "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
printf '%-42s %10.2f s\n' "dd sequential read (warm, bs=1M)" "$READ"
printf '%-42s %10.2f s\n' "advanced NTFS sweep (4 MiB batches)" "$SWEEP"
printf '%-42s %10.2f x   (target 1.5)\n' "sweep / sequential read" "$(echo "$SWEEP / $READ" | bc -l)"
printf '%-42s %s\n' "sweep found" "$(echo "$SWEEP_LINE" | sed 's/^sweep [0-9.]* s, //')"
printf '%-42s %10.3f s   (target 2)\n' "assignment of $DIRECTORIES directories" "$ASSIGN"
[ -n "${KEEP:-}" ] || rm -rf "$WORK"
