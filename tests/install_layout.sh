#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the build into a temporary prefix and checks what a desktop needs
# to offer Velmoro for theme archives: both programs, a valid .desktop entry,
# the icon, a MIME type for *.tsk that the MIME database accepts, and the
# AppStream metainfo, whose newest release is the version being built.
# Usage: install_layout.sh BUILD_DIR
set -euo pipefail
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix" >/dev/null

failures=0
check() { if "$@"; then echo "ok: ${*: -1}"; else echo "FAILED: $*"; failures=$((failures + 1)); fi; }
check test -x "$prefix/bin/velmoro"
check test -x "$prefix/bin/velmoro-cli"
check test -s "$prefix/share/icons/hicolor/128x128/apps/velmoro.png"
desktop="$prefix/share/applications/velmoro.desktop"
check test -f "$desktop"
check grep -q '^Exec=velmoro %F$' "$desktop"
check grep -q '^MimeType=application/x-tsk-theme;$' "$desktop"
check desktop-file-validate "$desktop"
check update-mime-database "$prefix/share/mime"
check grep -q 'glob pattern="\*.tsk"' "$prefix/share/mime/application/x-tsk-theme.xml"
metainfo="$prefix/share/metainfo/org.example.velmoro.metainfo.xml"
check test -f "$metainfo"
version=$("$prefix/bin/velmoro-cli" --version | sed -n 's/^velmoro-cli //p')
check grep -q "<release version=\"$version\"" "$metainfo"
check appstreamcli validate-tree --no-net "$prefix"
exit "$failures"
