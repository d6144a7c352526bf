"""Prints QuietSpin's CPU use under Wine, with its wineserver's and Xvfb's, over a time window.

    python3 bench/cpu_usage.py --seconds 60 --fakeaspi "devices=0:1:5 delay=3000" [--settle 5] [--close]

With --close the exit button is clicked after the measured window, and the time the program
takes to end and its CPU use until then are printed too (a silent drive holds the exit up to 5 s).

Exit status: 0 within the target (QS_CPU_TARGET percent of one core, default 5), 1 above it,
2 when the program could not be measured.
"""
import argparse
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--seconds", type=float, default=60)
    ap.add_argument("--settle", type=float, default=5, help="seconds after the window appears")
    ap.add_argument("--fakeaspi", default="devices=0:1:5,1:0:5")
    ap.add_argument("--label", default="QuietSpin")
    ap.add_argument("--close", action="store_true", help="then click the exit button and measure the exit")
    args = ap.parse_args()
    target = float(os.environ.get("QS_CPU_TARGET", "5"))
    with harness.Session("bench", fakeaspi=args.fakeaspi) as s:
        app = s.start()
        try:
            s.main_window(app, timeout=30)
        except AssertionError:
            print("QuietSpin did not open its window", file=sys.stderr)
            return 2
        time.sleep(args.settle)
        watched = {"QuietSpin.exe": app.pid, "wineserver": harness.wineserver_of(s.prefix),
                   "Xvfb": s.xvfb.pid}
        before = {name: harness.cpu_ticks(pid) for name, pid in watched.items() if pid}
        t0 = time.monotonic()
        time.sleep(args.seconds)
        elapsed = time.monotonic() - t0
        if app.poll() is not None:
            print("QuietSpin ended during the measurement", file=sys.stderr)
            return 2
        used = {name: (harness.cpu_ticks(watched[name]) - ticks) / elapsed for name, ticks in before.items()}
        print(f"{args.label}: {elapsed:.0f} s measured")
        for name in watched:
            print(f"  {name:14} " + (f"{used[name]:5.1f} % of one core" if name in used else "(not found)"))
        print(f"  QuietSpin and its wineserver together: "
              f"{used['QuietSpin.exe'] + used.get('wineserver', 0):.1f} % (target: {target:g} % or less)")
        within = used["QuietSpin.exe"] <= target
        if args.close:
            within = measure_exit(s, app, watched, target) and within
        return 0 if within else 1


def measure_exit(s, app, watched, target):
    """Clicks the exit button and follows the program to its end, reading its CPU time (and its
    wineserver's) every 50 ms: a finished process has no CPU time left to read."""
    s.move(294 + 430, 114 + 316)
    last = {name: harness.cpu_ticks(pid) for name, pid in watched.items() if pid and name != "Xvfb"}
    before = dict(last)
    t0 = time.monotonic()
    s.click()
    while app.poll() is None and time.monotonic() - t0 < 30:
        for name in before:
            try:
                last[name] = harness.cpu_ticks(watched[name])
            except OSError:
                pass
        time.sleep(0.05)
    took = time.monotonic() - t0
    if app.poll() is None:
        print("QuietSpin did not end within 30 s of the exit click", file=sys.stderr)
        return False
    used = {name: (last[name] - before[name]) / took for name in before}
    print(f"exit: the program ended {took:.1f} s after the click")
    for name in before:
        print(f"  {name:14} {used[name]:5.1f} % of one core until then")
    return used["QuietSpin.exe"] <= target


if __name__ == "__main__":
    sys.exit(main())
