#!/usr/bin/env bash
# The manual pages, the shell completions, the desktop entry and the AppStream data, checked
# with the tools that read them: man, bash, zsh, fish, desktop-file-validate and appstreamcli.
#
# usage: check_docs.sh SOURCE_DIR BUILD_DIR
# A tool that is missing is said and its checks are left out; exits 77 when none could be run.
set -euo pipefail

source_dir=$(realpath "$1")
build=$(realpath "$2")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0 checked=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}
ok() {
    echo "ok: $*"
    checked=$((checked + 1))
}
have() { command -v "$1" >/dev/null || { echo "skipped: $1 is not installed"; return 1; }; }

if have man; then
    for page in "$source_dir"/docs/man/*.1; do
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null || true)
        [ -z "$warnings" ] && ok "man --warnings -l $(basename "$page") gives no warning" ||
            fail "$(basename "$page"): $warnings"
    done
    # --area matches text; the exact square search is --square.
    page=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$source_dir/docs/man/morvex-search.1" 2>/dev/null)
    if grep -qi "square 183 exactly" <<<"$page" || ! grep -q -- "--square 183 is the exact search" <<<"$(tr -s ' \n' ' ' <<<"$page")"; then
        fail "the page does not say that --area matches text and --square 183 is the exact search"
    else
        ok "the page says that --area matches text and --square 183 is the exact search"
    fi
    # The caret of the --area example stays the ASCII character a shell reads.
    LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$source_dir/docs/man/morvex-search.1" 2>/dev/null | grep -q -- '--area \^183 ' &&
        ok "the page shows --area ^183 as typed" || fail "--area ^183 is not shown as typed"
fi

# bash: the function is registered, and it completes options, form files and export files.
completion=$source_dir/completions/morvex-search.bash
mkdir -p "$tmp/files/sub"
touch "$tmp/files/KER1994.INF" "$tmp/files/ker1995.inf" "$tmp/files/notes.txt" "$tmp/files/out.csv" "$tmp/files/map.SVG"
got=$(cd "$tmp/files" && bash -c '
    source "$1"
    complete -p morvex-search
    COMP_WORDS=(morvex-search --cou); COMP_CWORD=1; _morvex_search; echo "options: ${COMPREPLY[*]}"
    COMP_WORDS=(morvex-search ""); COMP_CWORD=1; _morvex_search; echo "files: $(printf "%s\n" "${COMPREPLY[@]}" | sort | xargs)"
    COMP_WORDS=(morvex-search --export ""); COMP_CWORD=2; _morvex_search; echo "exports: $(printf "%s\n" "${COMPREPLY[@]}" | sort | xargs)"
    COMP_WORDS=(morvex-search --country ""); COMP_CWORD=2; _morvex_search; echo "text: ${#COMPREPLY[@]}"
' bash "$completion")
expected='complete -F _morvex_search morvex-search
options: --country
files: KER1994.INF ker1995.inf sub
exports: map.SVG out.csv sub
text: 0'
[ "$got" = "$expected" ] && ok "bash completes options, form files and export files" ||
    fail "bash completion gave:"$'\n'"$got"$'\n'"expected:"$'\n'"$expected"

# bash: morvex-import completes its options, record files and folders, and DIR of --output-dir.
touch "$tmp/files/harvest.xml" "$tmp/files/page2.XML"
got=$(cd "$tmp/files" && bash -c '
    source "$1"
    complete -p morvex-import
    COMP_WORDS=(morvex-import --rep); COMP_CWORD=1; _morvex_import; echo "options: ${COMPREPLY[*]}"
    COMP_WORDS=(morvex-import ""); COMP_CWORD=1; _morvex_import; echo "files: $(printf "%s\n" "${COMPREPLY[@]}" | sort | xargs)"
    COMP_WORDS=(morvex-import --output-dir ""); COMP_CWORD=2; _morvex_import; echo "folders: ${COMPREPLY[*]}"
' bash "$source_dir/completions/morvex-import.bash")
expected='complete -F _morvex_import morvex-import
options: --replace
files: harvest.xml page2.XML sub
folders: sub'
[ "$got" = "$expected" ] && ok "bash completes the options, record files and folders of morvex-import" ||
    fail "bash completion of morvex-import gave:"$'\n'"$got"$'\n'"expected:"$'\n'"$expected"

# bash: morvex-harvest completes its options, the words of --protocol, and folders.
got=$(cd "$tmp/files" && bash -c '
    source "$1"
    complete -p morvex-harvest
    COMP_WORDS=(morvex-harvest --forms); COMP_CWORD=1; _morvex_harvest; echo "options: ${COMPREPLY[*]}"
    COMP_WORDS=(morvex-harvest --protocol ""); COMP_CWORD=2; _morvex_harvest; echo "protocols: ${COMPREPLY[*]}"
    COMP_WORDS=(morvex-harvest -o ""); COMP_CWORD=2; _morvex_harvest; echo "folders: ${COMPREPLY[*]}"
    COMP_WORDS=(morvex-harvest --from ""); COMP_CWORD=2; _morvex_harvest; echo "dates: ${#COMPREPLY[@]}"
' bash "$source_dir/completions/morvex-harvest.bash")
expected='complete -F _morvex_harvest morvex-harvest
options: --forms-only
protocols: csw oai list
folders: sub
dates: 0'
[ "$got" = "$expected" ] && ok "bash completes the options, protocols and folders of morvex-harvest" ||
    fail "bash completion of morvex-harvest gave:"$'\n'"$got"$'\n'"expected:"$'\n'"$expected"

if have zsh; then
    for f in _morvex-search _morvex-import _morvex-harvest; do
        zsh -n "$source_dir/completions/$f" && ok "zsh reads $f" || fail "zsh -n $f"
    done
fi
if have fish; then
    fish -n "$source_dir/completions/morvex-search.fish" && ok "fish reads morvex-search.fish" || fail "fish -n"
    got=$(cd "$tmp/files" && fish -c "source $source_dir/completions/morvex-search.fish
        complete -C'morvex-search --cou'; complete -C'morvex-search '" | cut -f1 | sort | xargs)
    [ "$got" = "--country KER1994.INF ker1995.inf sub/" ] && ok "fish completes options and form files" ||
        fail "fish completion gave: $got"
    fish -n "$source_dir/completions/morvex-import.fish" && ok "fish reads morvex-import.fish" || fail "fish -n morvex-import.fish"
    got=$(cd "$tmp/files" && fish -c "source $source_dir/completions/morvex-import.fish
        complete -C'morvex-import --rep'; complete -C'morvex-import '" | cut -f1 | sort | xargs)
    [ "$got" = "--replace harvest.xml page2.XML sub/" ] && ok "fish completes the options and record files of morvex-import" ||
        fail "fish completion of morvex-import gave: $got"
    fish -n "$source_dir/completions/morvex-harvest.fish" && ok "fish reads morvex-harvest.fish" || fail "fish -n morvex-harvest.fish"
    got=$(fish -c "source $source_dir/completions/morvex-harvest.fish
        complete -C'morvex-harvest --forms'; complete -C'morvex-harvest --protocol '" | cut -f1 | sort | xargs)
    [ "$got" = "--forms-only csw list oai" ] && ok "fish completes the options and protocols of morvex-harvest" ||
        fail "fish completion of morvex-harvest gave: $got"
fi

if have desktop-file-validate; then
    out=$(desktop-file-validate "$source_dir/app/org.morvex.morvex.desktop" 2>&1)
    [ -z "$out" ] && ok "desktop-file-validate gives no hint" || fail "desktop-file-validate: $out"
fi
metainfo=$build/doc/org.morvex.morvex.metainfo.xml
if [ -f "$metainfo" ] && have appstreamcli; then
    if out=$(appstreamcli validate --no-net --pedantic "$metainfo" 2>&1) && ! grep -qE '^[EWIP]:' <<<"$out"; then
        ok "appstreamcli validate --no-net --pedantic passes without a remark"
    else
        fail "appstreamcli: $out"
    fi
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
[ "$checked" -gt 0 ] || exit 77
