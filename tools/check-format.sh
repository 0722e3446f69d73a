#!/bin/sh
# Fails when the C++ lines changed since BASE (default: the previous commit), including changes
# not yet committed, are not as clang-format writes them with the root's .clang-format; shows
# the change it would make. The other lines stay as they are: files are reformatted as they
# are touched, not all at once.
# Usage: tools/check-format.sh [BASE]
set -eu
cd "$(dirname "$0")/.."
base=${1:-HEAD~1}
if ! git rev-parse --verify --quiet "$base^{commit}" >/dev/null; then
    echo "format: no commit $base to compare with; nothing checked"
    exit 0
fi
# git-clang-format 14 exits 0 whether or not it has a change to show, so its output decides.
out=$(git clang-format --binary "${CLANG_FORMAT:-clang-format}" --extensions cpp,h --diff "$base" --)
if printf '%s\n' "$out" | grep -q '^diff '; then
    printf '%s\n' "$out"
    echo "format: the lines above differ from clang-format; \`git clang-format $base\` rewrites them"
    exit 1
fi
echo "format: the lines changed since $base are as clang-format writes them"
