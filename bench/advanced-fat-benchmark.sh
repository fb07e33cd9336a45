#!/bin/sh
# Times the advanced FAT sweep of a FAT32 image against a warm sequential read of the
# same image (best of three rounds each), and the file-system inference over 100,000
# directory heads. Not a test: the figures depend on the machine and its load.
#
#   bench/advanced-fat-benchmark.sh [BUILD_DIR]
#
# BUILD_DIR (default out/build) is a configured build; advanced-fat-bench is built in
# it. Environment: SIZE_MIB (default 2304), FOLDERS (default 2000), DATA_MIB (file data
# written, default 1024), HEADS (default 100000), WORK (folder for the image, default
# a new one under /tmp), KEEP (keep the image; an image already in WORK is reused).
set -eu

BUILD=${1:-$(dirname "$0")/../out/build}
SIZE_MIB=${SIZE_MIB:-2304}
FOLDERS=${FOLDERS:-2000}
DATA_MIB=${DATA_MIB:-1024}
HEADS=${HEADS:-100000}
WORK=${WORK:-$(mktemp -d /tmp/advanced-fat-benchmark.XXXXXX)}
IMAGE=$WORK/fat32.img
mkdir -p "$WORK"
BENCH=$BUILD/bin/advanced-fat-bench
export MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8

for tool in mkfs.fat mmd mcopy dd bc ninja; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
ninja -C "$BUILD" advanced-fat-bench >/dev/null

if [ ! -s "$IMAGE" ]; then
    echo "building a ${SIZE_MIB} MiB FAT32 image with 4 KiB clusters in $WORK ..." >&2
    rm -f "$IMAGE"
    truncate -s "${SIZE_MIB}M" "$IMAGE"
    mkfs.fat -F 32 -s 8 "$IMAGE" >/dev/null
    # Folders in batches of 100 top-level ones, then file data spread over the volume.
    i=1
    while [ "$i" -le "$FOLDERS" ]; do
        batch=""
        j=0
        while [ "$j" -lt 100 ] && [ "$i" -le "$FOLDERS" ]; do
            batch="$batch ::/D$i"
            i=$((i + 1))
            j=$((j + 1))
        done
        # shellcheck disable=SC2086
        mmd -i "$IMAGE" $batch
    done
    head -c "${DATA_MIB}M" /dev/urandom >"$WORK/data.bin"
    mcopy -i "$IMAGE" "$WORK/data.bin" ::/data.bin
    rm -f "$WORK/data.bin"
    # The volume's boot sectors are gone: the search works from its directories alone.
    dd if=/dev/zero of="$IMAGE" bs=512 count=1 conv=notrunc 2>/dev/null
    dd if=/dev/zero of="$IMAGE" bs=512 seek=6 count=1 conv=notrunc 2>/dev/null
fi

sync # nothing of the image left to write back while the contenders run
cat "$IMAGE" >/dev/null # warm the page cache for both contenders

seconds() { # runs "$@" quietly and prints the wall-clock seconds
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}
smaller() { echo "if ($1 < $2) $1 else $2" | bc; }

# Three rounds, each contender in turn; the best time of each counts.
READ=999
SWEEP=999
for round in 1 2 3; do
    READ=$(smaller "$(seconds dd if="$IMAGE" of=/dev/null bs=1M)" "$READ")
    SWEEP_LINE=$("$BENCH" sweep "$IMAGE" FAT32)
    SWEEP=$(smaller "$(echo "$SWEEP_LINE" | sed 's/^sweep \([0-9.]*\) s.*/\1/')" "$SWEEP")
done
INFER_LINE=$("$BENCH" infer "$HEADS")
INFER=$(echo "$INFER_LINE" | sed 's/^inference \([0-9.]*\) s.*/\1/')

printf '\n%-42s %s\n' "image" "$SIZE_MIB MiB FAT32, $FOLDERS folders, boot sectors zeroed"
printf '%-42s %s\n' "machine" "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
printf '%-42s %10.2f s\n' "dd sequential read (warm, bs=1M)" "$READ"
printf '%-42s %10.2f s\n' "advanced sweep (1 MiB batches)" "$SWEEP"
printf '%-42s %10.2f x   (target 1.3)\n' "sweep / sequential read" "$(echo "$SWEEP / $READ" | bc -l)"
printf '%-42s %s\n' "sweep found" "$(echo "$SWEEP_LINE" | sed 's/^sweep [0-9.]* s, //')"
printf '%-42s %10.3f s   (target 1)\n' "inference of $HEADS directory heads" "$INFER"
[ -n "${KEEP:-}" ] || rm -rf "$WORK"
