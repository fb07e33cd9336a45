#!/usr/bin/env bash
# Installs the packages, builds the programs, makes the demo memory card and runs the
# recovery on it: the disk list, the card's details and partitions, the rebuilt tree of
# its FAT32 partition and the save of every file found; then opens the wizard on the
# card when a display is present.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-packages.sh
cmake -S . -B out/build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build out/build -j "${JOBS:-2}" --target recovery-cli Quarrixdale-HDD

card=out/build/demo-card.img
demo/make-demo-card.sh "$card"
cli=out/build/bin/recovery-cli

echo
echo "== Disks (the demo card is Disk0) =="
"$cli" --image "$card" disks
echo
echo "== Details of Disk0 =="
"$cli" --image "$card" details --disk 0
echo
echo "== Partitions of Disk0 =="
"$cli" --image "$card" partitions --disk 0
echo
echo "== Folders and files found on Partition - 1 (path, type, size, date, time) =="
"$cli" --image "$card" list --disk 0 --partition 1
echo
recovered=out/demo-recovered
rm -rf "$recovered"
echo "== Saving everything found into $recovered =="
"$cli" --image "$card" save --disk 0 --partition 1 --to "$recovered" --replace yes-all
echo
BUILD_DIR=out/build scripts/wizard.sh "$card"
