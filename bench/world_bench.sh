#!/usr/bin/env bash
# The world map of the main window with the tint of about 100,000 selected forms: a search
# without criteria from the window (offscreen, 1920x1080), then the map opened, repainted and
# zoomed a notch at a time.
#
# Environment:
#   MORVEX_BUILD        build folder with morvex-search, kergen and bench/window_bench
#   MORVEX_BENCH_MB     size of the inventory in MB (default 51: about 100,000 of kergen's forms)
#   MORVEX_BENCH_FILES  number of KER????.INF files it is split into (default 3)
#   MORVEX_BENCH_REPEAT runs of the whole measurement; each is printed (default 3)
#   MORVEX_BENCH_DIR    parent of the temporary folder (default: $TMPDIR or /tmp)
# Goals: opening, a repaint and a zoom step each under 50 ms.
set -euo pipefail

. "$(dirname "$0")/inventory.sh"
bench_setup world 51 3 3 "${MORVEX_BUILD:-$(cd "$(dirname "$0")/.." && pwd)/build}/bench/window_bench"
"$search" --quiet --all "${files[@]}" | head -n 1
for _ in $(seq 1 "$repeat"); do
    echo
    if ! "$build/bench/window_bench" --all --repeat 1 --world "${files[@]}" 2>"$work/window.err"; then
        cat "$work/window.err" >&2
        exit 1
    fi
done
