#!/bin/sh
# A camera card whose file system is gone: a FAT32 volume filled with JPEG photos of
# several sizes (some with EXIF and a thumbnail), a few PNGs and videos, some of them
# deleted, then its allocation tables and every directory zeroed. Times the raw search
# of recovery-cli against PhotoRec and foremost looking for the same kinds, and counts
# for each the outputs and the outputs equal to an original byte for byte. Not a test:
# the figures depend on the machine.
#
#   bench/photo-benchmark.sh [RECOVERY_CLI]
#
# Environment: SIZE_MIB (the card, default 1024), PHOTOS (default 120), WORK (folder
# for the image and outputs, default a new one under /tmp), KEEP (keep WORK when set).
# Needs ffmpeg, cjpeg, exiftool, mkfs.fat, mtools, python3, photorec and foremost.
set -eu

HERE=$(cd "$(dirname "$0")" && pwd)
CLI=${1:-$HERE/../out/build/bin/recovery-cli}
SIZE_MIB=${SIZE_MIB:-1024}
PHOTOS=${PHOTOS:-120}
WORK=${WORK:-$(mktemp -d /tmp/photo-benchmark.XXXXXX)}
IMAGE=$WORK/card.img
MEDIA=$WORK/media

for tool in ffmpeg cjpeg exiftool mkfs.fat mcopy mdel mmd python3 photorec foremost bc sha256sum; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
[ -x "$CLI" ] || { echo "recovery-cli not found at $CLI" >&2; exit 1; }

echo "making $PHOTOS photos, pictures and videos in $MEDIA ..." >&2
mkdir -p "$MEDIA"
frame() { # size source seed output: one frame of an ffmpeg test source, with grain
    ffmpeg -loglevel error -y -f lavfi -i "$2=size=$1" -vf "noise=alls=12:allf=t:all_seed=$3" \
        -frames:v 1 "$4"
}
frame 160x120 testsrc 5 "$MEDIA/thumb.ppm"
cjpeg -quality 70 "$MEDIA/thumb.ppm" >"$WORK/thumb.jpg"
i=1
while [ "$i" -le "$PHOTOS" ]; do
    case $((i % 5)) in
        0) size=640x480 ;; 1) size=1280x960 ;; 2) size=2048x1536 ;; 3) size=3264x2448 ;;
        *) size=4000x3000 ;;
    esac
    case $((i % 3)) in 0) src=testsrc2 ;; 1) src=mandelbrot ;; *) src=rgbtestsrc ;; esac
    frame "$size" "$src" "$i" "$WORK/frame.ppm"
    name=$(printf 'IMG_%04d.JPG' "$i")
    if [ $((i % 4)) -eq 0 ]; then
        cjpeg -quality 85 -progressive "$WORK/frame.ppm" >"$MEDIA/$name"
    else
        cjpeg -quality 92 "$WORK/frame.ppm" >"$MEDIA/$name"
    fi
    # Most photos carry EXIF with a thumbnail, as cameras write them.
    if [ $((i % 6)) -ne 0 ]; then
        exiftool -q -overwrite_original -Make=Canon -Model=BenchCam \
            "-DateTimeOriginal=2024:05:01 10:$((i % 60)):00" "-ThumbnailImage<=$WORK/thumb.jpg" \
            "$MEDIA/$name"
    fi
    i=$((i + 1))
done
rm -f "$MEDIA/thumb.ppm" "$WORK/frame.ppm"
for n in 1 2 3 4; do
    frame 800x600 testsrc2 $((1000 + n)) "$MEDIA/SCREEN_$n.PNG"
done
for n in 1 2 3; do
    ffmpeg -loglevel error -y -f lavfi -i "testsrc2=duration=$((4 * n)):size=1280x720:rate=25" \
        -c:v mpeg4 -q:v 4 "$MEDIA/MVI_000$n.MP4"
done
for n in 1 2; do
    ffmpeg -loglevel error -y -f lavfi -i "mandelbrot=size=640x480:rate=15" -t $((3 * n)) \
        -c:v mpeg4 -q:v 5 "$MEDIA/MOV_000$n.AVI"
done

