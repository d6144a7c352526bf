#!/usr/bin/env bash
# Runs every test, tier by tier: native unit tests, in-process Win32 tests under Wine, end-to-end
# tests under Wine + Xvfb, and the drive tier; ends with each tier's wall time and the totals.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test || exit 1
scripts/build.sh || exit 1
source scripts/wine-env.sh
wine_here=1
wine_retry=()
if qs_host_runs_i386; then
  emulator=$(qs_i386_emulators | head -n1)
  if [ -n "$emulator" ]; then
    echo "test: this machine runs 32-bit programs only through an emulator ($emulator):" \
      "the Wine tiers run several times slower, and a Wine test that fails is run once more"
    # About one start in a few dozen hangs or ends early there, in Wine rather than in the test.
    wine_retry=(--repeat until-pass:2)
  fi
  qs_wine_template || exit 1
  qs_start_xvfb || exit 1
  trap 'kill $QS_XVFB_PID 2>/dev/null; WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null' EXIT
  export WINEPREFIX=$QS_ROOT/build/wine/inproc
  qs_wine_prefix "$WINEPREFIX"
else
  wine_here=0
  echo "test: this machine does not run 32-bit programs (its kernel refuses i386 code), so Wine cannot" \
    "run QuietSpin here: the in-process, end-to-end and drive tiers are skipped"
fi

status=0; passed=0; failed=0; skipped=0; times=()
# tier name, preset, ctest's label filter. The in-process tier takes every Windows test that is
# neither end-to-end nor a drive test, so that no test is left out for want of a label.
tiers=("native unit|native|" "in-process Wine|windows|-LE ^(e2e|drives)$" "end-to-end|windows|-L ^e2e$"
       "drives|windows|-L ^drives$")
for tier in "${tiers[@]}"; do
  IFS='|' read -r name preset filter <<<"$tier"
  log=build/ctest-${name// /-}.log
  start=$SECONDS
  if ((!wine_here)) && [ "$name" != "native unit" ]; then
    # shellcheck disable=SC2086
    skip=$(ctest --preset "$preset" -N $filter | sed -nE 's/^Total Tests: ([0-9]+)/\1/p')
    skipped=$((skipped + ${skip:-0}))
    times+=("$(printf '%-16s skipped (%d tests): no 32-bit programs here' "$name:" "${skip:-0}")")
    continue
  fi
  retry=(); [ "$preset" = native ] || retry=("${wine_retry[@]}")
  # shellcheck disable=SC2086  # the filter is an option and its pattern
  ctest --preset "$preset" -j2 "${retry[@]}" $filter 2>&1 | tee "$log"
  [ "${PIPESTATUS[0]}" = 0 ] || status=1
  times+=("$(printf '%-16s %4d s' "$name:" $((SECONDS - start)))")
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line"); bad=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$line")
  # ctest counts a skipped test among the passed ones; a skipped test says why in its output.
  skip=$(grep -cE '^\s+[0-9]+ - .* \(Skipped\)$' "$log")
  dir=build/win; [ "$preset" = native ] && dir=build/native
  ((skip)) && grep -h 'skipped: ' "$dir/Testing/Temporary/LastTest.log" | sort -u
  passed=$((passed + ${total:-0} - ${bad:-0} - skip)); failed=$((failed + ${bad:-0})); skipped=$((skipped + skip))
done
echo "wall time per tier:"
printf '  %s\n' "${times[@]}"
echo "tests: $passed passed, $failed failed, $skipped skipped"
exit $status
