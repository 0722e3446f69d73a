#!/usr/bin/env bash
# The desktop program on a command line: --help and --version print and return at once, with
# or without a display, and without a display the program says so in one line; the manual
# page shows the same options.
#
# usage: check_command_line.sh MORVEX
set -uo pipefail
morvex=$1
failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}
ok() { echo "ok: $*"; }
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)

out=$("${nodisplay[@]}" timeout 60 "$morvex" --version 2>&1)
status=$?
[ "$status" = 0 ] && [[ $out =~ ^morvex\ [0-9]+\.[0-9]+\.[0-9]+$ ]] && ok "--version prints '$out'" ||
    fail "--version gave status $status and: $out"
out=$("${nodisplay[@]}" timeout 60 "$morvex" -V 2>&1)
[ "$out" = "$("${nodisplay[@]}" "$morvex" --version)" ] && ok "-V is --version" || fail "-V gave: $out"
out=$("${nodisplay[@]}" timeout 60 "$morvex" --help 2>&1)
status=$?
[ "$status" = 0 ] && [[ $out == "Usage: morvex [FORMFILE...]"* ]] && [[ $out == *"morvex-search(1)"* ]] &&
    ok "--help prints the usage and returns" || fail "--help gave status $status and: $out"
out=$(QT_QPA_PLATFORM=offscreen timeout 60 "$morvex" --help 2>&1)
[ "$out" = "$("${nodisplay[@]}" "$morvex" --help)" ] && ok "--help with a display prints the same" ||
    fail "--help with a display: $out"
# The manual page shows what --help shows: the form files and every option, long and short.
page="$(dirname "$0")/../../docs/man/morvex.1"
help=$("${nodisplay[@]}" "$morvex" --help)
missing=""
for option in FORMFILE $(printf '%s\n' "$help" | grep -oE '(^|[ ,])--?[a-zA-Z][a-zA-Z-]*' | tr -d ' ,'); do
    grep -qF -- "${option//-/\\-}" "$page" || missing+=" $option"
done
[ -z "$missing" ] && ok "the manual page names what --help names" || fail "the manual page lacks:$missing"

out=$("${nodisplay[@]}" timeout 60 "$morvex" 2>&1)
status=$?
lines=$(printf '%s\n' "$out" | wc -l)
[ "$status" = 1 ] && [ "$lines" = 1 ] && [[ $out == "morvex: no display"* ]] &&
    ok "without a display: status 1 and one line" || fail "without a display: status $status, $lines lines: $out"

[ "$failures" = 0 ] || exit 1
