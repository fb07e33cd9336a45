#!/usr/bin/env bash
# Installs the packages, builds the programs, makes the demo memory card and runs the
# recovery on it: the disk list and the card's details.
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
