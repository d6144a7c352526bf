"""Prints QuietSpin's footprint under Wine next to a bare window's, measured in one run under the
same Wine on one display (run it through bench/footprint.sh, which builds the helpers):

  - start-up to a visible window, and resident memory 6 s after the start, of QuietSpin and of
    the bare window (one 527 x 500 popup idling in GetMessage), median of the rounds, with ratios;
  - QuietSpin's peak resident memory over a whole showcase cycle: all nine movies, stepped with
    Next by pointer clicks on the transport strip;
  - the longest time QuietSpin's window goes without handling messages while a movie changes,
    from a probe that keeps sending it messages (per change the median over the cycles);
  - what holds the difference: the bare window with the libraries QuietSpin has loaded, the same
    adding a tray icon before it shows, and what Wine's GIF decoder costs to open each movie.

Figures only: nothing is asserted. Exit status 2 when something could not be measured.
"""
import argparse
import ctypes
import ctypes.util
import os
import select
import shutil
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402

WIDTH, HEIGHT = 527, 500
ORIGIN_X, ORIGIN_Y = 294, 114                # QuietSpin's stored place; client = window
NEXT_X, BAND_TOP, STRIP_Y = 320, 304, 314    # the Next button on the transport strip
MOVIES = 9
RESIDENT_AT = 6.0
CLASSES = {"QuietSpin.exe": "QuietSpinMain", "bare_window.exe": "BareWindow"}


class MapWatch:
    """Tells when a window of the main window's size is mapped on the display, from the X server's
    own MapNotify events (polling tools would add their own latency)."""

    MAP_NOTIFY, SUBSTRUCTURE_NOTIFY_MASK = 19, 1 << 19

    def __init__(self, display):
        self.x = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        self.x.XPending.argtypes = [ctypes.c_void_p]
        self.x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        self.x.XConnectionNumber.argtypes = [ctypes.c_void_p]
        self.x.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_void_p]
        self.x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.x.XFlush.argtypes = [ctypes.c_void_p]
        self.dpy = self.x.XOpenDisplay(display.encode())
        if not self.dpy:
            raise RuntimeError("cannot open the display")
        self.x.XSelectInput(self.dpy, self.x.XDefaultRootWindow(self.dpy), self.SUBSTRUCTURE_NOTIFY_MASK)
        self.x.XFlush(self.dpy)
        self.fd = self.x.XConnectionNumber(self.dpy)
        self.event = ctypes.create_string_buffer(192)
        self.attrs = ctypes.create_string_buffer(256)

    def drain(self):
        while self.x.XPending(self.dpy):
            self.x.XNextEvent(self.dpy, self.event)

    def wait_mapped(self, timeout):
        """The moment (time.monotonic) a 527 x 500 window got mapped, or None."""
        deadline = time.monotonic() + timeout
        while True:
            while self.x.XPending(self.dpy):
                self.x.XNextEvent(self.dpy, self.event)
                now = time.monotonic()
                if ctypes.c_int.from_buffer(self.event, 0).value != self.MAP_NOTIFY:
                    continue
                # XMapEvent: type, serial, send_event, display, event, window (LP64 layout).
                window = ctypes.c_ulong.from_buffer(self.event, 40).value
                if self.x.XGetWindowAttributes(self.dpy, window, self.attrs):
                    w, h = (ctypes.c_int.from_buffer(self.attrs, off).value for off in (8, 12))
                    if (w, h) == (WIDTH, HEIGHT):
                        return now
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            select.select([self.fd], [], [], min(left, 0.05))

    def close(self):
        self.x.XCloseDisplay(self.dpy)


def status(pid, field):
    """A memory figure of /proc/PID/status in MB."""
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1]) / 1024.0
    raise KeyError(field)


def libraries(pid):
    """The Windows libraries mapped into a process, by file name."""
    names = set()
    with open(f"/proc/{pid}/maps") as f:
        for line in f:
            path = line.split(maxsplit=5)[-1].strip()
            name = os.path.basename(path).lower()
            if name.endswith((".dll", ".drv")):
                names.add(name)
    return names


