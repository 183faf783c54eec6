#!/usr/bin/env bash
# Builds Velmoro in release mode and prints its speed and memory beside GNU
# tar's and bsdtar's, all measured in this one run (see bench.py).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
export VELMORO_EXTRA_PACKAGES="tar libarchive-tools python3 time coreutils ${VELMORO_EXTRA_PACKAGES:-}"
export VELMORO_BUILD_DIR=${VELMORO_BUILD_DIR:-build-bench}
export VELMORO_CMAKE_ARGS="-DCMAKE_BUILD_TYPE=Release ${VELMORO_CMAKE_ARGS:-}"
source scripts/setup.sh >/dev/null
python3 bench/bench.py "$build_dir/cli/velmoro-cli" "$build_dir/bench/preview_bench"
