#!/usr/bin/env bash
# Runs every test, tier by tier: native unit tests, in-process Win32 tests under Wine, end-to-end
# tests under Wine + Xvfb, and the drive tier; ends with each tier's wall time and the totals.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
# shellcheck source=scripts/errors.sh
source scripts/errors.sh
scripts/setup.sh test || qs_die "set-up failed (scripts/setup.sh test, above): no test ran"
scripts/build.sh || qs_die "the build failed (scripts/build.sh, above): no test ran"
# shellcheck source=scripts/wine-env.sh
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
  qs_wine_template || qs_die "no Wine prefix template (above): no test ran"
  qs_start_xvfb || qs_die "no virtual display (above): no test ran"
  trap 'kill $QS_XVFB_PID 2>/dev/null; WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null' EXIT
  export WINEPREFIX=$QS_ROOT/build/wine/inproc
  qs_wine_prefix "$WINEPREFIX" || qs_die "no Wine prefix for the in-process tests (above): no test ran"
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
  junit=$PWD/build/ctest-${name// /-}.xml
  start=$SECONDS
  if ((!wine_here)) && [ "$name" != "native unit" ]; then
    # shellcheck disable=SC2086
    skip=$(ctest --preset "$preset" --show-only=json-v1 $filter |
           python3 -c 'import json, sys; print(len(json.load(sys.stdin)["tests"]))') ||
      qs_die "ctest could not list the $name tests (above)"
    skipped=$((skipped + skip))
    times+=("$(printf '%-16s skipped (%d tests): no 32-bit programs here' "$name:" "$skip")")
    continue
  fi
  retry=(); [ "$preset" = native ] || retry=("${wine_retry[@]}")
  rm -f "$junit"
  # shellcheck disable=SC2086  # the filter is an option and its pattern
  ctest --preset "$preset" -j2 "${retry[@]}" --output-junit "$junit" $filter 2>&1 | tee "$log"
  [ "${PIPESTATUS[0]}" = 0 ] || status=1
  times+=("$(printf '%-16s %4d s' "$name:" $((SECONDS - start)))")
  # The skip reasons, then "<passed> <failed> <skipped>".
  if counts=$(python3 scripts/ctest_counts.py "$junit"); then
    [[ $counts == *$'\n'* ]] && printf '%s\n' "${counts%$'\n'*}"
    read -r p f s <<<"${counts##*$'\n'}"
    passed=$((passed + p)); failed=$((failed + f)); skipped=$((skipped + s))
  else
    echo "test: the $name tests are not counted (ctest's log: $log)" >&2
    status=1
  fi
done
echo "wall time per tier:"
printf '  %s\n' "${times[@]}"
echo "tests: $passed passed, $failed failed, $skipped skipped"
exit $status
