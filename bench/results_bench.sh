#!/usr/bin/env bash
# The results window on about 100,000 selected forms: a search without criteria from the main
# window, then the window opened on its forms, sorted by every column both ways and filtered a
# key at a time, with the resident memory along the way, offscreen and on Xvfb with a window
# manager; and the same search from the window beside morvex-search --all, as window_bench.sh
# compares them.
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
echo "Offscreen:"
if ! "$window" --all --repeat 1 --results "${files[@]}" 2>"$work/window.err"; then
    cat "$work/window.err" >&2
    exit 1
fi
echo

# The same on a real X server: Xvfb at 1920x1080 with the openbox window manager, both started
# here (and installed when missing), so that the sorts are timed to the image on the server.
if ! command -v Xvfb >/dev/null || ! command -v openbox >/dev/null; then
    echo "results_bench: installing the Debian packages xvfb and openbox" >&2
    if [ "$(id -u)" = 0 ]; then sudo=; else sudo=sudo; fi
    $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        xvfb openbox >/dev/null
fi
# Xvfb names its display on the descriptor it is given once it accepts clients.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.err" &
xvfb=$!
read -r display <"$work/display"
# openbox runs its start-up command once it manages the screen; a window shown before that is
# framed while it is measured.
mkfifo "$work/wm"
DISPLAY=":$display" openbox --startup "sh -c 'echo >\"$work/wm\"'" >/dev/null 2>&1 &
wm=$!
read -r _ <"$work/wm"
trap 'kill "$wm" "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
echo "Xvfb :$display with openbox:"
if ! DISPLAY=":$display" QT_QPA_PLATFORM=xcb "$window" --all --repeat 1 --results "${files[@]}" 2>"$work/window.err"; then
    cat "$work/window.err" >&2
    exit 1
fi
kill "$wm" "$xvfb" 2>/dev/null
echo

compare "--all" --all
