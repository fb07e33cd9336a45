#!/bin/sh
# The Standard search and listing of a FAT32 volume holding 100,000 folders (100 at the
# root, 999 in each, one small file per top folder), timed against a warm sequential
# read of the image. Naming and listing a folder reads its directory cluster once per
# search; the target is recovery-cli list within 3x the read. Not a test.
#
#   bench/folders-benchmark.sh [RECOVERY_CLI]
#
# Environment as for scan-benchmark.sh; the defaults here make the 100,000 folders.
set -eu
export SIZE_MIB=${SIZE_MIB:-1280}
export FOLDERS=${FOLDERS:-100}
export SUBFOLDERS=${SUBFOLDERS:-999}
export DATA_MIB=${DATA_MIB:-256}
exec "$(dirname "$0")/scan-benchmark.sh" "$@"
