"""Runs inside the drive tier's virtual machine: a user's journey with QuietSpin and our ASPI layer on
three real (emulated) CD-ROM drives. A fresh prefix without any ASPI layer gets the drives mapped
by the project's own mapping; the first start runs the install branch (OK, then No); the second
start runs the program; a click on the meter's second level; the exit button. Then another user of
the installed layer: our own ASPI client (aspi_client.exe) finds D:, E: and F:, reads each disc whole
and compares it with the image.

Every step leaves a mark, a folder made on the result share, which QEMU's trace records with its
time beside the drives' commands; check.py on the host judges what the drives received. The facts
only the guest can see (the boxes, the installed layer) go to journey.json."""
import filecmp
import json
import os
import shutil
import subprocess
import sys
import time

ROOT = os.environ.get("QS_ROOT", os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import harness  # noqa: E402
import first_run_test as first_run  # noqa: E402

OUT = os.environ["QS_OUT"]
METER_CLICK = (208, 450)   # second level of the meter: speed byte 6
EXIT_BUTTON = (430, 316)
# How long a start may take: under software emulation on a busy machine, minutes.
START_LIMIT = 360
facts = {}


def mark(name):
    os.mkdir(os.path.join(OUT, "mark-" + name))
    print(f"{time.monotonic():9.2f} mark {name}", flush=True)


TRACING = "/sys/kernel/tracing"


def speed_traced():
    try:
        with open(f"{TRACING}/events/scsi/scsi_dispatch_cmd_start/enable") as f:
            return f.read().strip() == "1"
    except OSError:
        return False


def drive_commands():
    """SET CD SPEED commands the SCSI midlayer has sent to the CD-ROM drives so far, where the guest
    traces them (guest.sh); else every command, a drive's opening and closing too."""
    if speed_traced():
        with open(f"{TRACING}/trace") as f:
            return sum(1 for line in f if "scsi_dispatch_cmd_start" in line)
    total = 0
    for name in os.listdir("/sys/block"):
        if name.startswith("sr"):
            with open(f"/sys/block/{name}/device/iorequest_cnt") as f:
                total += int(f.read(), 16)
    return total


def wait_for_ticks(count, timeout):
    """Waits until the drives have had `count` bursts of commands, each followed by 0.4 s of quiet:
    the program's re-apply ticks (2 s apart), so that a click can fall between two of them."""
    deadline = time.monotonic() + timeout
    seen = drive_commands()
    for _ in range(count):
        harness.wait_until(lambda: drive_commands() != seen, deadline - time.monotonic(), 0.05, "a tick")
        while True:
            seen = drive_commands()
            time.sleep(0.4)
            if drive_commands() == seen:
                break


class GuestSession(harness.Session):
    """A session on the prefix prepared on the host: copying the template in here would copy each of
    its files up into the overlay's memory."""

    def _make_prefix(self):
        self.prefix = os.environ["QS_PREFIX"]
        self.env["WINEPREFIX"] = self.prefix


def journey(s):
    print(f"{time.monotonic():9.2f} session ready", flush=True)
    mapped = s.run("bash", "-c", 'source "$1/scripts/wine-env.sh" && qs_map_optical_drives "$WINEPREFIX" "$2"',
                   "map", ROOT, os.path.join(s.dir, "media"), timeout=300)
    facts["mapping"] = mapped.stdout.split("\n")[:-1]
    print("mapping:", mapped.returncode, mapped.stdout, mapped.stderr, flush=True)
    if mapped.returncode != 0:
        raise RuntimeError("mapping the drives failed")
    # A lasting Wine session with the letters in place, so that Wine's own services start (and look
    # at the media) before any mark.
    s.procs.append(subprocess.Popen(["wineserver", "-p"], env=s.env, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL))
    # (Its services outlive the command: they must not hold a pipe that anyone waits on.)
    subprocess.run(["wine", "cmd", "/c", "ver"], env=s.env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=300)
    print(f"{time.monotonic():9.2f} wine session ready", flush=True)

    # First start: the install branch. Nothing may reach a drive meanwhile.
    mark("branch-start")
    proc = s.start()
    box = first_run.next_box(s, proc, timeout=START_LIMIT)
    facts["install_box"] = box.text == first_run.INSTALL_TEXT and box.button_names == ["OK"]
    first_run.answer(s, box, "OK")
    second = first_run.next_box(s, proc, previous=box.wid, timeout=START_LIMIT)
    facts["restart_box"] = second.text == first_run.REBOOT_TEXT and second.button_names == ["Yes", "No"]
    harness.wait_until(lambda: any("installed" in line for line in first_run.install_log(s)), 120, 0.2,
                       "the batch file's 'installed' line")
    first_run.answer(s, second, "No")
    facts["branch_ended"] = harness.exited(proc, 60)
    mark("branch-end")
    system = os.path.join(s.prefix, "drive_c", "windows", "system32")
    installed = [os.path.join(system, n) for n in os.listdir(system) if n.lower() == "wnaspi32.dll"]
    facts["layer_installed"] = bool(installed) and filecmp.cmp(
        installed[0], os.path.join(s.program, "ASPI", "WNASPI32.DLL"), shallow=False)

    # Second start: the program runs with the installed layer.
    proc = s.start()
    wid = s.main_window(proc, timeout=START_LIMIT)
    mark("window")
    x, y = s.geometry(wid)[:2]
    wait_for_ticks(4, 40)
    mark("click")
    s.move(x + METER_CLICK[0], y + METER_CLICK[1])
    s.click()
    wait_for_ticks(3, 30)
    mark("exit")
    s.move(x + EXIT_BUTTON[0], y + EXIT_BUTTON[1])
    s.click()
    facts["program_ended"] = harness.exited(proc, 60)
    mark("ended")


def client(s):
    """Our own ASPI program on the installed layer; it has its own line, whatever QuietSpin did."""
    system = os.path.join(s.prefix, "drive_c", "windows", "system32")
    ours = os.path.join(s.program, "ASPI", "WNASPI32.DLL")
    installed = [os.path.join(system, n) for n in os.listdir(system) if n.lower() == "wnaspi32.dll"]
    if not (installed and filecmp.cmp(installed[0], ours, shallow=False)):
        # The journey stopped before INSTASPI.BAT ran: the layer goes where it would have put it.
        for path in installed:
            os.remove(path)
        shutil.copy(ours, os.path.join(system, "wnaspi32.dll"))
        facts["client_layer_copied"] = True
    letters = "".join(line.split(":")[0] for line in facts.get("mapping", []))
    result = s.run("wine", os.path.join(harness.BUILD, "tests", "drives", "aspi_client.exe"),
                   harness.to_windows_path(os.environ["QS_MEDIUM"]), letters, timeout=600)
    print("client:", result.returncode, result.stdout, result.stderr[-2000:], flush=True)
    facts["client"] = [json.loads(line) for line in result.stdout.splitlines() if line.startswith("{")]


def main():
    try:
        with GuestSession("drives", fakeaspi=None, layer=False, first_run_done=False) as s:
            try:
                journey(s)
            except Exception as e:  # the checker reports what is missing; the reason goes with the facts
                facts["error"] = f"{type(e).__name__}: {e}"
                print(facts["error"], flush=True)
            if facts.get("mapping"):
                client(s)
    except Exception as e:
        facts.setdefault("error", f"{type(e).__name__}: {e}")
        print(facts["error"], flush=True)
    with open(os.path.join(OUT, "journey.json"), "w") as f:
        json.dump(facts, f, indent=1)
    return 1 if "error" in facts else 0


if __name__ == "__main__":
    sys.exit(main())
