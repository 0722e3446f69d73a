#!/usr/bin/env bash
# The results window on about 100,000 selected forms: a search without criteria from the main
# window (offscreen), then the window opened on its forms, sorted by three columns and filtered
# a key at a time, with the resident memory along the way; and the same search from the window
# beside morvex-search --all, as window_bench.sh compares them.
#
# Environment:
#   MORVEX_BUILD        build folder with morvex-search, kergen and bench/window_bench
#   MORVEX_BENCH_MB     size of the inventory in MB (default 51: about 100,000 of kergen's forms)
#   MORVEX_BENCH_FILES  number of KER????.INF files it is split into (default 3)
#   MORVEX_BENCH_REPEAT runs of each program in the comparison; the fastest counts (default 5)
#   MORVEX_BENCH_DIR    parent of the temporary folder (default: $TMPDIR or /tmp)
set -euo pipefail

. "$(dirname "$0")/inventory.sh"
. "$(dirname "$0")/compare.sh"
bench_setup results 51 3 5 "${MORVEX_BUILD:-$(cd "$(dirname "$0")/.." && pwd)/build}/bench/window_bench"
window="$build/bench/window_bench"
"$search" --quiet --all "${files[@]}" | head -n 1
echo

# The offscreen platform's complaints (no raise() and the like) are shown only on a failure.
if ! "$window" --all --repeat 1 --results "${files[@]}" 2>"$work/window.err"; then
    cat "$work/window.err" >&2
    exit 1
fi
echo

compare "--all" --all
