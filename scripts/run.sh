#!/usr/bin/env bash
# Installs what is missing, builds, and starts QuietSpin under Wine with the test ASPI layer
# simulating two CD-ROM drives (adapter 0 target 1, adapter 1 target 0).
# --real-drives: with our own ASPI layer instead, on this machine's optical drives (/dev/sr*).
# With no display, it runs on a virtual one, saves a screenshot and stops after QS_RUN_SECONDS.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/errors.sh
source scripts/errors.sh
qs_stop_on_errors run
real=0
case "${1:-}" in
  "") ;;
  --real-drives) real=1 ;;
  *) echo "usage: scripts/run.sh [--real-drives]" >&2; exit 2 ;;
esac
if ((real)) && ! compgen -G '/dev/sr[0-9]*' >/dev/null; then
  echo "run: no optical drive on this machine (no /dev/sr*); nothing to run QuietSpin on" >&2
  exit 1
fi
scripts/setup.sh
cmake --preset windows >/dev/null
# The program folder and the simulated layer; the tests and benchmarks are the test command's.
cmake --build --preset windows --target dist fakeaspi
source scripts/wine-env.sh
if ! qs_host_runs_i386; then
  echo "run: this machine does not run 32-bit programs (its kernel refuses i386 code), so Wine cannot" \
    "start QuietSpin here; build/dist/ holds the program folder for a Windows machine" >&2
  exit 1
fi
qs_wine_template

run=$QS_ROOT/build/run
mkdir -p "$run"
rm -rf "$run/QuietSpin"
cp -r build/dist "$run/QuietSpin"
if ((real)); then
  cp build/dist/ASPI/WNASPI32.DLL "$run/QuietSpin/"
else
  cp build/win/fakeaspi/WNASPI32.DLL "$run/QuietSpin/"
fi
# Wine needs the display from its first program on, the registry tool included.
headless=0
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  headless=1
  qs_start_xvfb
  trap 'kill $QS_XVFB_PID 2>/dev/null || true' EXIT
fi
export WINEPREFIX=$run/prefix
((real)) && WINEPREFIX=$run/prefix-real
[ -d "$WINEPREFIX" ] || qs_wine_prefix "$WINEPREFIX"
# The first run is over: start as a user would on every later day.
if ! wine reg add 'HKLM\SYSTEM\CurrentControlSet\Services\QuietSpin\Setting' /v FirstTime /t REG_DWORD /d 0 /f \
    >"$run/reg.log" 2>&1; then
  echo "run: could not mark the first run as over in $WINEPREFIX (wine reg add failed); Wine said:" >&2
  tail -n 5 "$run/reg.log" | sed 's/^/    /' >&2
  exit 1
fi
# QuietSpin starts in a session of its own: one that joins a session while its desktop is going
# away gets no display driver.
wineserver -w
export WINEDLLOVERRIDES=$QS_WINE_OVERRIDES
log=$run/drives.log
: > "$log"
echo "QuietSpin runs from $run/QuietSpin"
if ((real)); then
  echo "Its own ASPI layer (ASPI\WNASPI32.DLL) drives these CD-ROM drives:"
  qs_map_optical_drives "$WINEPREFIX" "$run/media"
  echo "Every 2 s the speed chosen on the meter goes to every drive; on exit each gets its top speed back."
else
  export QS_FAKEASPI="devices=0:1:5,1:0:5 log=Z:${log//\//\\}"
  echo "What the drives receive (SET CD SPEED: byte 50 of each 'SEND 2' record is the speed byte):"
  echo "    tail -f $log"
fi
wine "$run/QuietSpin/QuietSpin.exe" &
app=$!
if ((headless)); then
  if ((real)); then
    sleep "${QS_SHOT_AFTER:-6}"
  else
    # The first speed command goes out two seconds after the window is up.
    for _ in $(seq 600); do grep -q ' SEND 2 ' "$log" && break; sleep 0.1; done
  fi
  import -window root "$run/screenshot.png"
  echo "No display here: QuietSpin runs on a virtual one. Screenshot: $run/screenshot.png"
  sleep "${QS_RUN_SECONDS:-10}"
  wineserver -k || true
  ((real)) || { echo "Requests the drives received:"; grep -c ' SEND 2 ' "$log" || true; }
else
  wait $app || true
fi
