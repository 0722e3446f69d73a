# The window's search beside morvex-search's, sourced by window_bench.sh and results_bench.sh
# after bench_setup (inventory.sh); window is the path of window_bench.
#
# compare NAME OPTIONS...: runs morvex-search and the window with the same criteria options
# on the inventory, in turn, repeat times each, and prints the fastest times, their ratio and
# the window's longest time without events.
compare() {
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
