#!/usr/bin/env bash
# Installs what is missing, builds Quillon with its sample station and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target quillon quillon-cli
exec build/dev/ui/quillon "$@"
