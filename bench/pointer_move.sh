#!/bin/bash
# The cost of one pointer move over QuietSpin's window under Wine: runs pointer_move_bench from a
# copy of the program folder (so that it reads the real skin, as the program does) on a private
# Xvfb display, and prints the mean cost per move in the speed band, the transport band and
# elsewhere, for the handler alone and with the painting the move causes.
#
#   bench/pointer_move.sh [moves per measurement, default 1000]
# Environment: QS_DIST (program folder, default build/dist), QS_BUILD (build folder holding
# bench/pointer_move_bench.exe, default build/win), QS_MOVE_TARGET (ms per move, default 2),
# QS_MOVE_PARTS=1 to print also what the parts of a move cost.
# Exit status: 0 when the median move in either band, painting included, costs less than the
# target, 1 above it, 2 when nothing could be measured.
set -u
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
MOVES=${1:-1000}
DIST=${QS_DIST:-$ROOT/build/dist}
BUILD=${QS_BUILD:-$ROOT/build/win}
TARGET=${QS_MOVE_TARGET:-2}
HELPER=$BUILD/bench/pointer_move_bench.exe

source "$ROOT/scripts/wine-env.sh"
[ -f "$DIST/GIF/exit_normal.jpg" ] || { echo "no skin in $DIST/GIF" >&2; exit 2; }
[ -f "$HELPER" ] || { echo "no $HELPER (build the target pointer_move_bench)" >&2; exit 2; }

WORK=$(mktemp -d /tmp/qs-bench-move-XXXXXX)
cleanup() {
  WINEPREFIX=$WORK/prefix wineserver -k >/dev/null 2>&1
  WINEPREFIX=$WORK/prefix wineserver -w >/dev/null 2>&1
  [ -n "${QS_XVFB_PID:-}" ] && kill "$QS_XVFB_PID" 2>/dev/null && wait "$QS_XVFB_PID" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT

qs_wine_prefix "$WORK/prefix"
export WINEPREFIX=$WORK/prefix WINEDLLOVERRIDES="mscoree,mshtml="
cp -r "$DIST" "$WORK/QuietSpin"
cp "$HELPER" "$WORK/QuietSpin/"
qs_start_xvfb || exit 2

cd "$WORK/QuietSpin" || exit 2
timeout 300 wine pointer_move_bench.exe "$TARGET" "$MOVES" ${QS_MOVE_PARTS:+parts} >"$WORK/out.txt" 2>&1
STATUS=$?
OUT=$(tr -d '\r' <"$WORK/out.txt")
echo "One pointer move under Wine, median of $MOVES moves (target: under $TARGET ms in each band):"
echo "$OUT" | grep -E '^(speed-band|transport-band|elsewhere|part:) ' || { echo "$OUT" >&2; exit 2; }
case $STATUS in
  0) echo "within target"; exit 0 ;;
  1) echo "ABOVE target"; exit 1 ;;
  *) echo "$OUT" >&2; exit 2 ;;
esac
