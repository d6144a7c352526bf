#!/usr/bin/env bash
# Builds both presets; the Windows one assembles build/dist/.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/errors.sh
source scripts/errors.sh
qs_stop_on_errors build
cmake --preset native >/dev/null
cmake --build --preset native
cmake --preset windows >/dev/null
cmake --build --preset windows
