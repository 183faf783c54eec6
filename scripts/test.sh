#!/usr/bin/env bash
# Builds Velmoro (installing what it needs) and runs every test.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
# Tests never touch the real user's files or need a display.
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build_dir" --output-on-failure -j"$(nproc)" "$@"
