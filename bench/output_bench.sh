#!/usr/bin/env bash
# Output speed of morvex-search selecting every form, beside cat writing as many bytes.
#
# Environment:
#   MORVEX_BUILD        build folder with morvex-search and kergen (default: <repo>/build)
#   MORVEX_BENCH_MB     size of the inventory in MB, 1 MB = 1048576 bytes (default 200)
#   MORVEX_BENCH_FILES  number of KER????.INF files it is split into (default 2)
#   MORVEX_BENCH_DIR    parent of the temporary folder (default: $TMPDIR or /tmp)
# The four output files of --all are about ten times the inventory: keep room for twice that.
set -euo pipefail

. "$(dirname "$0")/inventory.sh"
bench_setup output 200 2 1
mkdir "$work/out"
input=$total

seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
mbps() { awk -v b="$1" -v s="$2" 'BEGIN { printf "%.1f", b / 1048576 / s }'; }

start=$(now)
"$search" --all --quiet --output-dir "$work/out" "${files[@]}" >"$work/stdout.txt"
end=$(now)
search_s=$(seconds "$start" "$end")
head -n 1 "$work/stdout.txt"
outputs=("$work/out/kerforms.htm" "$work/out/kerheads.htm" "$work/out/ker3.txt" "$work/out/kerxxxx.inf")
written=$(cat "${outputs[@]}" | wc -c)
for f in "${outputs[@]}"; do printf "  %-14s %12d bytes\n" "$(basename "$f")" "$(stat -c %s "$f")"; done

# cat writes the same bytes (the four files, now in the page cache) into the same folder.
start=$(now)
cat "${outputs[@]}" >"$work/out/copy.bin"
end=$(now)
cat_s=$(seconds "$start" "$end")
rm -f "$work/out/copy.bin"

echo
printf "%-34s %12d bytes in %8s s  %9s MB/s\n" "morvex-search --all (output)" "$written" "$search_s" \
    "$(mbps "$written" "$search_s")"
printf "%-34s %12d bytes in %8s s  %9s MB/s\n" "cat of the same bytes" "$written" "$cat_s" \
    "$(mbps "$written" "$cat_s")"
awk -v a="$cat_s" -v b="$search_s" 'BEGIN { printf "ratio morvex/cat: %.3f\n", a / b }'
printf "input read: %s MB/s\n" "$(mbps "$input" "$search_s")"
