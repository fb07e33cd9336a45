#!/usr/bin/env bash
# Saves a PNG of every wizard step and every dialog of the recovery program and of
# every page and window of the installer (setup-*.png), taken
# with QWidget::grab while the GUI tests drive the window on the offscreen platform,
# three times over:
#   OUT_DIR/default     the desktop's default font
#   OUT_DIR/large-font  a font half as large again (QR_FONT_SCALE=1.5)
#   OUT_DIR/dpr2        a screen of device pixel ratio 2 (QT_SCALE_FACTOR=2)
#   scripts/screenshots.sh [OUT_DIR]      (default: out/screenshots)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/out/screenshots}
build=${BUILD_DIR:-$root/out/build}

cmake -S "$root" -B "$build" -G Ninja -DRECOVERY_GUI=ON >/dev/null
cmake --build "$build" -j2 --target test_gui test_setup_gui >/dev/null

# Runs both GUI test programs with the screenshots going to $1 and the rest of the
# arguments as environment settings.
shoot() {
    local folder=$1
    shift
    rm -rf "$folder"
    mkdir -p "$folder"
    for program in gui/test_gui setup_gui/test_setup_gui; do
        env QT_QPA_PLATFORM=offscreen QR_SCREENSHOT_DIR="$folder" "$@" \
            "$build/tests/$program" --gtest_brief=1 >"$folder/${program##*/}.log" 2>&1 ||
            echo "screenshots: $program failed in $folder (see its log there)" >&2
    done
    echo "$folder: $(ls "$folder"/*.png | wc -l) pictures"
}

shoot "$out/default"
shoot "$out/large-font" QR_FONT_SCALE=1.5
shoot "$out/dpr2" QT_SCALE_FACTOR=2
