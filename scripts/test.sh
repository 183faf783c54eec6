#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds Velmoro (installing what it needs) and runs every test.
#   bash scripts/test.sh [--preset PRESET] [CTEST ARGUMENTS...]
# PRESET is one of CMakePresets.json's test presets: default (build/), ci or
# asan; the rest goes to ctest (e.g. -R reader).
set -euo pipefail
preset=default
if [ "${1:-}" = --preset ]; then
    preset=${2:?--preset needs a name}
    shift 2
fi
# What the tests check the installed files and the package with: the desktop
# entry and MIME type validators, appstreamcli for the metainfo,
# dpkg-shlibdeps for the package's dependencies, lintian for the package as a
# whole, and man for the manual pages.
extra_packages=(desktop-file-utils shared-mime-info appstream dpkg-dev lintian man-db)
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
# ctest's preset runs the tests headless (QT_QPA_PLATFORM=offscreen), each
# with its own HOME and data folder.
ctest --preset "$preset" -j"$(nproc)" "$@"
