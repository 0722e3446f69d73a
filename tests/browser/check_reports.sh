#!/usr/bin/env bash
# Browser check of the reports: morvex-search writes them, headless Chromium opens them.
#
# usage: check_reports.sh MORVEX_SEARCH WORK_DIR
#   WORK_DIR keeps the playwright-core driver between runs. Chromium is Debian's package,
#   installed when missing (as root, or through sudo); CHROMIUM names another binary.
# Exits 77 after a "skipped: ..." line when Chromium or the driver cannot be had.
set -euo pipefail

readonly kSkip=77
search=$(realpath "$1")
work=$(mkdir -p "$2" && realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
samples=$here/../../samples
chromium=${CHROMIUM:-/usr/bin/chromium}

skip() {
    echo "skipped: $*"
    exit "$kSkip"
}

if [ ! -x "$chromium" ] && [ -z "${CHROMIUM:-}" ]; then
    if [ "$(id -u)" = 0 ]; then sudo=; elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then sudo=sudo; else
        skip "chromium is not installed, and installing it needs root"
    fi
    echo "installing Debian's chromium"
    { $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive \
        $sudo apt-get install -y -qq --no-install-recommends chromium; } >"$work/apt.log" 2>&1 ||
        skip "chromium cannot be installed (see $work/apt.log)"
fi
[ -x "$chromium" ] || skip "no chromium at $chromium"
command -v node >/dev/null || skip "node is not installed"
if [ ! -f "$work/node_modules/playwright-core/package.json" ]; then
    npm install --prefix "$work" --no-save --no-audit --no-fund --loglevel=error playwright-core@1 \
        >"$work/npm.log" 2>&1 || skip "playwright-core cannot be installed with npm (see $work/npm.log)"
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/samples" "$tmp/markup" "$tmp/profile"

# The sample search: every Spanish cruise of the three sample years.
cp "$samples"/KER1994.INF "$samples"/KER1995.INF "$samples"/KER1996.INF "$tmp/samples/"
out=$("$search" --quiet --country spain --export "$tmp/samples/map.svg" "$tmp"/samples/KER1994.INF \
    "$tmp"/samples/KER1995.INF "$tmp"/samples/KER1996.INF)
selected=$(printf '%s\n' "$out" | sed -n 's/^Forms Read:- *[0-9]* Forms Selected:- *\([0-9]*\)$/\1/p')
[ -n "$selected" ] && [ "$selected" -gt 2 ] || { echo "unexpected result of the sample search: $out"; exit 1; }

# One form whose header lines carry markup, in line 0 (the code), 1, 5 and 6 (the ship).
printf '%s\r\n' \
    '1995^<b>&amp;^001^^2^WOCE' \
    'Norway & Sweden <script>window.morvexInjected = 1</script>' \
    '217^218' \
    'Institute of Marine Research, Bergen' \
    '12^Aug^30^Aug^Bergen - Tromso' \
    'CR:<script>document.title = "injected"; alert(1)</script>^Tom & Jerry <b>bold</b>' \
    '<i>Ship</i> & Co^RV' \
    'Dr A. Hansen' \
    'Dr B. Olsen' \
    '' \
    'H09^12^a^^^12 at ULMA' \
    '*' >"$tmp/markup/KER1995.INF"
"$search" --quiet --cruise '<script>' --country '& sweden' "$tmp/markup/KER1995.INF" >/dev/null

# The map of the sample search as librsvg draws it, to compare with Chromium's drawing.
rsvg=""
if command -v rsvg-convert >/dev/null; then
    rsvg-convert -o "$tmp/samples/map-rsvg.png" "$tmp/samples/map.svg"
    rsvg="$tmp/samples/map-rsvg.png"
else
    echo "skipped: the SVG map is not compared with librsvg's drawing (no rsvg-convert)"
fi

NODE_PATH="$work/node_modules" node "$here/check_reports.js" "$chromium" "$tmp/profile" "$tmp/samples" \
    "$selected" "$tmp/markup" "$rsvg"
