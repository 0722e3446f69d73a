#!/usr/bin/env bash
# Scan speed of morvex-search over a generated inventory, beside grep -F -c, wc -l and cat on
# the same files: grep is the reference of a plain text search, wc -l of a vectorised pass over
# every byte, cat of reading the files at all.
#
# Environment:
#   MORVEX_BUILD        build folder with morvex-search and kergen (default: <repo>/build)
#   MORVEX_BENCH_MB     size of the inventory in MB, 1 MB = 1048576 bytes (default 1000)
#   MORVEX_BENCH_FILES  number of KER????.INF files it is split into (default 4)
#   MORVEX_BENCH_REPEAT runs of each measurement; the fastest counts (default 3)
#   MORVEX_BENCH_DIR    parent of the temporary folder (default: $TMPDIR or /tmp)
set -euo pipefail

if [ ! -x /usr/bin/time ]; then
    echo "scan_bench: installing the Debian package time" >&2
    if [ "$(id -u)" = 0 ]; then sudo=; else sudo=sudo; fi
    $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq time >/dev/null
fi
. "$(dirname "$0")/inventory.sh"
bench_setup scan 1000 4 3
echo

rate() { awk -v b="$total" -v s="$1" 'BEGIN { printf "%.1f", b / 1048576 / s }'; }

# best_time CMD...: runs CMD $repeat times; sets $best (seconds) and $peak (max RSS in KB).
best_time() {
    best=""
    peak=0
    for _ in $(seq 1 "$repeat"); do
        local start end elapsed rss
        start=$(now)
        /usr/bin/time -v -o "$work/time.txt" "$@" >"$work/stdout.txt" 2>"$work/stderr.txt" || {
            echo "scan_bench: failed: $*" >&2
            cat "$work/stderr.txt" >&2
            exit 1
        }
        end=$(now)
        elapsed=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }')
        rss=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")
        if [ -z "$best" ] || awk -v a="$elapsed" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$elapsed; fi
        if [ "$rss" -gt "$peak" ]; then peak=$rss; fi
    done
}

report() { # name, grep seconds, wc seconds (both may be empty)
    local name="$1"
    local line
    line=$(printf "%-40s %8.3f s %9s MB/s" "$name" "$best" "$(rate "$best")")
    if [ -n "${2:-}" ]; then
        line+=$(awk -v a="$2" -v b="$best" 'BEGIN { printf "   %5.2f x grep", a / b }')
    fi
    if [ -n "${3:-}" ]; then
        line+=$(awk -v a="$3" -v b="$best" 'BEGIN { printf "   %5.2f x wc -l", a / b }')
    fi
    if [[ "$name" == morvex* ]]; then line+="   peak RSS ${peak} KB"; fi
    echo "$line"
}

# The machine's own speeds. grep's output goes to a file: GNU grep stops at the first match
# when its output is /dev/null.
best_time sh -c 'cat "$@" >/dev/null' cat "${files[@]}"
report "cat > /dev/null"
best_time wc -l "${files[@]}"
wc_s=$best
report "wc -l"
best_time grep -F -c Spain "${files[@]}"
grep_s=$best
report "grep -F -c Spain" "" "$wc_s"

run() { # name, morvex-search arguments...
    local name="$1"
    shift
    best_time "$search" --quiet "$@" "${files[@]}"
    report "$name" "$grep_s" "$wc_s"
    echo "    $(head -n 1 "$work/stdout.txt")"
}

run "morvex: --country Spain --month Aug" --country Spain --month Aug
run "morvex: --parameter CHLBSSP1" --parameter CHLBSSP1
run "morvex: --country Atlantis --month Smarch" --country Atlantis --month Smarch
run "morvex: --parameter ZZZZ9999" --parameter ZZZZ9999
