#!/usr/bin/env bash
# CPU use while every drive request takes 3 s, at an exit held up by a silent drive, and in the
# wait once the quit has been seen: the completion wait must sleep, not spin.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env.sh
status=0
python3 bench/cpu_usage.py --seconds "${1:-30}" --label "drive requests delayed 3 s" \
  --fakeaspi "devices=0:1:5,1:0:5 delay=3000" || status=1
# A drive that never answers, then the exit button: the exit waits up to 5 s for it, sleeping.
python3 bench/cpu_usage.py --seconds 5 --close --label "a silent drive, then the exit button" \
  --fakeaspi "devices=0:1:5,1:0:5 delay=3000 never=1:0" || status=1
# The wait once the quit has been seen (an exit inside a drive wait), with input left queued.
python3 - <<'EOF' || status=1
import os, sys
sys.path.insert(0, "tests/e2e")
import harness
with harness.Session("bench-quit", fakeaspi=None, layer=False) as s:
    out = s.run("wine", os.path.join(harness.BUILD, "bench", "quit_wait_bench.exe"), timeout=60)
    print(out.stdout.replace("\r", ""), end="")
    sys.exit(out.returncode)
EOF
exit $status
