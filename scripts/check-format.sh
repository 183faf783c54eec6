#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks that the tracked C++ files follow .clang-format (clang-format 14,
# Debian 12's): prints what would change and fails if anything would.
#   bash scripts/check-format.sh            every tracked .cpp and .h file
#   bash scripts/check-format.sh REV        only those changed since REV (e.g. main)
#   bash scripts/check-format.sh --fix [REV]  rewrite them instead
#   bash scripts/check-format.sh --names-only [REV]  name the files that differ, no diffs
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/packages.sh
require_packages clang-format-14 git

mode=diff
case ${1:-} in
    --fix) mode=fix; shift ;;
    --names-only) mode=names; shift ;;
esac
if (($#)); then
    # Changed since REV, committed or not, and still present.
    mapfile -t files < <(git diff --name-only --diff-filter=d "$1" -- '*.cpp' '*.h')
else
    mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
fi
if ((${#files[@]} == 0)); then
    echo "format: no C++ files to check"
    exit 0
fi

if [ "$mode" = fix ]; then
    clang-format-14 -i -- "${files[@]}"
    echo "format: ${#files[@]} files formatted"
    exit 0
fi
bad=0
for file in "${files[@]}"; do
    if [ "$mode" = names ]; then
        clang-format-14 -- "$file" | cmp -s "$file" - || { echo "$file"; bad=$((bad + 1)); }
    elif ! diff -u --label "$file" --label "$file (formatted)" \
        "$file" <(clang-format-14 -- "$file"); then
        bad=$((bad + 1))
    fi
done
if ((bad)); then
    echo "format: $bad of ${#files[@]} files differ from .clang-format;" \
        "bash scripts/check-format.sh --fix${1:+ $1} rewrites them"
    exit 1
fi
echo "format: ${#files[@]} files checked, all formatted"
