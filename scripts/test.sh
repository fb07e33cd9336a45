#!/usr/bin/env bash
# Installs the packages, builds everything and runs every test; then builds the core
# again with AddressSanitizer and UndefinedBehaviorSanitizer and runs its tests
# (RECOVERY_SKIP_SANITIZE=1 leaves that out).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-packages.sh
jobs=${JOBS:-2}

cmake -S . -B out/build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build out/build -j "$jobs"
# The GUI tests need a display; a virtual one stands in on a headless machine.
display=()
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
    display=(xvfb-run -a)
fi
(cd out/build && "${display[@]}" ctest --output-on-failure -j "$jobs")

if [ "${RECOVERY_SKIP_SANITIZE:-0}" != 1 ]; then
    # -O1 keeps every check and runs the tests about twice as fast as -O0; the sanitizers'
    # reports need only line tables (-g1), which compile much faster than full -g.
    cmake -S . -B out/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g1 -O1" \
        -DRECOVERY_SANITIZE=ON -DRECOVERY_GUI=OFF
    cmake --build out/asan -j "$jobs"
    (cd out/asan && ctest --output-on-failure -j "$jobs")
fi
