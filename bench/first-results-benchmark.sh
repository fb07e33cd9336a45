#!/bin/sh
# First results on a big card read slowly: the Standard search of a FAT32 and an exFAT
# card of SIZE_GIB GiB (sparse images holding a few hundred folders and files) served by
# the stall-fs FUSE medium at RATE bytes a second. For each card it prints side by side:
# the time to the walked tree (`list --walk-only`, and the moment the whole search says
# how many folders the walk reached), the time to the end of the whole search, and dd of
# the medium through the same throttle. Not a test: the figures depend on the machine.
# Needs root (FUSE; loop device and exfat-fuse to fill the exFAT card), mkfs.fat, mtools,
# mkfs.exfat, python3.
#
#   bench/first-results-benchmark.sh
#
# Environment: BUILD (build folder with bin/recovery-cli and tests/stall-fs, default
# out/build), SIZE_GIB (default 8), RATE (default 40000000), FOLDERS (top folders,
# default 20), SUBFOLDERS (in each, default 10), WORK (folder for the images, default
# a new one under /tmp; images already there are used again), TURNS (the search and dd
# take turns this many times and the best of each is printed, default 1).
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$ROOT/out/build}
SIZE_GIB=${SIZE_GIB:-8}
RATE=${RATE:-40000000}
FOLDERS=${FOLDERS:-20}
SUBFOLDERS=${SUBFOLDERS:-10}
TURNS=${TURNS:-1}
WORK=${WORK:-$(mktemp -d /tmp/first-results.XXXXXX)}
CLI=$BUILD/bin/recovery-cli
STALL=$BUILD/tests/stall-fs
export MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8

for tool in mkfs.fat mmd mcopy mkfs.exfat mount.exfat-fuse losetup fusermount3 python3 dd bc \
    "$CLI" "$STALL"; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

# FAT32: FOLDERS at the root, SUBFOLDERS in each, a small file in every folder, and
# one folder deleted with its file.
fat_card() {
    image=$1
    truncate -s "${SIZE_GIB}G" "$image"
    mkfs.fat -F 32 "$image" >/dev/null
    echo "some text" >"$WORK/note.txt"
    i=1
    while [ "$i" -le "$FOLDERS" ]; do
        top=$(printf 'Folder_%03d' "$i")
        subs=""
        j=1
        while [ "$j" -le "$SUBFOLDERS" ]; do
            subs="$subs ::/$top/Sub$j"
            j=$((j + 1))
        done
        # shellcheck disable=SC2086
        mmd -i "$image" "::/$top" $subs
        mcopy -i "$image" "$WORK/note.txt" "::/$top/note.txt"
        mcopy -i "$image" "$WORK/note.txt" "::/$top/Sub1/note.txt"
        i=$((i + 1))
    done
    mdel -i "$image" "::/Folder_001/Sub1/note.txt"
    mrd -i "$image" "::/Folder_001/Sub1"
}

# exFAT: the same shape, written through exfat-fuse.
exfat_card() {
    image=$1
    truncate -s "${SIZE_GIB}G" "$image"
    mkfs.exfat "$image" >/dev/null
    loop=$(losetup -f --show "$image")
    mkdir -p "$WORK/exfat-mnt"
    mount.exfat-fuse "$loop" "$WORK/exfat-mnt"
    python3 - "$WORK/exfat-mnt" "$FOLDERS" "$SUBFOLDERS" <<'PY'
import os, shutil, sys
root, tops, subs = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
for i in range(1, tops + 1):
    for j in range(1, subs + 1):
        d = os.path.join(root, "Folder_%03d" % i, "Sub%d" % j)
        os.makedirs(d)
    for d in (os.path.join(root, "Folder_%03d" % i), os.path.join(root, "Folder_%03d" % i, "Sub1")):
        with open(os.path.join(d, "note.txt"), "w") as f:
            f.write("some text\n")
shutil.rmtree(os.path.join(root, "Folder_001", "Sub1"))
PY
    umount "$WORK/exfat-mnt"
    losetup -d "$loop"
}

seconds() { # runs "$@" quietly and prints the wall-clock seconds
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}

# The whole search, and the seconds from its start to the walk's count on stderr.
search_with_first() {
    medium=$1 fs=$2 sectors=$3
    start=$(date +%s.%N)
    "$CLI" --image "$medium" list --fs "$fs" --start 0 --end "$sectors" 2>&1 >/dev/null |
        while IFS= read -r line; do
            case $line in
            "folders reached from the root"*) echo "$(date +%s.%N) - $start" | bc >"$WORK/first" ;;
            esac
        done
    end=$(date +%s.%N)
    echo "$end - $start" | bc >"$WORK/end"
}

ratio() { echo "scale=2; $1 / $2" | bc; }
least() { if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc)" = 1 ]; then echo "$2"; else echo "$1"; fi; }

mkdir -p "$WORK/mnt"
trap 'fusermount3 -u "$WORK/mnt" 2>/dev/null || true' EXIT
printf '%-8s %10s %10s %10s %10s %10s\n' "card" "walk-only" "first" "search" "dd" "search/dd"
for fs in FAT32 exFAT; do
    image=$WORK/$fs.img
    if [ ! -f "$image" ]; then
        echo "building a ${SIZE_GIB} GiB $fs card in $WORK ..." >&2
        if [ "$fs" = FAT32 ]; then fat_card "$image"; else exfat_card "$image"; fi
        # A card just written would still be going to disk while it is searched.
        sync
    fi
    sectors=$(($(stat -c %s "$image") / 512))
    "$STALL" "$image" "$WORK/mnt" 9223372036854775807 "$WORK/held" "$WORK/release" \
        "rate=$RATE"
    medium=$WORK/mnt/medium.img
    walk=$(seconds "$CLI" --image "$medium" list --walk-only --fs "$fs" --start 0 \
        --end "$sectors")
    first="" end="" dd_s=""
    turn=1
    while [ "$turn" -le "$TURNS" ]; do
        search_with_first "$medium" "$fs" "$sectors"
        first=$(least "$first" "$(cat "$WORK/first" 2>/dev/null || echo 999999)")
        end=$(least "$end" "$(cat "$WORK/end")")
        dd_s=$(least "$dd_s" "$(seconds dd if="$medium" of=/dev/null bs=4M)")
        rm -f "$WORK/first" "$WORK/end"
        turn=$((turn + 1))
    done
    fusermount3 -u "$WORK/mnt"
    printf '%-8s %9ss %9ss %9ss %9ss %10s\n' "$fs" "$walk" "$first" "$end" "$dd_s" \
        "$(ratio "$end" "$dd_s")"
done
echo "(${SIZE_GIB} GiB cards through a medium of $RATE bytes a second)"
