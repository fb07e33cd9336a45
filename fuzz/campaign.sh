#!/bin/sh
# The mutated-image campaign. Images come from the test-media kit (tests/support), made
# by the test_campaign program, which also runs the short campaign CI runs (ctest).
#
#   fuzz/campaign.sh short            the CI run: 200 mutated images through search+save
#   fuzz/campaign.sh long [RUNS]      RUNS mutated images per volume (default 5000)
#   fuzz/campaign.sh fuzz [SECONDS]   libFuzzer on fuzz_search_and_save from the kit's
#                                     images (default 1800 s; needs out/fuzz, see
#                                     fuzz/CMakeLists.txt)
# BUILD (default out/build) and FUZZ_BUILD (default out/fuzz) name the build folders.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$here/out/build}
fuzzbuild=${FUZZ_BUILD:-$here/out/fuzz}
mode=${1:-short}

case "$mode" in
short)
    "$build/tests/test_campaign"
    ;;
long)
    QR_CAMPAIGN_RUNS=${2:-5000} "$build/tests/test_campaign"
    ;;
fuzz)
    seconds=${2:-1800}
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    QR_CAMPAIGN_RUNS=1 QR_CAMPAIGN_SEEDS="$work/seeds" "$build/tests/test_campaign" >/dev/null
    mkdir -p "$work/corpus"
    "$fuzzbuild/fuzz/fuzz_search_and_save" -max_len=36000000 -rss_limit_mb=4096 \
        -timeout=60 -max_total_time="$seconds" -print_final_stats=1 \
        "$work/corpus" "$work/seeds"
    ;;
*)
    echo "usage: $0 short | long [RUNS] | fuzz [SECONDS]" >&2
    exit 2
    ;;
esac
