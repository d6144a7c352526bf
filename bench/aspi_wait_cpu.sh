#!/usr/bin/env bash
# CPU use while every drive request takes 3 s: the completion wait must sleep, not spin.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env.sh
exec python3 bench/cpu_usage.py --seconds "${1:-30}" --label "drive requests delayed 3 s" \
  --fakeaspi "devices=0:1:5,1:0:5 delay=3000"
