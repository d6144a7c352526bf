"""End-to-end harness: runs the shipped programs under Wine on a private Xvfb display.

Each Session owns a fresh Wine prefix (hard-linked from the template), its own display, and a
copy of the program folder (build/dist) in which a test may add or remove files. QuietSpin talks
to the test ASPI layer, whose log tells what the drives received.
"""
import locale
import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DIST = os.environ.get("QS_DIST", os.path.join(ROOT, "build", "dist"))
BUILD = os.environ.get("QS_BUILD", os.path.join(ROOT, "build", "win"))
WINE_ENV_SH = os.path.join(ROOT, "scripts", "wine-env.sh")


def wine_env():
    """The Wine environment of the scripts (scripts/wine-env.sh): template, overrides, screen."""
    out = subprocess.run(["bash", "-c", 'source "$1" && qs_wine_env', "wine-env", WINE_ENV_SH],
                         stdout=subprocess.PIPE, text=True, check=True).stdout
    return dict(line.split("=", 1) for line in out.splitlines())


WINE_ENV = wine_env()
TEMPLATE = WINE_ENV["QS_WINE_TEMPLATE"]
FAKE_LAYER = os.path.join(BUILD, "fakeaspi", "WNASPI32.DLL")
MARKER_KEY = r"HKLM\SYSTEM\CurrentControlSet\Services\QuietSpin\Setting"
CONVERT = "/usr/bin/convert-im6.q16" if os.path.exists("/usr/bin/convert-im6.q16") else "/usr/bin/convert"


def wait_until(predicate, timeout=10.0, interval=0.05, what="condition"):
    """Polls predicate until it returns a truthy value; returns it or raises AssertionError."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


def display_taken(n):
    """A display is taken while its lock names a live process; a stale lock is cleared."""
    lock = f"/tmp/.X{n}-lock"
    try:
        with open(lock) as f:
            pid = int(f.read().strip() or 0)
    except FileNotFoundError:
        return os.path.exists(f"/tmp/.X11-unix/X{n}")
    except (OSError, ValueError):
        return True
    if pid and os.path.exists(f"/proc/{pid}"):
        return True
    for stale in (lock, f"/tmp/.X11-unix/X{n}"):
        try:
            os.remove(stale)
        except OSError:
            pass
    return False


def to_windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class AspiLog:
    """The test layer's log: '<ms> SEND <cmd> <ha>:<target> <hex>', 'DONE', 'CHANGED', 'SUPPORT'."""

    def __init__(self, path):
        self.path = path

    def lines(self):
        try:
            with open(self.path, "r", errors="replace") as f:
                raw = f.read().splitlines()
        except FileNotFoundError:
            return []
        out = []
        for line in raw:
            parts = line.split()
            if len(parts) >= 2 and parts[0].isdigit():
                out.append((int(parts[0]), parts[1], parts[2:]))
        return out

    def executes(self):
        """Every execute request: (ms, 'ha:target', bytes)."""
        return [(ms, rest[1], bytes.fromhex(rest[2])) for ms, kind, rest in self.lines()
                if kind == "SEND" and rest[0] == "2"]

    def sends(self):
        return [(ms, int(rest[0]), rest[1], bytes.fromhex(rest[2])) for ms, kind, rest in self.lines()
                if kind == "SEND"]

    def kinds(self, kind):
        return [(ms, rest) for ms, k, rest in self.lines() if k == kind]


