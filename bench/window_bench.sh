#!/usr/bin/env bash
# A search run from the main window (offscreen, criteria typed into its fields) beside
# morvex-search with the same criteria on the same warm inventory.
#
# Environment:
#   MORVEX_BUILD        build folder with morvex-search, kergen and bench/window_bench
#   MORVEX_BENCH_MB     size of the inventory in MB (default 1000)
#   MORVEX_BENCH_FILES  number of KER????.INF files it is split into (default 4)
#   MORVEX_BENCH_REPEAT runs of each program, taken in turn; the fastest counts (default 5)
#   MORVEX_BENCH_DIR    parent of the temporary folder (default: $TMPDIR or /tmp)
set -euo pipefail

. "$(dirname "$0")/inventory.sh"
. "$(dirname "$0")/compare.sh"
bench_setup window 1000 4 5 "${MORVEX_BUILD:-$(cd "$(dirname "$0")/.." && pwd)/build}/bench/window_bench"
window="$build/bench/window_bench"
echo

compare "--country Spain --month Aug" --country Spain --month Aug
compare "--country Atlantis --month Smarch" --country Atlantis --month Smarch
