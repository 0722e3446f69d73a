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
bench_setup window 1000 4 5 "${MORVEX_BUILD:-$(cd "$(dirname "$0")/.." && pwd)/build}/bench/window_bench"
window="$build/bench/window_bench"
echo


compare() { # name, criteria options...
    local name="$1"
    shift
    local cli="" win="" gap=0
    for _ in $(seq 1 "$repeat"); do
        local start end t line g
        start=$(now)
        "$search" --quiet "$@" "${files[@]}" >/dev/null
        end=$(now)
        t=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }')
        if [ -z "$cli" ] || awk -v a="$t" -v b="$cli" 'BEGIN { exit !(a < b) }'; then cli=$t; fi
        line=$("$window" --repeat 1 "$@" "${files[@]}" 2>/dev/null)
        t=$(echo "$line" | awk '{ print $1 }')
        g=$(echo "$line" | sed -E 's/.*events ([0-9.]+) ms.*/\1/')
        if [ -z "$win" ] || awk -v a="$t" -v b="$win" 'BEGIN { exit !(a < b) }'; then win=$t; fi
        if awk -v a="$g" -v b="$gap" 'BEGIN { exit !(a > b) }'; then gap=$g; fi
    done
    awk -v n="$name" -v c="$cli" -v w="$win" -v g="$gap" 'BEGIN {
        printf "%-36s morvex-search %.3f s   window %.3f s   window/cli %.3f   longest time without events %.1f ms\n",
            n, c, w, w / c, g }'
}

compare "--country Spain --month Aug" --country Spain --month Aug
compare "--country Atlantis --month Smarch" --country Atlantis --month Smarch