class Session:
    """One isolated run environment. Use as a context manager."""

    def __init__(self, name, fakeaspi="devices=0:1:5,1:0:5", layer=True, locale="en_US.UTF-8",
                 first_run_done=True, env=None):
        self.name = name
        self.dir = tempfile.mkdtemp(prefix=f"qs-{name}-")
        self.prefix = os.path.join(self.dir, "prefix")
        self.program = os.path.join(self.dir, "QuietSpin")
        self.log_path = os.path.join(self.dir, "aspi.log")
        self.aspi = AspiLog(self.log_path)
        self.procs = []
        self.xvfb = None
        self.env = dict(os.environ)
        self.env.update({
            # The msgbox trace lets tests read what a message box says.
            "WINEPREFIX": self.prefix, "WINEARCH": WINE_ENV["WINEARCH"], "WINEDEBUG": "-all,+msgbox,err+winediag",
            "WINEDLLOVERRIDES": WINE_ENV["QS_WINE_OVERRIDES"], "LC_ALL": locale,
        })
        if fakeaspi is not None:
            self.env["QS_FAKEASPI"] = f"{fakeaspi} log={to_windows_path(self.log_path)}"
        if env:
            self.env.update(env)
        try:
            self._make_prefix()
            self._start_display()
            shutil.copytree(DIST, self.program)
            if layer:
                shutil.copy(FAKE_LAYER, os.path.join(self.program, "WNASPI32.DLL"))
            if first_run_done:
                self.reg("add", MARKER_KEY, "/v", "FirstTime", "/t", "REG_DWORD", "/d", "0", "/f")
        except BaseException:
            self.close()  # a half-made session leaves no display or folder behind
            raise

    # -- environment ---------------------------------------------------------------------------
    def _make_prefix(self):
        subprocess.run(["bash", "-c", 'source "$1" && qs_wine_prefix "$2"', "wine-env", WINE_ENV_SH, self.prefix],
                       check=True)

    def _start_display(self):
        for n in range(150, 400):
            if display_taken(n):
                continue
            screen = ["-screen", "0", WINE_ENV["QS_XVFB_SCREEN"]]
            self.xvfb = subprocess.Popen(["Xvfb", f":{n}", *screen, "-nolisten", "tcp"],
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.env["DISPLAY"] = f":{n}"
            try:
                wait_until(lambda: subprocess.run(["xdpyinfo"], env=self.env, capture_output=True).returncode == 0,
                           timeout=15, what="Xvfb")
                return
            except AssertionError:
                self.xvfb.terminate()
                self.xvfb.wait()
        raise RuntimeError("no free X display")

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        for p in self.procs:
            if p.poll() is None:
                p.kill()
            try:
                p.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True)
        subprocess.run(["wineserver", "-w"], env=self.env, capture_output=True, timeout=30)
        if self.xvfb:
            # SIGTERM lets Xvfb remove its lock file and socket.
            self.xvfb.terminate()
            try:
                self.xvfb.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()
        if not os.environ.get("QS_KEEP"):
            shutil.rmtree(self.dir, ignore_errors=True)

    # -- programs ------------------------------------------------------------------------------
    def start(self, exe="QuietSpin.exe", folder=None, args=(), env=None, shown=None):
        """Starts a program; its standard error goes to the file named by the returned process's
        `stderr_path`. A program that Wine gave no display driver is started once more: it joined
        a session whose desktop was going away, and ended without a window (seen, rarely, where
        Wine runs under an emulator); the first attempt's log stays beside the second's. `shown`
        tells when a program that shows no window of its own (one started in the tray) is up."""
        folder = folder or self.program
        for attempt in (1, 2):
            self.settle()
            path = os.path.join(self.dir, f"stderr-{len(self.procs):02d}.log")
            with open(path, "wb") as err:
                p = subprocess.Popen(["wine", os.path.join(folder, exe), *args], cwd=folder,
                                     env=dict(self.env, **(env or {})), stdout=subprocess.DEVNULL, stderr=err)
            p.stderr_path = path
            self.procs.append(p)
            if attempt == 2 or not self._ended_without_a_display(p, shown):
                return p

    def _ended_without_a_display(self, p, shown=None):
        shown = shown or (lambda: self.windows_of(p))
        try:
            wait_until(lambda: p.poll() is not None or shown(), 60, 0.1, "a window or the end")
        except AssertionError:
            return False
        if p.poll() is None:
            return False
        with open(p.stderr_path, "rb") as f:
            return b"no driver could be loaded" in f.read()

    def settle(self):
        """Lets a Wine session that a tool (reg, a probe) started end before a program starts: a
        program that joins a session while its desktop is shutting down gets no display driver
        and ends without a window (seen where Wine runs under an emulator)."""
        if all(p.poll() is not None for p in self.procs):
            try:
                subprocess.run(["wineserver", "-w"], env=self.env, capture_output=True, timeout=30)
            except subprocess.TimeoutExpired:
                pass  # a program started outside the harness keeps the session: nothing to end

    def run(self, *cmd, **kw):
        # The output goes through files, not pipes: a Wine process that outlives the command (a
        # service of the session stuck on its way out) would keep a pipe open, and reading it
        # would wait for ever, past any timeout. Wine's tools answer in the locale's legacy code
        # page: never fail on their bytes.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            done = subprocess.run(list(cmd), env=self.env, stdout=out, stderr=err, **kw)
            texts = []
            for f in (out, err):
                f.seek(0)
                text = f.read().decode(locale.getpreferredencoding(False), "replace")
                texts.append(text.replace("\r\n", "\n").replace("\r", "\n"))
        return subprocess.CompletedProcess(done.args, done.returncode, *texts)

    def reg(self, *args):
        return self.run("wine", "reg", *args)

    def reg_query(self, key, value=None):
        args = ["query", key] + (["/v", value] if value else [])
        return self.reg(*args)

    # -- windows -------------------------------------------------------------------------------
    def xdo(self, *args):
        return self.run("xdotool", *map(str, args)).stdout

    def windows_of(self, proc):
        out = self.xdo("search", "--onlyvisible", "--pid", proc.pid)
        return [int(w) for w in out.split()]

    def window_name(self, wid):
        return self.xdo("getwindowname", wid).strip()

    def main_window(self, proc, timeout=60):
        """The visible caption-less window of the process (QuietSpin's main window, Backdrop's Setup)."""
        def find():
            for w in self.windows_of(proc):
                if self.window_name(w) == "":
                    g = self.geometry(w)
                    if g and g[2] > 100:
                        return w
            return None
        try:
            return wait_until(find, timeout, 0.1, "main window")
        except AssertionError as e:
            state = "still running" if proc.poll() is None else f"ended with {proc.returncode}"
            tail = ""
            if getattr(proc, "stderr_path", None):
                with open(proc.stderr_path, "rb") as f:
                    tail = f.read()[-2000:].decode("utf-8", "replace")
            raise AssertionError(f"{e}; the program is {state}; its last output:\n{tail}") from None

    def window_named(self, pattern, timeout=60):
        def find():
            out = self.xdo("search", "--onlyvisible", "--name", pattern).split()
            return int(out[0]) if out else None
        return wait_until(find, timeout, 0.1, f"window {pattern!r}")

    def geometry(self, wid):
        out = self.xdo("getwindowgeometry", "--shell", wid)
        vals = dict(re.findall(r"(\w+)=(\d+)", out))
        if not vals:
            return None
        return int(vals["X"]), int(vals["Y"]), int(vals["WIDTH"]), int(vals["HEIGHT"])

    # -- pointer and keys ----------------------------------------------------------------------
    def move(self, x, y):
        """Moves the pointer; returns once X has it there. What a program makes of the move is for
        the caller to wait for."""
        self.xdo("mousemove", "--sync", x, y)

    def click(self, button=1):
        self.xdo("click", button)

    def down(self, button=1):
        self.xdo("mousedown", button)

    def up(self, button=1):
        self.xdo("mouseup", button)

    def message_texts(self):
        """Texts of every message box the programs have shown, from Wine's msgbox trace."""
        texts = []
        for name in sorted(os.listdir(self.dir)):
            if not name.startswith("stderr-"):
                continue
            with open(os.path.join(self.dir, name), errors="replace") as f:
                for line in f:
                    m = re.search(r'MSGBOX_OnInit L"(.*)"', line)
                    if m:
                        escapes = {"r": "\r", "n": "\n", "t": "\t"}
                        texts.append(re.sub(r"\\(.)", lambda e: escapes.get(e.group(1), e.group(1)), m.group(1)))
        return texts

    def key(self, wid, *keys):
        self.xdo("windowfocus", "--sync", wid)
        self.xdo("key", "--window", wid, *keys)

    # -- pictures ------------------------------------------------------------------------------
    def screenshot(self, path=None):
        path = path or os.path.join(self.dir, f"shot-{time.monotonic_ns()}.png")
        self.run("import", "-window", "root", path, check=True)
        return path

    def shot_when(self, predicate, what, timeout=10):
        """Takes screenshots until predicate(shot) holds; returns that shot."""
        def take():
            shot = self.screenshot()
            return shot if predicate(shot) else None
        return wait_until(take, timeout, 0.1, what)

    def pixel(self, shot, x, y):
        out = self.run(CONVERT, shot, "-format", f"%[hex:p{{{x},{y}}}]", "info:").stdout.strip()
        return tuple(int(out[i:i + 2], 16) for i in (0, 2, 4))

    def crop_differs(self, a, b, x, y, w, h):
        """True when the two screenshots differ inside the rectangle."""
        out = self.run("compare", "-metric", "AE", "-extract", f"{w}x{h}+{x}+{y}", a, b, "null:").stderr
        try:
            return float(out.split()[0]) > 0
        except (ValueError, IndexError):
            return True


def cpu_ticks(pid):
    """User + system CPU time of a process, in 1/100 s."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def wineserver_of(prefix):
    """The wineserver process serving a prefix, or None."""
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/comm") as f:
                if not f.read().startswith("wineserver"):  # Debian's is "wineserver32"
                    continue
            with open(f"/proc/{entry}/environ", "rb") as f:
                env = f.read().split(b"\0")
        except OSError:
            continue
        if f"WINEPREFIX={prefix}".encode() in env:
            return int(entry)
    return None


def exited(proc, timeout):
    try:
        proc.wait(timeout=timeout)
        return True
    except subprocess.TimeoutExpired:
        return False


def main():
    unittest.main(verbosity=2)
