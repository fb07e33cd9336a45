#!/bin/sh
# Times the raw search of recovery-cli with every kind ticked (--types all) against
# PhotoRec (every file type) and foremost (-t all) on an image of pseudo-random filler
# holding the newer formats of the test media (HEIC, CR3, RAF, RW2, ORF, GIF, BMP,
# WebP, PDF, MP3, WAV, M4A, MKV/WebM, DOCX, XLSX, PPTX, ODT, ODS, ODP) and the classic
# ones, each at a 4 KiB cluster boundary, and counts per extension the originals each
# tool wrote back byte for byte. Not a test: the figures depend on the machine.
#
#   bench/formats-benchmark.sh [RECOVERY_CLI]
#
# Environment: SIZE_MIB (the image, default 1024), COPIES (of every sample, default 8),
# WORK (folder for the image and outputs, default a new one under /tmp), KEEP (keep
# WORK when set). Needs what tests/raw/make_media.sh and make_office.sh need, photorec
# (testdisk) and foremost.
set -eu

HERE=$(cd "$(dirname "$0")" && pwd)
CLI=${1:-$HERE/../out/build/bin/recovery-cli}
SIZE_MIB=${SIZE_MIB:-1024}
COPIES=${COPIES:-8}
WORK=${WORK:-$(mktemp -d /tmp/formats-benchmark.XXXXXX)}
IMAGE=$WORK/disk.img

for tool in python3 photorec foremost sha256sum bc; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
[ -x "$CLI" ] || { echo "recovery-cli not found at $CLI" >&2; exit 1; }

echo "making the samples and a ${SIZE_MIB} MiB image in $WORK ..." >&2
sh "$HERE/../tests/raw/make_media.sh" "$WORK/media" >/dev/null
sh "$HERE/../tests/raw/make_office.sh" "$WORK/office" >/dev/null
python3 - "$IMAGE" "$SIZE_MIB" "$COPIES" "$WORK/media" "$WORK/office" <<'PY'
import os, random, sys
image, size_mib, copies = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
files = []
for folder in sys.argv[4:]:
    for line in open(os.path.join(folder, "manifest.txt")):
        name = line.split()[0]
        files.append(open(os.path.join(folder, name), "rb").read())
rng = random.Random(7)
total = size_mib << 20
placed = [f for f in files for _ in range(copies)]
rng.shuffle(placed)
gap = (total - sum(len(f) for f in placed)) // (len(placed) + 1) // 4096 * 4096
with open(image, "wb") as out:
    for f in placed:
        out.write(rng.randbytes(gap))
        out.write(f)
        out.write(rng.randbytes(-len(f) % 4096))
    out.write(rng.randbytes(total - out.tell()))
PY
ORIGINALS=$(cat "$WORK/media/manifest.txt" "$WORK/office/manifest.txt" | wc -l)
sync # the image written back, so that no contender waits for its write-back
cat "$IMAGE" >/dev/null # warm the page cache for every contender

seconds() { # runs "$@" quietly and prints the wall-clock seconds
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}

# "ext exact/written" per extension of the outputs under $1.
per_kind() {
    find "$WORK/media" "$WORK/office" -type f ! -name manifest.txt -exec sha256sum {} + |
        cut -d' ' -f1 | sort -u >"$WORK/originals.sha"
    find "$1" -type f ! -name '*.txt' ! -name '*.xml' | while read -r f; do
        ext=$(echo "${f##*.}" | tr 'A-Z' 'a-z')
        if grep -qFx "$(sha256sum "$f" | cut -d' ' -f1)" "$WORK/originals.sha"; then
            echo "$ext 1"
        else
            echo "$ext 0"
        fi
    done | awk '{w[$1]++; e[$1]+=$2} END {for (k in w) printf "%s %d/%d  ", k, e[k], w[k]; print ""}'
}

mkdir -p "$WORK/photorec"
cd "$WORK"
OURS=$(seconds "$CLI" --image "$IMAGE" raw --disk 0 --to "$WORK/ours" --types all)
PHOTOREC=$(seconds photorec /log /d "$WORK/photorec/out" /cmd "$IMAGE" \
    partition_none,fileopt,everything,enable,wholespace,search)
FOREMOST=$(seconds foremost -Q -t all -i "$IMAGE" -o "$WORK/foremost")
rm -f photorec.log photorec.ses

printf '\n%-34s %s\n' "image" "$SIZE_MIB MiB, $ORIGINALS samples x $COPIES copies"
printf '%-34s %s\n' "machine" "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
printf '%-34s %8.2f s\n    %s\n' "recovery-cli raw --types all" "$OURS" "$(per_kind "$WORK/ours")"
printf '%-34s %8.2f s\n    %s\n' "photorec /cmd (everything)" "$PHOTOREC" "$(per_kind "$WORK/photorec")"
printf '%-34s %8.2f s\n    %s\n' "foremost -t all" "$FOREMOST" "$(per_kind "$WORK/foremost")"
[ -n "${KEEP:-}" ] || rm -rf "$WORK"
