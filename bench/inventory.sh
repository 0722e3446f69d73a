# The common start of the benchmarks, sourced by each: settings from the environment, the
# programs, and a generated inventory in a fresh temporary folder that is removed at the end.
#
# bench_setup NAME MB FILES REPEAT [TOOL...]: MB, FILES and REPEAT are the defaults of
# MORVEX_BENCH_MB, MORVEX_BENCH_FILES and MORVEX_BENCH_REPEAT; each TOOL (a path) must be
# executable. Sets repo, build, mb, nfiles, repeat, search, kergen, work, files (the form
# files, read once so that they are in the page cache) and total (their bytes).
bench_setup() {
    local name="$1"
    repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
    build="${MORVEX_BUILD:-$repo/build}"
    mb="${MORVEX_BENCH_MB:-$2}"
    nfiles="${MORVEX_BENCH_FILES:-$3}"
    repeat="${MORVEX_BENCH_REPEAT:-$4}"
    shift 4
    search="$build/morvex-search"
    kergen="$build/kergen"
    local tool
    for tool in "$search" "$kergen" "$@"; do
        [ -x "$tool" ] || { echo "${name}_bench: $tool not found; build it or set MORVEX_BUILD" >&2; exit 2; }
    done

    work="$(mktemp -d "${MORVEX_BENCH_DIR:-${TMPDIR:-/tmp}}/morvex-$name-XXXXXX")"
    trap 'rm -rf "$work"' EXIT

    echo "Generating $mb MB in $nfiles files under $work"
    files=()
    local per=$(( (mb + nfiles - 1) / nfiles )) i f
    for i in $(seq 1 "$nfiles"); do
        f="$work/KER$((1993 + i)).INF"
        "$kergen" --seed "$i" --bytes "${per}M" --out "$f"
        files+=("$f")
    done
    total=$(cat "${files[@]}" | wc -c) # reading them also brings the files into the page cache
    echo "Inventory: $total bytes"
}

now() { date +%s.%N; }
