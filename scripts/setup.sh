#!/usr/bin/env bash
# Installs the Debian packages Velmoro needs (only those missing) and builds it.
# Sourced by start.sh and test.sh; quick when nothing has changed.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

packages=(cmake ninja-build g++ qt6-base-dev ${VELMORO_EXTRA_PACKAGES:-})
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
        || missing+=("$package")
done
if ((${#missing[@]})); then
    as_root=()
    [ "$(id -u)" -eq 0 ] || as_root=(sudo)
    echo "Installing ${missing[*]} ..."
    "${as_root[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi

build_dir=${VELMORO_BUILD_DIR:-build}
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
    cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${VELMORO_CMAKE_ARGS:-} >/dev/null
fi
cmake --build "$build_dir"
