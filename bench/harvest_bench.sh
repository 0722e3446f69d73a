#!/usr/bin/env bash
# Speed, memory and store size of morvex-harvest: generated CSR records served in pages of 100
# by a catalogue on 127.0.0.1 (build/bench/catalogue_server), harvested into a fresh folder,
# beside morvex-import of the same records as files; then a harvest again with nothing changed.
#
# Environment:
#   MORVEX_BUILD          build folder with morvex-harvest, morvex-import, csrgen and bench/catalogue_server
#   MORVEX_BENCH_RECORDS  records generated (default 65000, the size of the CSR catalogue)
#   MORVEX_BENCH_PROTOCOL csw or oai (default csw)
#   MORVEX_BENCH_REPEAT   runs of each measurement, taken in turns; the fastest counts (default 3)
#   MORVEX_BENCH_DIR      parent of the temporary folder (default: $TMPDIR or /tmp)
# Goals: the harvest at most 1.3 times the import's time, peak memory under 64 MB, the store at
# most 1.2 times the XML it holds.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MORVEX_BUILD:-$repo/build}"
records="${MORVEX_BENCH_RECORDS:-65000}"
protocol="${MORVEX_BENCH_PROTOCOL:-csw}"
repeat="${MORVEX_BENCH_REPEAT:-3}"
harvest="$build/morvex-harvest"
import="$build/morvex-import"
for tool in "$harvest" "$import" "$build/csrgen" "$build/bench/catalogue_server" /usr/bin/time sqlite3; do
    command -v "$tool" >/dev/null || { echo "harvest_bench: $tool not found; build it or set MORVEX_BUILD" >&2; exit 2; }
done
work="$(mktemp -d "${MORVEX_BENCH_DIR:-${TMPDIR:-/tmp}}/morvex-harvest-XXXXXX")"
server_pid=
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

echo "Generating $records records under $work"
mkdir "$work/single"
"$build/csrgen" --seed 1 --records "$records" --dir "$work/single"
bytes=$(du -sb "$work/single" | cut -f1)
echo "$records record files, $bytes bytes"

# The catalogue reads the records, prints its address and serves until its input ends.
coproc SERVER { exec "$build/bench/catalogue_server" "$protocol" "$work/single"; }
server_pid=$SERVER_PID
read -r url <&"${SERVER[0]}"
echo "Catalogue ($protocol) at $url"
echo

# best NAME CMD...: runs CMD $repeat times in an emptied folder $work/NAME; sets $best (seconds of
# the fastest) and $peak (largest max RSS in KB).
best() {
    local name=$1
    shift
    best="" peak=0
    for _ in $(seq 1 "$repeat"); do
        rm -rf "${work:?}/$name" && mkdir "$work/$name"
        run "$@"
    done
}
# run CMD...: runs CMD once; updates $best and $peak as best does.
run() {
    local start end elapsed rss
    cat "$work"/single/*.xml >/dev/null 2>&1 || true # the records in the page cache for both programs
    start=$(date +%s.%N)
    /usr/bin/time -v -o "$work/time.txt" "$@" >"$work/stdout.txt" 2>"$work/stderr.txt" || {
        echo "harvest_bench: failed: $*" >&2
        tail -n 5 "$work/stderr.txt" >&2
        exit 1
    }
    end=$(date +%s.%N)
    elapsed=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')
    rss=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")
    if [ -z "$best" ] || awk -v a="$elapsed" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$elapsed; fi
    if [ "$rss" -gt "$peak" ]; then peak=$rss; fi
}

best import "$import" --quiet --output-dir "$work/import" "$work/single"
own=$best ownPeak=$peak
best harvest "$harvest" --quiet --output-dir "$work/harvest" --protocol "$protocol" --page-size 100 "$url"
harvested=$best harvestPeak=$peak
summary=$(sed -n 's/^Records new/Records new/p' "$work/stdout.txt")
printf "%-34s %8.3f s %7d KB\n" "morvex-import of the record files" "$own" "$ownPeak"
printf "%-34s %8.3f s %7d KB   %5.2f x (goal: at most 1.30)\n" "morvex-harvest, pages of 100" "$harvested" \
    "$harvestPeak" "$(awk -v a="$harvested" -v b="$own" 'BEGIN { print a / b }')"
echo "    $summary"
if [ "$harvestPeak" -ge 65536 ]; then echo "    peak memory above the goal of 64 MB"; fi

# The same form files, byte for byte.
same=yes
for file in "$work"/import/KER*.INF; do
    cmp -s "$file" "$work/harvest/$(basename "$file")" || same=no
done
[ "$(ls "$work/import" | wc -l)" = "$(ls "$work/harvest" | grep -c '^KER')" ] || same=no
echo "    form files the same as morvex-import's: $same"

store=0
for part in "$work"/harvest/csr.sqlite*; do store=$((store + $(stat -c %s "$part"))); done
xml=$(sqlite3 -readonly "$work/harvest/csr.sqlite" "SELECT sum(length(xml)) FROM records")
printf "%-34s %12d bytes of %d bytes of XML: %5.3f x (goal: at most 1.20)\n" "store" "$store" "$xml" \
    "$(awk -v a="$store" -v b="$xml" 'BEGIN { print a / b }')"

# Nothing changed: the incremental harvest and the year files written again.
best=""
peak=0
for _ in $(seq 1 "$repeat"); do run "$harvest" --quiet --output-dir "$work/harvest"; done
printf "%-34s %8.3f s %7d KB\n" "morvex-harvest again, no change" "$best" "$peak"
echo "    $(sed -n 's/^Records new/Records new/p' "$work/stdout.txt")"
