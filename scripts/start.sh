#!/usr/bin/env bash
# Builds Velmoro (installing what it needs) and starts it.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
exec "$build_dir/cli/velmoro-cli" "${@:---help}"
