#!/usr/bin/env bash
# Cost of the exports: morvex-search selecting every form, without exports and with all four
# (CSV, JSON Lines, GeoJSON, SVG), on the same warm inventory.
#
# Environment:
#   MORVEX_BUILD        build folder with morvex-search and kergen (default: <repo>/build)
#   MORVEX_BENCH_MB     size of the inventory in MB, 1 MB = 1048576 bytes (default 200)
#   MORVEX_BENCH_FILES  number of KER????.INF files it is split into (default 2)
#   MORVEX_BENCH_REPEAT runs of each measurement, taken in turns; the fastest counts (default 5)
#   MORVEX_BENCH_DIR    parent of the temporary folder (default: $TMPDIR or /tmp)
# The four files of --all are about ten times the inventory and the exports about twice it:
# keep room for fifteen times the inventory.
set -euo pipefail

. "$(dirname "$0")/inventory.sh"
bench_setup export 200 2 5
mkdir "$work/plain" "$work/exports"

exports=()
for ext in csv jsonl geojson svg; do exports+=(--export "$work/exports/all.$ext"); done

# timed FOLDER ARGS...: one run writing into FOLDER; prints its wall time in seconds.
timed() {
    local folder="$1" start end
    shift
    start=$(now)
    "$search" --all --quiet --output-dir "$folder" "$@" "${files[@]}" >"$work/stdout.txt" || {
        echo "export_bench: failed: $search --all $*" >&2
        exit 1
    }
    end=$(now)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}

# The two runs in turns, so that a slow moment of the machine falls on both alike.
plain="" with=""
for _ in $(seq 1 "$repeat"); do
    t=$(timed "$work/plain")
    if [ -z "$plain" ] || awk -v a="$t" -v b="$plain" 'BEGIN { exit !(a < b) }'; then plain=$t; fi
    t=$(timed "$work/exports" "${exports[@]}")
    if [ -z "$with" ] || awk -v a="$t" -v b="$with" 'BEGIN { exit !(a < b) }'; then with=$t; fi
done
head -n 1 "$work/stdout.txt"
for f in "$work"/exports/all.*; do printf "  %-12s %12d bytes\n" "$(basename "$f")" "$(stat -c %s "$f")"; done

echo
printf "%-44s %8s s\n" "morvex-search --all" "$plain"
printf "%-44s %8s s\n" "morvex-search --all with the four exports" "$with"
awk -v a="$with" -v b="$plain" 'BEGIN { printf "%-44s %8.2f x (goal: at most 1.50)\n", "ratio", a / b }'
