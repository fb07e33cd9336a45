#!/bin/sh
# Times `recovery-cli image` against dd on a healthy medium and against GNU ddrescue on
# a failing one (the stall-fs FUSE medium: four 8-sector bad ranges and a slow area of
# 2,000 sectors at 20 ms a read), and prints the times and their ratios side by side.
#
#   bench/image-benchmark.sh [WORKDIR]       (default: a fresh folder under /tmp)
#
# RECOVERY_CLI and STALL_FS may name the programs; otherwise they are taken from
# out/build of this repository. BENCH_MIB sets the medium's size (512). Needs root for
# FUSE and page-cache drops.
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$(mktemp -d /tmp/image-bench-XXXXXX)}
mib=${BENCH_MIB:-512}
cli=${RECOVERY_CLI:-$repo/out/build/bin/recovery-cli}
stall=${STALL_FS:-$repo/out/build/tests/stall-fs}

for tool in dd ddrescue fusermount3 "$cli" "$stall"; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

mkdir -p "$work/mnt"
medium="$work/medium.img"
[ -f "$medium" ] || dd if=/dev/urandom of="$medium" bs=1M count="$mib" status=none

seconds() { # runs the command and a sync, from a cold page cache; prints the seconds
    sync; echo 3 >/proc/sys/vm/drop_caches 2>/dev/null || true
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    sync
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}
ratio() { echo "scale=2; $1 / $2" | bc; }

# Healthy: the image file itself.
rm -f "$work/ours.img" "$work/ours.map" "$work/dd.img"
t_ours=$(seconds "$cli" --image "$medium" image --to "$work/ours.img" --map "$work/ours.map")
t_dd=$(seconds dd if="$medium" of="$work/dd.img" bs=1M)
cmp -s "$work/ours.img" "$medium" || echo "the healthy image differs from the medium" >&2

# Failing: served by stall-fs.
mb=$((1024 * 1024))
"$stall" "$medium" "$work/mnt" 9223372036854775807 "$work/held" "$work/release" \
    bad=$((10 * mb)):$((10 * mb + 4096)) bad=$((100 * mb)):$((100 * mb + 4096)) \
    bad=$((200 * mb + 512)):$((200 * mb + 4608)) bad=$((300 * mb)):$((300 * mb + 4096)) \
    slow=$((150 * mb)):$((150 * mb + 1024000)):20
trap 'fusermount3 -u "$work/mnt" 2>/dev/null || true' EXIT
rm -f "$work/ours-f.img" "$work/ours-f.map" "$work/ddr.img" "$work/ddr.map"
t_ours_f=$(seconds "$cli" --image "$work/mnt/medium.img" image --to "$work/ours-f.img" \
    --map "$work/ours-f.map")
t_ddr=$(seconds ddrescue -f "$work/mnt/medium.img" "$work/ddr.img" "$work/ddr.map")

printf '%-28s %10s %10s %8s\n' "medium (${mib} MiB)" "image" "other" "ratio"
printf '%-28s %9ss %9ss %8s\n' "healthy, against dd" "$t_ours" "$t_dd" "$(ratio "$t_ours" "$t_dd")"
printf '%-28s %9ss %9ss %8s\n' "failing, against ddrescue" "$t_ours_f" "$t_ddr" \
    "$(ratio "$t_ours_f" "$t_ddr")"
