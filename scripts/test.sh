#!/usr/bin/env bash
# Builds Velmoro (installing what it needs) and runs every test.
set -euo pipefail
# The install test validates the desktop entry and the MIME type.
VELMORO_EXTRA_PACKAGES="desktop-file-utils shared-mime-info ${VELMORO_EXTRA_PACKAGES:-}"
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
# Tests never touch the real user's files or need a display.
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build_dir" --output-on-failure -j"$(nproc)" "$@"
