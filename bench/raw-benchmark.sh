#!/bin/sh
# Times the raw search of recovery-cli on an image of pseudo-random filler holding
# Word, Excel and PowerPoint 97 documents and Zip archives, against PhotoRec and
# foremost looking for the same kinds and a warm sequential read of the image, and
# counts for each tool the outputs that equal an original byte for byte. Not a test:
# the figures depend on the machine.
#
#   bench/raw-benchmark.sh [RECOVERY_CLI]
#
# Environment: SIZE_MIB (filler, default 1024), SETS (sets of documents made by
# tests/raw/make_documents.py, default 4), WORK (folder for the image and outputs,
# default a new one under /tmp), KEEP (keep WORK when set).
# Needs python3, photorec (testdisk) and foremost.
set -eu

HERE=$(cd "$(dirname "$0")" && pwd)
CLI=${1:-$HERE/../out/build/bin/recovery-cli}
SIZE_MIB=${SIZE_MIB:-1024}
SETS=${SETS:-4}
WORK=${WORK:-$(mktemp -d /tmp/raw-benchmark.XXXXXX)}
IMAGE=$WORK/disk.img

for tool in python3 photorec foremost dd sha256sum bc; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
[ -x "$CLI" ] || { echo "recovery-cli not found at $CLI" >&2; exit 1; }

echo "making $((SETS * 10)) documents and a ${SIZE_MIB} MiB image in $WORK ..." >&2
i=1
while [ "$i" -le "$SETS" ]; do
    python3 "$HERE/../tests/raw/make_documents.py" "$WORK/docs/set$i" --seed "$i" --scale "$i"
    i=$((i + 1))
done
# The documents at sector-aligned places spread over the filler: every other one
# right behind the one before, the rest after a gap.
python3 - "$WORK/docs" "$IMAGE" "$SIZE_MIB" <<'PY'
import os, random, sys
docs, image, size_mib = sys.argv[1], sys.argv[2], int(sys.argv[3])
files = sorted(os.path.join(r, f) for r, _, fs in os.walk(docs) for f in fs
               if f != "manifest.txt")
rng = random.Random(1)
total = size_mib << 20
gap_sectors = (total // 512) // (len(files) // 2 + 1)
with open(image, "wb") as out:
    for i, path in enumerate(files):
        if i % 2 == 0:
            out.write(os.urandom(512 * rng.randint(gap_sectors // 2, gap_sectors)))
        data = open(path, "rb").read()
        out.write(data + b"\0" * (-len(data) % 512))
    left = total - out.tell()
    while left > 0:
        chunk = min(left, 64 << 20)
        out.write(os.urandom(chunk))
        left -= chunk
PY
find "$WORK/docs" -type f ! -name manifest.txt -exec sha256sum {} + | cut -d' ' -f1 | sort -u \
    >"$WORK/originals.sha"
ORIGINALS=$(wc -l <"$WORK/originals.sha")
MIB=$(($(stat -c %s "$IMAGE") >> 20))

cat "$IMAGE" >/dev/null # warm the page cache for every contender

seconds() { # runs "$@" quietly and prints the wall-clock seconds
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}

exact() { # outputs under $1 equal to an original, and all outputs
    find "$1" -type f ! -name '*.txt' ! -name '*.xml' -exec sha256sum {} + 2>/dev/null |
        cut -d' ' -f1 | sort -u >"$1.sha"
    echo "$(comm -12 "$WORK/originals.sha" "$1.sha" | wc -l) of $(find "$1" -type f ! -name '*.txt' ! -name '*.xml' | wc -l)"
}

mkdir -p "$WORK/photorec"
cd "$WORK" # PhotoRec leaves its log and session files in the current folder
READ=$(seconds dd if="$IMAGE" of=/dev/null bs=1M)
OURS=$(seconds "$CLI" --image "$IMAGE" raw --disk 0 --to "$WORK/ours")
PHOTOREC=$(seconds photorec /log /d "$WORK/photorec/out" /cmd "$IMAGE" \
    partition_none,fileopt,everything,disable,doc,enable,zip,enable,search)
FOREMOST=$(seconds foremost -Q -t ole,zip -i "$IMAGE" -o "$WORK/foremost")
rm -f photorec.log photorec.ses

printf '\n%-44s %s\n' "image" "$MIB MiB, $ORIGINALS documents and archives"
printf '%-44s %s\n' "machine" "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
printf '%-44s %8.2f s\n' "dd sequential read (warm, bs=1M)" "$READ"
printf '%-44s %8.2f s   exact: %s\n' "recovery-cli raw" "$OURS" "$(exact "$WORK/ours")"
printf '%-44s %8.2f s   exact: %s\n' "photorec /cmd (doc, zip)" "$PHOTOREC" "$(exact "$WORK/photorec")"
printf '%-44s %8.2f s   exact: %s\n' "foremost -t ole,zip" "$FOREMOST" "$(exact "$WORK/foremost")"
[ -n "${KEEP:-}" ] || rm -rf "$WORK"
