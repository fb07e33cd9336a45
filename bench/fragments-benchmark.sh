#!/bin/sh
# A card image without a file system: JPEG photos (cjpeg, some with EXIF and a
# thumbnail) and MP4/MOV videos (ffmpeg: H.264 or MPEG-4 Visual, with and without AAC
# sound, the movie box last or first) at 32 KiB cluster boundaries, every other
# baseline photo and every other video written in two fragments with other files'
# clusters (a whole photo, or filler) between them. Times the raw search of recovery-cli
# for JPEGs and videos against PhotoRec's, and counts for each the files written back
# byte for byte, those in one run and those in two fragments apart, and the outputs that
# are no original. Not a test: the figures depend on the machine.
#
#   bench/fragments-benchmark.sh [RECOVERY_CLI]
#
# Environment: PHOTOS (default 40), VIDEOS (default 12), WORK (folder for the image and
# outputs, default a new one under /tmp), KEEP (keep WORK when set). Needs ffmpeg,
# cjpeg, exiftool, python3, photorec (testdisk), bc and sha256sum.
set -eu

HERE=$(cd "$(dirname "$0")" && pwd)
CLI=${1:-$HERE/../out/build/bin/recovery-cli}
PHOTOS=${PHOTOS:-40}
VIDEOS=${VIDEOS:-12}
WORK=${WORK:-$(mktemp -d /tmp/fragments-benchmark.XXXXXX)}
IMAGE=$WORK/card.img
MEDIA=$WORK/media

for tool in ffmpeg cjpeg exiftool python3 photorec bc sha256sum; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
[ -x "$CLI" ] || { echo "recovery-cli not found at $CLI" >&2; exit 1; }

echo "making $PHOTOS photos and $VIDEOS videos in $MEDIA ..." >&2
sh "$HERE/make-camera-samples.sh" "$MEDIA" "$PHOTOS" "$VIDEOS"

echo "placing them on a card image ..." >&2
python3 - "$IMAGE" "$MEDIA" "$WORK" <<'PY'
import os, random, sys
image, media, work = sys.argv[1:4]
cluster = 32 * 1024
rng = random.Random(11)
names = sorted(os.listdir(media))
photos = [open(os.path.join(media, n), "rb").read() for n in names]
out = bytearray(os.urandom(4 * cluster))
def pad():
    out.extend(b"\0" * (-len(out) % cluster))
split, whole = [], []
for i, (name, data) in enumerate(zip(names, photos)):
    # SOF2 never stands in coded data (an FF there is stuffed), so a search is exact.
    progressive = name.upper().endswith(".JPG") and b"\xff\xc2" in data
    clusters = (len(data) + cluster - 1) // cluster
    if i % 2 == 0 and not progressive and clusters >= 3:
        cut = rng.randrange(1, clusters - 1) * cluster
        out.extend(data[:cut])
        # Between the fragments: a whole other photo, or filler clusters.
        if rng.random() < 0.5:
            out.extend(photos[(i + 1) % len(photos)])
            pad()
        else:
            out.extend(os.urandom(rng.randrange(1, 40) * cluster))
        out.extend(data[cut:])
        split.append(name)
    else:
        out.extend(data)
        whole.append(name)
    pad()
    out.extend(os.urandom(rng.randrange(0, 3) * cluster))
out.extend(b"\0" * (8 * cluster))
open(image, "wb").write(out)
open(os.path.join(work, "split.txt"), "w").write("\n".join(split) + "\n")
open(os.path.join(work, "whole.txt"), "w").write("\n".join(whole) + "\n")
PY

sums() { # the sha256 of the originals named in $1
    while read -r name; do sha256sum "$MEDIA/$name" | cut -d' ' -f1; done <"$1" | sort -u
}
sums "$WORK/split.txt" >"$WORK/split.sha"
sums "$WORK/whole.txt" >"$WORK/whole.sha"
cat "$WORK/split.sha" "$WORK/whole.sha" | sort -u >"$WORK/originals.sha"
cat "$IMAGE" >/dev/null # warm the page cache for every contender

seconds() { # runs "$@" quietly and prints the wall-clock seconds
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}

outputs() { # the sha256 of the outputs under $1 that are photos ($2 jpg) or videos
    if [ "$2" = jpg ]; then
        find "$1" -type f -iname '*.jpg' -exec sha256sum {} + 2>/dev/null
    else
        find "$1" -type f \( -iname '*.mp4' -o -iname '*.mov' \) -exec sha256sum {} + 2>/dev/null
    fi | cut -d' ' -f1 | sort -u
}

found() { # originals of list $2 written back exactly under $1 (of kind $3), of how many
    outputs "$1" "$3" >"$1.sha"
    grep -iE "$(if [ "$3" = jpg ]; then echo '\.jpg$'; else echo '\.(mp4|mov)$'; fi)" "$2" >"$2.$3"
    sums "$2.$3" >"$2.$3.sha"
    echo "$(grep -cFxf "$1.sha" "$2.$3.sha")/$(wc -l <"$2.$3")"
}

others() { # outputs under $1 of kind $2 that are no original
    outputs "$1" "$2" | grep -cvFxf "$WORK/originals.sha" || true
}

mkdir -p "$WORK/photorec"
cd "$WORK"
OURS=$(seconds "$CLI" --image "$IMAGE" raw --disk 0 --to "$WORK/ours" --types jpg,mp4)
PHOTOREC=$(seconds photorec /log /d "$WORK/photorec/out" /cmd "$IMAGE" \
    partition_none,fileopt,everything,disable,jpg,enable,mov,enable,wholespace,search)
rm -f photorec.log photorec.ses

printf '\n%-30s %s\n' "card" "$(($(stat -c %s "$IMAGE") >> 20)) MiB, $(wc -l <"$WORK/whole.txt") files in one run, $(wc -l <"$WORK/split.txt") in two fragments"
printf '%-30s %s\n' "machine" "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
printf '%-30s %8s %10s %14s %12s\n' "" "seconds" "one run" "two fragments" "no original"
for kind in jpg mp4; do
    printf '%-30s %8.2f %10s %14s %12s\n' "recovery-cli raw ($kind)" "$OURS" \
        "$(found "$WORK/ours" "$WORK/whole.txt" $kind)" "$(found "$WORK/ours" "$WORK/split.txt" $kind)" \
        "$(others "$WORK/ours" $kind)"
    printf '%-30s %8.2f %10s %14s %12s\n' "photorec /cmd ($kind)" "$PHOTOREC" \
        "$(found "$WORK/photorec" "$WORK/whole.txt" $kind)" \
        "$(found "$WORK/photorec" "$WORK/split.txt" $kind)" "$(others "$WORK/photorec" $kind)"
done
[ -n "${KEEP:-}" ] || rm -rf "$WORK"
