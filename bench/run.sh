#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds Velmoro in release mode (the "bench" preset, into build-bench/) and
# prints its speed and memory beside GNU tar's and bsdtar's, all measured in
# this one run (see bench.py).
#   bash bench/run.sh [--install]
# --install also installs the Debian icon themes the real-theme rows measure
# (papirus-icon-theme, breeze-icon-theme, adwaita-icon-theme); without it the
# rows of a theme that is not installed say so.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
preset=bench
extra_packages=(tar libarchive-tools python3 time coreutils)
if [ "${1:-}" = --install ]; then
    extra_packages+=(papirus-icon-theme breeze-icon-theme adwaita-icon-theme)
fi
source scripts/setup.sh >/dev/null
python3 bench/bench.py "$build_dir/cli/velmoro-cli" "$build_dir/bench/preview_bench"
