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
picture 400x300 testsrc2 picture.png
# A TIFF made by a tool.
picture 200x150 rgbtestsrc strips.tif
python3 "$here/make_camera_raw.py" camera.dng
# Videos.
ffmpeg -loglevel error -y -f lavfi -i testsrc=duration=2:size=320x240:rate=10 -c:v mpeg4 clip.mp4
ffmpeg -loglevel error -y -f lavfi -i testsrc=duration=2:size=320x240:rate=10 -c:v mpeg4 clip.avi
rm -f photo.ppm small.ppm thumb.ppm thumb.jpg

cat > manifest.txt <<LIST
photo_exif.jpg jpg .JPG
plain_restart.jpg jpg .JPG
progressive.jpg jpg .JPG
picture.png png .PNG
strips.tif raw .TIF
camera.dng raw .DNG
clip.mp4 mp4 .MP4
clip.avi avi .AVI
LIST
