#!/bin/sh
# A FAT32 card made by real tools and then lost: mkfs.fat formats it, mtools copies
# camera photos and videos (bench/make-camera-samples.sh) and the other photo kinds,
# sound, video and documents of the raw search tests (tests/raw/make_media.sh and
# make_office.sh) onto it, so that many lie in two fragments (and a few in three) around
# other files' clusters: hole files and survivor files are copied alternately, the hole
# files deleted, and the samples copied first fit into the holes. The Sleuth Kit then
# tells where every sample lies (its number of fragments), after which both FATs and
# every directory cluster are zeroed. Times the raw search of recovery-cli (--types all)
# against PhotoRec's (every file type) and counts per kind the originals each wrote back
# byte for byte, those in one run, in two fragments and in more, and the outputs that
# are no original. Not a test: the figures depend on the machine.
#
#   bench/fat-card-fragments-benchmark.sh [RECOVERY_CLI]
#
# Environment: PHOTOS (default 40), VIDEOS (default 12), SIZE_MIB (the card, default
# 1152: FAT32 wants at least 65525 clusters), CLUSTER_KIB (default 16), WORK (folder for
# the card and outputs, default a new one under /tmp), KEEP (keep WORK when set). Needs
# what the sample scripts need, mkfs.fat (dosfstools), mtools, fls and istat (The Sleuth
# Kit), photorec (testdisk), python3, bc and sha256sum.
set -eu

HERE=$(cd "$(dirname "$0")" && pwd)
CLI=${1:-$HERE/../out/build/bin/recovery-cli}
PHOTOS=${PHOTOS:-40}
VIDEOS=${VIDEOS:-12}
SIZE_MIB=${SIZE_MIB:-1152}
CLUSTER_KIB=${CLUSTER_KIB:-16}
WORK=${WORK:-$(mktemp -d /tmp/fat-card-benchmark.XXXXXX)}
CARD=$WORK/card.img
MEDIA=$WORK/media
export MTOOLS_SKIP_CHECK=1

for tool in ffmpeg cjpeg exiftool mkfs.fat mcopy mdel mmd fls istat photorec python3 bc sha256sum; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
[ -x "$CLI" ] || { echo "recovery-cli not found at $CLI" >&2; exit 1; }

echo "making the samples in $MEDIA ..." >&2
sh "$HERE/make-camera-samples.sh" "$MEDIA/camera" "$PHOTOS" "$VIDEOS"
sh "$HERE/../tests/raw/make_media.sh" "$MEDIA/media" >/dev/null
sh "$HERE/../tests/raw/make_office.sh" "$MEDIA/office" >/dev/null
# Photos, videos and the media samples go to the camera's folder, documents to DOCS.
{
    for f in "$MEDIA"/camera/*; do echo "$f DCIM/100BENCH"; done
    for name in $(cut -d' ' -f1 "$MEDIA/media/manifest.txt"); do echo "$MEDIA/media/$name DCIM/100BENCH"; done
    for name in $(cut -d' ' -f1 "$MEDIA/office/manifest.txt"); do echo "$MEDIA/office/$name DOCS"; done
} >"$WORK/samples.txt"

echo "making a ${SIZE_MIB} MiB FAT32 card with ${CLUSTER_KIB} KiB clusters ..." >&2
rm -f "$CARD"
truncate -s "${SIZE_MIB}M" "$CARD"
mkfs.fat -F 32 -S 512 -s $((CLUSTER_KIB * 2)) -n BENCHCARD "$CARD" >/dev/null
mmd -i "$CARD" ::DCIM ::DCIM/100BENCH ::DOCS
# The copy order and the holes: each hole is sized to hold the tail of one sample, the
# samples after it in one run, and the head of the next sample to be split.
mkdir -p "$WORK/fill"
python3 "$HERE/fat-card.py" plan "$WORK/samples.txt" $((CLUSTER_KIB * 1024)) \
    "$WORK/fill" >"$WORK/order.txt"
for hole in "$WORK"/fill/H*.BIN; do
    survivor=$WORK/fill/S${hole##*/H}
    mcopy -i "$CARD" "$hole" "::${hole##*/}"
    mcopy -i "$CARD" "$survivor" "::${survivor##*/}"
done
mdel -i "$CARD" '::H*.BIN'
# mtools allocates next fit from the hint in FSInfo; with the hint unknown it starts at
# the first cluster, which makes its allocation first fit into the holes.
python3 "$HERE/fat-card.py" forget-hint "$CARD"
while read -r path folder; do mcopy -i "$CARD" "$path" "::$folder/"; done <"$WORK/order.txt"

echo "asking The Sleuth Kit where every sample lies ..." >&2
fls -r -p "$CARD" >"$WORK/fls.txt"
python3 "$HERE/fat-card.py" fragments "$CARD" "$WORK/fls.txt" "$WORK/order.txt" \
    >"$WORK/originals.txt"
python3 "$HERE/fat-card.py" lose "$CARD" "$WORK/fls.txt"
sync # the card written back, so that no contender waits for its write-back
cat "$CARD" >/dev/null # warm the page cache for every contender

seconds() { # runs "$@" quietly and prints the wall-clock seconds
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}

mkdir -p "$WORK/photorec"
cd "$WORK"
OURS=$(seconds "$CLI" --image "$CARD" raw --disk 0 --to "$WORK/ours" --types all)
PHOTOREC=$(seconds photorec /log /d "$WORK/photorec/out" /cmd "$CARD" \
    partition_none,fileopt,everything,enable,wholespace,search)
rm -f photorec.log photorec.ses

printf '\n%-24s %s\n' "card" "$SIZE_MIB MiB FAT32, $CLUSTER_KIB KiB clusters, $(python3 "$HERE/count-recovered.py" summary "$WORK/originals.txt")"
printf '%-24s %s\n' "machine" "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
printf '%-24s %.2f s\n' "recovery-cli raw" "$OURS"
python3 "$HERE/count-recovered.py" count "$WORK/originals.txt" "$WORK/ours"
printf '%-24s %.2f s\n' "photorec /cmd" "$PHOTOREC"
python3 "$HERE/count-recovered.py" count "$WORK/originals.txt" "$WORK/photorec"
[ -n "${KEEP:-}" ] || rm -rf "$WORK"