echo "making a ${SIZE_MIB} MiB FAT32 card ..." >&2
rm -f "$IMAGE"
truncate -s "${SIZE_MIB}M" "$IMAGE"
# Clusters as large as the card allows (up to 32 KiB, as cameras format), with enough of
# them for FAT32.
spc=64
while [ "$spc" -gt 1 ] && [ $((SIZE_MIB * 2048 / spc)) -lt 70000 ]; do spc=$((spc / 2)); done
mkfs.fat -F 32 -s "$spc" -n CARD "$IMAGE" >/dev/null
export MTOOLS_SKIP_CHECK=1
mmd -i "$IMAGE" ::DCIM ::DCIM/100CANON
for f in "$MEDIA"/*; do
    mcopy -i "$IMAGE" "$f" "::DCIM/100CANON/$(basename "$f")"
done
# Some deleted: their clusters keep the data.
for f in "$MEDIA"/*; do
    case $(basename "$f") in
        IMG_*[37].JPG | MOV_0001.AVI | SCREEN_2.PNG) mdel -i "$IMAGE" "::DCIM/100CANON/$(basename "$f")" ;;
    esac
done
# The file system gone: both FATs and every directory cluster zeroed.
python3 - "$IMAGE" <<'PY'
import struct, sys
path = sys.argv[1]
with open(path, "r+b") as f:
    boot = f.read(512)
    bps, spc, reserved, nfats = struct.unpack_from("<HBHB", boot, 11)
    fat_size = struct.unpack_from("<I", boot, 36)[0]
    root = struct.unpack_from("<I", boot, 44)[0]
    f.seek(reserved * bps)
    fat = f.read(fat_size * bps)
    data = (reserved + nfats * fat_size) * bps
    cluster = spc * bps
    entry = lambda c: struct.unpack_from("<I", fat, 4 * c)[0] & 0x0FFFFFFF
    def chain(c):
        while 2 <= c < 0x0FFFFFF8:
            yield c
            c = entry(c)
    directories, pending = [], [root]
    while pending:
        d = pending.pop()
        for c in chain(d):
            directories.append(c)
            f.seek(data + (c - 2) * cluster)
            block = f.read(cluster)
            for at in range(0, cluster, 32):
                e = block[at:at + 32]
                if e[0] in (0, 0xE5) or e[11] == 0x0F or e[0:2] in (b".\x20", b".."):
                    continue
                if e[11] & 0x10:
                    pending.append(struct.unpack_from("<H", e, 20)[0] << 16 |
                                   struct.unpack_from("<H", e, 26)[0])
    for c in directories:
        f.seek(data + (c - 2) * cluster)
        f.write(b"\0" * cluster)
    f.seek(reserved * bps)
    f.write(b"\0" * (nfats * fat_size * bps))
PY

find "$MEDIA" -type f -exec sha256sum {} + | cut -d' ' -f1 | sort -u >"$WORK/originals.sha"
ORIGINALS=$(find "$MEDIA" -type f | wc -l)
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
        cut -d' ' -f1 | sort >"$1.sha"
    echo "$(grep -cFxf "$WORK/originals.sha" "$1.sha") of $(wc -l <"$1.sha") outputs"
}

mkdir -p "$WORK/photorec"
cd "$WORK" # PhotoRec leaves its log and session files in the current folder
OURS=$(seconds "$CLI" --image "$IMAGE" raw --disk 0 --to "$WORK/ours" --types jpg,png,raw,mp4,avi)
PHOTOREC=$(seconds photorec /log /d "$WORK/photorec/out" /cmd "$IMAGE" \
    partition_none,fileopt,everything,disable,jpg,enable,png,enable,tif,enable,mov,enable,riff,enable,wholespace,search)
FOREMOST=$(seconds foremost -Q -t jpg,png,mp4,avi -i "$IMAGE" -o "$WORK/foremost")
rm -f photorec.log photorec.ses

printf '\n%-44s %s\n' "card" "$MIB MiB FAT32, $ORIGINALS photos, pictures and videos"
printf '%-44s %s\n' "machine" "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
printf '%-44s %8.2f s   exact: %s\n' "recovery-cli raw (jpg,png,raw,mp4,avi)" "$OURS" "$(exact "$WORK/ours")"
printf '%-44s %8.2f s   exact: %s\n' "photorec /cmd (jpg,png,tif,mov,riff)" "$PHOTOREC" "$(exact "$WORK/photorec")"
printf '%-44s %8.2f s   exact: %s\n' "foremost -t jpg,png,mp4,avi" "$FOREMOST" "$(exact "$WORK/foremost")"
[ -n "${KEEP:-}" ] || rm -rf "$WORK"
