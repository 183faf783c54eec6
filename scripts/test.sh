#!/usr/bin/env bash
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
# The install test validates the desktop entry and the MIME type.
extra_packages=(desktop-file-utils shared-mime-info)
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
# ctest's preset runs the tests headless (QT_QPA_PLATFORM=offscreen), each
# with its own HOME and data folder.
ctest --preset "$preset" -j"$(nproc)" "$@"
