#!/usr/bin/env bash
# Builds Velmoro (installing what it needs) and starts it.
set -euo pipefail
# A font with Chinese characters for the window's texts, and Qt's Chinese
# texts for its standard buttons.
VELMORO_EXTRA_PACKAGES="fonts-wqy-microhei qt6-translations-l10n ${VELMORO_EXTRA_PACKAGES:-}"
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
exec "$build_dir/app/velmoro" "$@"
