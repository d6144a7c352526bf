#!/bin/bash
# QuietSpin's CPU use while the showcase plays: starts the program from a copy of the program
# folder under Wine on a private Xvfb display, lets it settle, then measures the user + system
# time of its process over a window (60 s by default). The showcase runs as after start-up: the
# movies play and advance by themselves, the speed re-apply timer talks to the test ASPI layer.
#
#   bench/showcase_cpu.sh [seconds]
# Environment: QS_DIST (program folder, default build/dist), QS_BUILD (build folder holding
# fakeaspi/WNASPI32.DLL, default build/win), QS_CPU_TARGET (percent of one core, default 5).
# Exit status: 0 within the target, 1 above it, 2 when the program could not be measured.
set -u
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
DURATION=${1:-60}
DIST=${QS_DIST:-$ROOT/build/dist}
BUILD=${QS_BUILD:-$ROOT/build/win}
TARGET=${QS_CPU_TARGET:-5}
SETTLE=5

source "$ROOT/scripts/wine-env.sh"
[ -f "$DIST/QuietSpin.exe" ] || { echo "no QuietSpin.exe in $DIST" >&2; exit 2; }
[ -f "$BUILD/fakeaspi/WNASPI32.DLL" ] || { echo "no test ASPI layer in $BUILD/fakeaspi" >&2; exit 2; }

WORK=$(mktemp -d /tmp/qs-bench-XXXXXX)
APP_PID=""
cleanup() {
  [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null
  WINEPREFIX=$WORK/prefix wineserver -k >/dev/null 2>&1
  WINEPREFIX=$WORK/prefix wineserver -w >/dev/null 2>&1
  [ -n "${QS_XVFB_PID:-}" ] && kill "$QS_XVFB_PID" 2>/dev/null && wait "$QS_XVFB_PID" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT

qs_wine_prefix "$WORK/prefix"
export WINEPREFIX=$WORK/prefix WINEDLLOVERRIDES="mscoree,mshtml=;wnaspi32=n"
export QS_FAKEASPI="devices=0:1:5,1:0:5"
cp -r "$DIST" "$WORK/QuietSpin"
cp "$BUILD/fakeaspi/WNASPI32.DLL" "$WORK/QuietSpin/"
qs_start_xvfb || exit 2
# The first run is over, so the program opens its window instead of installing the ASPI layer.
wine reg add 'HKLM\SYSTEM\CurrentControlSet\Services\QuietSpin\Setting' /v FirstTime /t REG_DWORD /d 0 /f \
  >/dev/null 2>&1

cd "$WORK/QuietSpin" || exit 2
wine QuietSpin.exe >/dev/null 2>&1 &
APP_PID=$!   # Wine runs the program in this very process
for _ in $(seq 150); do
  xdotool search --onlyvisible --pid "$APP_PID" >/dev/null 2>&1 && break
  sleep 0.1
done
if ! xdotool search --onlyvisible --pid "$APP_PID" >/dev/null 2>&1; then
  echo "QuietSpin did not open its window" >&2; exit 2
fi
sleep "$SETTLE"
case "$(cat "/proc/$APP_PID/comm" 2>/dev/null)" in
  QuietSpin.exe) ;;
  *) echo "process $APP_PID is not QuietSpin.exe" >&2; exit 2 ;;
esac

# Clock ticks of user + system time of a process (fields 14 and 15 of /proc/PID/stat).
cpu_ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat" 2>/dev/null; }
server_pid() {
  local p
  for p in $(pgrep wineserver); do
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && { echo "$p"; return; }
  done
}
SERVER=$(server_pid)
HZ=$(getconf CLK_TCK)

a0=$(cpu_ticks "$APP_PID"); s0=$(cpu_ticks "${SERVER:-0}"); x0=$(cpu_ticks "$QS_XVFB_PID")
t0=$(date +%s.%N)
sleep "$DURATION"
a1=$(cpu_ticks "$APP_PID"); s1=$(cpu_ticks "${SERVER:-0}"); x1=$(cpu_ticks "$QS_XVFB_PID")
t1=$(date +%s.%N)
[ -n "$a0" ] && [ -n "$a1" ] || { echo "QuietSpin ended during the measurement" >&2; exit 2; }

percent() {
  awk -v d="$(($2 - $1))" -v hz="$HZ" -v t0="$t0" -v t1="$t1" \
    'BEGIN { printf "%.2f", 100 * d / hz / (t1 - t0) }'
}
app=$(percent "$a0" "$a1")
printf 'QuietSpin CPU over %s s with the showcase playing: %s %% of one core (target: %s %% or less)\n' \
  "$DURATION" "$app" "$TARGET"
[ -n "$s0" ] && [ -n "$s1" ] && printf '  wineserver: %s %%\n' "$(percent "$s0" "$s1")"
[ -n "$x0" ] && [ -n "$x1" ] && printf '  Xvfb (drawing the window): %s %%\n' "$(percent "$x0" "$x1")"
awk -v a="$app" -v t="$TARGET" 'BEGIN { exit !(a <= t) }'
