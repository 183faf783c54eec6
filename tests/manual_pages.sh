#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Keeps the manual pages in step with the programs: both pages format
# without a warning from man and carry the program's version, and the page
# of velmoro-cli names every command that `velmoro-cli --help` lists (in its
# synopsis, as "velmoro-cli COMMAND") and every option that the general help
# and each command's help print. The lists come from the help texts
# themselves, so a new command or option fails this test until the page
# describes it.
# Usage: manual_pages.sh VELMORO_CLI DOC_DIR
set -euo pipefail
cli=$1
doc=$2
command -v man >/dev/null \
    || { echo "FAILED: man is missing (Debian package man-db; bash scripts/test.sh installs it)"; exit 1; }

failures=0
check() { if "$@"; then echo "ok: $*"; else echo "FAILED: $*"; failures=$((failures + 1)); fi; }
# One paragraph per line, unhyphenated, so that no name is split.
render() { LC_ALL=C.UTF-8 MANWIDTH=10000 man --nh --nj -l "$1"; }
quiet_format() { [ -z "$(LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l -Tutf8 -Z "$1" 2>&1 >/dev/null)" ]; }

version=$("$cli" --version | sed -n 's/^velmoro-cli //p')
for page in "$doc/velmoro.1" "$doc/velmoro-cli.1"; do
    check quiet_format "$page"
    check grep -q "^\.TH .* \"Velmoro $version\"" "$page"
done

help=$("$cli" --help)
# The commands are the lines of the "Commands:" block that start with a word.
commands=$(sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z-]*\)\( .*\)\?$/\1/p' <<<"$help")
[ -n "$commands" ] || { echo "FAILED: no commands found in velmoro-cli --help"; exit 1; }
for command in $commands; do
    help+=$'\n'$("$cli" "$command" --help)
done
# Options stand after a space, "[" or "(", and are followed by neither a
# letter nor a hyphen.
options=$(grep -oE '(^|[][ (,])--?[a-zA-Z][a-zA-Z-]*' <<<"$help" | sed 's/^[][ (,]//' | sort -u)

page=$(render "$doc/velmoro-cli.1")
mentions() { grep -qE -- "(^|[^[:alnum:]-])$1([^[:alnum:]-]|$)" <<<"$page"; }
for command in $commands; do
    check mentions "velmoro-cli $command"
done
for option in $options; do
    check mentions "$option"
done
exit "$failures"
