#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs clang-tidy 14 with .clang-tidy over the program's own sources (not the
# tests, not moc/rcc output), from a preset's compile_commands.json, and
# prints each finding once.
#   bash scripts/static-analysis.sh [PRESET]     (default: ci, build-ci/)
# Exit status: 0 without findings, 1 with findings or when a file could not
# be analysed.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
preset=${1:-ci}
extra_packages=(clang-tidy-14)
source scripts/setup.sh >/dev/null

sources="^$PWD/(archive|util|icons|app|cli|bench|tools)/([^/]+/)?[^/]+\.cpp\$"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
run-clang-tidy-14 -p "$build_dir" -j "$(nproc)" -quiet "$sources" >"$log" 2>&1 || status=$?
# Plain text, paths relative to the project, each finding once (a header's
# finding shows up for every file that includes it).
findings=$(sed -e 's/\x1b\[[0-9;]*m//g' "$log" | grep -E '^/.*: (warning|error): ' \
    | sed "s|^$PWD/||" | sort -u || true)
count=$(grep -c . <<<"$findings" || true)
if ((count)); then
    echo "$findings"
    echo "static analysis: $count findings (details: clang-tidy-14 -p $build_dir FILE)"
    exit 1
fi
if ((status)); then
    sed -e 's/\x1b\[[0-9;]*m//g' "$log" | tail -n 40
    echo "static analysis: clang-tidy failed"
    exit 1
fi
echo "static analysis: $(grep -c '^clang-tidy' "$log") files, no findings"
