# The window's search beside morvex-search's, sourced by window_bench.sh and results_bench.sh
# after bench_setup (inventory.sh); window is the path of window_bench.
#
# compare NAME OPTIONS...: runs morvex-search and the window with the same criteria options
# on the inventory, once each untimed, then in turn, repeat times each, and prints the fastest
# times, their ratio and the window's longest time without events; then the median and range of
# the ratios of each window run to the morvex-search run before it.
compare() {
    local name="$1"
    shift
    local cli="" win="" gap=0 pairs=""
    # One untimed run of each first: every timed run then replaces the files of an earlier one.
    # Writing into a folder without them is faster (nothing to truncate), and would favour
    # whichever program ran first.
    "$search" --quiet "$@" "${files[@]}" >/dev/null
    "$window" --repeat 1 "$@" "${files[@]}" >/dev/null 2>&1
    for _ in $(seq 1 "$repeat"); do
        local start end t c line g
        start=$(now)
        "$search" --quiet "$@" "${files[@]}" >/dev/null
        end=$(now)
        t=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }')
        c=$t
        if [ -z "$cli" ] || awk -v a="$t" -v b="$cli" 'BEGIN { exit !(a < b) }'; then cli=$t; fi
        line=$("$window" --repeat 1 "$@" "${files[@]}" 2>/dev/null)
        t=$(echo "$line" | awk '{ print $1 }')
        pairs="$pairs $(awk -v a="$t" -v b="$c" 'BEGIN { printf "%.4f", a / b }')"
        g=$(echo "$line" | sed -E 's/.*events ([0-9.]+) ms.*/\1/')
        if [ -z "$win" ] || awk -v a="$t" -v b="$win" 'BEGIN { exit !(a < b) }'; then win=$t; fi
        if awk -v a="$g" -v b="$gap" 'BEGIN { exit !(a > b) }'; then gap=$g; fi
    done
    awk -v n="$name" -v c="$cli" -v w="$win" -v g="$gap" 'BEGIN {
        printf "%-36s morvex-search %.3f s   window %.3f s   window/cli %.3f   longest time without events %.1f ms\n",
            n, c, w, w / c, g }'
    # Each window run over the morvex-search run just before it: on a machine whose speed drifts
    # from minute to minute, the middle of these ratios varies less than the ratio of the fastest.
    echo "$pairs" | tr ' ' '\n' | sed '/^$/d' | sort -n | awk '{ r[NR] = $1 } END {
        m = NR % 2 ? r[(NR + 1) / 2] : (r[NR / 2] + r[NR / 2 + 1]) / 2
        printf "%-36s window/cli run by run: median %.3f, from %.3f to %.3f\n", "", m, r[1], r[NR] }'
}
