#!/bin/bash
# The guest's part of aspi_throughput.sh: the drives get letters, and the benchmark runs with our
# layer beside it (loaded before any other WNASPI32.DLL).
set -u
source "$QS_ROOT/scripts/wine-env.sh"
export WINEPREFIX=$QS_PREFIX WINEDLLOVERRIDES="wnaspi32=n"
qs_map_optical_drives "$WINEPREFIX" /run/qs-media || exit 1
folder=$(mktemp -d)
cp "$QS_BUILD/bench/aspi_throughput_bench.exe" "$QS_DIST/ASPI/WNASPI32.DLL" "$folder/"
cd "$folder" && wine aspi_throughput_bench.exe D E
