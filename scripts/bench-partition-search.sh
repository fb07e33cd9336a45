#!/usr/bin/env bash
# Times the partition search on a sparse card image whose table sector is zero against
# dd reading the same candidate sectors (each 1 MiB boundary and the first and 63rd
# sector of each 255 x 63 cylinder, with the six sectors behind each), one dd per
# candidate, as a plain floor for reading them.
#   scripts/bench-partition-search.sh [SIZE-GiB (32)] [BUILD-DIR (out/build)]
set -euo pipefail

gib=${1:-32}
build=${2:-out/build}
cli=$build/bin/recovery-cli
[ -x "$cli" ] || { echo "bench: build recovery-cli first ($cli)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
image=$work/card.img
truncate -s "${gib}G" "$image"
sectors=$((gib * 1024 * 1024 * 2))

start=$(date +%s.%N)
"$cli" --image "$image" partitions --disk 0 --search >/dev/null
end=$(date +%s.%N)
echo "search:   $(echo "$end - $start" | bc) s over ${gib} GiB"

list=$work/candidates
{
    for ((s = 0; s < 2048; s += 64)); do echo $s; done
    for ((s = 2048; s < sectors; s += 2048)); do echo $s; done
    for ((c = 0; c < sectors; c += 16065)); do echo $c; echo $((c + 63)); done
} | sort -n -u >"$list"
echo "candidates: $(wc -l <"$list")"
start=$(date +%s.%N)
while read -r s; do
    dd if="$image" of=/dev/null bs=512 skip="$s" count=7 status=none
done <"$list"
end=$(date +%s.%N)
echo "dd:       $(echo "$end - $start" | bc) s for the same sectors"
