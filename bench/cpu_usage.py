"""Prints QuietSpin's CPU use (and its wineserver's) over a time window under Wine.

    python3 bench/cpu_usage.py --seconds 60 --fakeaspi "devices=0:1:5 delay=3000" [--settle 5]
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
    args = ap.parse_args()
    with harness.Session("bench", fakeaspi=args.fakeaspi) as s:
        app = s.start()
        s.main_window(app, timeout=30)
        time.sleep(args.settle)
        server = harness.wineserver_of(s.prefix)
        a0 = harness.cpu_ticks(app.pid)
        w0 = harness.cpu_ticks(server) if server else 0
        t0 = time.monotonic()
        time.sleep(args.seconds)
        elapsed = time.monotonic() - t0
        a1 = harness.cpu_ticks(app.pid)
        w1 = harness.cpu_ticks(server) if server else 0
        app_pct = (a1 - a0) / elapsed
        server_pct = (w1 - w0) / elapsed
        print(f"{args.label}: {elapsed:.0f} s measured")
        print(f"  QuietSpin.exe  {app_pct:5.1f} % of one core")
        print(f"  wineserver     {server_pct:5.1f} % of one core" if server else "  wineserver     (not found)")
        print(f"  together       {app_pct + server_pct:5.1f} % of one core (target: 5 % or less)")


if __name__ == "__main__":
    main()
