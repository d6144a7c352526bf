#!/usr/bin/env bash
# QuietSpin's CPU use while the showcase plays as after start-up (the movies play and advance by
# themselves, the speed re-apply timer talks to the test ASPI layer).
#   bench/showcase_cpu.sh [seconds]     (60 by default; QS_CPU_TARGET sets the target, 5 %)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env.sh
exec python3 bench/cpu_usage.py --seconds "${1:-60}" --label "showcase playing"
