#!/usr/bin/env bash
# QuietSpin's start-up time and memory under Wine next to a bare window's, the peak over a whole
# showcase cycle, and the longest stall of its window while a movie changes (bench/footprint.py
# tells what each figure is). Builds its two helpers, the bare window and the message probe, with
# the project's mingw toolchain first.
#   bench/footprint.sh [rounds]     (3 by default; QS_DIST, QS_BUILD as for the tests)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env.sh
qs_wine_template
out=${QS_BUILD:-build/win}/bench
mkdir -p "$out"
cxx="i686-w64-mingw32-g++-posix -std=c++20 -O2 -Wall -Wextra -Werror -municode -static"
$cxx -mwindows -DPSAPI_VERSION=2 -o "$out/bare_window.exe" bench/bare_window.cpp -luuid
$cxx -o "$out/message_probe.exe" bench/message_probe.cpp
exec python3 bench/footprint.py --bare "$out/bare_window.exe" --probe "$out/message_probe.exe" \
  --rounds "${1:-3}"
