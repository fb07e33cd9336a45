#!/usr/bin/env bash
# Builds the Debian package and checks it without touching this machine: unpacks it
# into a private root with dpkg (its own database there), checks the files and the
# desktop entry, lists a disk image with the unpacked recovery-cli and starts the
# unpacked recovery program offscreen on it.
#   packaging/check-package.sh [BUILD_DIR]     (default: out/build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/out/build}
cmake --build "$build" -j2 --target recovery recovery-cli Quarrixdale-HDD >/dev/null
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/quarrixdale-recovery_*.deb)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
inst=$work/root
mkdir -p "$inst/var/lib/dpkg/updates" "$inst/var/lib/dpkg/info"
touch "$inst/var/lib/dpkg/status"
# Dependencies are this machine's Qt and C++ libraries; the private database does not know them.
dpkg --root="$inst" --force-depends --force-not-root --force-script-chrootless -i "$deb" >/dev/null 2>&1
dpkg --root="$inst" -L quarrixdale-recovery | grep -q /usr/share/applications/quarrixdale-recovery.desktop

for f in usr/bin/recovery usr/bin/recovery-cli usr/lib/quarrixdale-recovery/Quarrixdale-HDD \
         usr/lib/quarrixdale-recovery/Help.chm usr/share/applications/quarrixdale-recovery.desktop \
         usr/share/icons/hicolor/32x32/apps/quarrixdale-recovery.png etc/quarrixdale/registry; do
    [ -e "$inst/$f" ] || { echo "missing: /$f"; exit 1; }
done
desktop-file-validate "$inst/usr/share/applications/quarrixdale-recovery.desktop"
[ ! -e "$inst/root" ] && [ ! -e "$inst/home" ] || { echo "the package wrote under a home"; exit 1; }

"$root/demo/make-demo-card.sh" "$work/card.img" >/dev/null
"$inst/usr/bin/recovery-cli" --image "$work/card.img" disks | grep -q "card.img"

# The program reads its folder from the machine-wide store; here it points into the
# private root instead of /usr/lib.
sed "s#/usr/lib/quarrixdale-recovery#$inst/usr/lib/quarrixdale-recovery#" \
    "$inst/etc/quarrixdale/registry" > "$work/machine-registry"
export QUARRIXDALE_MACHINE_REGISTRY=$work/machine-registry
export QUARRIXDALE_REGISTRY=$work/user-registry
QT_QPA_PLATFORM=offscreen "$inst/usr/bin/recovery" --image "$work/card.img" &
pid=$!
for _ in $(seq 100); do
    grep -q '"Disk0"' "$QUARRIXDALE_REGISTRY" 2>/dev/null && break
    sleep 0.2
done
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
grep -q '"Disk0"' "$QUARRIXDALE_REGISTRY" || { echo "recovery did not list the image"; exit 1; }
echo "package OK: $deb"
