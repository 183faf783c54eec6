#!/usr/bin/env bash
# Checks that the tracked C++ files follow .clang-format (clang-format 14,
# Debian 12's): prints what would change and fails if anything would.
#   bash scripts/check-format.sh            every tracked .cpp and .h file
#   bash scripts/check-format.sh REV        only those changed since REV (e.g. main)
#   bash scripts/check-format.sh --fix [REV]  rewrite them instead
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/packages.sh
require_packages clang-format-14 git

fix=no
if [ "${1:-}" = --fix ]; then
    fix=yes
    shift
fi
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

if [ "$fix" = yes ]; then
    clang-format-14 -i -- "${files[@]}"
    echo "format: ${#files[@]} files formatted"
    exit 0
fi
bad=0
for file in "${files[@]}"; do
    if ! diff -u --label "$file" --label "$file (formatted)" \
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
