#!/bin/sh
# Two builds of recovery-cli side by side on the same images: the Standard search
# (`list`) and the save of every file (`save`) of a FAT32, an exFAT and an NTFS volume,
# turn by turn (old, new, old, new, ...), the best turn of each counting. Prints each
# time and new / old; a change that makes a build slower shows as a ratio above 1.
# Not a test: the figures depend on the machine. Needs root (exfat-fuse and ntfs-3g
# mounts), mkfs.fat, mtools, mkfs.exfat, mkntfs, python3.
#
#   bench/builds-benchmark.sh OLD_RECOVERY_CLI NEW_RECOVERY_CLI
#
# Environment: RUNS (turns of each build, default 5), FOLDERS (folders per volume,
# default 4000), FILES (files per volume, default 12000), SIZE_MIB (each volume,
# default 1024), WORK (folder for the images, default a new one under /tmp; images
# already there are used again), KEEP (keep WORK).
set -eu

OLD=${1:?usage: builds-benchmark.sh OLD_RECOVERY_CLI NEW_RECOVERY_CLI}
NEW=${2:?usage: builds-benchmark.sh OLD_RECOVERY_CLI NEW_RECOVERY_CLI}
RUNS=${RUNS:-5}
FOLDERS=${FOLDERS:-4000}
FILES=${FILES:-12000}
SIZE_MIB=${SIZE_MIB:-1024}
WORK=${WORK:-$(mktemp -d /tmp/builds-benchmark.XXXXXX)}
mkdir -p "$WORK"
export MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8

for tool in mkfs.fat mcopy mkfs.exfat mount.exfat-fuse mkntfs ntfs-3g losetup python3 bc; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
for cli in "$OLD" "$NEW"; do
    [ -x "$cli" ] || { echo "recovery-cli not found at $cli" >&2; exit 1; }
done

# Fills the mounted folder $1 with FOLDERS folders and FILES files, mostly small, every
# hundredth a few MiB, the same on every volume.
fill() {
    python3 - "$1" "$FILES" "$FOLDERS" <<'PY'
import os, random, sys
root, files, folders = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
tops = max(1, int(folders ** 0.5))
dirs = []
for i in range(folders):
    d = os.path.join(root, "Top_%03d" % (i % tops), "Folder_%05d" % i)
    os.makedirs(d, exist_ok=True)
    dirs.append(d)
rng = random.Random(7)
block = rng.randbytes(1 << 20)
for n in range(files):
    size = (2 << 20) + n if n % 100 == 0 else 1500 + n % 3000
    with open(os.path.join(dirs[n % folders], "file_%06d.dat" % n), "wb") as f:
        left = size
        while left > 0:
            f.write(block[:min(left, len(block))])
            left -= len(block)
PY
}

# Makes image $1 of kind $2 unless it exists.
make_image() {
    [ -f "$1" ] && return
    echo "building the $2 image $1 ..." >&2
    truncate -s "${SIZE_MIB}M" "$1.part"
    mkdir -p "$WORK/mnt"
    case "$2" in
    FAT32)
        mkfs.fat -F 32 "$1.part" >/dev/null 2>&1
        rm -rf "$WORK/tree"
        mkdir -p "$WORK/tree"
        fill "$WORK/tree"
        mcopy -s -i "$1.part" "$WORK/tree"/* ::/
        rm -rf "$WORK/tree"
        ;;
    exFAT)
        mkfs.exfat -c 32768 "$1.part" >/dev/null
        loop=$(losetup -f --show "$1.part")
        mount.exfat-fuse "$loop" "$WORK/mnt"
        fill "$WORK/mnt"
        umount "$WORK/mnt"
        losetup -d "$loop"
        ;;
    NTFS)
        mkntfs -F -Q "$1.part" >/dev/null 2>&1
        ntfs-3g "$1.part" "$WORK/mnt"
        fill "$WORK/mnt"
        umount "$WORK/mnt"
        ;;
    esac
    mv "$1.part" "$1"
}

# Runs "$@" quietly and prints its wall-clock seconds and its CPU seconds (user and
# system); stops the benchmark when the command fails.
timed() {
    /usr/bin/time -f "%e %U %S" -o "$WORK/job.time" "$@" >"$WORK/job.out" 2>&1 || {
        echo "failed: $* (see $WORK/job.out)" >&2
        kill $$
    }
    awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$WORK/job.time"
}

best() { # the smaller of $1 (may be empty) and $2
    if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc)" = 1 ]; then echo "$2"; else echo "$1"; fi
}

# The saves write to memory, so the destination's disk does not time them.
OUT=$(mktemp -d /dev/shm/builds-benchmark.XXXXXX)
# Turn by turn, the job $1 on image $2 of kind $3 with $4 sectors; sets old_wall,
# old_cpu, new_wall and new_cpu to the best of each build.
turns() {
    old_wall="" old_cpu="" new_wall="" new_cpu=""
    save=""
    [ "$1" = save ] && save="--to $OUT/files --replace yes-all"
    i=1
    while [ "$i" -le "$RUNS" ]; do
        for build in old new; do
            cli=$OLD
            [ "$build" = new ] && cli=$NEW
            rm -rf "$OUT/files"
            # shellcheck disable=SC2086 # the words are ours, without blanks
            set -- "$1" "$2" "$3" "$4" $(timed "$cli" --image "$2" "$1" --fs "$3" --start 0 \
                --end "$4" $save)
            if [ "$build" = old ]; then
                old_wall=$(best "$old_wall" "$5") old_cpu=$(best "$old_cpu" "$6")
            else
                new_wall=$(best "$new_wall" "$5") new_cpu=$(best "$new_cpu" "$6")
            fi
            set -- "$1" "$2" "$3" "$4"
        done
        i=$((i + 1))
    done
}

printf '\n%-8s %-5s %9s %9s %9s %9s %9s %9s\n' "volume" "job" "old s" "new s" "new/old" \
    "old cpu" "new cpu" "new/old"
for kind in FAT32 exFAT NTFS; do
    image="$WORK/$kind.img"
    make_image "$image" "$kind"
    sectors=$(($(stat -c %s "$image") / 512))
    cat "$image" >/dev/null # warm the page cache for both builds
    for job in list save; do
        turns "$job" "$image" "$kind" "$sectors"
        printf '%-8s %-5s %9.2f %9.2f %9.2f %9.2f %9.2f %9.2f\n' "$kind" "$job" \
            "$old_wall" "$new_wall" "$(echo "$new_wall / $old_wall" | bc -l)" \
            "$old_cpu" "$new_cpu" "$(echo "$new_cpu / $old_cpu" | bc -l)"
    done
done
printf '\nmachine: %s cores, %s; load average %s\n' "$(nproc)" \
    "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')" \
    "$(cut -d' ' -f1-3 /proc/loadavg)"
rm -rf "$OUT" "$WORK/mnt" "$WORK/job.out" "$WORK/job.time"
[ -n "${KEEP:-}" ] || rm -rf "$WORK"
