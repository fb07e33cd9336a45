#!/usr/bin/env bash
# Opens the wizard window on the demo memory card when a display is present; without
# one it only builds and says so. Development runs keep their own registry store in the
# build folder, with "InstallationPath" pointing at the built programs (the installer
# writes it on an installed system).
#   scripts/wizard.sh [IMAGE]...     (default: the demo card)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${BUILD_DIR:-$root/out/build}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target recovery Quarrixdale-HDD

images=("$@")
if [ ${#images[@]} -eq 0 ]; then
    card=$build/demo-card.img
    [ -f "$card" ] || demo/make-demo-card.sh "$card"
    images=("$card")
fi

export QUARRIXDALE_REGISTRY=$build/wizard-registry
cat >"$QUARRIXDALE_REGISTRY" <<REGISTRY
; Quarrixdale registry 1
[HKEY_CLASSES_ROOT\\Quarrixdale-Memory Card]
"InstallationPath"="$build/bin"
REGISTRY

args=()
for image in "${images[@]}"; do args+=(--image "$image"); done
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: the wizard was built ($build/bin/recovery) but not opened."
    echo "With a display: QUARRIXDALE_REGISTRY=$QUARRIXDALE_REGISTRY $build/bin/recovery ${args[*]}"
    exit 0
fi
exec "$build/bin/recovery" "${args[@]}"
