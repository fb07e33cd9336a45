#!/usr/bin/env bash
# Builds two small demonstration images of media whose partition table is missing:
#   demo/make-demo-notable.sh OUT-DIR
# OUT-DIR/whole-disk.img  a FAT32 volume formatted over the whole image, no table (as
#                         many pen drives and camera cards come): listed as
#                         "Partition - 1 ( FAT32 )" from sector 0.
# OUT-DIR/zeroed-table.img a FAT32 volume at sector 8192 behind a table sector that was
#                         zeroed: the partition search finds it.
# Try: recovery-cli --image OUT-DIR/whole-disk.img partitions --disk 0
#      recovery-cli --image OUT-DIR/zeroed-table.img list --disk 0 --partition 1
# Needs sfdisk, mkfs.fat and mtools; no root.
set -euo pipefail

out=${1:?usage: make-demo-notable.sh OUT-DIR}
for tool in sfdisk mkfs.fat mcopy mmd truncate dd; do
    command -v "$tool" >/dev/null || { echo "make-demo-notable: $tool is missing" >&2; exit 1; }
done
export MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for i in $(seq 1 40); do echo "Holiday notes, line $i."; done >"$work/notes.txt"
{ printf '\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00';
  for i in $(seq 1 300); do printf 'pixels%04d' "$i"; done; printf '\xff\xd9'; } >"$work/photo.jpg"

fill() { # image byte-offset
    local at="$1@@$2"
    mmd -i "$at" ::/DCIM ::/DCIM/100PHOTO
    mcopy -i "$at" "$work/photo.jpg" ::/DCIM/100PHOTO/IMG_0001.JPG
    mcopy -i "$at" "$work/notes.txt" ::/NOTES.TXT
}

whole=$out/whole-disk.img
rm -f "$whole"
truncate -s 64M "$whole"
mkfs.fat -F 32 -s 1 -n NOTABLE -i 2004c0de --invariant "$whole" >/dev/null
fill "$whole" 0

zeroed=$out/zeroed-table.img
rm -f "$zeroed"
truncate -s 64M "$zeroed"
printf 'start=8192, type=c\n' | sfdisk -q "$zeroed"
mkfs.fat -F 32 -s 1 --offset=8192 -h 8192 -n ZEROED -i 2004c0df --invariant "$zeroed" \
    $(((64 * 2048 - 8192) / 2)) >/dev/null
fill "$zeroed" $((8192 * 512))
dd if=/dev/zero of="$zeroed" bs=512 count=1 conv=notrunc status=none

echo "made $whole and $zeroed"
