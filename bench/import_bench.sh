#!/usr/bin/env bash
# Speed and memory of morvex-import: generated CSR records, once as one harvest document and
# once as single-record files, timed beside `xmllint --stream --noout` over the same files
# (a streaming parse that builds nothing), with the peak resident memory of each.
#
# Environment:
#   MORVEX_BUILD        build folder with morvex-import and csrgen (default: <repo>/build)
#   MORVEX_BENCH_MB     size of the records in MB, 1 MB = 1048576 bytes (default 500)
#   MORVEX_BENCH_REPEAT runs of each measurement, taken in turns; the fastest counts (default 3)
#   MORVEX_BENCH_DIR    parent of the temporary folder (default: $TMPDIR or /tmp)
# Goals: morvex-import at most 1.5 times xmllint's time, peak memory under 64 MB.
# The inventory written is about a third of the records: keep room for twice the records.
set -euo pipefail

for tool in xmllint /usr/bin/time; do
    if ! command -v "$tool" >/dev/null; then
        package=$([ "$tool" = xmllint ] && echo libxml2-utils || echo time)
        echo "import_bench: installing the Debian package $package" >&2
        if [ "$(id -u)" = 0 ]; then sudo=; else sudo=sudo; fi
        $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$package" >/dev/null
    fi
done

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MORVEX_BUILD:-$repo/build}"
mb="${MORVEX_BENCH_MB:-500}"
repeat="${MORVEX_BENCH_REPEAT:-3}"
import="$build/morvex-import"
csrgen="$build/csrgen"
for tool in "$import" "$csrgen"; do
    [ -x "$tool" ] || { echo "import_bench: $tool not found; build it or set MORVEX_BUILD" >&2; exit 2; }
done
work="$(mktemp -d "${MORVEX_BENCH_DIR:-${TMPDIR:-/tmp}}/morvex-import-XXXXXX")"
trap 'rm -rf "$work"' EXIT

echo "Generating $mb MB of records under $work"
"$csrgen" --seed 1 --bytes "${mb}M" --out "$work/harvest.xml"
mkdir "$work/single"
"$csrgen" --seed 1 --bytes "${mb}M" --dir "$work/single"
count=$(find "$work/single" -name '*.xml' | wc -l)
bytes=$(stat -c %s "$work/harvest.xml")
cat "$work/harvest.xml" "$work"/single/*.xml >/dev/null # into the page cache
echo "One document of $bytes bytes; $count single-record files"
echo

# best CMD...: runs CMD $repeat times; sets $best (seconds of the fastest) and $peak (largest max RSS in KB).
best() {
    best="" peak=0
    for _ in $(seq 1 "$repeat"); do
        rm -rf "$work/out" && mkdir "$work/out"
        local start end elapsed rss
        start=$(date +%s.%N)
        /usr/bin/time -v -o "$work/time.txt" "$@" >"$work/stdout.txt" 2>"$work/stderr.txt" || {
            echo "import_bench: failed: $*" >&2
            tail -n 5 "$work/stderr.txt" >&2
            exit 1
        }
        end=$(date +%s.%N)
        elapsed=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')
        rss=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")
        if [ -z "$best" ] || awk -v a="$elapsed" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$elapsed; fi
        if [ "$rss" -gt "$peak" ]; then peak=$rss; fi
    done
}

compare() { # name, xmllint arguments (in "$@" after the name), then the import's inputs in $inputs
    local name="$1"
    shift
    best xmllint --stream --noout "$@"
    local lint=$best lintPeak=$peak
    best "$import" --quiet --output-dir "$work/out" "${inputs[@]}"
    local own=$best ownPeak=$peak
    printf "%-28s xmllint --stream %8.3f s %7d KB   morvex-import %8.3f s %7d KB   %5.2f x (goal: at most 1.50)\n" \
        "$name" "$lint" "$lintPeak" "$own" "$ownPeak" "$(awk -v a="$own" -v b="$lint" 'BEGIN { print a / b }')"
    echo "    $(tail -n 1 "$work/stdout.txt")"
    if [ "$ownPeak" -ge 65536 ]; then echo "    peak memory above the goal of 64 MB"; fi
}

inputs=("$work/harvest.xml")
compare "one harvest document" "$work/harvest.xml"
inputs=("$work/single")
compare "$count single files" "$work"/single/*.xml

# The same document imported from the window ("&Import", "CSR &Records...", offscreen) beside
# morvex-import, in turns; the fastest of each counts. Goal: the window within 10%.
window="$build/bench/window_bench"
if [ -x "$window" ]; then
    echo
    mkdir -p "$work/window"
    cli="" win=""
    for _ in $(seq 1 "$repeat"); do
        rm -rf "$work/out" && mkdir "$work/out"
        start=$(date +%s.%N)
        "$import" --quiet --output-dir "$work/out" "$work/harvest.xml" >/dev/null 2>&1
        end=$(date +%s.%N)
        t=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')
        if [ -z "$cli" ] || awk -v a="$t" -v b="$cli" 'BEGIN { exit !(a < b) }'; then cli=$t; fi
        line=$("$window" --repeat 1 --import "$work/window" "$work/harvest.xml" 2>"$work/window.err") || {
            cat "$work/window.err" >&2
            exit 1
        }
        t=$(echo "$line" | awk '{ print $1 }')
        if [ -z "$win" ] || awk -v a="$t" -v b="$win" 'BEGIN { exit !(a < b) }'; then win=$t; fi
    done
    for name in "$work"/out/*; do
        cmp -s "$name" "$work/window/$(basename "$name")" || { echo "import_bench: $(basename "$name") differs" >&2; exit 1; }
    done
    printf "%-28s morvex-import %8.3f s   window %8.3f s   window/cli %5.3f (goal: at most 1.10)\n" \
        "from the window" "$cli" "$win" "$(awk -v a="$win" -v b="$cli" 'BEGIN { print a / b }')"
else
    echo "import_bench: $window not built: the import from the window is not timed"
fi
