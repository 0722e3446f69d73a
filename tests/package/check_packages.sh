#!/usr/bin/env bash
# The Debian packages of `make package`: built by CPack from the build folder, then checked for
# their files, their fields and dependencies, lintian's verdict, and an install and removal
# with dpkg into a scratch root.
#
# usage: check_packages.sh BUILD_DIR
# Exits 77 after a "skipped: ..." line when a tool it needs is missing.
set -euo pipefail

readonly kSkip=77
build=$(realpath "$1")
for tool in cpack dpkg-deb dpkg-shlibdeps lintian man; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit "$kSkip"; }
done
[ -f "$build/CPackConfig.cmake" ] || { echo "skipped: no CPackConfig.cmake in $build"; exit "$kSkip"; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}
ok() { echo "ok: $*"; }

cpack --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 || {
    cat "$tmp/cpack.log"
    echo "FAILED: cpack"
    exit 1
}
cli=$(ls "$tmp"/out/morvex-search_*.deb)
gui=$(ls "$tmp"/out/morvex_*.deb 2>/dev/null || true)

# files PACKAGE: the files of a package, without folders, one a line, sorted.
files() { dpkg-deb -c "$1" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./|/|' | sort; }

expect_files() { # package, expected files...
    local deb=$1
    shift
    local expected
    expected=$(printf '%s\n' "$@" | sort)
    if [ "$(files "$deb")" = "$expected" ]; then
        ok "$(basename "$deb") holds exactly its $# files"
    else
        fail "$(basename "$deb") holds:"$'\n'"$(files "$deb")"$'\n'"expected:"$'\n'"$expected"
    fi
}

expect_files "$cli" /usr/bin/morvex-search /usr/share/man/man1/morvex-search.1.gz \
    /usr/share/bash-completion/completions/morvex-search /usr/share/zsh/vendor-completions/_morvex-search \
    /usr/share/fish/vendor_completions.d/morvex-search.fish /usr/bin/morvex-import \
    /usr/share/man/man1/morvex-import.1.gz /usr/share/bash-completion/completions/morvex-import \
    /usr/share/zsh/vendor-completions/_morvex-import /usr/share/fish/vendor_completions.d/morvex-import.fish \
    /usr/bin/morvex-harvest /usr/share/man/man1/morvex-harvest.1.gz \
    /usr/share/bash-completion/completions/morvex-harvest /usr/share/zsh/vendor-completions/_morvex-harvest \
    /usr/share/fish/vendor_completions.d/morvex-harvest.fish /usr/share/doc/morvex-search/copyright \
    /usr/share/doc/morvex-search/changelog.Debian.gz /usr/share/lintian/overrides/morvex-search \
    /usr/share/doc/morvex-search/examples/KER1994.INF /usr/share/doc/morvex-search/examples/KER1995.INF \
    /usr/share/doc/morvex-search/examples/KER1996.INF

# The fields: section, real descriptions, dependencies from dpkg-shlibdeps.
field() { dpkg-deb -f "$1" "$2"; }
[ "$(field "$cli" Section)" = science ] && ok "morvex-search is in section science" || fail "section of morvex-search"
depends=$(field "$cli" Depends)
case $depends in
*libc6*libstdc++6*libxml2*|*libc6*libxml2*libstdc++6*) ok "morvex-search depends on $depends" ;;
*) fail "morvex-search depends on: $depends" ;;
esac
if grep -qi qt <<<"$depends"; then fail "morvex-search depends on Qt: $depends"; else ok "morvex-search needs no Qt"; fi
[ "$(field "$cli" Description | wc -l)" -ge 5 ] && ok "morvex-search has a long description" ||
    fail "short description of morvex-search"

if [ -n "$gui" ]; then
    expect_files "$gui" /usr/bin/morvex /usr/share/man/man1/morvex.1.gz \
        /usr/share/applications/org.morvex.morvex.desktop /usr/share/mime/packages/org.morvex.morvex.xml \
        /usr/share/icons/hicolor/scalable/apps/org.morvex.morvex.svg \
        /usr/share/metainfo/org.morvex.morvex.metainfo.xml /usr/share/doc/morvex/copyright \
        /usr/share/doc/morvex/changelog.Debian.gz /usr/share/lintian/overrides/morvex
    depends=$(field "$gui" Depends)
    case $depends in
    *qt6-qpa-plugins*libqt6widgets6*) ok "morvex depends on $depends" ;;
    *) fail "morvex depends on: $depends" ;;
    esac
fi

# `cmake --install` puts the same files in the same places.
if DESTDIR="$tmp/installed" cmake --install "$build" --prefix /usr >"$tmp/install.log" 2>&1; then
    installed=$(cd "$tmp/installed" && find . -type f | sed 's|^\.||' | sort)
    packaged=$( (files "$cli"; [ -z "$gui" ] || files "$gui") | sort)
    [ "$installed" = "$packaged" ] && ok "cmake --install installs the files of the packages" ||
        fail "cmake --install installs:"$'\n'"$installed"$'\n'"the packages hold:"$'\n'"$packaged"
else
    cat "$tmp/install.log"
    fail "cmake --install"
fi

# lintian: no error and no warning (informational tags are listed).
if lintian --fail-on error,warning --display-info "$cli" $gui >"$tmp/lintian.log" 2>&1; then
    ok "lintian finds no error and no warning"
    grep -E '^[IP]:' "$tmp/lintian.log" || true
else
    cat "$tmp/lintian.log"
    fail "lintian"
fi

# Installed with dpkg into a scratch root (the libraries are this system's), run, then removed:
# nothing of the package may stay.
root=$tmp/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg_root() { dpkg --root="$root" --force-depends --force-not-root --force-script-chrootless "$@" >>"$tmp/dpkg.log" 2>&1; }
if dpkg_root -i "$cli"; then
    ok "dpkg installs morvex-search"
    for program in morvex-search morvex-import morvex-harvest; do
        "$root/usr/bin/$program" --help | grep -q "^Usage: $program" && ok "the installed $program --help works" ||
            fail "the installed $program --help"
        warnings=$(MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/$program.1.gz" 2>&1 >/dev/null || true)
        [ -z "$warnings" ] && ok "man $program shows the installed page without warnings" || fail "man: $warnings"
    done
    dpkg_root -r morvex-search || fail "dpkg -r morvex-search"
    left=$(cd "$root" && find . -mindepth 1 -not -path './var' -not -path './var/lib' -not -path './var/lib/dpkg*')
    [ -z "$left" ] && ok "removing morvex-search removes every file" || fail "left after removal: $left"
else
    cat "$tmp/dpkg.log"
    fail "dpkg -i morvex-search"
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
