#!/bin/sh
# Writes the pictures and videos of the raw search tests into folder $1, with
# manifest.txt listing "name kind extension" per file. Needs ffmpeg, cjpeg, exiftool
# and python3.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=$1
mkdir -p "$out"
cd "$out"

# Pictures drawn by ffmpeg's test sources.
picture() { # size source output
    ffmpeg -loglevel error -y -f lavfi -i "$2=size=$1" -frames:v 1 "$3"
}
picture 1200x900 mandelbrot photo.ppm
picture 160x120 testsrc thumb.ppm
picture 300x200 cellauto small.ppm
# A photo with EXIF and a JPEG thumbnail inside it (APP1), as cameras write them.
cjpeg -quality 70 thumb.ppm > thumb.jpg
cjpeg -quality 88 photo.ppm > photo_exif.jpg
exiftool -q -overwrite_original -Make=Canon -Model=TestCam -DateTimeOriginal='2024:05:01 10:00:00' \
    '-ThumbnailImage<=thumb.jpg' photo_exif.jpg
# Without EXIF, with restart markers; and a progressive one (several scans).
cjpeg -quality 75 -restart 1 photo.ppm > plain_restart.jpg
cjpeg -progressive -quality 60 small.ppm > progressive.jpg
# A night shot with optimised Huffman tables: its black sky is coded as long runs of
# zero bytes (a whole cleared sector's worth and more), which is coded data all the same.
ffmpeg -loglevel error -y -f lavfi -i "color=black:size=1024x768" -vf "drawbox=x=400:y=500:w=200:h=100:color=white:t=fill" -frames:v 1 night.ppm
cjpeg -optimize -quality 90 night.ppm > night.jpg
picture 400x300 testsrc2 picture.png
# A TIFF made by a tool.
picture 200x150 rgbtestsrc strips.tif
python3 "$here/make_camera_raw.py" camera.dng
# Videos.
ffmpeg -loglevel error -y -f lavfi -i testsrc=duration=2:size=320x240:rate=10 -c:v mpeg4 clip.mp4
ffmpeg -loglevel error -y -f lavfi -i testsrc=duration=2:size=320x240:rate=10 -c:v mpeg4 clip.avi
rm -f photo.ppm small.ppm thumb.ppm thumb.jpg night.ppm

cat > manifest.txt <<LIST
photo_exif.jpg jpg .JPG
plain_restart.jpg jpg .JPG
progressive.jpg jpg .JPG
night.jpg jpg .JPG
picture.png png .PNG
strips.tif raw .TIF
camera.dng raw .DNG
clip.mp4 mp4 .MP4
clip.avi avi .AVI
LIST

# The newer formats, each with the tool that writes it; a missing tool leaves its file out
# (and says so), so that only its tests are skipped.
made() { # name kind extension
    echo "$1 $2 $3" >> manifest.txt
}
ffmpeg -loglevel error -y -f lavfi -i testsrc=size=120x90 -frames:v 1 still.gif && made still.gif gif .GIF
ffmpeg -loglevel error -y -f lavfi -i testsrc=duration=1:size=80x60:rate=5 moving.gif &&
    made moving.gif gif .GIF
ffmpeg -loglevel error -y -f lavfi -i smptebars=size=90x70 -frames:v 1 bars.bmp && made bars.bmp bmp .BMP
ffmpeg -loglevel error -y -f lavfi -i sine=frequency=440:duration=1 tone.wav && made tone.wav wav .WAV
ffmpeg -loglevel error -y -f lavfi -i sine=frequency=660:duration=2 -c:a aac -b:a 64k tone.m4a &&
    made tone.m4a m4a .M4A
ffmpeg -loglevel error -y -f lavfi -i testsrc=duration=1:size=160x120:rate=10 -c:v mpeg4 clip.mkv &&
    made clip.mkv mkv .MKV
if ffmpeg -hide_banner -encoders 2>/dev/null | grep -q libvpx; then
    ffmpeg -loglevel error -y -f lavfi -i testsrc=duration=1:size=160x120:rate=10 -c:v libvpx \
        -b:v 200k clip.webm && made clip.webm mkv .WEBM
else
    echo "make_media.sh: ffmpeg has no libvpx: no WebM sample" >&2
fi
# Canon's CR3 is an ISO-BMFF file of brand "crx ".
ffmpeg -loglevel error -y -f lavfi -i testsrc=duration=1:size=160x120:rate=5 -c:v mjpeg \
    -brand 'crx ' -f mp4 canon.cr3 && made canon.cr3 cr3 .CR3
if command -v heif-enc >/dev/null; then
    heif-enc -q 40 picture.png -o photo.heic >/dev/null && made photo.heic heic .HEIC
    # heif-enc keeps the JPEG's EXIF as the picture's Exif item.
    heif-enc -q 40 photo_exif.jpg -o photo_exif.heic >/dev/null &&
        made photo_exif.heic heic .HEIC
else
    echo "make_media.sh: heif-enc (libheif-examples) is missing: no HEIC sample" >&2
fi
if command -v cwebp >/dev/null; then
    cwebp -quiet -q 60 picture.png -o picture.webp && made picture.webp webp .WEBP
    cwebp -quiet -lossless picture.png -o lossless.webp && made lossless.webp webp .WEBP
else
    echo "make_media.sh: cwebp (webp) is missing: no WebP sample" >&2
fi
if command -v lame >/dev/null; then
    lame --quiet -b 96 --tt "Test tone" --ta "Bench" --add-id3v2 tone.wav tagged.mp3 &&
        made tagged.mp3 mp3 .MP3
    lame --quiet -b 128 tone.wav bare.mp3 && made bare.mp3 mp3 .MP3
else
    echo "make_media.sh: lame is missing: no MP3 sample" >&2
fi
python3 "$here/make_more_raw.py" . plain_restart.jpg
made camera.rw2 rw2 .RW2
made camera.orf orf .ORF
made camera.raf raf .RAF
