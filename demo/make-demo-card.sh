#!/usr/bin/env bash
# Builds a small memory-card image for demonstrations and tests, without root:
#   demo/make-demo-card.sh OUT.img
# Layout (512-byte sectors): an MBR with a FAT32 partition at sector 63 (1 sector per
# cluster) and a FAT16 partition at sector 131072. The FAT32 volume holds nested
# folders, long names with national characters, live files of several types, files
# deleted with mdel, a folder tree deleted with mdeltree, and an orphaned folder (its
# parent's directory cluster is zeroed). Needs sfdisk, mkfs.fat and mtools.
set -euo pipefail

out=${1:?usage: make-demo-card.sh OUT.img}
for tool in sfdisk mkfs.fat mcopy mmd mdel mdeltree truncate dd od; do
    command -v "$tool" >/dev/null || { echo "make-demo-card: $tool is missing" >&2; exit 1; }
done

export MTOOLS_SKIP_CHECK=1 MTOOLS_NO_VFAT=0
export LC_ALL=C.UTF-8 # long names are UTF-8 here, UTF-16 on the card

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

p1_start=63 p1_size=131009 p2_start=131072 p2_size=65536
total=$((p2_start + p2_size))

# Sample contents with the real signatures of their types.
make_samples() {
    local d=$1
    # Office compound document header, then text.
    { printf '\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1'; head -c 504 /dev/zero;
      for i in $(seq 1 200); do echo "Quarterly report line $i"; done; } >"$d/report.doc"
    { printf '\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1'; head -c 504 /dev/zero;
      for i in $(seq 1 120); do echo "row $i;$((i * 7));$((i * 13))"; done; } >"$d/budget.xls"
    # JPEG/JFIF header, some body, end marker.
    { printf '\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00';
      for i in $(seq 1 300); do printf 'pixels%04d' "$i"; done; printf '\xff\xd9'; } >"$d/photo.jpg"
    # A Zip archive holding one empty stored file "a.txt".
    printf 'PK\x03\x04\x0a\x00\x00\x00\x00\x00\x00\x00\x21\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x05\x00\x00\x00a.txt' >"$d/archive.zip"
    printf 'PK\x01\x02\x14\x00\x0a\x00\x00\x00\x00\x00\x00\x00\x21\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x05\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00a.txt' >>"$d/archive.zip"
    printf 'PK\x05\x06\x00\x00\x00\x00\x01\x00\x01\x00\x33\x00\x00\x00\x28\x00\x00\x00\x00\x00' >>"$d/archive.zip"
    for i in $(seq 1 40); do echo "Notes, line $i: the quick brown fox jumps over the lazy dog."; done >"$d/notes.txt"
    head -c 5000 /dev/zero | tr '\0' 'x' >"$d/big.txt"
    echo "short" >"$d/short.txt"
}

samples=$work/samples
mkdir "$samples"
make_samples "$samples"

# --- FAT32 partition -------------------------------------------------------------
p1=$work/p1.img
truncate -s $((p1_size * 512)) "$p1"
mkfs.fat -F 32 -s 1 -R 32 -f 2 -h "$p1_start" -n DEMOCARD -i 2004c0de --invariant "$p1" >/dev/null
i1=(-i "$p1")

mmd "${i1[@]}" ::/DCIM ::/DCIM/100PHOTO ::/Documents ::/Documents/Projects \
    ::/Documents/Projects/2004 ::/Music ::/Old ::/Old/Trash ::/Old/Trash/Deep \
    ::/Archive ::/Archive/Parent ::/Archive/Parent/Orphaned ::/Archive/Parent/Orphaned/Inner
mmd "${i1[@]}" "::/Résumé and Lettres" "::/Документы"

