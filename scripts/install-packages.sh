#!/usr/bin/env bash
# Installs what building and testing need on Debian 12 (as root, or through sudo).
# Does nothing when everything is installed already.
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev qt6-base-dev
          dosfstools mtools ntfs-3g sleuthkit fdisk xvfb xauth python3 zip
          desktop-file-utils dpkg-dev strace exfatprogs exfat-fuse poppler-utils xdg-utils
          ffmpeg libjpeg-turbo-progs libimage-exiftool-perl
          fuse3 libfuse3-dev pkgconf zlib1g-dev libjpeg62-turbo-dev libheif-examples webp lame testdisk foremost gddrescue
          fonts-dejavu-core)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update
"${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
