#!/bin/sh
# Times the standard NTFS search (bench/ntfs-walk.cpp, the engine's walk as the scan
# worker runs it) on an NTFS volume of FILES files in FOLDERS folders, side by side
# with The Sleuth Kit's fls -r on the same image and a warm sequential read of the
# MFT's extents with dd, and reports the walk's peak memory. Not a test: the figures
# depend on the machine. Needs root (ntfs-3g mount), mkntfs, fls, python3.
#
#   bench/ntfs-benchmark.sh
#
# Environment: BUILD (build folder with src/librecovery_core.a and bin/recovery-cli,
# default out/build; recovery-cli list is timed too when it is there),
# FILES (default 100000), FOLDERS (default 3000), SIZE_MIB (default 1024), WORK
# (folder for the image, default a new one under /tmp; an image already there is
# used again).
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$ROOT/out/build}
FILES=${FILES:-100000}
FOLDERS=${FOLDERS:-3000}
SIZE_MIB=${SIZE_MIB:-1024}
WORK=${WORK:-$(mktemp -d /tmp/ntfs-benchmark.XXXXXX)}
IMAGE=$WORK/ntfs.img
WALK=$WORK/ntfs-walk

for tool in mkntfs ntfs-3g fls dd python3 /usr/bin/time g++; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
[ -f "$BUILD/src/librecovery_core.a" ] || {
    echo "build recovery_core first (ninja -C $BUILD recovery_core)" >&2
    exit 1
}

g++ -std=c++20 -O2 -I"$ROOT/src" -I"$ROOT/tests" "$ROOT/bench/ntfs-walk.cpp" \
    "$BUILD/src/librecovery_core.a" -lpthread -o "$WALK"

if [ ! -f "$IMAGE" ]; then
    echo "building a ${SIZE_MIB} MiB NTFS image with $FILES files in $FOLDERS folders in $WORK ..." >&2
    truncate -s "${SIZE_MIB}M" "$IMAGE"
    mkntfs -F -Q -q -c 4096 "$IMAGE" >/dev/null 2>&1
    mkdir -p "$WORK/mnt"
    ntfs-3g -o big_writes "$IMAGE" "$WORK/mnt"
    python3 - "$WORK/mnt" "$FILES" "$FOLDERS" <<'PY'
import os, sys
root, files, folders = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
tops = max(1, int(folders ** 0.5))
dirs = []
for i in range(folders):
    d = os.path.join(root, "Top_%03d" % (i % tops), "Folder_%05d" % i)
    os.makedirs(d, exist_ok=True)
    dirs.append(d)
for n in range(files):
    # Most files small enough to stay in their record, every tenth one in clusters.
    size = 5000 if n % 10 == 0 else 100
    with open(os.path.join(dirs[n % folders], "file_%06d.txt" % n), "wb") as f:
        f.write(b"x" * size)
PY
    umount "$WORK/mnt"
fi

"$WALK" "$IMAGE" 0 --mft-runs >"$WORK/mft-runs.txt"
read_mft() {
    while read -r start sectors; do
        dd if="$IMAGE" of=/dev/null bs=4M iflag=skip_bytes,count_bytes \
            skip=$((start * 512)) count=$((sectors * 512)) status=none
    done <"$WORK/mft-runs.txt"
}
# Everything warm: one untimed pass of each.
read_mft
"$WALK" "$IMAGE" >/dev/null
fls -r "$IMAGE" >/dev/null 2>&1 || true

# Wall seconds, peak RSS (KiB) and CPU seconds (user + system) of a command.
elapsed() { /usr/bin/time -f "%e %M %U %S" "$@" 2>&1 >/dev/null | tail -1; }
field() { echo "$1" | awk -v n="$2" '{ print $n }'; }
cpu() { echo "$1" | awk '{ printf "%.2f", $3 + $4 }'; }
walk=$(elapsed "$WALK" "$IMAGE")
fls=$(elapsed sh -c "fls -r '$IMAGE' >/dev/null 2>&1")
CLI=$BUILD/bin/recovery-cli
if [ -x "$CLI" ]; then
    sectors=$(($(stat -c %s "$IMAGE") / 512))
    "$CLI" --image "$IMAGE" list --fs NTFS --start 0 --end "$sectors" >/dev/null 2>&1
    cli=$(elapsed sh -c "'$CLI' --image '$IMAGE' list --fs NTFS --start 0 --end $sectors >/dev/null 2>&1")
fi
mft_start=$(date +%s.%N)
mft_times=$( { /usr/bin/time -f "%U %S" sh -c '
    while read -r start sectors; do
        dd if="$1" of=/dev/null bs=4M iflag=skip_bytes,count_bytes \
            skip=$((start * 512)) count=$((sectors * 512)) status=none
    done <"$2"' sh "$IMAGE" "$WORK/mft-runs.txt"; } 2>&1 | tail -1)
mft_end=$(date +%s.%N)
counts=$("$WALK" "$IMAGE")
mft_bytes=$(awk '{ s += $2 } END { print s * 512 }' "$WORK/mft-runs.txt")

echo "volume: $FILES files in $FOLDERS folders, MFT $((mft_bytes / 1048576)) MiB in $(wc -l <"$WORK/mft-runs.txt") extents"
echo "walk:   $counts"
printf '%-28s %10s %12s %14s\n' "" "seconds" "CPU seconds" "peak RSS (MB)"
printf '%-28s %10s %12s %14s\n' "engine walk (ntfs-walk)" "$(field "$walk" 1)" "$(cpu "$walk")" \
    "$(($(field "$walk" 2) / 1024))"
[ -n "${cli:-}" ] && printf '%-28s %10s %12s %14s\n' "recovery-cli list" "$(field "$cli" 1)" \
    "$(cpu "$cli")" "$(($(field "$cli" 2) / 1024))"
printf '%-28s %10s %12s %14s\n' "fls -r" "$(field "$fls" 1)" "$(cpu "$fls")" \
    "$(($(field "$fls" 2) / 1024))"
printf '%-28s %10s %12s %14s\n' "dd of the MFT's extents" \
    "$(echo "$mft_end - $mft_start" | bc -l | sed 's/^\./0./' | cut -c1-6)" \
    "$(echo "0 0 $mft_times" | awk '{ printf "%.2f", $3 + $4 }')" "-"
echo "peak memory per file: $(($(field "$walk" 2) * 1024 / FILES)) bytes;" \
    "1,000,000 files: about $(($(field "$walk" 2) * 1000000 / FILES / 1024)) MB"
