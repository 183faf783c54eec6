#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds Velmoro (installing what it needs) and starts it; arguments go to
# the window (folders and archives to list).
set -euo pipefail
preset=default
# A font with Chinese characters for the window's texts, and Qt's Chinese
# texts for its standard buttons.
extra_packages=(fonts-wqy-microhei qt6-translations-l10n)
caller_dir=$PWD
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
cd "$caller_dir" # relative paths among the arguments mean the caller's folder
exec "$build_dir/app/velmoro" "$@"