mcopy "${i1[@]}" "$samples/photo.jpg" ::/DCIM/100PHOTO/IMG_0001.JPG
mcopy "${i1[@]}" "$samples/photo.jpg" "::/DCIM/100PHOTO/Holiday at the seaside.jpg"
mcopy "${i1[@]}" "$samples/report.doc" "::/Documents/Quarterly Report 2004.doc"
mcopy "${i1[@]}" "$samples/budget.xls" ::/Documents/Projects/budget.xls
mcopy "${i1[@]}" "$samples/notes.txt" "::/Documents/Projects/2004/Meeting notes.txt"
mcopy "${i1[@]}" "$samples/archive.zip" ::/Documents/Projects/backup.zip
mcopy "${i1[@]}" "$samples/notes.txt" "::/Résumé and Lettres/Lettre à Zoë.txt"
mcopy "${i1[@]}" "$samples/report.doc" "::/Документы/Отчёт.doc"
mcopy "${i1[@]}" "$samples/big.txt" ::/Music/playlist.txt
mcopy "${i1[@]}" "$samples/short.txt" ::/README.TXT
mcopy "${i1[@]}" "$samples/budget.xls" "::/Old/Trash/old budget.xls"
mcopy "${i1[@]}" "$samples/notes.txt" ::/Old/Trash/Deep/deep.txt
mcopy "${i1[@]}" "$samples/notes.txt" ::/Archive/Parent/parent.txt
mcopy "${i1[@]}" "$samples/report.doc" "::/Archive/Parent/Orphaned/lost report.doc"
mcopy "${i1[@]}" "$samples/short.txt" ::/Archive/Parent/Orphaned/Inner/inner.txt

# Deleted files and a deleted folder tree.
mcopy "${i1[@]}" "$samples/photo.jpg" ::/DCIM/100PHOTO/IMG_0002.JPG
mcopy "${i1[@]}" "$samples/report.doc" "::/Documents/Deleted draft.doc"
mcopy "${i1[@]}" "$samples/big.txt" ::/Music/gone.txt
mdel "${i1[@]}" ::/DCIM/100PHOTO/IMG_0002.JPG "::/Documents/Deleted draft.doc" ::/Music/gone.txt
mdeltree "${i1[@]}" ::/Old/Trash

# Orphan "Orphaned": zero the directory cluster of its parent "Parent" (one cluster,
# as the folder is small), so nothing in the tree leads to it any more.
le() { od -An -t u"$2" -j "$1" -N "$2" "$p1" | tr -d ' '; }
reserved=$(le 14 2) fats=$(le 16 1) fat_size=$(le 36 4) spc=$(le 13 1)
parent_cluster=$(mshowfat "${i1[@]}" ::/Archive/Parent | sed -n 's/.*<\([0-9]*\).*/\1/p')
[ -n "$parent_cluster" ] || { echo "make-demo-card: cannot find the Parent cluster" >&2; exit 1; }
parent_sector=$((reserved + fats * fat_size + (parent_cluster - 2) * spc))
dd if=/dev/zero of="$p1" bs=512 seek="$parent_sector" count="$spc" conv=notrunc status=none

# --- FAT16 partition -------------------------------------------------------------
p2=$work/p2.img
truncate -s $((p2_size * 512)) "$p2"
mkfs.fat -F 16 -s 4 -h "$p2_start" -n SECOND -i 2004beef --invariant "$p2" >/dev/null
mmd -i "$p2" ::/Backup
mcopy -i "$p2" "$samples/notes.txt" "::/Backup/second notes.txt"
mcopy -i "$p2" "$samples/photo.jpg" ::/Backup/PHOTO.JPG
mcopy -i "$p2" "$samples/short.txt" ::/Backup/erased.txt
mdel -i "$p2" ::/Backup/erased.txt

# --- The card ------------------------------------------------------------------------
rm -f "$out"
truncate -s $((total * 512)) "$out"
sfdisk -q --no-reread --no-tell-kernel "$out" >/dev/null <<SFDISK
label: dos
unit: sectors
start=$p1_start, size=$p1_size, type=c
start=$p2_start, size=$p2_size, type=6
SFDISK
dd if="$p1" of="$out" bs=1M seek=$((p1_start * 512)) oflag=seek_bytes conv=notrunc,sparse status=none
dd if="$p2" of="$out" bs=1M seek=$((p2_start * 512)) oflag=seek_bytes conv=notrunc,sparse status=none
echo "$out: $((total * 512)) bytes; FAT32 at sector $p1_start, FAT16 at sector $p2_start;" \
    "directory of Archive/Parent (sector $((p1_start + parent_sector))) zeroed"
