#!/bin/sh
# Writes camera-like samples into folder MEDIA: PHOTOS JPEG photos IMG_nnnn.JPG
# (cjpeg from ffmpeg's test sources with noise, four sizes; four in five with EXIF and
# a JPEG thumbnail by exiftool; one in eight progressive) and VIDEOS videos
# MVI_nnnn.MP4/MOV (ffmpeg: H.264 or MPEG-4 Visual, two in three with AAC sound, the
# movie box last or first). The same arguments give the same files.
#
#   bench/make-camera-samples.sh MEDIA PHOTOS VIDEOS
#
# Needs ffmpeg, cjpeg and exiftool.
set -eu

MEDIA=$1
PHOTOS=$2
VIDEOS=$3
mkdir -p "$MEDIA"
SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/camera-samples.XXXXXX")
trap 'rm -rf "$SCRATCH"' EXIT

ffmpeg -loglevel error -y -f lavfi -i testsrc=size=160x120 -frames:v 1 "$SCRATCH/thumb.ppm"
cjpeg -quality 70 "$SCRATCH/thumb.ppm" >"$SCRATCH/thumb.jpg"
i=1
while [ "$i" -le "$PHOTOS" ]; do
    case $((i % 4)) in 0) size=640x480 ;; 1) size=1280x960 ;; 2) size=1600x1200 ;; *) size=2048x1536 ;; esac
    case $((i % 3)) in 0) src=testsrc2 ;; 1) src=mandelbrot ;; *) src=rgbtestsrc ;; esac
    ffmpeg -loglevel error -y -f lavfi -i "$src=size=$size" \
        -vf "noise=alls=12:allf=t:all_seed=$i" -frames:v 1 "$SCRATCH/frame.ppm"
    name=$(printf 'IMG_%04d.JPG' "$i")
    if [ $((i % 8)) -eq 7 ]; then
        cjpeg -quality 85 -progressive "$SCRATCH/frame.ppm" >"$MEDIA/$name"
    else
        cjpeg -quality 92 "$SCRATCH/frame.ppm" >"$MEDIA/$name"
    fi
    if [ $((i % 5)) -ne 0 ]; then
        exiftool -q -overwrite_original -Make=Canon -Model=BenchCam \
            "-DateTimeOriginal=2024:05:01 10:$((i % 60)):00" "-ThumbnailImage<=$SCRATCH/thumb.jpg" \
            "$MEDIA/$name"
    fi
    i=$((i + 1))
done

i=1
while [ "$i" -le "$VIDEOS" ]; do
    case $((i % 3)) in 0) size=640x480 ;; 1) size=320x240 ;; *) size=480x360 ;; esac
    picture="testsrc=duration=$((2 + i % 3)):size=$size:rate=25"
    sound="sine=frequency=$((300 + 40 * i)):duration=$((2 + i % 3))"
    case $((i % 4)) in
    0) set -- -c:v libx264 -preset veryfast -pix_fmt yuv420p; name=$(printf 'MVI_%04d.MP4' "$i") ;;
    1) set -- -c:v libx264 -preset veryfast -pix_fmt yuv420p -movflags +faststart; name=$(printf 'MVI_%04d.MOV' "$i") ;;
    2) set -- -c:v mpeg4 -q:v 4; name=$(printf 'MVI_%04d.MP4' "$i") ;;
    *) set -- -c:v libx264 -preset veryfast -pix_fmt yuv420p -movflags +faststart; name=$(printf 'MVI_%04d.MP4' "$i") ;;
    esac
    if [ $((i % 3)) -eq 0 ]; then
        ffmpeg -loglevel error -y -f lavfi -i "$picture" -vf "noise=alls=8:allf=t" "$@" "$MEDIA/$name"
    else
        ffmpeg -loglevel error -y -f lavfi -i "$picture" -f lavfi -i "$sound" \
            -vf "noise=alls=8:allf=t" "$@" -c:a aac -b:a 96k -shortest "$MEDIA/$name"
    fi
    i=$((i + 1))
done
