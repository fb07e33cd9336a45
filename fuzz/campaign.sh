#!/bin/sh
# The fuzz and mutated-image campaigns. Images come from the test-media kit
# (tests/support), made by the test_campaign program, which also runs the short
# campaign CI runs (ctest).
#
#   fuzz/campaign.sh short               the CI run: mutated FAT16, FAT32, NTFS and exFAT
#                                        volumes through search and save
#   fuzz/campaign.sh images [RUNS]       RUNS mutated images per volume (default 5000)
#   fuzz/campaign.sh long [SECONDS]      every libFuzzer target, SECONDS each (default
#                                        1800), then a table of executions and findings
#   fuzz/campaign.sh one TARGET [SECONDS]  one target (search_and_save, ...) the same way
#   fuzz/campaign.sh list                the targets, one per fuzz/<name>.cpp
#
# The libFuzzer runs need out/fuzz (see fuzz/CMakeLists.txt). Each target runs in fork
# mode and goes on after a finding; its findings are kept under FINDINGS (default
# out/fuzz-findings/<target>). BUILD (default out/build) and FUZZ_BUILD (default
# out/fuzz) name the build folders.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$here/out/build}
fuzzbuild=${FUZZ_BUILD:-$here/out/fuzz}
findings=${FINDINGS:-$here/out/fuzz-findings}
mode=${1:-short}

targets() {
    for source in "$here"/fuzz/*.cpp; do
        basename "$source" .cpp
    done
}

# Seeds for a target into folder $2: the kit's volumes, intact and damaged the way other
# projects' fsck test volumes are, for the whole search and save,
# the scripted NTFS medium for the NTFS structures; the others start from nothing.
seeds() {
    mkdir -p "$2"
    case "$1" in
    search_and_save)
        QR_CAMPAIGN_RUNS=1 QR_CAMPAIGN_SEEDS="$2" "$build/tests/test_campaign" >/dev/null
        ;;
    ntfs_structures)
        python3 "$here/fuzz/ntfs_structures_seed.py" "$2" >/dev/null
        ;;
    esac
}

# Runs target $1 for $2 seconds; appends "target seconds executions crashes timeouts
# ooms" to $3.
fuzz_one() {
    target=$1 seconds=$2 table=$3
    binary="$fuzzbuild/fuzz/fuzz_$target"
    if [ ! -x "$binary" ]; then
        echo "$target - not-built - - -" >>"$table"
        return
    fi
    seeds "$target" "$work/seeds-$target"
    mkdir -p "$work/corpus-$target" "$findings/$target"
    log="$findings/$target/fuzz.log"
    echo "fuzz_$target: $seconds s (log: $log)" >&2
    # Whole volumes for the search and save; the others stay near their seeds' sizes.
    max_len=
    [ "$target" = search_and_save ] && max_len=-max_len=36000000
    "$binary" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 $max_len \
        -rss_limit_mb=4096 -timeout=20 -max_total_time="$seconds" \
        -artifact_prefix="$findings/$target/" \
        "$work/corpus-$target" "$work/seeds-$target" >"$log" 2>&1 || true
    # Fork mode's status lines: "#EXECS: cov: ... oom/timeout/crash: O/T/C time: ..."
    awk -v target="$target" -v seconds="$seconds" '
        /^#[0-9]+: cov:/ {
            execs = substr($1, 2, length($1) - 2)
            for (i = 1; i <= NF; ++i)
                if ($i == "oom/timeout/crash:") split($(i + 1), found, "/")
        }
        END {
            if (execs == "") execs = "?"
            printf "%s %s %s %s %s %s\n", target, seconds, execs,
                   found[3] + 0, found[2] + 0, found[1] + 0
        }' "$log" >>"$table"
}

summary() {
    printf '%-22s %8s %14s %8s %9s %6s\n' target seconds executions crashes timeouts ooms
    while read -r target seconds execs crashes timeouts ooms; do
        printf '%-22s %8s %14s %8s %9s %6s\n' "$target" "$seconds" "$execs" "$crashes" \
            "$timeouts" "$ooms"
    done <"$1"
    echo "findings (inputs that crashed, timed out or ran out of memory): $findings/<target>/"
}

case "$mode" in
short)
    "$build/tests/test_campaign"
    ;;
images)
    QR_CAMPAIGN_RUNS=${2:-5000} "$build/tests/test_campaign"
    ;;
list)
    targets
    ;;
long | one)
    if [ "$mode" = long ]; then
        chosen=$(targets)
        seconds=${2:-1800}
    else
        chosen=${2:?usage: $0 one TARGET [SECONDS]}
        seconds=${3:-1800}
    fi
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    : >"$work/table"
    for target in $chosen; do
        fuzz_one "$target" "$seconds" "$work/table"
    done
    summary "$work/table"
    ;;
*)
    echo "usage: $0 short | images [RUNS] | long [SECONDS] | one TARGET [SECONDS] | list" >&2
    exit 2
    ;;
esac
