#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages Velmoro needs (only those missing), then
# configures and builds one preset of CMakePresets.json:
#   bash scripts/setup.sh [PRESET]        (default: "default", into build/)
# start.sh, test.sh, bench/run.sh and .ci/run source it after setting
# `preset` and, for what they need beyond building, `extra_packages`; it
# leaves the preset's build folder in `build_dir`. Configuring every time is
# quick and means a changed preset always takes effect.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/packages.sh

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    preset=${1:-default}
fi
preset=${preset:-default}

packages=(cmake ninja-build g++ qt6-base-dev)
case $preset in
    fuzz) packages+=(clang libclang-rt-14-dev) ;; # libFuzzer comes with clang's runtime
esac
require_packages "${packages[@]}" ${extra_packages[@]+"${extra_packages[@]}"}

if ! configure_log=$(cmake --preset "$preset" 2>&1); then
    echo "$configure_log" >&2
    exit 1
fi
build_dir=$(sed -n 's/^-- Build files have been written to: //p' <<<"$configure_log")
cmake --build --preset "$preset"
