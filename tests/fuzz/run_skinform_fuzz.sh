#!/usr/bin/env bash
# Fuzzes the mask scan with libFuzzer for SECONDS (default 60) using clang, ASan and UBSan.
# New interesting inputs collect in build/fuzz-skinform/corpus; a crash leaves crash-* there.
# Copy a minimised crash into tests/fuzz/corpus/skinform/ once fixed, so the replay test keeps it.
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$root/build/fuzz-skinform
mkdir -p "$out/corpus"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -I"$root/src" "$root/tests/fuzz/skinform_fuzz.cpp" "$root/src/skinform/bmp_region.cpp" -o "$out/skinform_fuzz"
cd "$out"
./skinform_fuzz -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
  corpus "$root/tests/fuzz/corpus/skinform"
