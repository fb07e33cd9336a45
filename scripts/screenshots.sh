#!/usr/bin/env bash
# Saves a PNG of every wizard step and every dialog of the recovery program and of
# every page and window of the installer (setup-*.png), taken
# with QWidget::grab while the GUI tests drive the window on the offscreen platform:
#   scripts/screenshots.sh [OUT_DIR]      (default: out/screenshots)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/out/screenshots}
build=${BUILD_DIR:-$root/out/build}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build" -j2 --target test_gui test_setup_gui >/dev/null
mkdir -p "$out"
QT_QPA_PLATFORM=offscreen QR_SCREENSHOT_DIR="$out" "$build/tests/gui/test_gui" \
    --gtest_brief=1 >/dev/null
QT_QPA_PLATFORM=offscreen QR_SCREENSHOT_DIR="$out" "$build/tests/setup_gui/test_setup_gui" \
    --gtest_brief=1 >/dev/null
ls "$out"/*.png
