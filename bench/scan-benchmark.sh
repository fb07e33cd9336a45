#!/bin/sh
# Times the Standard search of recovery-cli on a FAT32 image against a plain
# sequential read of the image and The Sleuth Kit's fls, and reports the search's
# peak memory. Not a test: the figures depend on the machine.
#
#   bench/scan-benchmark.sh [RECOVERY_CLI]
#
# Environment: SIZE_MIB (default 2304), FOLDERS (top-level folders, default 60),
# SUBFOLDERS (per top-level folder, default 50), DATA_MIB (file data written,
# default 1024), WORK (folder for the image, default a new one under /tmp), RUNS (turns
# of the read and the search, the best of each counting; default 5), KEEP (keep the
# image), REUSE (with WORK and KEEP of an earlier run: time the image kept there).
set -eu

CLI=${1:-$(dirname "$0")/../out/build/bin/recovery-cli}
SIZE_MIB=${SIZE_MIB:-2304}
RUNS=${RUNS:-5}
FOLDERS=${FOLDERS:-60}
SUBFOLDERS=${SUBFOLDERS:-50}
DATA_MIB=${DATA_MIB:-1024}
WORK=${WORK:-$(mktemp -d /tmp/scan-benchmark.XXXXXX)}
IMAGE=$WORK/fat32.img
mkdir -p "$WORK"
export MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8

for tool in mkfs.fat mmd mcopy fls /usr/bin/time dd; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
[ -x "$CLI" ] || { echo "recovery-cli not found at $CLI" >&2; exit 1; }

if [ -n "${REUSE:-}" ] && [ -f "$IMAGE" ]; then
    echo "using the image kept in $WORK" >&2
else
    echo "building a ${SIZE_MIB} MiB FAT32 image with 4 KiB clusters in $WORK ..." >&2
    rm -f "$IMAGE"
    truncate -s "${SIZE_MIB}M" "$IMAGE"
    mkfs.fat -F 32 -s 8 "$IMAGE" >/dev/null
    # Folders: FOLDERS at the root, SUBFOLDERS in each, one small file in every folder.
    echo "some text" >"$WORK/note.txt"
    i=1
    while [ "$i" -le "$FOLDERS" ]; do
        top=$(printf 'Folder_%03d' "$i")
        mmd -i "$IMAGE" "::/$top"
        subs=""
        j=1
        while [ "$j" -le "$SUBFOLDERS" ]; do
            subs="$subs ::/$top/Sub$j"
            j=$((j + 1))
        done
        # shellcheck disable=SC2086
        mmd -i "$IMAGE" $subs
        mcopy -i "$IMAGE" "$WORK/note.txt" "::/$top/Notes of $top.txt"
        i=$((i + 1))
    done
    # File data spread over the volume, so the sweep reads real clusters.
    head -c "${DATA_MIB}M" /dev/urandom >"$WORK/data.bin"
    mcopy -i "$IMAGE" "$WORK/data.bin" ::/data.bin
    rm -f "$WORK/data.bin"
    mdel -i "$IMAGE" "::/Folder_001/Notes of Folder_001.txt"

fi
SECTORS=$(($(stat -c %s "$IMAGE") / 512))
cat "$IMAGE" >/dev/null # warm the page cache for every contender

seconds() { # runs "$@" quietly and prints the wall-clock seconds
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}

# The read and the search take turns RUNS times; the best of each is kept, so a
# moment of load on a shared machine does not decide the ratio.
READ=""
CLI_SECONDS=""
i=1
while [ "$i" -le "$RUNS" ]; do
    r=$(seconds dd if="$IMAGE" of=/dev/null bs=1M)
    start=$(date +%s.%N)
    /usr/bin/time -f "%M" -o "$WORK/cli.time" "$CLI" --image "$IMAGE" list --fs FAT32 \
        --start 0 --end "$SECTORS" >"$WORK/list.txt" 2>/dev/null
    c=$(echo "$(date +%s.%N) - $start" | bc)
    if [ -z "$READ" ] || [ "$(echo "$r < $READ" | bc)" = 1 ]; then READ=$r; fi
    if [ -z "$CLI_SECONDS" ] || [ "$(echo "$c < $CLI_SECONDS" | bc)" = 1 ]; then CLI_SECONDS=$c; fi
    i=$((i + 1))
done
CLI_KIB=$(cat "$WORK/cli.time")
FLS=$(seconds fls -r -d "$IMAGE")
LISTED_FOLDERS=$(grep -c '	FOLDER	' "$WORK/list.txt" || true)

printf '\n%-40s %10s\n' "image" "$SIZE_MIB MiB, $((FOLDERS * (SUBFOLDERS + 1))) folders"
printf '%-40s %10s\n' "machine" "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
printf '%-40s %10.3f s\n' "dd sequential read (warm, bs=1M, best)" "$READ"
printf '%-40s %10.3f s\n' "recovery-cli list (Standard search, best)" "$CLI_SECONDS"
printf '%-40s %10.2f s\n' "fls -r -d" "$FLS"
printf '%-40s %10s\n' "recovery-cli peak memory" "$((CLI_KIB / 1024)) MiB"
printf '%-40s %10.2f x\n' "search / sequential read" "$(echo "$CLI_SECONDS / $READ" | bc -l)"
printf '%-40s %10s\n' "folders listed" "$LISTED_FOLDERS"
[ -n "${KEEP:-}" ] || rm -rf "$WORK"
