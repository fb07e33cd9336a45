#!/bin/sh
# Times saving and loading recovery logs of 100,000 folders (FAT32) and of an NTFS
# search with 1,000,000 file rows, through the calls of the Save Log and Load Log
# commands, and prints the log sizes and times. Not a test: the figures depend on the
# machine.
#
#   bench/log-benchmark.sh [WORKDIR]        (default: a fresh folder under /tmp)
#
# An optimised build of the core is made in build-bench beside this script's
# repository, unless RECOVERY_CORE names a built librecovery_core.a.
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$(mktemp -d /tmp/log-bench-XXXXXX)}
core=${RECOVERY_CORE:-}
mkdir -p "$work"

if [ -z "$core" ]; then
    cmake -S "$repo" -B "$repo/build-bench" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DRECOVERY_TESTS=OFF -DRECOVERY_GUI=OFF >/dev/null
    ninja -C "$repo/build-bench" recovery_core >/dev/null
    core="$repo/build-bench/src/librecovery_core.a"
fi

${CXX:-c++} -std=c++20 -O2 -I"$repo/src" "$repo/bench/log-benchmark.cpp" "$core" -lpthread \
    -o "$work/log-benchmark"
"$work/log-benchmark" "$work"
