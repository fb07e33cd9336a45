#!/bin/sh
# Writes the videos of the two-fragment tests into folder $1, with manifest.txt listing
# "name kind extension" per file: H.264 through libx264 (MPEG-4 Visual when ffmpeg has
# no libx264) with the movie box behind the media data as ffmpeg writes it, or before it
# (+faststart), with and without AAC sound from `sine`; an MPEG-4 Visual one; an HEVC
# one when ffmpeg has libx265; and a JPEG photo, another file to lie between fragments.
# Needs ffmpeg.
set -eu
out=$1
mkdir -p "$out"
cd "$out"
: >manifest.txt

picture="testsrc=duration=2:size=320x240:rate=25"
sound="sine=frequency=440:duration=2"
noise="noise=alls=10:allf=t"
if ffmpeg -hide_banner -encoders 2>/dev/null | grep -q libx264; then
    avc="-c:v libx264 -preset veryfast -g 25 -pix_fmt yuv420p"
else
    echo "make_videos.sh: ffmpeg has no libx264: MPEG-4 Visual instead" >&2
    avc="-c:v mpeg4 -q:v 5"
fi
video() { # output codec-options [extra options...]
    name=$1
    codec=$2
    shift 2
    # shellcheck disable=SC2086
    ffmpeg -loglevel error -y -f lavfi -i "$picture" "$@" -vf "$noise" $codec "$name"
}
withSound() { # output codec-options [extra options...]
    name=$1
    codec=$2
    shift 2
    # shellcheck disable=SC2086
    ffmpeg -loglevel error -y -f lavfi -i "$picture" -f lavfi -i "$sound" "$@" -vf "$noise" \
        $codec -c:a aac -b:a 96k -shortest "$name"
}

video last_silent.mp4 "$avc" && echo "last_silent.mp4 mp4 .MP4" >>manifest.txt
withSound last_sound.mp4 "$avc" && echo "last_sound.mp4 mp4 .MP4" >>manifest.txt
withSound fast_sound.mov "$avc" -movflags +faststart -f mov &&
    echo "fast_sound.mov mp4 .MOV" >>manifest.txt
video fast_silent.3gp "$avc" -movflags +faststart -f 3gp && echo "fast_silent.3gp mp4 .3GP" >>manifest.txt
withSound visual_sound.mp4 "-c:v mpeg4 -q:v 5" && echo "visual_sound.mp4 mp4 .MP4" >>manifest.txt
if ffmpeg -hide_banner -encoders 2>/dev/null | grep -q libx265; then
    video hevc_fast.mp4 "-c:v libx265 -preset ultrafast -x265-params log-level=error -tag:v hvc1" \
        -movflags +faststart && echo "hevc_fast.mp4 mp4 .MP4" >>manifest.txt
else
    echo "make_videos.sh: ffmpeg has no libx265: no HEVC video" >&2
fi
ffmpeg -loglevel error -y -f lavfi -i mandelbrot=size=640x480 -frames:v 1 photo.jpg &&
    echo "photo.jpg jpg .JPG" >>manifest.txt
