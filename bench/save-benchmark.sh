#!/bin/sh
# Saves every file of a large FAT32 image with `recovery-cli save` and prints its time
# beside The Sleuth Kit's `tsk_recover -a` on the same volume and a plain copy (dd) of
# the same number of bytes. Each run is timed with its final sync; the image is read
# once beforehand so all three start from the same page cache.
#
#   bench/save-benchmark.sh [WORKDIR]        (default: a fresh folder under /tmp)
#
# RECOVERY_CLI may name the program; otherwise an optimised build is made in
# build-bench beside this script's repository. BENCH_MIB sets the data size (1100).
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$(mktemp -d /tmp/save-bench-XXXXXX)}
mib=${BENCH_MIB:-1100}
cli=${RECOVERY_CLI:-}

for tool in mkfs.fat mcopy tsk_recover dd; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

if [ -z "$cli" ]; then
    cmake -S "$repo" -B "$repo/build-bench" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DRECOVERY_TESTS=OFF -DRECOVERY_GUI=OFF >/dev/null
    ninja -C "$repo/build-bench" recovery-cli >/dev/null
    cli="$repo/build-bench/bin/recovery-cli"
fi

mkdir -p "$work"
image="$work/card.img"
src="$work/files"
image_mib=$((mib + mib / 4 + 64))
sectors=$((image_mib * 2048))

if [ ! -f "$image" ]; then
    echo "making a ${image_mib} MiB FAT32 image with ${mib} MiB of files..." >&2
    # Upper-case 8.3 names, as the volume stores them. Large files (photos, videos)
    # and many small ones (documents) in two folders.
    rm -rf "$src" && mkdir -p "$src/BIG" "$src/SMALL/A" "$src/SMALL/B"
    n=0
    while [ $((n * 8)) -lt $((mib - 100)) ]; do
        head -c $((8 << 20)) /dev/urandom >"$src/BIG/VIDEO$n.BIN"
        n=$((n + 1))
    done
    i=0
    while [ $i -lt 2000 ]; do
        folder=A
        [ $((i % 2)) -eq 1 ] && folder=B
        head -c $(((i % 97 + 1) * 512 + i)) /dev/urandom >"$src/SMALL/$folder/D$i.DOC"
        i=$((i + 1))
    done
    truncate -s "${image_mib}M" "$image"
    mkfs.fat -F 32 -s 8 "$image" >/dev/null
    MTOOLS_SKIP_CHECK=1 mcopy -s -i "$image" "$src/BIG" "$src/SMALL" ::/
fi

bytes=$(du -sb --apparent-size "$src" | cut -f1)
files=$(find "$src" -type f | wc -l)
cat "$image" >/dev/null # warm the page cache for every run

elapsed() { # seconds with milliseconds of the command and a sync
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || echo "command failed: $*" >&2
    sync
    end=$(date +%s.%N)
    echo "$start $end" | awk '{ printf "%.2f", $2 - $1 }'
}

rm -rf "$work/out-cli" "$work/out-tsk" "$work/out-copy" "$work/out-cp"
mkdir -p "$work/out-tsk" "$work/out-copy"
t_cli=$(elapsed "$cli" --image "$image" save --fs FAT32 --start 0 --end "$sectors" \
    --to "$work/out-cli" --replace yes-all)
t_tsk=$(elapsed tsk_recover -a "$image" "$work/out-tsk")
t_copy=$(elapsed dd if="$image" of="$work/out-copy/copy.bin" bs=1M count=$((bytes >> 20)))
t_cp=$(elapsed cp -r "$src" "$work/out-cp") # the same files, from the host file system

same=$(cd "$src" && find . -type f | while read -r f; do
    cmp -s "$f" "$work/out-cli/$(echo "$f" | sed 's|^\./||')" || echo "$f"
done | wc -l)

printf '%s files, %s bytes\n' "$files" "$bytes"
printf '%-24s %8s s\n' "recovery-cli save" "$t_cli" "tsk_recover -a" "$t_tsk" \
    "plain copy (dd)" "$t_copy" "cp -r of the originals" "$t_cp"
echo "$t_cli $t_copy $t_cp" |
    awk '{ printf "recovery-cli / copy: %.2fx, recovery-cli / cp -r: %.2fx\n", $1 / $2, $1 / $3 }'
printf 'files differing from their originals: %s\n' "$same"
rm -rf "$work/out-cli" "$work/out-tsk" "$work/out-copy" "$work/out-cp"