class Bench:
    def __init__(self, session, bare, probe):
        self.s = session
        self.bare = os.path.join(session.program, "bare_window.exe")
        self.probe = os.path.join(session.program, "message_probe.exe")
        shutil.copy(bare, self.bare)
        shutil.copy(probe, self.probe)
        self.watch = MapWatch(session.env["DISPLAY"])

    def start(self, exe, args=()):
        self.watch.drain()
        t0 = time.monotonic()
        proc = self.s.start(exe, args=args)
        mapped = self.watch.wait_mapped(30)
        if mapped is None:
            raise RuntimeError(f"{exe} showed no window")
        return proc, t0, (mapped - t0) * 1000

    def end(self, proc, window_class):
        # Closed as a user would close it, so that a tray icon goes away with its program.
        self.s.run("wine", self.bare, "--close", window_class, cwd=self.s.program, timeout=30)
        if not harness.exited(proc, 10):
            proc.kill()
            proc.wait(timeout=20)
        time.sleep(0.5)  # the server tidies up after the process

    def startup_and_resident(self, exe, args=()):
        proc, t0, startup_ms = self.start(exe, args)
        time.sleep(max(0.0, t0 + RESIDENT_AT - time.monotonic()))
        resident = status(proc.pid, "VmRSS")
        libs = libraries(proc.pid)
        self.end(proc, CLASSES[exe])
        return startup_ms, resident, libs

    def click_next(self):
        self.s.move(ORIGIN_X + 470, ORIGIN_Y + 480)
        self.s.move(ORIGIN_X + NEXT_X, ORIGIN_Y + BAND_TOP)
        self.s.move(ORIGIN_X + NEXT_X, ORIGIN_Y + STRIP_Y)
        self.s.down()
        time.sleep(0.1)

    def showcase_cycle(self, dwell):
        """Peak resident memory while Next steps through all nine movies, and what the probe saw."""
        proc, _, _ = self.start("QuietSpin.exe")
        time.sleep(2.0)
        probe = subprocess.Popen(["wine", self.probe, "QuietSpinMain"], cwd=self.s.program, env=self.s.env,
                                 stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        if probe.stdout.readline().strip() != "ready":
            raise RuntimeError("the message probe did not find QuietSpin's window")
        peak = status(proc.pid, "VmRSS")
        for _ in range(MOVIES):   # 2, 3, ..., 9 and back to 1
            self.click_next()
            probe.stdin.write("change\n")
            probe.stdin.flush()
            self.s.up()           # the release steps the showcase
            until = time.monotonic() + dwell
            while time.monotonic() < until:
                peak = max(peak, status(proc.pid, "VmRSS"))
                time.sleep(0.05)
        peak = max(peak, status(proc.pid, "VmHWM"))
        out, _ = probe.communicate(timeout=30)
        self.end(proc, CLASSES["QuietSpin.exe"])
        gaps = {}
        for line in out.splitlines():
            parts = line.split()
            if parts and parts[0] == "mark":
                gaps[int(parts[1])] = float(parts[2])
            elif parts and parts[0] in ("elsewhere", "answers"):
                gaps[parts[0]] = float(parts[1])
        return peak, gaps

    def decoder_costs(self):
        movies = [harness.to_windows_path(os.path.join(self.s.program, "GIF", f"showcase{n}.gif"))
                  for n in range(1, MOVIES + 1)]
        proc = subprocess.Popen(["wine", self.bare, "--open", *movies], cwd=self.s.program, env=self.s.env,
                                stdout=subprocess.PIPE, text=True)
        costs = []
        for _ in movies:
            parts = proc.stdout.readline().split()
            # open PATH N frames MS ms MB MB
            costs.append((int(parts[2]), float(parts[4]), float(parts[6])))
        proc.kill()
        proc.wait(timeout=20)
        return costs


def ratio(a, b):
    return f"{a / b:5.2f}" if b else "  -  "


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bare", required=True, help="bare_window.exe")
    ap.add_argument("--probe", required=True, help="message_probe.exe")
    ap.add_argument("--rounds", type=int, default=3, help="rounds of each start and showcase cycles")
    ap.add_argument("--dwell", type=float, default=2.5, help="seconds on each movie of the cycle")
    args = ap.parse_args()
    with harness.Session("footprint") as s:
        bench = Bench(s, args.bare, args.probe)
        # Wine's server and its helper processes start with the first program, and the first
        # run of each program warms the file cache: neither is counted. These runs also tell
        # which libraries QuietSpin loads beyond the bare window's.
        qs_libs = bench.startup_and_resident("QuietSpin.exe")[2]
        bare_libs = bench.startup_and_resident("bare_window.exe")[2]
        loadable = sorted(n for n in qs_libs - bare_libs if n.endswith(".dll"))
        subjects = {"QuietSpin": ("QuietSpin.exe", []), "bare": ("bare_window.exe", []),
                    "bare+libs": ("bare_window.exe", ["--load", *loadable]),
                    "bare+libs+tray": ("bare_window.exe", ["--tray", "--load", *loadable])}
        figures = {who: [] for who in subjects}
        names = list(subjects)
        for r in range(args.rounds):
            # Each round in another order, so that no subject always comes first.
            for who in names[r % len(names):] + names[:r % len(names)]:
                exe, extra_args = subjects[who]
                startup, resident, _ = bench.startup_and_resident(exe, extra_args)
                figures[who].append((startup, resident))
        cycles = [bench.showcase_cycle(args.dwell) for _ in range(args.rounds)]
        costs = bench.decoder_costs()
        bench.watch.close()

    med = {who: (statistics.median(f[0] for f in v), statistics.median(f[1] for f in v))
           for who, v in figures.items()}
    qs, bare, libs, tray = med["QuietSpin"], med["bare"], med["bare+libs"], med["bare+libs+tray"]
    print(f"QuietSpin's footprint under Wine, median of {args.rounds} rounds (goal: ratio 1.5 or less)")
    print(f"  {'':34}{'QuietSpin':>10}{'bare window':>13}{'ratio':>7}")
    print(f"  {'start-up to visible window (ms)':34}{qs[0]:10.0f}{bare[0]:13.0f}  {ratio(qs[0], bare[0])}")
    print(f"  {'resident 6 s after start (MB)':34}{qs[1]:10.1f}{bare[1]:13.1f}  {ratio(qs[1], bare[1])}")
    print("  rounds (ms / MB): QuietSpin " + ", ".join(f"{a:.0f}/{b:.1f}" for a, b in figures["QuietSpin"])
          + "; bare " + ", ".join(f"{a:.0f}/{b:.1f}" for a, b in figures["bare"]))
    peak = max(c[0] for c in cycles)
    print(f"Showcase cycle, all nine movies stepped with Next ({args.dwell:g} s each, {len(cycles)} cycles; "
          "goal: ratio 1.6 or less)")
    print(f"  {'peak resident (MB)':34}{peak:10.1f}{bare[1]:13.1f}  {ratio(peak, bare[1])}")
    # Per change the median over the cycles, so that one hiccup of a busy machine does not count
    # as the program's stall; the longest of those is the figure.
    changes = [statistics.median(c[1].get(n, 0.0) for c in cycles) for n in range(1, MOVIES + 1)]
    print("Longest gap in QuietSpin's message handling while a movie changes (goal: 30 ms or less)")
    print(f"  {max(changes):.0f} ms; per change to movie 2..9, 1: " + " ".join(f"{g:.0f}" for g in changes))
    print("  away from the changes, the longest gap in each cycle: "
          + ", ".join(f"{c[1].get('elsewhere', 0):.0f} ms" for c in cycles)
          + f" (the probe had {statistics.median(c[1].get('answers', 0) for c in cycles):.0f}"
          " answers a cycle)")
    print("What holds the difference (start-up ms, resident MB; the rest is QuietSpin's own)")
    print(f"  QuietSpin's {len(loadable)} further libraries, loaded by the bare window: "
          f"{libs[0] - bare[0]:+.0f} ms, {libs[1] - bare[1]:+.1f} MB")
    print("    " + " ".join(loadable))
    print(f"  a tray icon added before the window shows (Wine's tray, in another process): "
          f"{tray[0] - libs[0]:+.0f} ms, {tray[1] - libs[1]:+.1f} MB")
    print("  Wine's GIF decoder, which decodes a whole movie when it opens it (needed for the first frame):")
    print("    " + "; ".join(f"movie {n}: {frames} frames, {ms:.0f} ms, {mb:.1f} MB"
                             for n, (frames, ms, mb) in enumerate(costs, start=1)))
    own_ms = qs[0] - tray[0] - costs[0][1]
    own_mb = qs[1] - tray[1] - costs[0][2]
    print(f"  left to QuietSpin's own start-up work and data after movie 1's decoder: "
          f"{own_ms:+.0f} ms, {own_mb:+.1f} MB")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (RuntimeError, OSError, KeyError, ValueError, IndexError, subprocess.TimeoutExpired) as e:
        print(f"footprint: could not measure: {e}", file=sys.stderr)
        sys.exit(2)
